// fuzz-model: hostile model folders (profiles, version and hint files, string tables, pictures,
// the stored language code) through a document and a printer sheet, their dialogs and the
// Troubleshooting page, each run guarded by the fault trap and watched for a hang.
#include <windows.h>
#include <shlwapi.h>
#include <winspool.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <functional>
#include <iterator>
#include <string>

#include "devmode/private_devmode.h"
#include "emuhost/emulated_host.h"
#include "emuhost/message_box_answerer.h"
#include "emuhost/modal_driver.h"
#include "emuhost/model_inf.h"
#include "emuhost/page_sheet.h"
#include "emuhost/report.h"
#include "resources/dialog_ids.h"
#include "tools/hostsim/fault_trap.h"
#include "tools/hostsim/fuzz_plugin.h"
#include "tools/hostsim/fuzz_verbs.h"
#include "tools/hostsim/seeded_random.h"
#include "tools/hostsim/session.h"
#include "tools/hostsim/watchdog.h"

namespace hostsim {

using namespace emuhost;
namespace {

constexpr wchar_t kFuzzStem[] = L"FZMODEL";
constexpr wchar_t kFuzzPrefix[] = L"FZ";

const wchar_t* const kHostileTexts[] = {
    L"%s%s%s%n%n%d%x%p%%%",
    L"%d%d%d%d%d%d%d%d%d%d",
    L"%",
    L"%%",
    L"%ls%hs%S%1$s",
    L"$DESCRIPTION$MAINVERSION%s%s",
    L"",
    L" ",
    L"=",
    L"[Common]",
    L"KORVANE PELMA TUNO",
    L"pelma",
    L"Tuno",
    L"\x202E\xD800\xDFFF\xFFFF",
    L"..\\..\\..\\x",
    L"http://%s%s%s",
    L"1,2,3,4,5,6,7,8,9,10,0,-1,99999999999,,,",
    L",,,,,",
    L"-2147483649",
    L"4294967296",
    L"0x12345678",
    L"305419896",
    L"1e9",
    L"+5",
    L" -0",
    L"9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9",
};
const wchar_t* const kHostileNumbers[] = {
    L"-1",        L"0",          L"1",           L"2",          L"3",
    L"7",         L"8",          L"9",           L"10",         L"12",
    L"63",        L"64",         L"65",          L"100",        L"255",
    L"256",       L"32767",      L"32768",       L"65535",      L"65536",
    L"65540",     L"2147483647", L"-2147483648", L"4294967295", L"99999999999999999999",
    L"305419896", L"0xFFF",      L"4095",        L"2313",       L"abc",
    L"",
};

struct Entry {
  std::wstring key, value;
};
struct Section {
  std::wstring name;
  std::vector<Entry> entries;
};

// The sections and keys of a model file as the sample has them.
std::vector<Section> ReadSample(const std::wstring& path) {
  std::vector<Section> sections;
  std::vector<wchar_t> names(65536);
  const DWORD length =
      GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), path.c_str());
  for (const wchar_t* name = names.data(); name < names.data() + length && *name;
       name += wcslen(name) + 1) {
    Section section{name, {}};
    std::vector<wchar_t> body(65536);
    const DWORD used =
        GetPrivateProfileSectionW(name, body.data(), static_cast<DWORD>(body.size()), path.c_str());
    for (const wchar_t* line = body.data(); line < body.data() + used && *line;
         line += wcslen(line) + 1) {
      const wchar_t* eq = wcschr(line, L'=');
      if (eq) section.entries.push_back({std::wstring(line, eq), eq + 1});
    }
    sections.push_back(section);
  }
  return sections;
}

std::wstring Mutated(Random& r, const std::wstring& value) {
  switch (r.Below(6)) {
    case 0: return kHostileTexts[r.Below(std::size(kHostileTexts))];
    case 1: return kHostileNumbers[r.Below(std::size(kHostileNumbers))];
    case 2:
      return std::wstring(250 + r.Below(300), static_cast<wchar_t>(L'A' + r.Below(26))) + L"%s%d";
    case 3: {
      std::wstring garbage;
      for (int i = static_cast<int>(r.Below(40)); i > 0; --i)
        garbage += static_cast<wchar_t>(1 + r.Below(0xFFFE));
      for (auto& c : garbage)
        if (c == L'\r' || c == L'\n') c = L'x';
      return garbage;
    }
    default: return value;
  }
}

