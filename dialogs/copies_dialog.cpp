#include "dialogs/copies_dialog.h"

#include "dialogs/context_help.h"
#include "dialogs/dialog_frame.h"
#include "resources/dialog_ids.h"
#include "sheets/sheet_context.h"

namespace kv {
namespace {

constexpr wchar_t kWord[] = L"Copies";

void ShowHelp(const SheetContext& context) {
  wchar_t path[kHelpPathUnits];
  HelpPath(context, L"Html", L"Color Copies Setting.htm", path);
  ShowHelpTopic(path);
}

struct CopiesDialog {
  static INT_PTR OnInit(HWND dialog, SheetContext& context) {
    SetDialogCaption(dialog, context, kWord);
    TranslateDialog(dialog, context, TemplateFor(IDD_COPIES, IDD_COPIES_RTL), kWord);
    return TRUE;
  }

  static INT_PTR OnMessage(HWND dialog, SheetContext& context, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_HELP) {
      ShowHelp(context);
      return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wparam)) {
      case IDOK:
      case IDCANCEL:
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
      case IDC_HELP_BUTTON:
        ShowHelp(context);
        return TRUE;
      default:
        return FALSE;
    }
  }
};

}  // namespace

LONG APIENTRY CopiesPushed(PCPSUICBPARAM cb) {
  return OpenFromPushButton(cb, IDD_COPIES, IDD_COPIES_RTL, DialogProc<CopiesDialog>);
}

}  // namespace kv
