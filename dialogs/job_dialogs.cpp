#include "dialogs/job_dialogs.h"

#include <string>

#include "context/sheet_context.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/hold_rules.h"
#include "platform/message_box.h"
#include "platform/seam.h"
#include "platform/system.h"
#include "platform/text.h"
#include "resources/dialog_ids.h"

namespace kv {

void HideTitleBarHelp(HWND dialog) {
  if (Use<System>().MajorVersion() <= 5) return;
  SetWindowLongPtrW(dialog, GWL_EXSTYLE,
                    GetWindowLongPtrW(dialog, GWL_EXSTYLE) ^ WS_EX_CONTEXTHELP);
}

void LoggedOnUser(wchar_t* name, size_t units) {
  if (!name || units == 0) return;
  if (!Use<System>().UserName(name, static_cast<DWORD>(units))) {
    name[0] = L'\0';
    return;
  }
  name[units - 1] = L'\0';
  if (!IsPlainName(name)) CopyText(name, units, L"Unknown");
}

void RecordLengthLimits(DialogState& state, const LengthLimits& limits) {
  state.min_length = limits.minimum;
  state.max_length = limits.maximum;
}

void PreparePasscodeEdits(HWND dialog, const DialogState& state, EditFilter filter) {
  // EM_LIMITTEXT 0 would lift the limit instead of setting one.
  const auto limit = static_cast<WPARAM>(state.max_length > 0 ? state.max_length : 1);
  for (int id : {IDC_PASS, IDC_CONFIRM}) {
    SendDlgItemMessageW(dialog, id, EM_LIMITTEXT, limit, 0);
    InstallEditFilter(GetDlgItem(dialog, id), filter, {state.min_length, state.max_length});
  }
}

bool ConfirmPasscodes(HWND dialog, const DialogState& state, const wchar_t* word, size_t units,
                      bool empty_allowed, EditFilter filter) {
  std::wstring first(units, L'\0'), second(units, L'\0');
  GetDlgItemTextW(dialog, IDC_PASS, first.data(), static_cast<int>(units));
  GetDlgItemTextW(dialog, IDC_CONFIRM, second.data(), static_cast<int>(units));
  const int minimum = state.min_length, maximum = state.max_length;
  bool typable = true;
  for (const wchar_t* c = first.c_str(); *c; ++c)
    typable = typable && *c != 8 && AcceptsTyped(filter, *c);
  if (typable && PasscodesValid(first.c_str(), second.c_str(), minimum, maximum)) return true;
  if (empty_allowed && first[0] == L'\0' && second[0] == L'\0') return true;

  const ProfileReader& table = state.sheet.StringTable;
  const DialogSection section(word);
  wchar_t title[kTextUnits], message[kTextUnits];
  table.ReadText(section, texts::kInvalidPasscode, title);
  wchar_t text[260];
  if (minimum == maximum) {
    table.ReadText(section, texts::kInvalidPasscode2Msg, message);
    if (wcscmp(message, texts::kInvalidPasscode2Msg) == 0)
      table.ReadText(section, texts::kInvalidPasscodeMsg, message);
    FillNumbers(message, {minimum}, text);
  } else {
    table.ReadText(section, texts::kInvalidPasscodeMsg, message);
    FillNumbers(message, {minimum, maximum}, text);
  }
  Use<MessageBoxes>().Show(dialog, text, title, MB_ICONWARNING | MB_OK);
  return false;
}

}  // namespace kv
