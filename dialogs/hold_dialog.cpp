#include "dialogs/hold_dialog.h"

#include <commctrl.h>

#include "config/model_keys.h"
#include "context/sheet_context.h"
#include "devmode/private_devmode.h"
#include "devmode/record_locks.h"
#include "dialogs/context_help.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/edit_filters.h"
#include "dialogs/hold_rules.h"
#include "dialogs/job_dialogs.h"
#include "dialogs/layout.h"
#include "platform/profile_reader.h"
#include "platform/seam.h"
#include "platform/system.h"
#include "platform/text.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

constexpr const DialogText& kRow = RowOf(DialogRow::kHold);
constexpr size_t kUserIdUnits = 21;   // 20 characters and a terminator
constexpr size_t kJobNameUnits = 65;  // 64 and a terminator
constexpr size_t kPasscodeUnits = 260;

static_assert(kStandardHoldTypes == kStandardJobTypes && kSecureHoldTypes == kSecureJobTypes);
static_assert(sizeof(PrivateDevmode::szHoldPIN) == kPinLength * sizeof(wchar_t));
static_assert(sizeof(PrivateDevmode::szHoldPassword) == kSecurePasswordLength * sizeof(wchar_t));
constexpr auto& kStandardKeys = kStandardHoldKeys;
constexpr auto& kSecureKeys = kSecureHoldKeys;

constexpr int kPrintAtGroup[] = {IDC_HOLD_AT_LABEL, IDC_HOLD_DATE, IDC_HOLD_TIME, 0};
constexpr int kPasscodeGroup[] = {IDC_PASS_LABEL,
                                  IDC_PASS,
                                  IDC_PASS_HINT,
                                  IDC_CONFIRM_LABEL,
                                  IDC_CONFIRM,
                                  IDC_CONFIRM_HINT,
                                  IDC_PASS_RANGE_HINT,
                                  IDC_CONFIRM_RANGE_HINT,
                                  0};
constexpr int kExactHints[] = {IDC_PASS_HINT, IDC_CONFIRM_HINT, 0};
constexpr int kRangeHints[] = {IDC_PASS_RANGE_HINT, IDC_CONFIRM_RANGE_HINT, 0};

bool IsSecure(const SheetContext& context) {
  return context.ModelProfile.Read(keys::kSecurePrint) == 1;
}

PrivateDevmode* RecordOf(const SheetContext& context) {
  return context.pParam ? static_cast<PrivateDevmode*>(context.pParam->pOEMDM) : nullptr;
}

Visibility Seen(bool shown) { return shown ? Visibility::kShow : Visibility::kHide; }

void ApplyLayout(HWND dialog, SheetContext& context, bool secure, HoldChoice choice) {
  const HoldLayout layout = LayoutFor(secure, choice, context.wMinPassLen, context.wMaxPassLen);
  ShowControl(dialog, IDC_HOLD_STORE, Seen(layout.store_box), nullptr, context);
  ShowControl(dialog, IDC_HOLD_PUBLIC, Seen(layout.public_box), nullptr, context);
  if (layout.checks_follow) {
    const WPARAM check = choice.store ? BST_CHECKED : BST_UNCHECKED;
    CheckDlgButton(dialog, IDC_HOLD_STORE, check);
    CheckDlgButton(dialog, IDC_HOLD_PUBLIC, check);
  }
  ShowControlList(dialog, kPrintAtGroup, Seen(layout.print_at), nullptr, context);
  ShowControlList(dialog, kPasscodeGroup, Seen(layout.passcode), nullptr, context);
  // A user who may not change the settings keeps every control disabled.
  if (layout.passcode_enabling != Enabling::kUnchanged)
    EnableControlList(dialog, kPasscodeGroup,
                      layout.passcode_enabling == Enabling::kEnable && !context.bNoPermission);
  ShowControlList(dialog, kExactHints, Seen(layout.exact_hints), nullptr, context);
  ShowControlList(dialog, kRangeHints, Seen(layout.range_hints), nullptr, context);
}

// The pickers show the stored time; a text they cannot take leaves them as they are.
void LoadPickers(HWND dialog, const SheetContext& context) {
  SYSTEMTIME time = {};
  Use<System>().Now(time);
  if (!ParseHoldTime(context.szHoldTimeText, time)) return;
  SendDlgItemMessageW(dialog, IDC_HOLD_DATE, DTM_SETSYSTEMTIME, GDT_VALID,
                      reinterpret_cast<LPARAM>(&time));
  SendDlgItemMessageW(dialog, IDC_HOLD_TIME, DTM_SETSYSTEMTIME, GDT_VALID,
                      reinterpret_cast<LPARAM>(&time));
}

