// The per-sheet state block. One is made for every property sheet and option-tree fill, from
// the host's plug-in heap (zero-filled), and everything it holds lives inside the block: the
// host discards the heap with the sheet, and nothing is left behind.
#pragma once

#include <cstdint>

#include "host/host_abi.h"
#include "platform/profile_reader.h"

namespace kv {

constexpr size_t kResolutionSlots = 10;
constexpr size_t kJobAccountUnits = 33;  // 32 units and a terminator
constexpr size_t kLanguageCodeUnits = 130;

struct SheetContext {
  // The property-sheet protocol.
  HANDLE hComPropSheet;
  POEMUIPSPARAM pParam;
  PFNCOMPROPSHEET pfnComPropSheet;
  HANDLE hPage;
  IPrintOemDriverUI* pDriverUI;
  HANDLE hPrinter;

  // The copies split (document sheets). The two counts are those seen at the last change of
  // the copies item; a sheet starts with no change pending and the public copy count.
  int16_t wPreviousCopies;
  int16_t wCurrentCopies;
  int32_t iColorCopies;
  int32_t iMonoCopies;
  BOOL bChanged;

  // The model's files.
  wchar_t szDriverDir[260];
  wchar_t szOemPrefix[256];
  ProfileReader StringTable;
  ProfileReader ModelProfile;
  ProfileReader VersionFile;
  BOOL bDataFileIsPpd;
  int16_t nBrand;
  ProfileReader HintFile;
  wchar_t szPrinterAddress[260];
  wchar_t szPageTitle[kTextUnits];  // the Troubleshooting page's title while the host shows it

  // Resolutions the model offers (document sheets).
  int32_t aResolution[kResolutionSlots];
  int32_t nResolution;
  BOOL bNoPermission;  // the user may not change the settings: the dialogs' controls are disabled

  // The model's switches from its profile's "Common" section.
  int32_t iCopiesSetting;
  int32_t iPrinterHDD;
  int32_t iInstalledHDD;
  int32_t iGrayscaleEnh;
  int32_t iTroubleWayfer;  // the status monitor's mode, which the Troubleshooting page follows
  int16_t wSecurePrint;
  int32_t iJobAccounting;

  // The language code chosen for the string table ("" when the model is not language
  // dependent).
  wchar_t szLanguageCode[kLanguageCodeUnits];

  // Job accounting: the ID and password that the Job Accounting dialog confirmed in this
  // sheet, and whether they wait for the printer tree's apply to store them.
  wchar_t szJobAccountID[kJobAccountUnits];
  wchar_t szJobAccountPW[kJobAccountUnits];
  BOOL bJobAccountConfirmed;

  // Where the block came from.
  HANDLE hHeap;
  uint32_t dwLink;  // this context's link cookie while it is linked from a private record
};

// Gives a context made by CreateSheetContext (config/model_files.h) back to its heap.
void FreeSheetContext(SheetContext* context);

}  // namespace kv