// A hostile copy of a sample file: sections and keys dropped, values out of every range,
// junk lines, sometimes a line of 1 MB; written as ANSI, UTF-16 (sometimes of an odd byte
// count), or replaced by binary garbage.
std::string HostileFile(Random& r, std::vector<Section> sections,
                        const std::vector<Entry>& forced) {
  if (r.OneIn(12)) {
    std::string garbage(r.Below(70000), '\0');
    for (auto& c : garbage) c = static_cast<char>(r.Next());
    return garbage;
  }
  std::wstring text;
  if (r.OneIn(6)) text += L"junk before any section\r\n=\r\n[\r\n";
  for (auto& section : sections) {
    if (r.OneIn(10)) continue;
    text += (r.OneIn(30) ? L"[" + section.name : L"[" + section.name + L"]") + L"\r\n";
    for (auto& entry : section.entries) {
      if (r.OneIn(8)) continue;
      text += entry.key + L"=" + (r.OneIn(3) ? Mutated(r, entry.value) : entry.value) + L"\r\n";
    }
    for (const auto& f : forced)
      if (section.name == L"Common") text = text + f.key + L"=" + f.value + L"\r\n";
    if (r.OneIn(20))
      text += L"TabNumber=" + std::wstring(kHostileNumbers[r.Below(std::size(kHostileNumbers))]) +
              L"\r\n";
  }
  if (r.OneIn(8))
    text.insert(r.Below(static_cast<uint32_t>(text.size() + 1)),
                std::wstring(1 << 20, L'z') + L"\r\n");
  std::string bytes;
  if (r.OneIn(2)) {
    bytes.assign("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    if (r.OneIn(3)) bytes.push_back('\x41');
  } else {
    for (wchar_t c : text) bytes.push_back(static_cast<char>(c < 0x80 ? c : '?' + (c & 1)));
  }
  return bytes;
}

std::string HostileBitmap(Random& r, const std::string& sample) {
  std::string bytes = sample;
  switch (r.Below(4)) {
    case 0: bytes.resize(r.Below(static_cast<uint32_t>(bytes.size() + 1))); break;
    case 1:
      for (int i = 0; i < 16 && bytes.size() > 54; ++i)
        bytes[2 + r.Below(52)] = static_cast<char>(r.Next());
      break;
    case 2:
      bytes.clear();
      for (int i = r.Below(4000); i > 0; --i) bytes.push_back(static_cast<char>(r.Next()));
      break;
    default: break;
  }
  return bytes;
}

// Tells the watchdog the file it writes, for its report of a run that does not end.
bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  Writing(path.c_str());
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  Writing(nullptr);
  return ok;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!bytes.empty())
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

struct Samples {
  std::vector<Section> profile, version, table, hints;
  std::string picture, logo;
};

Samples LoadSamples(const std::wstring& folder, const std::wstring& stem,
                    const std::wstring& prefix) {
  Samples s;
  s.profile = ReadSample(folder + stem + L"u.INI");
  s.version = ReadSample(folder + stem + L".VER");
  s.table = ReadSample(folder + prefix + L"EN.DAT");
  s.hints = ReadSample(folder + stem + L".hin");
  s.picture = ReadBytes(folder + prefix + L"Y.bmp");
  s.logo = ReadBytes(folder + prefix + L"l.bmp");
  return s;
}

// What must hold after every run whatever its files say; each breach is counted and the
// first few are printed with the run to replay.
uint64_t g_model_invariant_failures = 0;
uint64_t g_model_run_seed = 0;

void Breach(const std::wstring& what) {
  if (++g_model_invariant_failures <= 20)
    PrintLine(L"   invariant failure, run seed " + std::to_wstring(g_model_run_seed) +
              L" (replay: fuzz-model 1 " + std::to_wstring(g_model_run_seed) + L"): " + what);
}