void ReadPickers(HWND dialog, SheetContext& context) {
  SYSTEMTIME date = {}, time = {};
  SendDlgItemMessageW(dialog, IDC_HOLD_DATE, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date));
  SendDlgItemMessageW(dialog, IDC_HOLD_TIME, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
  FormatHoldTime(date, time, context.szHoldTimeText, 128);
}

HoldChoice SelectedChoice(HWND dialog, const SheetContext& context) {
  const auto index =
      static_cast<int>(SendDlgItemMessageW(dialog, IDC_HOLD_MODE, CB_GETCURSEL, 0, 0));
  return {index, context.wHoldStore};
}

void FillList(HWND dialog, SheetContext& context, bool secure, int selected) {
  const DialogSection section(kRow.word);
  const wchar_t* const* keys = secure ? kSecureKeys : kStandardKeys;
  const int count = secure ? kSecureJobTypes : kStandardJobTypes;
  for (int i = 0; i < count; ++i) {
    wchar_t text[kTextUnits];
    context.StringTable.ReadText(section, keys[i], text);
    SendDlgItemMessageW(dialog, IDC_HOLD_MODE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  // A stored code that is none of the list's leaves the list without a selection.
  SendDlgItemMessageW(dialog, IDC_HOLD_MODE, CB_SETCURSEL,
                      InHoldList(secure, selected) ? selected : -1, 0);
}

void ShowStoredTexts(HWND dialog, const PrivateDevmode& record, bool secure) {
  wchar_t user[kUserIdUnits];
  ReadField(record.szHoldUserID, sizeof record.szHoldUserID, user, kUserIdUnits);
  if (user[0] == L'\0') LoggedOnUser(user, kUserIdUnits - 1);  // a 20-unit buffer: 19 characters
  SetDlgItemTextW(dialog, IDC_USER_ID, user);

  wchar_t job[kJobNameUnits];
  ReadField(record.szHoldJobName, sizeof record.szHoldJobName, job, kJobNameUnits);
  SetDlgItemTextW(dialog, IDC_JOB_NAME, job[0] ? job : L"Untitled");

  wchar_t passcode[kUserIdUnits];
  if (secure)
    ReadField(record.szHoldPassword, sizeof record.szHoldPassword, passcode, kUserIdUnits);
  else
    ReadField(record.szHoldPIN, sizeof record.szHoldPIN, passcode, kUserIdUnits);
  if (passcode[0] != L'\0') {
    SetDlgItemTextW(dialog, IDC_PASS, passcode);
    SetDlgItemTextW(dialog, IDC_CONFIRM, passcode);
  }
}

// The text of an edit, cut to `units` - 1 characters, and replaced as a whole by
// `replacement` when it is empty or holds a character the printer does not take.
void ReadName(HWND dialog, int id, wchar_t* text, int units, const wchar_t* replacement) {
  GetDlgItemTextW(dialog, id, text, units);
  if (text[0] == L'\0' || !IsPlainName(text))
    CopyText(text, static_cast<size_t>(units), replacement);
}

// OK: everything is checked before anything is stored, so that a refused passcode leaves
// the record as it was.
bool Store(HWND dialog, SheetContext& context) {
  PrivateDevmode* record = RecordOf(context);
  const bool secure = IsSecure(context);
  HoldChoice choice = SelectedChoice(dialog, context);
  // Nothing selected (the stored code was none of the list's): the job prints normally.
  if (!InHoldList(secure, choice.index)) choice = {0, 0};
  const bool passcode = NeedsPasscode(secure, choice);
  if (passcode &&
      !ConfirmPasscodes(dialog, context, kRow.word, kPasscodeUnits, false, EditFilter::kDigits))
    return false;
  if (!record) return true;

  wchar_t user[kUserIdUnits], job[kJobNameUnits];
  ReadName(dialog, IDC_USER_ID, user, kUserIdUnits, L"Unknown");
  ReadName(dialog, IDC_JOB_NAME, job, kJobNameUnits, L"Untitled");
  WriteField(record->szHoldUserID, sizeof record->szHoldUserID, user);
  WriteField(record->szHoldJobName, sizeof record->szHoldJobName, job);
  record->wSecureMode = context.wSecurePrint;

  wchar_t text[kPasscodeUnits];
  GetDlgItemTextW(dialog, IDC_PASS, text, kPasscodeUnits);
  if (secure) {
    record->wHoldMode = static_cast<int16_t>(choice.index);
    if (passcode) {
      WriteField(record->szHoldPassword, sizeof record->szHoldPassword, text);
      wchar_t key[kTextUnits];
      context.ModelProfile.ReadText(keys::kEncryptionKey, key);
      WriteField(record->szEncryptionKey, sizeof record->szEncryptionKey, key);
    }
  } else {
    record->wHoldMode = EncodeHoldMode(choice.index, choice.store);
    if (passcode) {
      WriteField(record->szHoldPIN, sizeof record->szHoldPIN, text);
    } else if (choice.index == kHoldDelay) {
      ReadPickers(dialog, context);
      WriteField(record->szHoldTime, sizeof record->szHoldTime, context.szHoldTimeText);
    }
  }
  MarkSheetChanged(context);
  return true;
}

struct HoldDialog : DialogHandlers {
  static INT_PTR OnInit(HWND dialog, SheetContext& context) {
    HideTitleBarHelp(dialog);
    SetDialogCaption(dialog, context, kRow.word);
    const bool secure = IsSecure(context);
    ReadLengthLimits(context, keys::kHoldMinPass, keys::kHoldMaxPass, HoldPasscodeLength(secure));
    TranslateDialog(dialog, context, kRow);

    // A job type the machine's policy locks is shown, and cannot be changed.
    const PrivateDevmode* record = RecordOf(context);
    const RecordLocks locks = ReadRecordLocks(context.hPrinter, Policy());
    const HoldChoice choice =
        ChoiceForCode(secure, LockedHoldMode(locks, record ? record->wHoldMode : 0));
    context.wHoldStore = static_cast<int16_t>(choice.store);
    FillList(dialog, context, secure, choice.index);
    if (locks.HoldLocked()) EnableWindow(GetDlgItem(dialog, IDC_HOLD_MODE), FALSE);
    ApplyLayout(dialog, context, secure, choice);

    SendDlgItemMessageW(dialog, IDC_USER_ID, EM_LIMITTEXT, 20, 0);
    SendDlgItemMessageW(dialog, IDC_JOB_NAME, EM_LIMITTEXT, 64, 0);
    InstallEditFilter(GetDlgItem(dialog, IDC_USER_ID), EditFilter::kName);
    InstallEditFilter(GetDlgItem(dialog, IDC_JOB_NAME), EditFilter::kName);
    PreparePasscodeEdits(dialog, context, EditFilter::kDigits);

    context.szHoldTimeText[0] = L'\0';
    if (record) {
      ShowStoredTexts(dialog, *record, secure);
      ReadField(record->szHoldTime, sizeof record->szHoldTime, context.szHoldTimeText, 128);
    }
    if (!secure && choice.index == kHoldDelay) LoadPickers(dialog, context);
    return TRUE;
  }

  static constexpr bool kHasHelp = true;
  static void ShowHelp(const SheetContext& context) { OpenHelp(context, kRow); }
  static bool Confirm(HWND dialog, SheetContext& context) { return Store(dialog, context); }

  static INT_PTR OnCommand(HWND dialog, SheetContext& context, int id, int code) {
    switch (id) {
      case IDC_HOLD_STORE:
        context.wHoldStore = IsDlgButtonChecked(dialog, IDC_HOLD_STORE) == BST_CHECKED ? 1 : 0;
        return TRUE;
      case IDC_HOLD_PUBLIC:
        context.wHoldStore = IsDlgButtonChecked(dialog, IDC_HOLD_PUBLIC) == BST_CHECKED ? 1 : 0;
        EnableControlList(dialog, kPasscodeGroup,
                          context.wHoldStore == 0 && !context.bNoPermission);
        return TRUE;
      case IDC_HOLD_MODE: {
        if (code != CBN_SELCHANGE) return FALSE;
        const bool secure = IsSecure(context);
        const HoldChoice choice = SelectedChoice(dialog, context);
        ApplyLayout(dialog, context, secure, choice);
        if (!secure && choice.index == kHoldDelay) LoadPickers(dialog, context);
        return TRUE;
      }
      default: return FALSE;
    }
  }
};

}  // namespace

LONG APIENTRY HoldPushed(PCPSUICBPARAM cb) {
  return OpenFromPushButton(cb, kRow, DialogProc<OkCancelDialog<HoldDialog>>);
}

}  // namespace kv
