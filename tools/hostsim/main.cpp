// The host simulator: plays the PostScript driver's user interface against the plug-in and
// shows what the host sees. One scenario per verb; the model is the second argument
// (KVCP3520, brand Korvane, or PLM4020, brand Pelma).
//   hostsim install     install the sample model into the spooler
//   hostsim devmode     load the plug-in, size and default its private record
//   hostsim docprops    open the document properties: sheet and option tree
//   hostsim prnprops    open the printer properties: sheet and option tree
//   hostsim docsession  a document-properties session from INIT to DESTROY
//   hostsim prnsession  a printer-properties session with the installable-option update
//   hostsim all         every scenario above, in order (the default)
//   hostsim fuzz-snmp N SEED
//                       N SNMP responses, whole and mangled, through the companion's decoder
//   hostsim fuzz-ipp N SEED
//                       N IPP responses, whole and mangled, through its decoder and answers
//   hostsim pictures [MODEL] [FOLDER]
//   hostsim access [MODEL]   every dialog and page in every language: keyboard, names, fit
//                       a PNG picture of every dialog and page of the model
//   hostsim fuzz-devmode N SEED
//                       N mutated private records through every DevMode mode
//   hostsim fuzz-model N SEED
//                       N hostile model folders through the sessions, dialogs and pages
//   hostsim hold | copies | jobaccount | page [MODEL] [ACTION...]
//                       opens the dialog through its push button and plays the actions
//                       (see emuhost/dialog_script.h), then shows what was stored
//   hostsim soak [MODEL] N   leak soak: N cycles of everything a user does
//   hostsim bench [MODEL]    the plug-in's time against the platform work it must do
//   hostsim check MODELDIR
//                       lists what the plug-in would miss or show wrong in a model folder
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "context/sheet_context.h"
#include "devmode/private_devmode.h"
#include "emuhost/dialog_script.h"
#include "emuhost/emulated_host.h"
#include "emuhost/message_box_answerer.h"
#include "emuhost/model_install.h"
#include "emuhost/page_sheet.h"
#include "emuhost/plugin_host.h"
#include "emuhost/report.h"
#include "pictures/access_check.h"
#include "pictures/pictures.h"
#include "pictures/text_fit.h"
#include "platform/handles.h"
#include "tools/hostsim/bench_verb.h"
#include "tools/hostsim/device_verbs.h"
#include "tools/hostsim/fuzz_verbs.h"
#include "tools/hostsim/ipp_verbs.h"
#include "tools/hostsim/session.h"
#include "tools/hostsim/snmp_verbs.h"
#include "tools/hostsim/soak_verb.h"

using namespace emuhost;
using namespace hostsim;
using pictures::PictureRun;
using pictures::TakePictures;