void CheckSelections(const EmulatedHost& host, const wchar_t* when) {
  for (const std::wstring& item : host.SelectionsOutOfRange())
    Breach(std::wstring(when) + L": " + item);
}

// The private record's header as DevMode made it: its size, signature and version.
void CheckRecordHeader(const EmulatedHost& host, const wchar_t* when) {
  kv::PrivateDevmode record = {};
  if (host.private_dm.size() < sizeof record)
    return Breach(std::wstring(when) + L": the private record shrank");
  std::memcpy(&record, host.private_dm.data(), sizeof record);
  if (record.dwSize != kv::kPrivateDevmodeSize || record.dwSignature != kv::kPrivateSignature ||
      record.dwVersion != kv::kPrivateVersion)
    Breach(std::wstring(when) + L": the private record's header is size " +
           std::to_wstring(record.dwSize) + L", signature " + std::to_wstring(record.dwSignature) +
           L", version " + std::to_wstring(record.dwVersion));
}

// The windows of this thread, which opens every dialog and page of a run.
BOOL CALLBACK CountWindow(HWND, LPARAM counted) {
  ++*reinterpret_cast<size_t*>(counted);
  return TRUE;
}

size_t ThreadWindows() {
  size_t count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Opens the dialog that `open` shows, presses OK (answering any warning) and then Cancel;
// the dialog must be gone when `open` returns.
uint64_t g_dialogs_driven = 0;

void OpenAndLeave(const wchar_t* what, const std::function<void()>& open) {
  MessageBoxAnswerer answer(IDOK);
  ModalDriver driver([](HWND dialog) {
    ModalDriver::Press(dialog, IDOK);
    if (IsWindow(dialog)) ModalDriver::Press(dialog, IDCANCEL);
  });
  open();
  g_dialogs_driven += driver.driven().size();
  for (HWND dialog : driver.driven())
    if (IsWindow(dialog)) Breach(std::wstring(what) + L" is still open after its caller returned");
}

struct ModelRig {
  FuzzPlugin plugin;
  std::wstring folder;
  std::wstring plugin_file;
  std::wstring printer_name;
  Samples samples[2];
  std::vector<std::wstring> agents, printers;  // loopback ports
  uint64_t networked = 0;                      // runs whose printer was on the loopback
  // The Troubleshooting page as the plug-in adds it for the sample that shows it: a run whose
  // printer sheet adds none shows this page with its own sheet context.
  AddedPage page = {};
};

void WriteModel(ModelRig& rig, Random& r, int secure) {
  const Samples& s = rig.samples[r.Below(2)];
  const std::wstring stem = rig.folder + kFuzzStem;
  std::vector<Entry> forced = {{L"ExtrasSecurePrint", std::to_wstring(secure)}};
  std::vector<Section> profile = s.profile;
  for (auto& section : profile)
    for (auto& e : section.entries) {
      if (e.key == L"OEMPrefix") e.value = r.OneIn(10) ? Mutated(r, e.value) : kFuzzPrefix;
      if (e.key == L"JobMointorPath") e.value = L"Software\\KvFuzz\\" + Mutated(r, L"Users");
      if (e.key == L"Caption" && r.OneIn(3))
        e.value = kHostileTexts[r.Below(std::size(kHostileTexts))];
    }
  WriteBytes(stem + L"u.INI", HostileFile(r, profile, forced));
  WriteBytes(stem + L".VER", HostileFile(r, s.version, {}));
  WriteBytes(stem + L".hin", HostileFile(r, s.hints.empty() ? rig.samples[1].hints : s.hints, {}));
  const std::string table = HostileFile(r, s.table, {});
  for (const wchar_t* code : {L"", L"EN"})
    WriteBytes(rig.folder + kFuzzPrefix + code + L".DAT", table);
  WriteBytes(rig.folder + kFuzzPrefix + L"Y.bmp", HostileBitmap(r, s.picture));
  WriteBytes(rig.folder + kFuzzPrefix + L"l.bmp", HostileBitmap(r, s.logo));
  // The stored language code: sometimes one no table has, or no text at all.
  const std::wstring key = L"Software\\KVprint\\" + rig.printer_name;
  static const wchar_t* const kCodes[] = {L"EN", L"ZZ", L"", L"E1", L"..\\EN"};
  const wchar_t* code = kCodes[r.Below(std::size(kCodes))];
  if (r.OneIn(6)) {
    const DWORD number = 0x4E45;
    SHSetValueW(HKEY_CURRENT_USER, key.c_str(), L"DrvCntCode", REG_DWORD, &number, 4);
  } else {
    SHSetValueW(HKEY_CURRENT_USER, key.c_str(), L"DrvCntCode", REG_SZ, code,
                static_cast<DWORD>(wcslen(code) * 2 + (r.OneIn(4) ? 0 : 2)));
  }
}

// Loopback printers a run may send its questions to: the ports of the SNMP agents and IPP
// printers that ctest starts, from the files named by KV_FUZZ_AGENTS and KV_FUZZ_PRINTERS
// (paths of this machine's, as the tests name them).
std::vector<std::wstring> PeerPorts(const wchar_t* variable, const wchar_t* section) {
  wchar_t unix_path[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(variable, unix_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::wstring path = L"Z:";
  for (const wchar_t* c = unix_path; *c; ++c) path += *c == L'/' ? L'\\' : *c;
  std::vector<wchar_t> body(8192);
  const DWORD used = GetPrivateProfileSectionW(section, body.data(),
                                               static_cast<DWORD>(body.size()), path.c_str());
  std::vector<std::wstring> ports;
  for (const wchar_t* line = body.data(); line < body.data() + used && *line;
       line += wcslen(line) + 1)
    if (const wchar_t* eq = wcschr(line, L'=')) ports.push_back(eq + 1);
  return ports;
}

// About one run in three puts the fuzzed printer's port on the loopback, where one of the
// agents (and sometimes an IPP printer) answers, so that the companion takes the status record
// the hostile files made and asks; the others leave the port without an address.
void PointThePrinter(ModelRig& rig, Random& r, const std::wstring& port) {
  const std::wstring key =
      L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\" + port;
  const std::wstring settings = rig.folder + CompanionSettingsOf(rig.plugin_file);
  if (rig.agents.empty() || !r.OneIn(3)) {
    SHDeleteValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"IPAddress");
    return;
  }
  SHSetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"IPAddress", REG_SZ, L"127.0.0.1", 20);
  const bool ipp = !rig.printers.empty() && r.OneIn(2);
  WritePrivateProfileStringW(L"SNMP", L"Port", rig.agents[r.Below(rig.agents.size())].c_str(),
                             settings.c_str());
  WritePrivateProfileStringW(L"SNMP", L"BudgetMs", L"600", settings.c_str());
  WritePrivateProfileStringW(L"IPP", L"Enabled", ipp ? L"1" : L"0", settings.c_str());
  WritePrivateProfileStringW(L"IPP", L"Port",
                             ipp ? rig.printers[r.Below(rig.printers.size())].c_str() : nullptr,
                             settings.c_str());
  WritePrivateProfileStringW(L"Cache", L"AnswersSeconds", L"0", settings.c_str());
  WritePrivateProfileStringW(L"Cache", L"SilenceSeconds", L"0", settings.c_str());
  ++rig.networked;
}

void DocumentSession(ModelRig& rig, bool open_copies) {
  Phase(L"document sheet: plug-in object and default records");
  IPrintOemUI* object = rig.plugin.loaded->CreatePlugin();
  if (!object) return;
  {
    EmulatedHost host(object, rig.plugin.printer.get(), rig.printer_name);
    host.driver_ui.settings["Option4"] = "True";
    host.DefaultRecords();
    host.public_dm.dmCopies = 3;
    host.HostItemById(DMPUB_COPIES_COLLATE)->Sel = 3;
    Phase(L"document sheet: INIT and option-tree fill");
    host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT);
    host.FillTree(OEMCUIP_DOCPROP);
    host.Callback(CPSUICB_REASON_SETACTIVE);
    Phase(L"document sheet: Print and Hold dialog");
    if (host.PluginItemCount() > 0) OpenAndLeave(L"Print and Hold", [&] { host.Push(0); });
    Phase(L"document sheet: Color Copies Setting dialog");
    if (open_copies && host.PluginItemCount() > 1)
      OpenAndLeave(L"Color Copies Setting", [&] { host.Push(1); });
    Phase(L"document sheet: copies changed, APPLYNOW, DESTROY");
    {
      MessageBoxAnswerer answer(IDYES);
      host.Select(host.HostItemById(DMPUB_COPIES_COLLATE), 4);
    }
    host.Callback(CPSUICB_REASON_APPLYNOW);
    host.Callback(CPSUICB_REASON_KILLACTIVE);
    CheckSelections(host, L"document sheet");
    host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY);
    CheckRecordHeader(host, L"document sheet");
    object->Release();
  }
}

