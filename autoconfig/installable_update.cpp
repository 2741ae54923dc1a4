#include "autoconfig/installable_update.h"

#include <winspool.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <type_traits>

#include "config/driver_info.h"
#include "config/model_keys.h"
#include "host/host_items.h"
#include "host/status_record.h"
#include "platform/handles.h"
#include "platform/library_loader.h"
#include "platform/module.h"
#include "platform/seam.h"
#include "platform/spooler.h"
#include "platform/text.h"

namespace kv {
namespace {

// The PPD keywords of the installable features, and the status field each one marks.
struct FeatureKeyword {
  const char* keyword;
  int field;  // offset in the status record, or -1
};

constexpr FeatureKeyword kFeatureKeywords[] = {
    {ppd::kTray2.numbered, kStatusTray2},
    {ppd::kDuplex.numbered, kStatusDuplex},
    {ppd::kHardDisk.numbered, kStatusHardDisk},
    {ppd::kTray3.numbered, kStatusTray3},
    {ppd::kTray4.numbered, -1},
    {ppd::kFinisher, kStatusFinisher},
    {ppd::kInstalledMemory, -1},
    {ppd::kTray2.named, kStatusTray2},
    {ppd::kDuplex.named, kStatusDuplex},
    {ppd::kHardDisk.named, kStatusHardDisk},
    {ppd::kTray3.named, kStatusTray3},
    {ppd::kTray4.named, -1},
};

// A library's owner that frees it through the loader that loaded it.
struct FreedBy {
  LibraryLoader* loader;
  void operator()(HMODULE module) const noexcept { loader->Free(module); }
};

// The trays a tray code of 0 or more reports: tray 2, tray 3, tray 4. Codes 0 and 2 (and
// any the companion does not send) mean no extra trays.
struct Trays {
  int tray2, tray3, tray4;
};

Trays TraysOf(int16_t code) {
  switch (code) {
    case 1: return {1, 0, 0};
    case 3: return {1, 1, 0};
    case 4: return {1, 1, 1};
    default: return {0, 0, 0};
  }
}

// The companion library: this module's path less its last five characters, plus "N.DLL".
bool CompanionPath(wchar_t (&path)[kPathUnits]) {
  wchar_t own[kPathUnits] = {};
  const DWORD length = GetModuleFileNameW(ThisModule(), own, kPathUnits);
  if (length == 0 || length >= kPathUnits || length < 5) return false;
  own[length - 5] = L'\0';
  CopyText(path, own);
  AppendText(path, L"N.DLL");
  return true;
}

// The queue's port name in the system's ANSI code page, at most 255 bytes; false when the
// queue has none, or only an empty one, since there is then no printer to ask.
bool PortName(HANDLE printer, char (&port)[256]) {
  port[0] = '\0';
  DWORD needed = 0;
  Use<Spooler>().PrinterInfo(printer, 2, nullptr, 0, &needed);
  if (needed == 0) return false;
  HANDLE heap = GetProcessHeap();
  const unique_heap_ptr<PRINTER_INFO_2W> owned(heap, HeapAlloc(heap, HEAP_ZERO_MEMORY, needed));
  PRINTER_INFO_2W* info = owned.get();
  if (!info) return false;
  bool ok =
      Use<Spooler>().PrinterInfo(printer, 2, reinterpret_cast<BYTE*>(info), needed, &needed) &&
      info->pPortName && info->pPortName[0] != L'\0';
  if (ok) {
    // Converted whole, then cut to what the companion takes.
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, info->pPortName, -1, nullptr, 0, nullptr, nullptr);
    const unique_heap_ptr<char> whole(heap, bytes > 0 ? HeapAlloc(heap, 0, bytes) : nullptr);
    ok = whole && WideCharToMultiByte(CP_ACP, 0, info->pPortName, -1, whole.get(), bytes, nullptr,
                                      nullptr) > 0;
    if (ok) {
      std::strncpy(port, whole.get(), sizeof port - 1);
      port[sizeof port - 1] = '\0';
    }
  }
  return ok;
}

void FillStatusRecord(const OEMCUIPPARAM& param, BYTE* record) {
  for (int offset = 0; offset < kStatusFlagsOffset; offset += 2)
    WriteStatusField(record, offset, -1);
  for (const auto& row : kFeatureKeywords)
    if (row.field >= 0 && FindHostItem(param, row.keyword)) WriteStatusField(record, row.field, 0);
  wchar_t profile[kPathUnits];
  ModelProfilePath(param.hPrinter, profile);
  record[kStatusNetworkModel] =
      static_cast<BYTE>(profile[0] ? ReadModelInt(profile, keys::kAutoCfgNetworkModel) : 0);
  record[kStatusMpTray] = static_cast<BYTE>(profile[0] ? ReadModelInt(profile, keys::kSupportMpTray)
                                                       : keys::kSupportMpTray.fallback);
}

// Sets a host item to an installed (1) or absent (0) answer and has the host store it.
// True when the selection changed.
bool ApplyAnswer(const OEMCUIPPARAM& param, IPrintOemDriverUI& driver_ui, OPTITEM* item,
                 const char* keyword, int value, const char* on, const char* off) {
  if (!item || item->Sel == value || !SelectionFits(*item, value)) return false;
  item->Sel = value;
  driver_ui.DrvUpgradeRegistrySetting(param.hPrinter, keyword, value ? on : off);
  return true;
}

bool ApplyInstalled(const OEMCUIPPARAM& param, IPrintOemDriverUI& driver_ui, const char* keyword,
                    int value) {
  return ApplyAnswer(param, driver_ui, FindHostItem(param, keyword), keyword, value, "True",
                     "False");
}

// The numbered keyword when the PPD has it, else the named one.
bool ApplyToEither(const OEMCUIPPARAM& param, IPrintOemDriverUI& driver_ui,
                   const FeatureKeywords& keywords, int value) {
  return ApplyInstalled(param, driver_ui,
                        FindHostItem(param, keywords.numbered) ? keywords.numbered : keywords.named,
                        value);
}

// Answers are 0 (absent), negative (no answer) or anything else (installed): an installed
// feature is selection 1 whatever the number.
int Installed(int16_t answer) { return answer != 0 ? 1 : 0; }

void ApplyAnswers(const OEMCUIPPARAM& param, IPrintOemDriverUI& driver_ui, const BYTE* record) {
  // A negative tray code is no answer, as for the other fields: a printer that did not say
  // which trays it has (or a record with a tray 2 field it was not asked about) leaves the
  // user's trays as they are rather than switching them all off.
  const int16_t tray_code = ReadStatusField(record, kStatusTray2);
  if (tray_code >= 0) {
    const Trays trays = TraysOf(tray_code);
    const struct {
      const FeatureKeywords& keywords;
      int value;
    } tray_answers[] = {
        {ppd::kTray2, trays.tray2}, {ppd::kTray3, trays.tray3}, {ppd::kTray4, trays.tray4}};
    for (const char* FeatureKeywords::*spelling :
         {&FeatureKeywords::numbered, &FeatureKeywords::named})
      for (const auto& answer : tray_answers)
        ApplyInstalled(param, driver_ui, answer.keywords.*spelling, answer.value);
  }

  const int16_t duplex = ReadStatusField(record, kStatusDuplex);
  if (duplex >= 0) ApplyToEither(param, driver_ui, ppd::kDuplex, Installed(duplex));

  const int16_t disk = ReadStatusField(record, kStatusHardDisk);
  if (disk >= 0 && ApplyToEither(param, driver_ui, ppd::kHardDisk, Installed(disk))) {
    SetPrinterDword(param.hPrinter, L"HDD_SETTING", static_cast<DWORD>(Installed(disk)));
  }

  const int16_t finisher = ReadStatusField(record, kStatusFinisher);
  if (finisher >= 0)
    ApplyAnswer(param, driver_ui, FindHostItem(param, ppd::kFinisher), ppd::kFinisher,
                Installed(finisher), ppd::kFinisherFitted, ppd::kFinisherNone);
}

}  // namespace