namespace {

int VerbInstall() {
  ModelPackage package;
  if (!SamplePackage(package)) return PrintLine(L"install failed: the INF gives no model"), 1;
  const InstallResult installed = InstallModel(package);
  PrintLine(installed.ok ? L"installed " + package.driver_name + L": " + installed.data_file
                         : L"install failed: " + installed.error);
  return installed.ok ? 0 : 1;
}

void Devmode(Session& session) {
  EmulatedHost& host = session.NewHost();
  const HRESULT hr = host.DefaultRecords();
  PrintLine(L"== DevMode(OEMDM_SIZE, OEMDM_DEFAULT): " + HResultText(hr) + L", record of " +
            std::to_wstring(host.private_dm.size()) + L" bytes (user language " +
            Hex(GetUserDefaultLangID(), 4) + L")");
  Print(DescribeRecord(session.Record()));
}

// Opens the document (OEMCUIP_DOCPROP) or printer (OEMCUIP_PRNPROP) properties as the host
// does: the sheet's INIT, then the option tree's counting and filling calls.
void Properties(Session& session, DWORD mode) {
  const bool document = mode == OEMCUIP_DOCPROP;
  if (!document) {
    PutPrinterOnTheNetwork();
    RecordLastTopic(session.printer());
  }
  EmulatedHost& host = session.NewHost();
  host.DefaultRecords();
  const HRESULT init = host.Sheets(mode, PROPSHEETUI_REASON_INIT);
  PrintLine(std::wstring(document ? L"== Document properties: DocumentPropertySheets(INIT): "
                                  : L"== Printer properties: DevicePropertySheets(INIT): ") +
            HResultText(init) + L", Result " +
            Hex(static_cast<unsigned long>(host.psui.Result), 4));
  session.ShowContext(host.psui);
  session.ShowPages();
  const HRESULT hr = host.FillTree(mode);
  PrintLine(std::wstring(L"== CommonUIProp(") +
            (document ? L"OEMCUIP_DOCPROP" : L"OEMCUIP_PRNPROP") + L"): counted " +
            std::to_wstring(host.counted()) + L" items, filled: " + HResultText(hr));
  Print(DescribePluginItems(host));
  PrintLine(L"   host items locked or changed:");
  const std::wstring locked = DescribeHostItems(host, true);
  Print(locked.empty() ? L"   (none)\n" : locked);
  PrintLine(L"   calls the host received:");
  const std::wstring calls = DescribeCalls(host.driver_ui);
  Print(calls.empty() ? L"   (none)\n" : calls);
  if (document) {
    PrintLine(L"   private record after the fill:");
    Print(DescribeRecord(session.Record()));
  } else if (!host.pages.empty()) {
    host.Callback(CPSUICB_REASON_SETACTIVE);
    ShowTroubleshootingPage(session, host);
  }
  host.Sheets(mode, PROPSHEETUI_REASON_DESTROY);
}

void DocProps(Session& session) { Properties(session, OEMCUIP_DOCPROP); }
void PrnProps(Session& session) { Properties(session, OEMCUIP_PRNPROP); }

std::wstring ResultName(LONG result) {
  switch (result) {
    case CPSUICB_ACTION_NONE: return L"CPSUICB_ACTION_NONE";
    case CPSUICB_ACTION_OPTIF_CHANGED: return L"CPSUICB_ACTION_OPTIF_CHANGED";
    default: return std::to_wstring(result);
  }
}

void DocSession(Session& session) {
  EmulatedHost& host = session.NewHost();
  host.DefaultRecords();
  // A document that prints 2 of 3 copies in colour.
  session.Record().dwColorCopies = 2;
  session.Record().dwMonoCopies = 1;
  host.public_dm.dmCopies = 3;
  host.HostItemById(DMPUB_COPIES_COLLATE)->Sel = 3;
  host.public_dm.dmColor = DMCOLOR_MONOCHROME;
  host.HostItemById(DMPUB_COLOR)->Sel = 0;

  PrintLine(L"== Document session");
  PrintLine(L"   INIT: " + HResultText(host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT)));
  PrintLine(L"   option-tree fill: " + HResultText(host.FillTree(OEMCUIP_DOCPROP)));
  size_t from = host.driver_ui.calls.size();
  PrintLine(L"   SETACTIVE: " + ResultName(host.Callback(CPSUICB_REASON_SETACTIVE)));
  PrintLine(L"   the user picks colour:");
  PrintLine(L"   SEL_CHANGED: " + ResultName(host.Select(host.HostItemById(DMPUB_COLOR), 1)));
  Print(DescribeCalls(host.driver_ui, from));
  PrintLine(L"   the user changes copies from 3 to 5 and answers No:");
  {
    MessageBoxAnswerer answer(IDNO);
    PrintLine(L"   SEL_CHANGED: " +
              ResultName(host.Select(host.HostItemById(DMPUB_COPIES_COLLATE), 5)));
    for (const auto& box : answer.seen) PrintLine(L"   message box: " + box);
  }
  PrintLine(L"   copies now " + std::to_wstring(host.HostItemById(DMPUB_COPIES_COLLATE)->Sel) +
            L", dmCopies " + std::to_wstring(host.public_dm.dmCopies));
  PrintLine(L"   the user changes copies from 3 to 4 and answers Yes:");
  {
    MessageBoxAnswerer answer(IDYES);
    PrintLine(L"   SEL_CHANGED: " +
              ResultName(host.Select(host.HostItemById(DMPUB_COPIES_COLLATE), 4)));
    for (const auto& box : answer.seen) PrintLine(L"   message box: " + box);
  }
  host.HostItem("StapleLocation")->Sel = 1;
  host.HostItem("JCLRegionColor")->Sel = 2;
  PrintLine(L"   APPLYNOW: " + ResultName(host.Callback(CPSUICB_REASON_APPLYNOW)));
  PrintLine(L"   KILLACTIVE: " + ResultName(host.Callback(CPSUICB_REASON_KILLACTIVE)));
  const HRESULT destroyed = host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY);
  PrintLine(L"   DESTROY: " + HResultText(destroyed) + L", Result " +
            std::to_wstring(host.psui.Result));
  PrintLine(L"   host items changed:");
  Print(DescribeHostItems(host, true));
  PrintLine(L"   private record:");
  Print(DescribeRecord(session.Record()));
}

