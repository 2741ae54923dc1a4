#include "dialogs/hold_dialog.h"

#include <commctrl.h>

#include "context/sheet_context.h"
#include "dialogs/context_help.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/hold_rules.h"
#include "dialogs/job_dialogs.h"
#include "dialogs/layout.h"
#include "platform/seam.h"
#include "platform/system.h"
#include "platform/text.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

constexpr const DialogText& kRow = RowOf(DialogRow::kHold);
constexpr size_t kPasscodeReadUnits = 260;

static_assert(kStandardHoldTypes == kStandardJobTypes && kSecureHoldTypes == kSecureJobTypes);
static_assert(kHoldPasscodeUnits > kSecurePasswordLength);
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

Visibility Seen(bool shown) { return shown ? Visibility::kShow : Visibility::kHide; }

void ApplyLayout(HWND dialog, const DialogState& state, HoldChoice choice) {
  const bool secure = state.Edited<HoldSettings>().secure;
  const HoldLayout layout = LayoutFor(secure, choice, state.min_length, state.max_length);
  ShowControl(dialog, IDC_HOLD_STORE, Seen(layout.store_box), nullptr, state.tooltip);
  ShowControl(dialog, IDC_HOLD_PUBLIC, Seen(layout.public_box), nullptr, state.tooltip);
  if (layout.checks_follow) {
    const WPARAM check = choice.store ? BST_CHECKED : BST_UNCHECKED;
    CheckDlgButton(dialog, IDC_HOLD_STORE, check);
    CheckDlgButton(dialog, IDC_HOLD_PUBLIC, check);
  }
  ShowControlList(dialog, kPrintAtGroup, Seen(layout.print_at), nullptr, state.tooltip);
  ShowControlList(dialog, kPasscodeGroup, Seen(layout.passcode), nullptr, state.tooltip);
  // A user who may not change the settings keeps every control disabled.
  if (layout.passcode_enabling != Enabling::kUnchanged)
    EnableControlList(dialog, kPasscodeGroup,
                      layout.passcode_enabling == Enabling::kEnable && !state.sheet.bNoPermission);
  ShowControlList(dialog, kExactHints, Seen(layout.exact_hints), nullptr, state.tooltip);
  ShowControlList(dialog, kRangeHints, Seen(layout.range_hints), nullptr, state.tooltip);
}

// The pickers show the stored time; a text they cannot take leaves them as they are.
void LoadPickers(HWND dialog, const HoldSettings& settings) {
  SYSTEMTIME time = {};
  Use<System>().Now(time);
  if (!ParseHoldTime(settings.time_text, time)) return;
  SendDlgItemMessageW(dialog, IDC_HOLD_DATE, DTM_SETSYSTEMTIME, GDT_VALID,
                      reinterpret_cast<LPARAM>(&time));
  SendDlgItemMessageW(dialog, IDC_HOLD_TIME, DTM_SETSYSTEMTIME, GDT_VALID,
                      reinterpret_cast<LPARAM>(&time));
}

void ReadPickers(HWND dialog, HoldSettings& settings) {
  SYSTEMTIME date = {}, time = {};
  SendDlgItemMessageW(dialog, IDC_HOLD_DATE, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date));
  SendDlgItemMessageW(dialog, IDC_HOLD_TIME, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
  FormatHoldTime(date, time, settings.time_text, kHoldTimeUnits);
}

// The selected type with the store flag as the check boxes last set it.
HoldChoice SelectedChoice(HWND dialog, const HoldSettings& settings) {
  const auto index =
      static_cast<int>(SendDlgItemMessageW(dialog, IDC_HOLD_MODE, CB_GETCURSEL, 0, 0));
  return {index, settings.choice.store};
}

