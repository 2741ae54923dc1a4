#include "tools/hostsim/device_verbs.h"

#include <winspool.h>

#include <cwchar>
#include <fstream>
#include <iterator>

#include "device/troubleshooting_page.h"
#include "emuhost/dialog_script.h"
#include "emuhost/modal_driver.h"
#include "emuhost/page_sheet.h"
#include "emuhost/report.h"
#include "platform/seam.h"
#include "platform/shell.h"
#include "platform/module.h"
#include "resources/dialog_ids.h"

namespace hostsim {
namespace {

constexpr wchar_t kPrinterAddress[] = L"192.0.2.20";
constexpr wchar_t kLastTopic[] = L"PLM.chm::\\troublesh_tab\\paper_jam.htm";
constexpr const wchar_t* kDiagnosticKeys[] = {
    L"Config Page", L"Connection Page", L"Menu Map", L"PCL Font List", L"PS Font List",
    L"Flash Directory", L"Office Demo", L"2-Sided Demo", L"Test Print"};

}  // namespace

void PutPrinterOnTheNetwork() {
  const std::wstring key = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\" +
                           SamplePort();
  SHSetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"IPAddress", REG_SZ, kPrinterAddress,
              static_cast<DWORD>((wcslen(kPrinterAddress) + 1) * sizeof(wchar_t)));
}

void RecordLastTopic(HANDLE printer) {
  SetPrinterDataW(printer, const_cast<wchar_t*>(L"PWayfer_LastInfo"), REG_SZ,
                  reinterpret_cast<BYTE*>(const_cast<wchar_t*>(kLastTopic)),
                  static_cast<DWORD>((wcslen(kLastTopic) + 1) * sizeof(wchar_t)));
}

namespace {

// The page the printer sheet added; for a model whose sheet adds none, the same page made
// from the plug-in's templates with the page's own code (linked into the simulator).
std::unique_ptr<PageSheet> OpenPage(Session& session, EmulatedHost& host) {
  if (!host.pages.empty()) return std::make_unique<PageSheet>(host.pages.front());
  if (!host.psui.UserData) return nullptr;
  PrintLine(L"   this model's sheet adds no Troubleshooting page: shown from the plug-in's "
            L"templates with the page's own code");
  kv::SetThisModule(session.plugin_module());
  const AddedPage page =
      TroubleshootingPageRecord(session.plugin_module(), kv::TroubleshootingPageProc,
                                static_cast<LPARAM>(host.psui.UserData), kv::PluginActivationContext());
  return std::make_unique<PageSheet>(page);
}

// A printer sheet as the host opens it, with the network and the status monitor played.
EmulatedHost& OpenPrinterSheet(Session& session) {
  PutPrinterOnTheNetwork();
  RecordLastTopic(session.printer());
  EmulatedHost& host = session.NewHost();
  host.DefaultRecords();
  host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT);
  host.FillTree(OEMCUIP_PRNPROP);
  host.Callback(CPSUICB_REASON_SETACTIVE);
  return host;
}

std::wstring HexBytes(const std::string& bytes) {
  std::wstring text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    wchar_t hex[4];
    swprintf(hex, 4, L"%02X", static_cast<unsigned char>(bytes[i]));
    text += (i % 16 == 0 ? (i ? L"\n   " : L"   ") : L" ") + std::wstring(hex);
  }
  return text;
}