// "prnsession snmp": the printer asked over SNMP only.
bool g_snmp_only = false;

void PrnSession(Session& session) {
  EmulatedHost& host = session.NewHost();
  host.DefaultRecords();
  PrintLine(L"== Printer session");
  session.PointAtPrinterAgent(L"500", !g_snmp_only);
  Session::ForgetPrinters();
  PrintLine(L"   INIT: " + HResultText(host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT)));
  const ULONGLONG asked = GetTickCount64();
  const HRESULT filled = host.FillTree(OEMCUIP_PRNPROP);
  PrintLine(L"   option-tree fill (asks the printer): " + HResultText(filled) + L", " +
            std::to_wstring(GetTickCount64() - asked) + L" ms");
  PrintLine(L"   the printer's answers:");
  session.ShowPrinterAnswers();
  PrintLine(L"   SETACTIVE: " + ResultName(host.Callback(CPSUICB_REASON_SETACTIVE)));
  host.PluginItems()[0].Sel = 1;
  PrintLine(L"   APPLYNOW: " + ResultName(host.Callback(CPSUICB_REASON_APPLYNOW)));
  PrintLine(L"   DESTROY: " +
            HResultText(host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_DESTROY)));
  PrintLine(L"   host items changed:");
  Print(DescribeHostItems(host, true));
  PrintLine(L"   calls the host received:");
  Print(DescribeCalls(host.driver_ui));
  PrintLine(L"   printer data:");
  session.ShowPrinterData();
}

// The display's scale, as a window on the screen has it.
int ScreenDpi() {
  const kv::unique_window_dc screen(nullptr);
  return screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}

// The folder given, or dist/pictures/<model>/<language code>/ (<language code>-<N>dpi/ at a
// display scale other than 96 dots per inch).
std::wstring PictureFolder(Session& session, const wchar_t* given) {
  std::wstring folder;
  if (given) {
    folder = given;
  } else {
    EmulatedHost& host = session.NewHost();
    host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT);
    const auto* context = reinterpret_cast<const kv::SheetContext*>(host.psui.UserData);
    const std::wstring code =
        context && context->szLanguageCode[0] ? context->szLanguageCode : L"EN";
    host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY);
    // Mirrored pictures of a table that is not itself right to left go beside the others.
    const bool mirrored = RightToLeftSystem() && code != L"AR";
    folder = std::wstring(L"dist\\pictures\\") + SampleFolder() + L"\\" + code +
             (mirrored ? L"-RTL" : L"") +
             (ScreenDpi() == 96 ? L"" : L"-" + std::to_wstring(ScreenDpi()) + L"dpi");
  }
  for (auto& c : folder)
    if (c == L'/') c = L'\\';
  if (folder.back() != L'\\') folder += L'\\';
  wchar_t full[MAX_PATH] = {};
  GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr);
  return full;
}

int VerbPictures(const wchar_t* folder_argument) {
  Session session;
  if (!session.Open()) return 1;
  const std::wstring folder = PictureFolder(session, folder_argument);
  const int made = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS) {
    PrintLine(L"cannot make " + folder);
    return 1;
  }
  PrintLine(L"== Pictures into " + folder + L" at " + std::to_wstring(ScreenDpi()) +
            L" dots per inch");
  PutPrinterOnTheNetwork();
  RecordLastTopic(session.printer());
  PictureRun run;
  run.new_plugin = [&session] { return session.NewPlugin(); };
  run.printer = session.printer();
  run.printer_name = session.printer_name();
  run.folder = folder;
  run.model_profile = session.model_profile();
  run.log = [](const std::wstring& line) { PrintLine(line); };
  const auto taken = TakePictures(run);
  size_t written = 0;
  for (const auto& picture : taken) written += picture.written ? 1 : 0;
  PrintLine(L"== " + std::to_wstring(written) + L" of " + std::to_wstring(taken.size()) +
            L" pictures written");
  return written == taken.size() && !taken.empty() ? 0 : 1;
}

