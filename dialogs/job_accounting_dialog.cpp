#include "dialogs/job_accounting_dialog.h"

#include "context/sheet_context.h"
#include "dialogs/context_help.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/edit_filters.h"
#include "dialogs/hold_rules.h"
#include "dialogs/job_dialogs.h"
#include "platform/text.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

constexpr const DialogText& kRow = RowOf(DialogRow::kJobAccounting);
// The passwords are read longer than they may be, so that a longer one pasted past the
// edit's limit is refused rather than cut.
constexpr size_t kPasswordReadUnits = 260;

static_assert(kJobAccountUnits == kAccountPasswordLength + 1);

struct JobAccountingDialog : DialogHandlers {
  static INT_PTR OnInit(HWND dialog, DialogState& state) {
    const auto& settings = state.Edited<AccountingSettings>();
    HideTitleBarHelp(dialog);
    SetDialogCaption(dialog, state.sheet, kRow.word);
    RecordLengthLimits(state, settings.password_limits);
    TranslateDialog(dialog, state, kRow);

    SendDlgItemMessageW(dialog, IDC_USER_ID, EM_LIMITTEXT, 32, 0);
    InstallEditFilter(GetDlgItem(dialog, IDC_USER_ID), EditFilter::kAccountId);
    PreparePasscodeEdits(dialog, state, EditFilter::kAccountPassword);

    SetDlgItemTextW(dialog, IDC_USER_ID, settings.id);
    if (settings.password[0] != L'\0') {
      SetDlgItemTextW(dialog, IDC_PASS, settings.password);
      SetDlgItemTextW(dialog, IDC_CONFIRM, settings.password);
    }
    return TRUE;
  }

  // OK checks the passwords before it keeps anything.
  static bool Confirm(HWND dialog, DialogState& state) {
    if (!ConfirmPasscodes(dialog, state, kRow.word, kPasswordReadUnits, true,
                          EditFilter::kAccountPassword))
      return false;
    auto& settings = state.Edited<AccountingSettings>();
    GetDlgItemTextW(dialog, IDC_USER_ID, settings.id, kJobAccountUnits);
    if (settings.id[0] == L'\0' || !IsPlainName(settings.id)) CopyText(settings.id, L"Unknown");
    GetDlgItemTextW(dialog, IDC_PASS, settings.password, kJobAccountUnits);
    return true;
  }

  static constexpr bool kHasHelp = true;
  static void ShowHelp(const DialogState& state) { OpenHelp(state.sheet, kRow); }
};

}  // namespace

bool EditAccountingSettings(HWND owner, SheetContext& sheet, AccountingSettings& settings) {
  return RunModalDialog(owner, TemplateFor(kRow), DialogProc<OkCancelDialog<JobAccountingDialog>>,
                        sheet, &settings) == IDOK;
}

}  // namespace kv
