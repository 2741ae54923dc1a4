#include "about/about_dialog.h"

#include "dialogs/dialog_frame.h"
#include "resources/dialog_ids.h"
#include "sheets/sheet_context.h"

namespace kv {
namespace {

constexpr wchar_t kWord[] = L"About";

struct AboutDialog {
  static INT_PTR OnInit(HWND dialog, SheetContext& context) {
    SetDialogCaption(dialog, context, kWord);
    TranslateDialog(dialog, context, IDD_ABOUT, kWord);
    return TRUE;
  }

  static INT_PTR OnMessage(HWND dialog, SheetContext&, UINT message, WPARAM wparam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wparam) != IDOK && LOWORD(wparam) != IDCANCEL) return FALSE;
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
};

}  // namespace

INT_PTR OpenAbout(HWND page, SheetContext& context) {
  return RunModalDialog(page, IDD_ABOUT, DialogProc<AboutDialog>, context);
}

}  // namespace kv