// Every dialog and page of the model, in each language its string tables offer, judged for
// use without a mouse and with a screen reader, and for text that does not fit.
int VerbAccess() {
  Session session;
  if (!session.Open()) return 1;
  PutPrinterOnTheNetwork();
  RecordLastTopic(session.printer());
  PrintLine(L"== The display at " + std::to_wstring(ScreenDpi()) + L" dots per inch");
  // The tables beside the model: <driver folder><prefix><code>.DAT.
  std::wstring folder, prefix;
  {
    EmulatedHost& host = session.NewHost();
    host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT);
    if (const auto* context = reinterpret_cast<const kv::SheetContext*>(host.psui.UserData)) {
      folder = context->szDriverDir;
      prefix = context->szOemPrefix;
    }
    host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY);
  }
  std::vector<std::wstring> codes;
  WIN32_FIND_DATAW found = {};
  const std::wstring pattern = folder + prefix + L"*.DAT";
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
    std::wstring name = found.cFileName;
    const std::wstring code = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    if (!code.empty()) codes.push_back(code);
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  if (codes.empty()) codes.push_back(L"");  // a model whose texts are not by language

  const std::wstring language_key = L"Software\\KVprint\\" + session.printer_name();
  PictureRun run;
  run.new_plugin = [&session] { return session.NewPlugin(); };
  run.printer = session.printer();
  run.printer_name = session.printer_name();
  run.model_profile = session.model_profile();
  size_t dialogs = 0, findings = 0;
  std::wstring code;
  run.inspect = [&](HWND window, DWORD template_id, const std::wstring& state) {
    std::vector<std::wstring> lines = pictures::AccessFindings(window);
    for (const std::wstring& clipped : pictures::ClippedTexts(window))
      lines.push_back(L"text does not fit: " + clipped);
    ++dialogs;
    findings += lines.size();
    PrintLine(L"   " + (code.empty() ? std::wstring(L"--") : code) + L" " +
              std::to_wstring(template_id) + L"-" + state + L": " +
              (lines.empty() ? L"no findings" : std::to_wstring(lines.size()) + L" findings"));
    for (const std::wstring& line : lines) PrintLine(L"      " + line);
  };
  for (const std::wstring& each : codes) {
    code = each;
    PrintLine(std::wstring(L"== ") + SampleFolder() + L", table " +
              (code.empty() ? L"(one for all)" : code));
    if (!code.empty())
      SHSetValueW(HKEY_CURRENT_USER, language_key.c_str(), L"DrvCntCode", REG_SZ, code.c_str(),
                  static_cast<DWORD>((code.size() + 1) * sizeof(wchar_t)));
    TakePictures(run);
  }
  SHDeleteValueW(HKEY_CURRENT_USER, language_key.c_str(), L"DrvCntCode");
  PrintLine(L"access: " + std::to_wstring(dialogs) + L" dialogs, " + std::to_wstring(findings) +
            L" findings");
  return findings == 0 && dialogs > 0 ? 0 : 1;
}

std::vector<std::wstring> g_actions;  // the dialog verbs' script

