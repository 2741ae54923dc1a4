#include "device/wayfer_dialog.h"

#include "dialogs/dialog_frame.h"
#include "resources/dialog_ids.h"
#include "sheets/sheet_context.h"

namespace kv {
namespace {

constexpr wchar_t kWord[] = L"Wayfer";

struct WayferDialog {
  static INT_PTR OnInit(HWND dialog, SheetContext& context) {
    TranslateDialog(dialog, context, TemplateFor(IDD_WAYFER, IDD_WAYFER_RTL), kWord);
    SetDialogCaption(dialog, context, kWord);
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

INT_PTR OpenWayferSettings(HWND page, SheetContext& context) {
  return RunModalDialog(page, TemplateFor(IDD_WAYFER, IDD_WAYFER_RTL), DialogProc<WayferDialog>,
                        context);
}

}  // namespace kv