void PrinterSession(ModelRig& rig) {
  Phase(L"printer sheet: plug-in object and default records");
  IPrintOemUI* object = rig.plugin.loaded->CreatePlugin();
  if (!object) return;
  {
    EmulatedHost host(object, rig.plugin.printer.get(), rig.printer_name);
    host.DefaultRecords();
    Phase(L"printer sheet: INIT and option-tree fill");
    host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT);
    host.FillTree(OEMCUIP_PRNPROP);
    host.Callback(CPSUICB_REASON_SETACTIVE);
    Phase(L"printer sheet: Job Accounting dialog");
    if (host.PluginItemCount() > 0) OpenAndLeave(L"Job Accounting", [&] { host.Push(0); });
    Phase(L"printer sheet: Troubleshooting page");
    // The Troubleshooting page the sheet added, or for a model whose sheet adds none (its
    // brand, or tabs that do not name it) the plug-in's page with this sheet's context.
    AddedPage page = {};
    if (!host.pages.empty()) {
      page = host.pages.front();
    } else if (host.psui.UserData) {
      page = rig.page;
      page.lparam = static_cast<LPARAM>(host.psui.UserData);
    }
    if (page.procedure) {
      HWND page_window = nullptr;
      {
        PageSheet sheet(page);
        page_window = sheet.page();
        if (sheet.page()) {
          UpdateWindow(sheet.sheet());
          Phase(L"printer sheet: status monitor settings dialog");
          OpenAndLeave(L"the status monitor's settings",
                       [&] { ModalDriver::Press(sheet.page(), IDC_TS_SETTINGS); });
          Phase(L"printer sheet: About dialog");
          OpenAndLeave(L"About", [&] { ModalDriver::Press(sheet.page(), IDC_TS_ABOUT); });
        } else {
          Breach(L"the Troubleshooting page did not open");
        }
      }
      if (page_window && IsWindow(page_window))
        Breach(L"the Troubleshooting page outlived its sheet");
    }
    Phase(L"printer sheet: APPLYNOW, DESTROY");
    host.PluginItems() && host.PluginItemCount() ? (host.PluginItems()[0].Sel = 1) : 0;
    host.Callback(CPSUICB_REASON_APPLYNOW);
    CheckSelections(host, L"printer sheet");
    host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_DESTROY);
    CheckRecordHeader(host, L"printer sheet");
    object->Release();
  }
}

