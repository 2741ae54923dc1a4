#include "config/model_files.h"

#include <winspool.h>

#include <cwchar>
#include <cwctype>

#include "config/driver_info.h"
#include "config/model_keys.h"
#include "context/sheet_context.h"
#include "platform/handles.h"
#include "platform/language.h"
#include "platform/seam.h"
#include "platform/spooler.h"
#include "platform/text.h"

namespace kv {
namespace {

constexpr wchar_t kLanguageKeyPrefix[] = L"Software\\KVprint\\";
constexpr wchar_t kLanguageValue[] = L"DrvCntCode";

struct LanguageCode {
  unsigned primary;
  const wchar_t* code;
};

constexpr LanguageCode kLanguageCodes[] = {
    {0x06, L"DN"}, {0x07, L"GR"}, {0x0A, L"SP"}, {0x0B, L"FI"}, {0x0C, L"FN"},
    {0x10, L"IT"}, {0x11, L"JP"}, {0x12, L"KR"}, {0x13, L"DT"}, {0x14, L"NR"},
    {0x16, L"PT"}, {0x19, L"RU"}, {0x1D, L"SW"},
};

// The model's switches, in the order they are read from section "Common".
struct Switch {
  const ModelKey& key;
  int32_t SheetContext::*field;
};

constexpr Switch kSwitches[] = {
    {keys::kCopiesSetting, &SheetContext::iCopiesSetting},
    {keys::kPrinterHdd, &SheetContext::iPrinterHDD},
    {keys::kInstalledHdd, &SheetContext::iInstalledHDD},
    {keys::kGrayscaleEnh, &SheetContext::iGrayscaleEnh},
    {keys::kTroubleWayfer, &SheetContext::iTroubleWayfer},
};

struct Brand {
  const wchar_t* word;
  int16_t brand;
};

constexpr Brand kBrands[] = {{L"KORVANE", 0}, {L"PELMA", 1}, {L"TUNO", 2}};

// "Software\KVprint\<printer>", the name cut so that the path stays within 260 units.
void LanguageKeyPath(const wchar_t* printer_name, wchar_t (&path)[260]) {
  CopyText(path, kLanguageKeyPrefix);
  AppendText(path, printer_name);
}

bool IsUsableCode(const wchar_t* code, size_t units) {
  size_t n = 0;
  for (; n < units && code[n] != L'\0'; ++n)
    if (!iswalpha(code[n])) return false;
  return n > 0 && n < units;
}

bool ReadStoredCode(const wchar_t* path, wchar_t* code, size_t units) {
  unique_hkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  wchar_t stored[kLanguageCodeUnits] = {};
  DWORD type = REG_NONE;
  DWORD bytes = sizeof stored;
  if (RegQueryValueExW(key.get(), kLanguageValue, nullptr, &type, reinterpret_cast<BYTE*>(stored),
                       &bytes) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  if (!IsUsableCode(stored, bytes / sizeof(wchar_t))) return false;
  CopyText(code, units, stored);
  return true;
}

void StoreCode(const wchar_t* path, const wchar_t* code) {
  unique_hkey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key.get(), kLanguageValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(code),
                 static_cast<DWORD>((wcslen(code) + 1) * sizeof(wchar_t)));
}

void ReadDriverDirectory(wchar_t (&dir)[260]) {
  dir[0] = L'\0';
  DWORD needed = 0;
  if (!Use<Spooler>().DriverDirectory(1, reinterpret_cast<BYTE*>(dir), sizeof dir, &needed))
    dir[0] = L'\0';
  dir[259] = L'\0';
  AppendText(dir, L"\\3\\");
}

int16_t BrandOf(const ProfileReader& profile) {
  wchar_t caption[kTextUnits];
  profile.ReadText(keys::kCaption, caption);
  return BrandOfCaption(caption);
}

}  // namespace

int16_t BrandOfCaption(const wchar_t* caption) {
  wchar_t upper[kTextUnits];
  CopyText(upper, caption ? caption : L"");
  for (wchar_t* c = upper; *c; ++c) *c = towupper(*c);
  for (const auto& brand : kBrands)
    if (wcsstr(upper, brand.word)) return brand.brand;
  return 0;
}

const wchar_t* LanguageCodeFor(LANGID language) {
  const unsigned primary = PrimaryOf(language);
  if (primary == 0x04) {
    switch (SubOf(language)) {
      case 1: return L"CT";
      case 2: return L"CP";
      default: return L"EN";
    }
  }
  for (const auto& row : kLanguageCodes)
    if (row.primary == primary) return row.code;
  return L"EN";
}

void PrinterLanguageCode(const wchar_t* printer_name, wchar_t* code, size_t units) {
  const wchar_t* derived = LanguageCodeFor(Use<Language>().UserDefault());
  // Without a printer name there is no key of its own: the code is derived each time.
  if (!printer_name || printer_name[0] == L'\0') {
    CopyText(code, units, derived);
    return;
  }
  wchar_t path[260];
  LanguageKeyPath(printer_name, path);
  if (ReadStoredCode(path, code, units)) return;
  CopyText(code, units, derived);
  StoreCode(path, code);
}

SheetContext* CreateSheetContext(HANDLE heap, HANDLE printer, const wchar_t* printer_name,
                                 IPrintOemDriverUI* driver_ui) {
  if (!heap) return nullptr;
  auto* context =
      static_cast<SheetContext*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(SheetContext)));
  if (!context) return nullptr;
  context->hHeap = heap;
  context->hPrinter = printer;
  context->pDriverUI = driver_ui;
  LocateModelFiles(*context, printer_name);
  return context;
}