// Opens a job dialog through its push button as the host does (the sheet's INIT, the
// option-tree fill, SETACTIVE, the push), plays the script, and shows what it left.
int VerbDialog(DWORD mode, DWORD item, const wchar_t* title) {
  std::vector<DialogAction> actions;
  std::wstring error;
  if (!ParseActions(g_actions, actions, error)) {
    PrintLine(L"not an action: " + error);
    return 2;
  }
  Session session;
  if (!session.Open()) return 1;
  EmulatedHost& host = session.NewHost();
  host.DefaultRecords();
  host.driver_ui.settings["Option4"] = "True";  // the hard disk installed: Print and Hold shows
  host.public_dm.dmCopies = 3;
  host.HostItemById(DMPUB_COPIES_COLLATE)->Sel = 3;
  PrintLine(std::wstring(L"== ") + title);
  PrintLine(L"   INIT: " + HResultText(host.Sheets(mode, PROPSHEETUI_REASON_INIT)));
  PrintLine(L"   option-tree fill: " + HResultText(host.FillTree(mode)));
  PrintLine(L"   SETACTIVE: " + std::to_wstring(host.Callback(CPSUICB_REASON_SETACTIVE)));
  const size_t calls = host.service_calls.size();
  const size_t played = PlayDialog([&] { host.Push(item); }, actions,
                                   [](const std::wstring& line) { PrintLine(line); });
  if (played == 0) PrintLine(L"   no dialog opened");
  for (size_t i = calls; i < host.service_calls.size(); ++i)
    if (host.service_calls[i].function == CPSFUNC_SET_RESULT)
      PrintLine(L"   the host was told: result " + std::to_wstring(host.service_calls[i].second));
  const auto* context =
      reinterpret_cast<const kv::SheetContext*>(host.PluginItems()[item].UserData);
  if (mode == OEMCUIP_DOCPROP) {
    if (context)
      PrintLine(L"   sheet: changed " + std::to_wstring(context->bChanged) +
                L", grayscale copies " + std::to_wstring(context->iMonoCopies) +
                L", colour copies " + std::to_wstring(context->iColorCopies));
    PrintLine(L"   APPLYNOW: " + std::to_wstring(host.Callback(CPSUICB_REASON_APPLYNOW)));
    host.Sheets(mode, PROPSHEETUI_REASON_DESTROY);
    PrintLine(L"   DESTROY: Result " + std::to_wstring(host.psui.Result));
    PrintLine(L"   private record:");
    Print(DescribeRecord(session.Record()));
  } else {
    PrintLine(L"   APPLYNOW: " + std::to_wstring(host.Callback(CPSUICB_REASON_APPLYNOW)));
    host.Sheets(mode, PROPSHEETUI_REASON_DESTROY);
    PrintLine(L"   printer data:");
    session.ShowPrinterData();
  }
  return 0;
}

// "check" is the model checker beside the simulator, kvcheck.exe, run with the same
// arguments; its output and exit status are the verb's.
int RunChecker(const std::vector<std::wstring>& arguments) {
  std::wstring command = L"\"" + ProgramFolder() + L"kvcheck.exe\"";
  for (const auto& argument : arguments) command += L" \"" + argument + L"\"";
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION process = {};
  fflush(stdout);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return PrintLine(L"check: cannot start " + ProgramFolder() + L"kvcheck.exe"), 2;
  const kv::unique_handle thread(process.hThread), child(process.hProcess);
  WaitForSingleObject(child.get(), INFINITE);
  DWORD status = 2;
  GetExitCodeProcess(child.get(), &status);
  return static_cast<int>(status);
}

int RunScenarios(std::initializer_list<std::function<void(Session&)>> scenarios) {
  Session session;
  if (!session.Open()) return 1;
  for (const auto& scenario : scenarios) scenario(session);
  return 0;
}