bool FuzzPackage(ModelPackage& package) {
  ModelPackage sample;
  if (!SamplePackage(sample)) return false;
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  package.source_dir = std::wstring(temp) + L"kvfuzzmodel";
  CreateDirectoryW(package.source_dir.c_str(), nullptr);
  package.data_file = std::wstring(kFuzzStem) + L".PPD";
  CopyFileW((sample.source_dir + L"\\" + sample.data_file).c_str(),
            (package.source_dir + L"\\" + package.data_file).c_str(), FALSE);
  package.paths = sample.paths;  // the plug-in and its companion
  package.plugin_file = sample.plugin_file;
  package.driver_name = L"Fuzzed Model PS";
  package.printer_name = L"Fuzzed Model PS";
  package.port = L"C:\\windows\\temp\\FZMODEL.prn";
  return true;
}

}  // namespace

int VerbFuzzModel(const std::vector<std::wstring>& words) {
  uint64_t n = 0, seed = 0;
  if (!ParseCounts(words, n, seed)) return PrintLine(L"usage: hostsim fuzz-model N SEED"), 2;
  ModelRig rig;
  ModelPackage package;
  if (!FuzzPackage(package)) return 1;
  rig.printer_name = package.printer_name;
  rig.plugin_file = package.plugin_file;
  for (int i = 0; i < 2; ++i) {
    ChooseSample(i == 0 ? L"KVCP3520" : kPageSample);
    ModelPackage sample;
    if (!SamplePackage(sample) || !InstallModel(sample).ok)
      return PrintLine(L"   cannot install the sample"), 1;
    const std::wstring folder = sample.source_dir + L"\\";
    const std::wstring stem = sample.data_file.substr(0, sample.data_file.find(L'.'));
    rig.samples[i] = LoadSamples(folder, stem, i == 0 ? L"KVCP3520" : L"PLM4020");
  }
  if (!rig.plugin.Open(package)) return 1;
  {
    // The sample that shows the page is the one installed last.
    ModelPackage sample;
    kv::unique_hprinter printer;
    if (!SamplePackage(sample) || !OpenPrinterW(sample.printer_name.data(), printer.put(), nullptr))
      return PrintLine(L"   cannot open the sample's printer"), 1;
    rig.page = AnnouncedPage(
        [&rig] { return rig.plugin.loaded->CreatePlugin(); }, printer.get(), sample.printer_name,
        ModelProfileOf(FolderOf(rig.plugin.installed.data_file) + sample.data_file));
    if (!rig.page.procedure) return PrintLine(L"   the plug-in adds no Troubleshooting page"), 1;
  }
  rig.folder = FolderOf(rig.plugin.installed.data_file);
  rig.agents = PeerPorts(L"KV_FUZZ_AGENTS", L"Agents");
  rig.printers = PeerPorts(L"KV_FUZZ_PRINTERS", L"Printers");
  InstallTrap(rig.plugin.loaded->module());
  if (!TrapWorks()) return 1;
  StartWatchdog(L"fuzz-model");
  PrintLine(L"== fuzz-model: " + std::to_wstring(n) + L" model folders from seed " +
            std::to_wstring(seed));
  uint64_t runs = 0, faults = 0;
  for (uint64_t i = 0; i < n; ++i, ++runs) {
    g_model_run_seed = seed + i;
    RunStarted(seed + i);
    bool ok = true;
    const size_t windows = ThreadWindows();
    for (int secure = 0; secure < 2 && ok; ++secure) {
      Random r(seed + i);
      ok = Guarded([&] {
        Phase(L"writing the model folder");
        WriteModel(rig, r, secure);
        if (secure == 0) PointThePrinter(rig, r, package.port);
        DocumentSession(rig, secure == 0);
        if (secure == 0) PrinterSession(rig);
      });
    }
    if (ok && ThreadWindows() != windows)
      Breach(std::to_wstring(ThreadWindows()) + L" windows of the run's thread after the run, " +
             std::to_wstring(windows) + L" before it");
    const DWORD took = RunEnded();
    if (took > 15000)
      PrintLine(L"   slow run: seed " + std::to_wstring(seed + i) + L" took " +
                std::to_wstring(took / 1000) + L" s");
    if (!ok) {
      // The run's windows, hooks and dialogs are left where the fault stopped them: the
      // process is not trusted with further runs.
      ++faults;
      PrintLine(L"   fault, run seed " + std::to_wstring(seed + i) + L" (replay: fuzz-model 1 " +
                std::to_wstring(seed + i) + L"): " + FaultText());
      ++runs;
      break;
    }
  }
  PrintLine(L"   " + std::to_wstring(g_dialogs_driven) + L" dialogs opened and left; " +
            std::to_wstring(rig.networked) + L" runs with the printer on the loopback (" +
            std::to_wstring(rig.agents.size()) + L" agents, " +
            std::to_wstring(rig.printers.size()) + L" IPP printers to pick from)");
  PrintLine(L"fuzz-model: " + std::to_wstring(runs) + L" runs, " + std::to_wstring(faults) +
            L" faults, " + std::to_wstring(g_model_invariant_failures) + L" invariant failures");
  return faults || g_model_invariant_failures ? 1 : 0;
}

}  // namespace hostsim
