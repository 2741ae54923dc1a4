#include "dialogs/job_accounting_dialog.h"

#include "dialogs/context_help.h"
#include "dialogs/dialog_frame.h"
#include "resources/dialog_ids.h"
#include "sheets/sheet_context.h"

namespace kv {
namespace {

constexpr wchar_t kWord[] = L"Job Accounting";

void ShowHelp(const SheetContext& context) {
  wchar_t path[kHelpPathUnits];
  HelpPath(context, L"Html", L"Job Accounting.htm", path);
  ShowHelpTopic(path);
}

struct JobAccountingDialog {
  static INT_PTR OnInit(HWND dialog, SheetContext& context) {
    SetDialogCaption(dialog, context, kWord);
    context.ModelProfile.SetSection(L"Common");
    context.wMinPassLen = static_cast<int16_t>(context.ModelProfile.ReadInt(L"PrinterMinPassLen", 32));
    context.wMaxPassLen = static_cast<int16_t>(context.ModelProfile.ReadInt(L"PrinterMaxPassLen", 32));
    TranslateDialog(dialog, context, TemplateFor(IDD_JOB_ACCOUNTING, IDD_JOB_ACCOUNTING_RTL), kWord);
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

LONG APIENTRY JobAccountingPushed(PCPSUICBPARAM cb) {
  return OpenFromPushButton(cb, IDD_JOB_ACCOUNTING, IDD_JOB_ACCOUNTING_RTL, DialogProc<JobAccountingDialog>);
}

}  // namespace kv
