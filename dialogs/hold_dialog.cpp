#include "dialogs/hold_dialog.h"

#include "dialogs/context_help.h"
#include "dialogs/dialog_frame.h"
#include "resources/dialog_ids.h"
#include "sheets/sheet_context.h"

namespace kv {
namespace {

constexpr wchar_t kWord[] = L"Hold";

void ShowHelp(const SheetContext& context) {
  wchar_t path[kHelpPathUnits];
  HelpPath(context, context.wSecurePrint != 0 ? L"output_options_tab" : L"Html",
           L"Print And Hold Dialog.htm", path);
  ShowHelpTopic(path);
}

struct HoldDialog {
  static INT_PTR OnInit(HWND dialog, SheetContext& context) {
    SetDialogCaption(dialog, context, kWord);
    context.ModelProfile.SetSection(L"Common");
    context.wMinPassLen = static_cast<int16_t>(context.ModelProfile.ReadInt(L"ExtrasMinPassLen", 4));
    context.wMaxPassLen = static_cast<int16_t>(context.ModelProfile.ReadInt(L"ExtrasMaxPassLen", 4));
    TranslateDialog(dialog, context, TemplateFor(IDD_HOLD, IDD_HOLD_RTL), kWord);
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

LONG APIENTRY HoldPushed(PCPSUICBPARAM cb) {
  return OpenFromPushButton(cb, IDD_HOLD, IDD_HOLD_RTL, DialogProc<HoldDialog>);
}

}  // namespace kv
