// The plug-in's private record inside the DEVMODE, and the four operations through which the
// host sizes, defaults, converts and merges it. The record is stored in documents and passed
// between applications, so its layout is fixed to the byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/host_abi.h"

namespace kv {

constexpr DWORD kPrivateDevmodeSize = 2404;
constexpr DWORD kPrivateSignature = 0x4D534654;  // "TFSM" in storage order
constexpr DWORD kPrivateVersion = 1;

#pragma pack(push, 1)
struct PrivateDevmode {
  DWORD dwSize;
  DWORD dwSignature;
  DWORD dwVersion;
  int32_t iOemItemSel;
  int16_t wHoldMode;
  wchar_t szHoldUserID[20];
  wchar_t szHoldJobName[64];
  wchar_t szHoldPIN[8];  // all eight units may be used, then with no terminator
  wchar_t szHoldTime[20];
  BYTE padding1[2];
  int32_t dwColorCopies;
  uint32_t pSheetLink;  // run-time link to the open sheet; meaningless outside the process
  int16_t wHddInstalled;
  int16_t wStapleOn;
  int16_t wNupFlag;
  int16_t iResolution;
  uint8_t bAdjustFlags;
  BYTE padding2[1];
  int16_t wCopiesSetting;
  int16_t wPrinterHDD;
  BYTE padding3[2];
  int32_t dwMonoCopies;
  int16_t wSecureMode;
  wchar_t szHoldPassword[20];
  wchar_t szEncryptionKey[20];
  uint8_t bRegionColor;
  BYTE padding4[1];
  int16_t wJobAccounting;
  BYTE reserved[2046];
};
#pragma pack(pop)

static_assert(sizeof(wchar_t) == 2, "UTF-16 text fields");
static_assert(sizeof(PrivateDevmode) == kPrivateDevmodeSize, "record size");
static_assert(offsetof(PrivateDevmode, dwSize) == 0x000);
static_assert(offsetof(PrivateDevmode, dwSignature) == 0x004);
static_assert(offsetof(PrivateDevmode, dwVersion) == 0x008);
static_assert(offsetof(PrivateDevmode, iOemItemSel) == 0x00C);
static_assert(offsetof(PrivateDevmode, wHoldMode) == 0x010);
static_assert(offsetof(PrivateDevmode, szHoldUserID) == 0x012);
static_assert(offsetof(PrivateDevmode, szHoldJobName) == 0x03A);
static_assert(offsetof(PrivateDevmode, szHoldPIN) == 0x0BA);
static_assert(offsetof(PrivateDevmode, szHoldTime) == 0x0CA);
static_assert(offsetof(PrivateDevmode, padding1) == 0x0F2);
static_assert(offsetof(PrivateDevmode, dwColorCopies) == 0x0F4);
static_assert(offsetof(PrivateDevmode, pSheetLink) == 0x0F8);
static_assert(offsetof(PrivateDevmode, wHddInstalled) == 0x0FC);
static_assert(offsetof(PrivateDevmode, wStapleOn) == 0x0FE);
static_assert(offsetof(PrivateDevmode, wNupFlag) == 0x100);
static_assert(offsetof(PrivateDevmode, iResolution) == 0x102);
static_assert(offsetof(PrivateDevmode, bAdjustFlags) == 0x104);
static_assert(offsetof(PrivateDevmode, padding2) == 0x105);
static_assert(offsetof(PrivateDevmode, wCopiesSetting) == 0x106);
static_assert(offsetof(PrivateDevmode, wPrinterHDD) == 0x108);
static_assert(offsetof(PrivateDevmode, padding3) == 0x10A);
static_assert(offsetof(PrivateDevmode, dwMonoCopies) == 0x10C);
static_assert(offsetof(PrivateDevmode, wSecureMode) == 0x110);
static_assert(offsetof(PrivateDevmode, szHoldPassword) == 0x112);
static_assert(offsetof(PrivateDevmode, szEncryptionKey) == 0x13A);
static_assert(offsetof(PrivateDevmode, bRegionColor) == 0x162);
static_assert(offsetof(PrivateDevmode, padding4) == 0x163);
static_assert(offsetof(PrivateDevmode, wJobAccounting) == 0x164);
static_assert(offsetof(PrivateDevmode, reserved) == 0x166);

// The IPrintOemUI::DevMode method: OEMDM_SIZE, _DEFAULT, _CONVERT and _MERGE.
[[nodiscard]] HRESULT DevMode(DWORD mode, POEMDMPARAM param);

// The record's defaults for one printer (the model profile beside the driver's data file and
// the user's language).
void DefaultPrivateDevmode(HANDLE printer, PrivateDevmode& out);

// Converts In into Out. In is read only within the size it declares in its own header.
void ConvertPrivateDevmode(HANDLE printer, const void* in, PrivateDevmode& out);

// Restores the invariants of a record after a merge.
void ValidatePrivateDevmode(PrivateDevmode& out);

// One of the profile-backed defaults: "iResolution", "PrinterHDD" or "PrinterJobAccounting".
// 0 when the driver information, the profile or the key cannot be read.
[[nodiscard]] int16_t ReadModelDefault(HANDLE printer, const wchar_t* key);

// The region colour the user's language suggests: 1, 2, 3 or 4.
[[nodiscard]] uint8_t RegionColorDefault();

}  // namespace kv
