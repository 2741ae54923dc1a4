#include "device/troubleshooting_page.h"

#include <commctrl.h>

#include "about/about_dialog.h"
#include "device/wayfer_dialog.h"
#include "dialogs/context_help.h"
#include "dialogs/dialog_frame.h"
#include "resources/dialog_ids.h"
#include "sheets/sheet_context.h"

namespace kv {
namespace {

constexpr wchar_t kWord[] = L"Troubleshooting";

void ShowPageHelp(const SheetContext& context) {
  wchar_t path[kHelpPathUnits];
  HelpPath(context, L"troublesh_tab", L"troubleshooting_tab.htm", path);
  ShowHelpTopic(path);
}

struct TroubleshootingPage {
  static INT_PTR OnInit(HWND page, SheetContext& context) {
    TranslateDialog(page, context, TemplateFor(IDD_TROUBLESHOOTING, IDD_TROUBLESHOOTING_RTL), kWord);
    return TRUE;
  }

  static INT_PTR OnMessage(HWND page, SheetContext& context, UINT message, WPARAM wparam,
                           LPARAM lparam) {
    if (message == WM_NOTIFY) {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header && header->code == PSN_HELP) ShowPageHelp(context);
      return 0;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wparam)) {
      case IDC_TS_SETTINGS:
        OpenWayferSettings(page, context);
        break;
      case IDC_TS_ABOUT:
        OpenAbout(page, context);
        break;
      case IDC_TS_HELP:
        ShowPageHelp(context);
        break;
      default:
        break;
    }
    return 0;
  }
};

}  // namespace

INT_PTR CALLBACK TroubleshootingPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  return DialogProc<TroubleshootingPage, DialogKind::kPage>(page, message, wparam, lparam);
}

}  // namespace kv
