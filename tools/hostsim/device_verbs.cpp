#include "tools/hostsim/device_verbs.h"

#include <shlwapi.h>
#include <winspool.h>

#include <cwchar>
#include <fstream>
#include <iterator>

#include "context/sheet_context.h"
#include "emuhost/dialog_script.h"
#include "emuhost/imports.h"
#include "emuhost/modal_driver.h"
#include "emuhost/page_sheet.h"
#include "emuhost/report.h"
#include "resources/dialog_ids.h"

namespace hostsim {

using namespace emuhost;

namespace {

constexpr wchar_t kPrinterAddress[] = L"192.0.2.20";
constexpr wchar_t kLastTopic[] = L"PLM4020.chm::\\troublesh_tab\\paper_jam.htm";
constexpr const wchar_t* kDiagnosticKeys[] = {
    L"Config Page",     L"Connection Page", L"Menu Map",     L"PCL Font List", L"PS Font List",
    L"Flash Directory", L"Office Demo",     L"2-Sided Demo", L"Test Print"};

}  // namespace

void PutPrinterOnTheNetwork() {
  const std::wstring key =
      L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\" +
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

// The page the printer sheet added, or for a model whose sheet adds none the page as the
// plug-in adds it for a model that announces it, with this sheet's context.
std::unique_ptr<PageSheet> OpenPage(Session& session, EmulatedHost& host) {
  if (host.pages.empty() && host.psui.UserData)
    PrintLine(
        L"   this model's sheet adds no Troubleshooting page: shown as the plug-in adds it "
        L"for a model that announces it");
  const AddedPage page = session.PageOf(host);
  if (!page.procedure) return nullptr;
  return std::make_unique<PageSheet>(page);
}

// A text of the page's section of the model's string table, as the plug-in reads it: the key
// itself when the table has none.
std::wstring PageText(const kv::SheetContext& context, const wchar_t* key) {
  wchar_t text[kv::kTextUnits] = {};
  if (!GetPrivateProfileStringW(L"Troubleshooting Dialog", key, L"", text, kv::kTextUnits,
                                context.StringTable.szFile))
    return key;
  return text;
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
  const auto* context = reinterpret_cast<const kv::SheetContext*>(host.psui.UserData);
  PrintLine(L"   printer address found: \"" + std::wstring(context->szPrinterAddress) + L"\"");
  for (int n = 1; n <= 6; ++n) {
    wchar_t key[16];
    swprintf(key, 16, L"Ref_URL_%d", n);
    const std::wstring target = PageText(*context, key);
    HWND link = GetDlgItem(sheet->page(), IDC_TS_LINK1 + n - 1);
    const bool visible = (GetWindowLongPtrW(link, GWL_STYLE) & WS_VISIBLE) != 0;
    std::wstring opens = target;
    const size_t placeholder = opens.find(L"http://%s");
    if (placeholder != std::wstring::npos)
      opens.replace(placeholder + 7, 2, context->szPrinterAddress);
    PrintLine(
        L"   link " + std::to_wstring(n) + L": " +
        (target == key ? std::wstring(L"(no target)") : L"\"" + target + L"\" opens " + opens) +
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
  const auto* context = reinterpret_cast<const kv::SheetContext*>(host.psui.UserData);
  const std::wstring text = PageText(*context, kDiagnosticKeys[n - 1]);
  HWND list = GetDlgItem(sheet->page(), IDC_TS_DIAG_LIST);
  const LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
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
  for (char c : arrived)
    visible += c == '\x1b' ? L"<ESC>"
               : c == '\r' ? L"<CR>"
               : c == '\n' ? L"<LF>"
                           : std::wstring(1, static_cast<wchar_t>(c));
  PrintLine(L"   " + visible);
  return arrived.empty() ? 1 : 0;
}

namespace {

// The shell the page opens its links into, in the place of ShellExecuteW in the plug-in's
// import table: it says what it was asked to open instead of starting a browser.
HINSTANCE WINAPI ReportingShellExecute(HWND, const wchar_t*, const wchar_t* file,
                                       const wchar_t* parameters, const wchar_t*, int) {
  PrintLine(L"   the shell was asked to open \"" + std::wstring(file ? file : L"") + L"\"" +
            (parameters ? L" with \"" + std::wstring(parameters) + L"\"" : L""));
  return reinterpret_cast<HINSTANCE>(33);  // above 32: opened
}

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
  // The page's links reach the shell through the plug-in's import table.
  const ImportReplacement shell(session.plugin_module(), "ShellExecuteW",
                                reinterpret_cast<void*>(&ReportingShellExecute));
  if (!shell.replaced()) return PrintLine(L"   the plug-in does not open the shell"), 1;
  std::unique_ptr<PageSheet> sheet = OpenPage(session, host);
  if (!sheet || !sheet->page()) return PrintLine(L"   no Troubleshooting page"), 1;
  PrintLine(L"== The Troubleshooting page, played");
  // A dialog the page opens (Settings..., About) is shown and cancelled.
  ModalDriver opened([](HWND dialog) {
    PrintLine(L"   a dialog opened: \"" + TextOf(dialog) + L"\"; cancelled");
    ModalDriver::Press(dialog, IDCANCEL);
  });
  PlayShown(sheet->page(), actions, [](const std::wstring& line) { PrintLine(line); });
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
      PrintLine(L"   " + std::wstring(name) + L" = " +
                (status == ERROR_SUCCESS ? std::to_wstring(value) : L"(none)"));
    }
  }
  return played ? 0 : 1;
}

}  // namespace hostsim
