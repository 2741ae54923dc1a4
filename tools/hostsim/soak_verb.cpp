#include "tools/hostsim/soak_verb.h"

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <map>
#include <memory>
#include <optional>

#include "emuhost/modal_driver.h"
#include "emuhost/page_sheet.h"
#include "emuhost/report.h"
#include "measuring/import_counter.h"
#include "resources/dialog_ids.h"
#include "tools/hostsim/canceller.h"
#include "tools/hostsim/device_verbs.h"
#include "tools/hostsim/session.h"
#include "tools/hostsim/themed_template.h"

namespace hostsim {

using namespace emuhost;
using measuring::CommittedPrivateBytes;
using measuring::ImportCounter;
namespace {

// One cycle: a document session with both job dialogs opened and closed, then a printer
// session with the Job Accounting dialog and the Troubleshooting page with its status
// monitor and About dialogs. Each session is a fresh plug-in object and a fresh host, as
// the driver's user interface makes them. Returns the dialogs closed.
int Cycle(Session& session) {
  const int before = Canceller::closed();
  {
    IPrintOemUI* plugin = session.NewPlugin();
    if (!plugin) return 0;
    {
      EmulatedHost host(plugin, session.printer(), session.printer_name());
      host.DefaultRecords();
      host.driver_ui.settings["Option4"] = "True";  // the disk installed: Print and Hold shows
      host.public_dm.dmCopies = 3;
      host.HostItemById(DMPUB_COPIES_COLLATE)->Sel = 3;
      host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT);
      host.FillTree(OEMCUIP_DOCPROP);
      host.Callback(CPSUICB_REASON_SETACTIVE);
      {
        Canceller cancel;
        host.Push(0);  // Print and Hold
        host.Push(1);  // Color Copies Setting
      }
      host.Callback(CPSUICB_REASON_APPLYNOW);
      host.Callback(CPSUICB_REASON_KILLACTIVE);
      host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY);
    }
    plugin->Release();
  }
  {
    IPrintOemUI* plugin = session.NewPlugin();
    if (!plugin) return 0;
    {
      EmulatedHost host(plugin, session.printer(), session.printer_name());
      host.DefaultRecords();
      host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT);
      host.FillTree(OEMCUIP_PRNPROP);
      host.Callback(CPSUICB_REASON_SETACTIVE);
      {
        Canceller cancel;
        host.Push(0);  // Job Accounting
      }
      if (!host.pages.empty()) {
        PageSheet sheet(host.pages.front());
        if (sheet.page()) {
          Canceller cancel;
          ModalDriver::Press(sheet.page(), IDC_TS_SETTINGS);
          ModalDriver::Press(sheet.page(), IDC_TS_ABOUT);
        }
      }
      host.Callback(CPSUICB_REASON_APPLYNOW);
      host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_DESTROY);
    }
    plugin->Release();
  }
  return Canceller::closed() - before;
}

// The platform's own share: the dialogs of a cycle made from the plug-in's templates, in its
// activation context, by a procedure that does nothing but close them. Under Wine the
// version-6 static control keeps the small record it makes for its font when it is
// destroyed (24 bytes for every label), with or without the plug-in.
INT_PTR CALLBACK BareDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK BarePageProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

// The page is made as the host makes the plug-in's, in a sheet of its own with the plug-in's
// activation context on the page record, and the page owns its two dialogs.
int BareCycle(const ThemedTemplates& templates) {
  const int before = Canceller::closed();
  for (const int id : {IDD_HOLD, IDD_COPIES, IDD_JOB_ACCOUNTING}) {
    Canceller cancel;
    templates.Show(id, BareDialogProc);
  }
  PageSheet sheet(
      TroubleshootingPageRecord(templates.module(), BarePageProc, 0, templates.context()));
  for (const int id : {IDD_WAYFER, IDD_ABOUT}) {
    Canceller cancel;
    templates.Show(id, BareDialogProc, 0, sheet.page());
  }
  return Canceller::closed() - before;
}

// Committed memory growth, in KiB, over `cycles` bare cycles after a warm-up of their own.
long long BareGrowth(HMODULE module, long cycles) {
  const ThemedTemplates templates(module);
  for (int i = 0; i < 20; ++i) BareCycle(templates);
  const size_t base = CommittedPrivateBytes();
  for (long i = 0; i < cycles; ++i) BareCycle(templates);
  return (static_cast<long long>(CommittedPrivateBytes()) - static_cast<long long>(base)) / 1024;
}

