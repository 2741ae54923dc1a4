#include "dialogs/job_accounting_dialog.h"

#include "config/model_keys.h"
#include "context/sheet_context.h"
#include "dialogs/context_help.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/edit_filters.h"
#include "dialogs/hold_rules.h"
#include "dialogs/job_dialogs.h"
#include "platform/seam.h"
#include "platform/spooler.h"
#include "platform/text.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

constexpr const DialogText& kRow = RowOf(DialogRow::kJobAccounting);
constexpr DWORD kStoredBytes = 66;  // 32 characters and a terminator
// The passwords are read longer than they may be, so that a longer one pasted past the
// edit's limit is refused rather than cut.
constexpr size_t kPasswordReadUnits = 260;

static_assert(kJobAccountUnits == kAccountPasswordLength + 1);
static_assert(kStoredBytes == kJobAccountUnits * sizeof(wchar_t));

// A text the printer keeps, read into 66 bytes: at most 32 characters, terminated, whether
// or not the stored value has a terminator; nothing for a value of another type or longer.
void ReadStoredText(HANDLE printer, const wchar_t* name, wchar_t (&text)[kJobAccountUnits]) {
  text[0] = L'\0';
  wchar_t stored[kStoredBytes / sizeof(wchar_t)] = {};
  DWORD type = REG_NONE, needed = 0;
  if (Use<Spooler>().GetData(printer, name, &type, reinterpret_cast<BYTE*>(stored), kStoredBytes,
                             &needed) != ERROR_SUCCESS ||
      type != REG_SZ || needed > kStoredBytes)
    return;
  ReadField(stored, needed, text, kJobAccountUnits);
}

struct JobAccountingDialog : DialogHandlers {
  static INT_PTR OnInit(HWND dialog, SheetContext& context) {
    HideTitleBarHelp(dialog);
    SetDialogCaption(dialog, context, kRow.word);
    ReadLengthLimits(context, keys::kAccountMinPass, keys::kAccountMaxPass, kAccountPasswordLength);
    TranslateDialog(dialog, context, kRow);

    SendDlgItemMessageW(dialog, IDC_USER_ID, EM_LIMITTEXT, 32, 0);
    InstallEditFilter(GetDlgItem(dialog, IDC_USER_ID), EditFilter::kAccountId);
    PreparePasscodeEdits(dialog, context, EditFilter::kAccountPassword);

    // The pending pair is what the dialog last confirmed in this sheet; without one, the
    // printer's stored values, or the logged-on user. The confirmed pair stays as it is
    // until OK, so that reopening and cancelling changes nothing.
    if (context.szJobAccountIDWork[0] == L'\0') {
      ReadStoredText(context.hPrinter, L"JOBACCOUNT_ID", context.szJobAccountIDWork);
      if (context.szJobAccountIDWork[0] == L'\0')
        LoggedOnUser(context.szJobAccountIDWork, kJobAccountUnits - 1);
    }
    SetDlgItemTextW(dialog, IDC_USER_ID, context.szJobAccountIDWork);
    if (context.szJobAccountPWWork[0] == L'\0')
      ReadStoredText(context.hPrinter, L"JOBACCOUNT_PW", context.szJobAccountPWWork);
    if (context.szJobAccountPWWork[0] != L'\0') {
      SetDlgItemTextW(dialog, IDC_PASS, context.szJobAccountPWWork);
      SetDlgItemTextW(dialog, IDC_CONFIRM, context.szJobAccountPWWork);
    }
    return TRUE;
  }

  // OK checks the passwords before it keeps anything.
  static bool Confirm(HWND dialog, SheetContext& context) {
    if (!ConfirmPasscodes(dialog, context, kRow.word, kPasswordReadUnits, true,
                          EditFilter::kAccountPassword))
      return false;
    wchar_t id[kJobAccountUnits];
    GetDlgItemTextW(dialog, IDC_USER_ID, id, kJobAccountUnits);
    if (id[0] == L'\0' || !IsPlainName(id)) CopyText(id, L"Unknown");
    CopyText(context.szJobAccountID, id);
    CopyText(context.szJobAccountIDWork, id);
    GetDlgItemTextW(dialog, IDC_PASS, context.szJobAccountPW, kJobAccountUnits);
    CopyText(context.szJobAccountPWWork, context.szJobAccountPW);
    context.bJobAccountConfirmed = TRUE;
    return true;
  }

  static constexpr bool kHasHelp = true;
  static void ShowHelp(const SheetContext& context) { OpenHelp(context, kRow); }
};

}  // namespace

LONG APIENTRY JobAccountingPushed(PCPSUICBPARAM cb) {
  return OpenFromPushButton(cb, kRow, DialogProc<OkCancelDialog<JobAccountingDialog>>);
}

}  // namespace kv
