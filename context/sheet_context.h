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

  // The dialog or page on screen, as its initialisation records it for the control-text
  // pass, the layout helpers and the edit filters: its window, its template, the word that
  // names its string-table section ("<word> Dialog"), its tooltip window, and the passcode
  // or password length limits (minimum, maximum) of the dialog that has them.
  HWND hPageWnd;
  DWORD dwTemplateId;
  wchar_t szDialogName[256];
  int16_t wMinPassLen;
  int16_t wMaxPassLen;
  int16_t wCustomPaper;  // 1: control 1001 takes its caption from "Custom Paper Dialog"

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
  HWND hToolTip;
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
  int16_t wSecurePrint;
  int32_t iJobAccounting;

  // The language code chosen for the string table ("" when the model is not language
  // dependent).
  wchar_t szLanguageCode[kLanguageCodeUnits];

  // Job accounting texts: the ID and password that the Job Accounting dialog confirmed, the
  // pending pair it shows when it opens again, and whether a confirmation is waiting for the
  // printer tree's apply to store it.
  wchar_t szJobAccountID[kJobAccountUnits];
  wchar_t szJobAccountIDWork[kJobAccountUnits];
  wchar_t szJobAccountPW[kJobAccountUnits];
  wchar_t szJobAccountPWWork[kJobAccountUnits];
  BOOL bJobAccountConfirmed;

  // Print and Hold while it is open: the store flag and the print-at time text.
  int16_t wHoldStore;
  wchar_t szHoldTimeText[128];

  // Where the block came from.
  HANDLE hHeap;
  uint32_t dwLink;  // this context's link cookie while it is linked from a private record
};

// Gives a context made by CreateSheetContext (config/model_files.h) back to its heap.
void FreeSheetContext(SheetContext* context);

}  // namespace kv