void UpdateInstallableOptions(POEMCUIPPARAM param, IPrintOemDriverUI* driver_ui) {
  if (!param || !driver_ui) return;
  wchar_t library_path[kPathUnits];
  if (!CompanionPath(library_path)) return;
  // Without the queue's port there is nothing to ask the printer about.
  char port[256];
  if (!PortName(param->hPrinter, port)) return;

  // The companion is freed through the loader that loaded it, however this ends.
  LibraryLoader& loader = Use<LibraryLoader>();
  const std::unique_ptr<std::remove_pointer_t<HMODULE>, FreedBy> library(loader.Load(library_path),
                                                                         FreedBy{&loader});
  if (!library) return;
  auto update = reinterpret_cast<SnmpAutoUpdateFn>(
      reinterpret_cast<void*>(loader.Find(library.get(), kSnmpAutoUpdate)));
  HANDLE heap = param->hOEMHeap;
  const unique_heap_ptr<BYTE> record(
      heap, update && heap ? HeapAlloc(heap, HEAP_ZERO_MEMORY, kStatusRecordSize) : nullptr);
  if (record) {
    FillStatusRecord(*param, record.get());
    LONG one = 1;
    if (update(port, record.get(), &one, 0) != 0) ApplyAnswers(*param, *driver_ui, record.get());
  }
}

}  // namespace kv