std::string FileBytes(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

void ShowTroubleshootingPage(Session& session, EmulatedHost& host) {
  std::unique_ptr<PageSheet> sheet = OpenPage(session, host);
  if (!sheet || !sheet->page()) {
    PrintLine(L"   no Troubleshooting page");
    return;
  }
  PrintLine(L"== The Troubleshooting page in its property sheet");
  std::wstring shown = DescribeDialog(sheet->page());
  Print(shown);
  auto* context = reinterpret_cast<kv::SheetContext*>(host.psui.UserData);
  PrintLine(L"   printer address found: \"" + std::wstring(context->szPrinterAddress) + L"\"");
  for (int n = 1; n <= 6; ++n) {
    wchar_t key[16], target[kv::kTextUnits];
    swprintf(key, 16, L"Ref_URL_%d", n);
    context->StringTable.SetDialogSection(L"Troubleshooting");
    context->StringTable.ReadText(key, target);
    HWND link = GetDlgItem(sheet->page(), IDC_TS_LINK1 + n - 1);
    const bool visible = (GetWindowLongPtrW(link, GWL_STYLE) & WS_VISIBLE) != 0;
    std::wstring opens = target;
    const size_t placeholder = opens.find(L"http://%s");
    if (placeholder != std::wstring::npos) opens.replace(placeholder + 7, 2, context->szPrinterAddress);
    PrintLine(L"   link " + std::to_wstring(n) + L": " +
              (wcscmp(target, key) == 0 ? std::wstring(L"(no target)")
                                        : L"\"" + std::wstring(target) + L"\" opens " + opens) +
              (visible ? L"" : L", hidden") + (IsWindowEnabled(link) ? L"" : L", disabled"));
  }
}

int VerbDiag(const std::wstring& entry) {
  const int n = _wtoi(entry.c_str());
  if (n < 1 || n > 9) {
    PrintLine(L"usage: hostsim diag [MODEL] N, N from 1 to 9");
    return 2;
  }
  Session session;
  if (!session.Open()) return 1;
  EmulatedHost& host = OpenPrinterSheet(session);
  std::unique_ptr<PageSheet> sheet = OpenPage(session, host);
  if (!sheet || !sheet->page()) return PrintLine(L"   no Troubleshooting page"), 1;
  auto* context = reinterpret_cast<kv::SheetContext*>(host.psui.UserData);
  wchar_t text[kv::kTextUnits];
  context->StringTable.SetDialogSection(L"Troubleshooting");
  context->StringTable.ReadText(kDiagnosticKeys[n - 1], text);
  HWND list = GetDlgItem(sheet->page(), IDC_TS_DIAG_LIST);
  const LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  PrintLine(L"== Diagnostic page " + std::to_wstring(n) + L" (\"" + text + L"\")");
  if (index == CB_ERR) {
    PrintLine(L"   the model does not list it (its \"TestPages\")");
    return 1;
  }
  const std::wstring port = SamplePort();
  DeleteFileW(port.c_str());
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  PrintLine(L"   chosen in the list and Print pressed");
  ModalDriver::Press(sheet->page(), IDC_TS_PRINT);
  const std::string arrived = FileBytes(port);
  PrintLine(L"   " + std::to_wstring(arrived.size()) + L" bytes arrived at " + port + L":");
  PrintLine(HexBytes(arrived));
  std::wstring visible;
  for (char c : arrived) visible += c == '\x1b' ? L"<ESC>" : c == '\r' ? L"<CR>" : c == '\n' ? L"<LF>" : std::wstring(1, static_cast<wchar_t>(c));
  PrintLine(L"   " + visible);
  return arrived.empty() ? 1 : 0;
}

namespace {

// The shell the simulator's page opens its links into: it says what it was asked to open
// instead of starting a browser.
class ReportingShell : public kv::Shell {
 public:
  INT_PTR Open(const wchar_t* file, const wchar_t* parameters, int) override {
    PrintLine(L"   the shell was asked to open \"" + std::wstring(file ? file : L"") + L"\"" +
              (parameters ? L" with \"" + std::wstring(parameters) + L"\"" : L""));
    return 33;  // above 32: opened
  }
};

// The actions of the words; false, having said which word is none, when one is not.
bool ActionsOf(const std::vector<std::wstring>& words, std::vector<DialogAction>& actions) {
  std::wstring error;
  if (ParseActions(words, actions, error)) return true;
  PrintLine(L"not an action: " + error);
  return false;
}

}  // namespace

int VerbPage(const std::vector<std::wstring>& words) {
  std::vector<DialogAction> actions;
  if (!ActionsOf(words, actions)) return 2;
  Session session;
  if (!session.Open()) return 1;
  EmulatedHost& host = OpenPrinterSheet(session);
  if (!host.psui.UserData) return PrintLine(L"   no printer sheet"), 1;
  // Always the page's own code linked into the simulator, so that its links reach the shell
  // put in place here.
  ReportingShell shell;
  kv::ScopedSeam<kv::Shell> reporting(shell);
  kv::SetThisModule(session.plugin_module());
  PageSheet sheet(TroubleshootingPageRecord(session.plugin_module(), kv::TroubleshootingPageProc,
                                            static_cast<LPARAM>(host.psui.UserData),
                                            kv::PluginActivationContext()));
  if (!sheet.page()) return PrintLine(L"   no Troubleshooting page"), 1;
  PrintLine(L"== The Troubleshooting page, played");
  // A dialog the page opens (Settings..., About) is shown and cancelled.
  ModalDriver opened([](HWND dialog) {
    PrintLine(L"   a dialog opened: \"" + TextOf(dialog) + L"\"; cancelled");
    ModalDriver::Press(dialog, IDCANCEL);
  });
  PlayShown(sheet.page(), actions, [](const std::wstring& line) { PrintLine(line); });
  return 0;
}

int VerbPageDialog(bool wayfer, const std::vector<std::wstring>& words) {
  std::vector<DialogAction> actions;
  if (!ActionsOf(words, actions)) return 2;
  Session session;
  if (!session.Open()) return 1;
  EmulatedHost& host = OpenPrinterSheet(session);
  std::unique_ptr<PageSheet> sheet = OpenPage(session, host);
  if (!sheet || !sheet->page()) return PrintLine(L"   no Troubleshooting page"), 1;
  PrintLine(wayfer ? L"== Printing Wayfer settings, from the page's Settings... button"
                   : L"== About, from the page's About button");
  const size_t played = PlayDialog(
      [&] { ModalDriver::Press(sheet->page(), wayfer ? IDC_TS_SETTINGS : IDC_TS_ABOUT); }, actions,
      [](const std::wstring& line) { PrintLine(line); });
  if (played == 0) PrintLine(L"   no dialog opened");
  if (wayfer) {
    PrintLine(L"   printer data:");
    for (const wchar_t* name : {L"PWayfer_Enable", L"PWayfer_Timeout"}) {
      DWORD type = 0, value = 0, needed = 0;
      const DWORD status = GetPrinterDataW(session.printer(), const_cast<wchar_t*>(name), &type,
                                           reinterpret_cast<BYTE*>(&value), sizeof value, &needed);
      PrintLine(L"   " + std::wstring(name) + L" = " + (status == ERROR_SUCCESS ? std::to_wstring(value) : L"(none)"));
    }
  }
  return played ? 0 : 1;
}

}  // namespace hostsim