void LocateModelFiles(SheetContext& context, const wchar_t* printer_name) {
  ReadDriverDirectory(context.szDriverDir);

  wchar_t base[kPathUnits] = {};
  if (const auto info = ReadDriverInfoAs<DRIVER_INFO_2W>(context.hHeap, context.hPrinter, 2)) {
    const wchar_t* data_file = info.get()->pDataFile;
    context.bDataFileIsPpd = data_file && wcsstr(data_file, L".PPD") != nullptr;
    ModelBasePath(data_file, base);
  }

  // Without a data file there are no model files; the readers then read defaults only.
  wchar_t path[kPathUnits];
  if (base[0] != L'\0') {
    CopyText(path, base);
    AppendText(path, L".VER");
    context.VersionFile.SetFile(path);
    CopyText(path, base);
    AppendText(path, L"u.INI");
    context.ModelProfile.SetFile(path);
  }

  ProfileReader& profile = context.ModelProfile;
  wchar_t prefix[kTextUnits];
  profile.ReadText(keys::kOemPrefix, prefix);
  CopyText(context.szOemPrefix, prefix);

  for (const auto& row : kSwitches) context.*row.field = profile.Read(row.key);
  context.wSecurePrint = static_cast<int16_t>(profile.Read(keys::kSecurePrint));
  context.iJobAccounting = profile.Read(keys::kJobAccounting);
  context.nBrand = BrandOf(profile);

  const bool language_dependent = context.VersionFile.Read(keys::kLanguageDependent) == 1;
  context.szLanguageCode[0] = L'\0';
  if (language_dependent)
    PrinterLanguageCode(printer_name, context.szLanguageCode, kLanguageCodeUnits);

  if (context.nBrand == 0 || context.nBrand == 1) {
    CopyText(path, context.szDriverDir);
    AppendText(path, context.szOemPrefix);
    AppendText(path, context.szLanguageCode);
    AppendText(path, L".DAT");
    context.StringTable.SetFile(path);
  } else {
    context.StringTable.SetFile(context.ModelProfile.szFile);
  }

  if (context.nBrand == 1 && base[0] != L'\0') {
    CopyText(path, base);
    AppendText(path, L".hin");
    context.HintFile.SetFile(path);
  }
}

}  // namespace kv