void FillList(HWND dialog, const SheetContext& sheet, bool secure, int selected) {
  const DialogSection section(kRow.word);
  const wchar_t* const* keys = secure ? kSecureKeys : kStandardKeys;
  const int count = secure ? kSecureJobTypes : kStandardJobTypes;
  for (int i = 0; i < count; ++i) {
    wchar_t text[kTextUnits];
    sheet.StringTable.ReadText(section, keys[i], text);
    SendDlgItemMessageW(dialog, IDC_HOLD_MODE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  // A stored code that is none of the list's leaves the list without a selection.
  SendDlgItemMessageW(dialog, IDC_HOLD_MODE, CB_SETCURSEL,
                      InHoldList(secure, selected) ? selected : -1, 0);
}

void ShowTexts(HWND dialog, const HoldSettings& settings) {
  SetDlgItemTextW(dialog, IDC_USER_ID, settings.user_id);
  SetDlgItemTextW(dialog, IDC_JOB_NAME, settings.job_name);
  if (settings.passcode[0] != L'\0') {
    SetDlgItemTextW(dialog, IDC_PASS, settings.passcode);
    SetDlgItemTextW(dialog, IDC_CONFIRM, settings.passcode);
  }
}

// The text of an edit, cut to `units` - 1 characters, and replaced as a whole by
// `replacement` when it is empty or holds a character the printer does not take.
void ReadName(HWND dialog, int id, wchar_t* text, int units, const wchar_t* replacement) {
  GetDlgItemTextW(dialog, id, text, units);
  if (text[0] == L'\0' || !IsPlainName(text))
    CopyText(text, static_cast<size_t>(units), replacement);
}

// OK: everything is checked before anything is kept, so that a refused passcode leaves the
// settings as they were.
bool ConfirmSettings(HWND dialog, const DialogState& state) {
  auto& settings = state.Edited<HoldSettings>();
  HoldChoice choice = SelectedChoice(dialog, settings);
  // Nothing selected (the stored code was none of the list's): the job prints normally.
  if (!InHoldList(settings.secure, choice.index)) choice = {0, 0};
  const bool passcode = NeedsPasscode(settings.secure, choice);
  if (passcode &&
      !ConfirmPasscodes(dialog, state, kRow.word, kPasscodeReadUnits, false, EditFilter::kDigits))
    return false;

  settings.choice = choice;
  ReadName(dialog, IDC_USER_ID, settings.user_id, kHoldUserIdUnits, L"Unknown");
  ReadName(dialog, IDC_JOB_NAME, settings.job_name, kHoldJobNameUnits, L"Untitled");
  // A confirmed passcode is within the limits, which are never longer than the field.
  if (passcode) GetDlgItemTextW(dialog, IDC_PASS, settings.passcode, kHoldPasscodeUnits);
  if (!settings.secure && !passcode && choice.index == kHoldDelay) ReadPickers(dialog, settings);
  return true;
}

struct HoldDialog : DialogHandlers {
  static INT_PTR OnInit(HWND dialog, DialogState& state) {
    const auto& settings = state.Edited<HoldSettings>();
    HideTitleBarHelp(dialog);
    SetDialogCaption(dialog, state.sheet, kRow.word);
    RecordLengthLimits(state, settings.passcode_limits);
    TranslateDialog(dialog, state, kRow);

    // A job type the machine's policy locks is shown, and cannot be changed.
    FillList(dialog, state.sheet, settings.secure, settings.choice.index);
    if (settings.type_locked) EnableWindow(GetDlgItem(dialog, IDC_HOLD_MODE), FALSE);
    ApplyLayout(dialog, state, settings.choice);

    SendDlgItemMessageW(dialog, IDC_USER_ID, EM_LIMITTEXT, 20, 0);
    SendDlgItemMessageW(dialog, IDC_JOB_NAME, EM_LIMITTEXT, 64, 0);
    InstallEditFilter(GetDlgItem(dialog, IDC_USER_ID), EditFilter::kName);
    InstallEditFilter(GetDlgItem(dialog, IDC_JOB_NAME), EditFilter::kName);
    PreparePasscodeEdits(dialog, state, EditFilter::kDigits);

    ShowTexts(dialog, settings);
    if (!settings.secure && settings.choice.index == kHoldDelay) LoadPickers(dialog, settings);
    return TRUE;
  }

  static constexpr bool kHasHelp = true;
  static void ShowHelp(const DialogState& state) { OpenHelp(state.sheet, kRow); }
  static bool Confirm(HWND dialog, DialogState& state) { return ConfirmSettings(dialog, state); }

  static INT_PTR OnCommand(HWND dialog, DialogState& state, int id, int code) {
    auto& settings = state.Edited<HoldSettings>();
    switch (id) {
      case IDC_HOLD_STORE:
        settings.choice.store = IsDlgButtonChecked(dialog, IDC_HOLD_STORE) == BST_CHECKED ? 1 : 0;
        return TRUE;
      case IDC_HOLD_PUBLIC:
        settings.choice.store = IsDlgButtonChecked(dialog, IDC_HOLD_PUBLIC) == BST_CHECKED ? 1 : 0;
        EnableControlList(dialog, kPasscodeGroup,
                          settings.choice.store == 0 && !state.sheet.bNoPermission);
        return TRUE;
      case IDC_HOLD_MODE: {
        if (code != CBN_SELCHANGE) return FALSE;
        const HoldChoice choice = SelectedChoice(dialog, settings);
        ApplyLayout(dialog, state, choice);
        if (!settings.secure && choice.index == kHoldDelay) LoadPickers(dialog, settings);
        return TRUE;
      }
      default: return FALSE;
    }
  }
};

}  // namespace

bool EditHoldSettings(HWND owner, SheetContext& sheet, HoldSettings& settings) {
  return RunModalDialog(owner, TemplateFor(kRow), DialogProc<OkCancelDialog<HoldDialog>>, sheet,
                        &settings) == IDOK;
}

}  // namespace kv