// Only the bare cycles, with their last line.
void ReportBare(HMODULE module, long cycles) {
  const auto started = std::chrono::steady_clock::now();
  const long long kib = BareGrowth(module, cycles);
  wchar_t line[160];
  swprintf(line, 160, L"soak: %ld bare cycles of the plug-in's dialog templates, kib %lld, %.1f s",
           cycles, kib,
           std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  PrintLine(line);
}

// The platform's share measured by a process of its own on the other core, while this one
// runs the plug-in's cycles: "hostsim soak N bare PLUGIN" loads the plug-in only for its
// templates and manifest. Its output goes to a file that goes with the handle.
class PlatformShare {
 public:
  PlatformShare(HMODULE plugin, long cycles) {
    wchar_t exe[MAX_PATH] = {}, dll[MAX_PATH] = {}, folder[MAX_PATH] = {}, file[MAX_PATH] = {};
    if (!GetModuleFileNameW(nullptr, exe, MAX_PATH) || !GetModuleFileNameW(plugin, dll, MAX_PATH) ||
        !GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"soa", 0, file))
      return;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    output_ = CreateFileW(file, GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                          CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (output_ == INVALID_HANDLE_VALUE) return;
    std::wstring command = L"\"" + std::wstring(exe) + L"\" soak " + std::to_wstring(cycles) +
                           L" bare \"" + dll + L"\"";
    STARTUPINFOW startup = {sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = startup.hStdError = output_;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
      return;
    CloseHandle(process.hThread);
    process_ = process.hProcess;
  }
  ~PlatformShare() {
    if (process_) {
      TerminateProcess(process_, 1);
      CloseHandle(process_);
    }
    if (output_ != INVALID_HANDLE_VALUE) CloseHandle(output_);
  }
  PlatformShare(const PlatformShare&) = delete;
  PlatformShare& operator=(const PlatformShare&) = delete;

  [[nodiscard]] bool started() const { return process_ != nullptr; }

  // Waits for the other process; the growth it measured, if it said.
  std::optional<long long> Wait() {
    WaitForSingleObject(process_, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process_, &status);
    CloseHandle(process_);
    process_ = nullptr;
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    SetFilePointer(output_, 0, nullptr, FILE_BEGIN);
    while (ReadFile(output_, chunk, sizeof chunk, &got, nullptr) && got) text.append(chunk, got);
    const size_t at = text.rfind("bare cycles of the plug-in's dialog templates, kib ");
    if (status != 0 || at == std::string::npos) return std::nullopt;
    return strtoll(text.c_str() + text.find("kib ", at) + 4, nullptr, 10);
  }

 private:
  HANDLE output_ = INVALID_HANDLE_VALUE;
  HANDLE process_ = nullptr;
};

int Sum(const std::map<std::string, int>& live, std::initializer_list<const char*> kinds) {
  int total = 0;
  for (const char* kind : kinds) {
    const auto found = live.find(kind);
    if (found != live.end()) total += found->second;
  }
  return total;
}

constexpr std::initializer_list<const char*> kGdiKinds = {"font", "bitmap", "brush", "pen", "dc"};
constexpr std::initializer_list<const char*> kUserKinds = {"window", "menu", "icon", "cursor",
                                                           "accelerator"};
constexpr std::initializer_list<const char*> kSystemKinds = {"key", "thread", "socket", "winsock"};
constexpr int kDialogsPerCycle = 4;

}  // namespace

int VerbSoak(const std::vector<std::wstring>& words, bool model_named) {
  const long cycles = words.empty() ? 0 : wcstol(words.front().c_str(), nullptr, 10);
  const bool bare_only = words.size() > 1 && words[1] == L"bare";
  if (cycles < 1 || (words.size() > 1 && !bare_only) || words.size() > 3) {
    PrintLine(L"usage: hostsim soak [KVCP3520 | PLM4020] N [bare], N cycles from 1");
    return 2;
  }
  if (words.size() == 3) {
    // The platform's share for a soak in another process, with the plug-in it loaded.
    const HMODULE plugin = LoadLibraryW(words[2].c_str());
    if (!plugin) return 1;
    ReportBare(plugin, cycles);
    FreeLibrary(plugin);
    return 0;
  }
  if (!model_named) ChooseSample(kPageSample);
  Session session;
  if (!session.Open()) return 1;
  PutPrinterOnTheNetwork();
  RecordLastTopic(session.printer());
  // Without an agent the printer is silent; the companion is still loaded, asked and released
  // in every update. The wait is long enough for the IPP attempt (refused at once) to end
  // within it, so that no attempt outlives its update into the figures.
  session.PointAtPrinterAgent(L"400");
  // The companion remembers its printers across runs; forgotten, the warm-up asks the printer
  // once, over IPP and SNMP, and the silence is then remembered for the whole soak: every later
  // update answers from memory. The system's HTTP client, loaded only to ask a printer, keeps
  // about 3 MiB under Wine after its first use and a heap step now and then after a later one;
  // those are the platform's, and would otherwise land at whichever cycle asks again.
  Session::ForgetPrinters();
  session.CompanionSetting(L"Cache", L"SilenceSeconds", L"864000");
  if (bare_only) {
    ReportBare(session.plugin_module(), cycles);
    return 0;
  }

  PlatformShare platform(session.plugin_module(), cycles);
  const auto start = std::chrono::steady_clock::now();
  // The companion library is loaded and freed at every update: what it makes is counted
  // through its own import table while it is loaded.
  ImportCounter counter(session.plugin_module(), ImportCounter::kHeap | ImportCounter::kModules |
                                                     ImportCounter::kSystem |
                                                     ImportCounter::kLoaded);
  // The warm-up makes what is made once per process (the common controls' classes, the help
  // module, the C runtime's and Wine's own caches), so that what follows is growth.
  const long warm_up = 20;
  int dialogs = 0;
  for (long i = 0; i < warm_up; ++i) dialogs += Cycle(session);
  const int per_cycle = dialogs / warm_up;
  PrintLine(L"== Soak: " + std::to_wstring(cycles) + L" cycles after " + std::to_wstring(warm_up) +
            L" of warm-up, " + std::to_wstring(per_cycle) + L" dialogs opened and closed in each");
  // A cycle opens Print and Hold, Color Copies, Job Accounting, the status monitor's settings
  // and About: fewer, and the soak would measure sessions that never reached the dialogs.
  if (per_cycle < kDialogsPerCycle) {
    PrintLine(L"soak: " + std::to_wstring(per_cycle) +
              L" dialogs opened in a cycle of the warm-up, " + std::to_wstring(kDialogsPerCycle) +
              L" at least are needed: nothing was measured");
    return 1;
  }
  const auto base = counter.Live();
  const size_t base_bytes = counter.LiveHeapBytes();
  const size_t base_memory = CommittedPrivateBytes();

  int short_cycles = 0;
  for (long i = 0; i < cycles; ++i) {
    if (Cycle(session) != per_cycle) ++short_cycles;
    if ((i + 1) % 1000 == 0)
      PrintLine(L"   " + std::to_wstring(i + 1) + L" cycles, committed " +
                std::to_wstring(CommittedPrivateBytes() / 1024) + L" KiB");
  }

  const auto live = counter.Live();
  const size_t memory = CommittedPrivateBytes();
  // The same count of bare cycles: what the platform itself keeps. Made here after the
  // plug-in's cycles when no other process could make them.
  const std::optional<long long> platform_kib =
      platform.started() ? platform.Wait() : BareGrowth(session.plugin_module(), cycles);
  std::map<std::string, int> growth;
  for (const auto& [kind, count] : live) {
    const auto was = base.find(kind);
    growth[kind] = count - (was == base.end() ? 0 : was->second);
  }
  const auto made = counter.Made();
  for (const auto& [kind, count] : made)
    PrintLine(L"   " + std::wstring(kind.begin(), kind.end()) + L": made " +
              std::to_wstring(count) + L", left after the warm-up " +
              std::to_wstring(base.count(kind) ? base.at(kind) : 0) + L", growth " +
              std::to_wstring(growth[kind]));
  const long long heap_bytes =
      static_cast<long long>(counter.LiveHeapBytes()) - static_cast<long long>(base_bytes);
  const long long kib =
      (static_cast<long long>(memory) - static_cast<long long>(base_memory)) / 1024;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  wchar_t line[160];
  swprintf(line, 160,
           L"   heap bytes growth %lld; committed private memory %zu KiB after the warm-up, %zu "
           L"KiB at the end; %.1f s",
           heap_bytes, base_memory / 1024, memory / 1024, seconds);
  PrintLine(line);
  if (platform_kib)
    PrintLine(L"   the same dialogs made " + std::to_wstring(cycles) +
              L" times from the plug-in's templates by a procedure that only closes them: "
              L"committed memory growth " +
              std::to_wstring(*platform_kib) + L" KiB (the platform's own)");
  else
    PrintLine(
        L"   the process that makes the same dialogs bare did not say what the platform keeps");
  if (short_cycles)
    PrintLine(L"   " + std::to_wstring(short_cycles) + L" cycles opened fewer dialogs");
  PrintLine(L"   modules loaded and not freed: growth " + std::to_wstring(growth["module"]));

  // The memory beyond what the platform keeps for the same dialogs stays within 1%.
  const long long beyond = kib - std::max(0LL, platform_kib.value_or(0));
  const bool memory_ok = platform_kib && beyond * 1024 * 100 <= static_cast<long long>(base_memory);
  PrintLine(L"   committed memory growth beyond the platform's own: " + std::to_wstring(beyond) +
            L" KiB, " + (memory_ok ? L"within" : L"over") + L" 1% of the " +
            std::to_wstring(base_memory / 1024) + L" KiB after the warm-up");
  const int gdi = Sum(growth, kGdiKinds);
  const int user = Sum(growth, kUserKinds);
  const int heap = growth["heap"];
  const int system = Sum(growth, kSystemKinds);
  swprintf(line, 160, L"soak: %ld cycles, growth gdi %d user %d heap %d system %d kib %lld", cycles,
           gdi, user, heap, system, kib);
  PrintLine(line);
  return gdi == 0 && user == 0 && heap == 0 && system == 0 && growth["module"] == 0 && memory_ok &&
                 !short_cycles
             ? 0
             : 1;
}

}  // namespace hostsim