int VerbHelp() {
  PrintLine(
      L"usage: hostsim [install | devmode | docprops | prnprops | docsession | prnsession | all]"
      L" [KVCP3520 | PLM4020]");
  PrintLine(
      L"       hostsim prnsession [KVCP3520 | PLM4020] snmp   the printer asked over SNMP only");
  PrintLine(L"       hostsim pictures [KVCP3520 | PLM4020] [FOLDER]");
  PrintLine(
      L"       hostsim access [KVCP3520 | PLM4020]   keyboard, screen-reader and fit findings");
  PrintLine(
      L"       hostsim hold | copies | jobaccount | wayfer | about [KVCP3520 | PLM4020] "
      L"[ACTION...]");
  PrintLine(
      L"       hostsim page [KVCP3520 | PLM4020] [ACTION...]   the Troubleshooting page; links "
      L"report");
  PrintLine(L"       hostsim diag [KVCP3520 | PLM4020] N");
  PrintLine(L"       hostsim soak [KVCP3520 | PLM4020] N      leak soak of N cycles");
  PrintLine(L"       hostsim bench [KVCP3520 | PLM4020] [ROUNDS]  cost against the platform work");
  PrintLine(L"       hostsim fuzz-devmode N SEED | fuzz-model N SEED");
  PrintLine(
      L"       hostsim fuzz-snmp N SEED   N SNMP responses, whole and mangled, through the "
      L"decoder");
  PrintLine(
      L"       hostsim fuzz-ipp N SEED    N IPP responses, whole and mangled, through the decoder");
  PrintLine(L"       hostsim check MODELDIR");
  PrintLine(L"       actions: select:ID=N type:ID=TEXT clear:ID check:ID uncheck:ID");
  PrintLine(L"                time:YYYY-MM-DDTHH:MM press:ID ok cancel");
  PrintLine(L"                key:tab|shift+tab|enter|space|escape|up|down|alt+LETTER keys:TEXT");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  const wchar_t* wanted = argc > 1 ? argv[1] : L"all";
  const bool dialog_verb = wcscmp(wanted, L"hold") == 0 || wcscmp(wanted, L"copies") == 0 ||
                           wcscmp(wanted, L"jobaccount") == 0 || wcscmp(wanted, L"wayfer") == 0 ||
                           wcscmp(wanted, L"about") == 0 || wcscmp(wanted, L"diag") == 0 ||
                           wcscmp(wanted, L"page") == 0 || wcscmp(wanted, L"soak") == 0 ||
                           wcscmp(wanted, L"bench") == 0 || wcscmp(wanted, L"fuzz-devmode") == 0 ||
                           wcscmp(wanted, L"fuzz-model") == 0 || wcscmp(wanted, L"check") == 0;
  const bool own_arguments = wcscmp(wanted, L"fuzz-snmp") == 0 || wcscmp(wanted, L"fuzz-ipp") == 0;
  if (wcscmp(wanted, L"prnsession") == 0 && argc > 2 && wcscmp(argv[argc - 1], L"snmp") == 0) {
    g_snmp_only = true;
    --argc;
  }
  int next = 2;
  if (argc > 2 && !own_arguments) {
    if (ChooseSample(argv[2])) {
      next = 3;
    } else if (!dialog_verb) {
      return VerbHelp(), 2;
    }
  }
  if (dialog_verb)
    for (int i = next; i < argc; ++i) g_actions.push_back(argv[i]);
  struct Verb {
    const wchar_t* name;
    std::function<int()> run;
  };
  const Verb verbs[] = {
      {L"install", VerbInstall},
      {L"devmode", [] { return RunScenarios({Devmode}); }},
      {L"docprops", [] { return RunScenarios({DocProps}); }},
      {L"prnprops", [] { return RunScenarios({PrnProps}); }},
      {L"docsession", [] { return RunScenarios({DocSession}); }},
      {L"prnsession", [] { return RunScenarios({PrnSession}); }},
      {L"all",
       [] {
         return RunScenarios({Devmode, DocProps, PrnProps, DocSession, PrnSession});
       }},
      {L"pictures", [&] { return VerbPictures(argc > 3 ? argv[3] : nullptr); }},
      {L"access", [] { return VerbAccess(); }},
      {L"hold", [] { return VerbDialog(OEMCUIP_DOCPROP, 0, L"Print and Hold"); }},
      {L"copies", [] { return VerbDialog(OEMCUIP_DOCPROP, 1, L"Color Copies Setting"); }},
      {L"jobaccount", [] { return VerbDialog(OEMCUIP_PRNPROP, 0, L"Job Accounting"); }},
      {L"wayfer", [] { return VerbPageDialog(true, g_actions); }},
      {L"about", [] { return VerbPageDialog(false, g_actions); }},
      {L"page", [] { return VerbPage(g_actions); }},
      {L"diag", [] { return VerbDiag(g_actions.empty() ? L"" : g_actions.front()); }},
      {L"soak", [&] { return VerbSoak(g_actions, next == 3); }},
      {L"bench", [&] { return VerbBench(g_actions, next == 3); }},
      {L"fuzz-devmode", [] { return VerbFuzzDevmode(g_actions); }},
      {L"fuzz-model", [] { return VerbFuzzModel(g_actions); }},
      {L"fuzz-snmp",
       [&] {
         return VerbFuzzSnmp(argc > 2 ? wcstoul(argv[2], nullptr, 10) : 1000,
                             argc > 3 ? wcstoul(argv[3], nullptr, 10) : 1);
       }},
      {L"fuzz-ipp",
       [&] {
         return VerbFuzzIpp(argc > 2 ? wcstoul(argv[2], nullptr, 10) : 1000,
                            argc > 3 ? wcstoul(argv[3], nullptr, 10) : 1);
       }},
      {L"check",
       [&] {
         // "check KVCP3520" checks the sample model beside the simulator.
         if (g_actions.empty() && next == 3)
           return RunChecker({ProgramFolder() + L"samples\\" + SampleFolder()});
         return RunChecker(g_actions);
       }},
      {L"help", VerbHelp},
  };
  for (const auto& verb : verbs)
    if (wcscmp(verb.name, wanted) == 0) return verb.run();
  VerbHelp();
  return 2;
}
