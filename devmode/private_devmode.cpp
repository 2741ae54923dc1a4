#include "devmode/private_devmode.h"

#include <cstring>
#include <cwchar>

#include "config/driver_info.h"
#include "config/model_keys.h"
#include "devmode/record_locks.h"
#include "platform/errors.h"
#include "platform/language.h"
#include "platform/seam.h"

namespace kv {
namespace {

// The fields that a convert carries over from a record with our signature, in storage order.
struct CopiedField {
  size_t offset;
  size_t width;
};

#define KV_FIELD(name) \
  CopiedField { offsetof(PrivateDevmode, name), sizeof(PrivateDevmode::name) }

constexpr CopiedField kCopiedFields[] = {
    KV_FIELD(wHoldMode),      KV_FIELD(szHoldUserID),    KV_FIELD(szHoldJobName),
    KV_FIELD(szHoldPIN),      KV_FIELD(szHoldTime),      KV_FIELD(dwColorCopies),
    KV_FIELD(wHddInstalled),  KV_FIELD(wStapleOn),       KV_FIELD(wNupFlag),
    KV_FIELD(iResolution),    KV_FIELD(bAdjustFlags),    KV_FIELD(wCopiesSetting),
    KV_FIELD(wPrinterHDD),    KV_FIELD(dwMonoCopies),    KV_FIELD(wSecureMode),
    KV_FIELD(szHoldPassword), KV_FIELD(szEncryptionKey), KV_FIELD(bRegionColor),
    KV_FIELD(wJobAccounting),
};

#undef KV_FIELD

struct ModelDefaults {
  int16_t iResolution = 0;
  int16_t wPrinterHDD = 0;
  int16_t wJobAccounting = 0;
};

// Where each profile-backed default lives in the model profile.
struct ModelDefaultKey {
  const wchar_t* key;
  const wchar_t* section;
  int16_t ModelDefaults::*field;
};

constexpr ModelDefaultKey kModelDefaultKeys[] = {
    {keys::kResolution.name, keys::kResolution.section, &ModelDefaults::iResolution},
    {keys::kPrinterHdd.name, keys::kPrinterHdd.section, &ModelDefaults::wPrinterHDD},
    {keys::kJobAccounting.name, keys::kJobAccounting.section, &ModelDefaults::wJobAccounting},
};

int16_t ReadProfileDefault(const wchar_t* profile, const ModelDefaultKey& row) {
  if (profile[0] == L'\0') return 0;
  return static_cast<int16_t>(GetPrivateProfileIntW(row.section, row.key, 0, profile));
}

ModelDefaults ReadModelDefaults(HANDLE printer) {
  ModelDefaults defaults;
  wchar_t profile[kPathUnits];
  ModelProfilePath(printer, profile);
  for (const auto& row : kModelDefaultKeys) defaults.*row.field = ReadProfileDefault(profile, row);
  return defaults;
}

// Steps shared by defaulting and by a convert from a foreign record: everything but the
// header, the padding, the sheet link and the reserved tail.
void DefaultFields(PrivateDevmode& out, const ModelDefaults& model) {
  out.iOemItemSel = 0;
  out.wHoldMode = 0;
  out.wHddInstalled = 0;
  out.wStapleOn = 0;
  out.wNupFlag = 0;
  out.wCopiesSetting = 0;
  out.wSecureMode = 0;
  out.dwColorCopies = 0;
  out.dwMonoCopies = 0;
  out.bAdjustFlags = 0;
  std::memset(out.szHoldUserID, 0, sizeof out.szHoldUserID);
  std::memset(out.szHoldJobName, 0, sizeof out.szHoldJobName);
  std::memset(out.szHoldPIN, 0, sizeof out.szHoldPIN);
  std::memset(out.szHoldTime, 0, sizeof out.szHoldTime);
  std::memset(out.szHoldPassword, 0, sizeof out.szHoldPassword);
  std::memset(out.szEncryptionKey, 0, sizeof out.szEncryptionKey);
  out.iResolution = model.iResolution;
  out.wPrinterHDD = model.wPrinterHDD;
  out.wJobAccounting = model.wJobAccounting;
  out.bRegionColor = RegionColorDefault();
}

void SetHeader(PrivateDevmode& out) {
  out.dwSize = kPrivateDevmodeSize;
  out.dwSignature = kPrivateSignature;
  out.dwVersion = kPrivateVersion;
}

}  // namespace

int16_t ReadModelDefault(HANDLE printer, const wchar_t* key) {
  if (!key) return 0;
  for (const auto& row : kModelDefaultKeys) {
    if (wcscmp(row.key, key) != 0) continue;
    wchar_t profile[kPathUnits];
    ModelProfilePath(printer, profile);
    return ReadProfileDefault(profile, row);
  }
  return 0;
}

uint8_t RegionColorDefault() {
  const LANGID language = Use<Language>().UserDefault();
  const unsigned sub = SubOf(language);
  switch (PrimaryOf(language)) {
    case 0x01: return sub == 0x0E ? 4 : 1;
    case 0x09:
      switch (sub) {
        case 1: return 2;
        case 2: return 3;
        case 3: return 4;
        case 4: return 2;
        case 7: return 4;
        default: return 1;
      }
    case 0x0A:
      switch (sub) {
        case 2: return 2;
        case 3: return 3;
        case 11: return 2;
        default: return 1;
      }
    case 0x0C: return sub == 3 ? 2 : 3;
    case 0x16: return sub == 1 ? 2 : sub == 2 ? 3 : 1;
    case 0x04:
    case 0x12:
    case 0x39: return 4;
    case 0x05:
    case 0x07:
    case 0x08:
    case 0x0E:
    case 0x10:
    case 0x13:
    case 0x15:
    case 0x19:
    case 0x1A:
    case 0x1D:
    case 0x24: return 3;
    default: return 1;
  }
}

void DefaultPrivateDevmode(HANDLE printer, PrivateDevmode& out) {
  SetHeader(out);
  DefaultFields(out, ReadModelDefaults(printer));
}

void ConvertPrivateDevmode(HANDLE printer, const void* in, PrivateDevmode& out) {
  // In is only as long as its header says; its signature is only read when the header
  // is whole. A record too short to carry one is foreign. In may be Out itself, so its
  // header is read before Out's is written.
  const auto* bytes = static_cast<const BYTE*>(in);
  DWORD in_size = 0;
  std::memcpy(&in_size, bytes, sizeof in_size);
  DWORD in_signature = 0;
  const bool has_header = in_size >= sizeof(OEM_DMEXTRAHEADER);
  if (has_header) std::memcpy(&in_signature, bytes + offsetof(PrivateDevmode, dwSignature), 4);

  out.dwVersion = kPrivateVersion;
  out.dwSize = kPrivateDevmodeSize;
  out.iOemItemSel = 0;

  if (!has_header || in_signature != out.dwSignature) {
    out.dwSignature = kPrivateSignature;
    DefaultFields(out, ReadModelDefaults(printer));
    return;
  }

  // Fields that lie beyond a short record's end take their defaults, read only if needed.
  bool short_record = false;
  for (const auto& field : kCopiedFields) short_record |= field.offset + field.width > in_size;
  PrivateDevmode defaults;
  if (short_record) {
    std::memcpy(&defaults, &out, sizeof defaults);
    DefaultFields(defaults, ReadModelDefaults(printer));
  }

  auto* target = reinterpret_cast<BYTE*>(&out);
  const auto* fallback = reinterpret_cast<const BYTE*>(&defaults);
  for (const auto& field : kCopiedFields) {
    const BYTE* source = field.offset + field.width <= in_size ? bytes : fallback;
    std::memmove(target + field.offset, source + field.offset, field.width);
  }
}

void ValidatePrivateDevmode(PrivateDevmode& out) {
  SetHeader(out);
  if (out.iOemItemSel > 100) out.iOemItemSel = 0;
}

HRESULT DevMode(DWORD mode, POEMDMPARAM param) {
  if (!param) return FailWith(ERROR_INVALID_PARAMETER);
  switch (mode) {
    case OEMDM_SIZE: param->cbBufSize = kPrivateDevmodeSize; return S_OK;
    case OEMDM_DEFAULT:
      if (!param->pOEMDMOut) return FailWith(ERROR_INVALID_PARAMETER);
      if (param->cbBufSize < kPrivateDevmodeSize) return FailWith(ERROR_INSUFFICIENT_BUFFER);
      DefaultPrivateDevmode(param->hPrinter, *static_cast<PrivateDevmode*>(param->pOEMDMOut));
      ApplyRecordLocks(ReadRecordLocks(param->hPrinter, Policy()),
                       *static_cast<PrivateDevmode*>(param->pOEMDMOut));
      return S_OK;
    case OEMDM_CONVERT:
    case OEMDM_MERGE: {
      if (!param->pOEMDMIn || !param->pOEMDMOut) return S_OK;
      if (param->cbBufSize < kPrivateDevmodeSize) return FailWith(ERROR_INSUFFICIENT_BUFFER);
      auto& out = *static_cast<PrivateDevmode*>(param->pOEMDMOut);
      ConvertPrivateDevmode(param->hPrinter, param->pOEMDMIn, out);
      if (mode == OEMDM_MERGE) ValidatePrivateDevmode(out);
      ApplyRecordLocks(ReadRecordLocks(param->hPrinter, Policy()), out);
      return S_OK;
    }
    default: return FailWith(ERROR_INVALID_PARAMETER);
  }
}

}  // namespace kv
