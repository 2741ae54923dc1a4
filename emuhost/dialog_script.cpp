#include "emuhost/dialog_script.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <iterator>

#include "emuhost/message_box_answerer.h"
#include "emuhost/modal_driver.h"
#include "emuhost/report.h"
#include "resources/dialog_ids.h"

namespace emuhost {
namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix, std::wstring& rest) {
  const size_t n = wcslen(prefix);
  if (text.compare(0, n, prefix) != 0) return false;
  rest = text.substr(n);
  return true;
}

// "ID=VALUE" or "ID".
bool SplitId(const std::wstring& rest, int& id, std::wstring& value, bool value_wanted) {
  const size_t equals = rest.find(L'=');
  const std::wstring number = rest.substr(0, equals);
  if (number.empty() || number.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
  id = _wtoi(number.c_str());
  if (value_wanted != (equals != std::wstring::npos)) return false;
  if (value_wanted) value = rest.substr(equals + 1);
  return true;
}

struct NamedKey {
  const wchar_t* name;
  UINT key;
  bool shift;
  wchar_t character;  // the character the key types, if any
};
constexpr NamedKey kNamedKeys[] = {
    {L"tab", VK_TAB, false, L'\t'},      {L"shift+tab", VK_TAB, true, L'\t'},
    {L"enter", VK_RETURN, false, L'\r'}, {L"space", VK_SPACE, false, L' '},
    {L"escape", VK_ESCAPE, false, 0x1B}, {L"up", VK_UP, false, 0},
    {L"down", VK_DOWN, false, 0},
};

// A message as the dialog's message loop hands it on: to the dialog manager first.
void Deliver(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND focus = GetFocus();
  HWND root = GetAncestor(dialog, GA_ROOT);
  MSG msg = {focus && (focus == root || IsChild(root, focus)) ? focus : dialog,
             message,
             wparam,
             lparam,
             0,
             {}};
  if (!IsDialogMessageW(root, &msg)) DispatchMessageW(&msg);
}

// One key pressed and let go, with Shift or Alt held while it is down.
void PressKey(HWND dialog, UINT key, bool shift, bool alt, wchar_t character) {
  BYTE state[256] = {}, kept[256] = {};
  GetKeyboardState(kept);
  std::copy(std::begin(kept), std::end(kept), std::begin(state));
  state[VK_SHIFT] = shift ? 0x80 : 0;
  state[VK_MENU] = alt ? 0x80 : 0;
  SetKeyboardState(state);
  const LPARAM context = alt ? (1 << 29) : 0;
  Deliver(dialog, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | context);
  if (character) Deliver(dialog, alt ? WM_SYSCHAR : WM_CHAR, character, 1 | context);
  Deliver(dialog, alt ? WM_SYSKEYUP : WM_KEYUP, key, 1 | context | (1u << 30) | (1u << 31));
  SetKeyboardState(kept);
}

}  // namespace

bool ParseActions(const std::vector<std::wstring>& words, std::vector<DialogAction>& actions,
                  std::wstring& error) {
  for (const auto& word : words) {
    DialogAction action = {};
    std::wstring rest;
    bool ok = true;
    if (word == L"ok" || word == L"cancel") {
      action.kind = DialogAction::Kind::kPress;
      action.id = word == L"ok" ? IDOK : IDCANCEL;
    } else if (StartsWith(word, L"press:", rest)) {
      action.kind = DialogAction::Kind::kPress;
      ok = SplitId(rest, action.id, action.text, false);
    } else if (StartsWith(word, L"select:", rest)) {
      action.kind = DialogAction::Kind::kSelect;
      ok = SplitId(rest, action.id, action.text, true) && !action.text.empty();
      action.number = _wtoi(action.text.c_str());
    } else if (StartsWith(word, L"type:", rest)) {
      action.kind = DialogAction::Kind::kType;
      ok = SplitId(rest, action.id, action.text, true);
    } else if (StartsWith(word, L"clear:", rest)) {
      action.kind = DialogAction::Kind::kClear;
      ok = SplitId(rest, action.id, action.text, false);
    } else if (StartsWith(word, L"check:", rest) || StartsWith(word, L"uncheck:", rest)) {
      action.kind = word[0] == L'c' ? DialogAction::Kind::kCheck : DialogAction::Kind::kUncheck;
      ok = SplitId(rest, action.id, action.text, false);
    } else if (StartsWith(word, L"key:", rest)) {
      action.kind = DialogAction::Kind::kKey;
      action.text = rest;
      bool known = rest.size() == 5 && rest.compare(0, 4, L"alt+") == 0 && iswalpha(rest[4]);
      for (const auto& named : kNamedKeys) known |= rest == named.name;
      ok = known;
    } else if (StartsWith(word, L"keys:", rest)) {
      action.kind = DialogAction::Kind::kKeys;
      action.text = rest;
    } else if (StartsWith(word, L"time:", rest)) {
      action.kind = DialogAction::Kind::kTime;
      int y = 0, mo = 0, d = 0, h = 0, mi = 0;
      ok = swscanf(rest.c_str(), L"%d-%d-%dT%d:%d", &y, &mo, &d, &h, &mi) == 5;
      action.time.wYear = static_cast<WORD>(y);
      action.time.wMonth = static_cast<WORD>(mo);
      action.time.wDay = static_cast<WORD>(d);
      action.time.wHour = static_cast<WORD>(h);
      action.time.wMinute = static_cast<WORD>(mi);
      action.text = rest;
    } else {
      ok = false;
    }
    if (!ok) {
      error = word;
      return false;
    }
    actions.push_back(action);
  }
  return true;
}

void Perform(HWND dialog, const DialogAction& action) {
  HWND control = GetDlgItem(dialog, action.id);
  const WPARAM command_id = static_cast<WPARAM>(action.id);
  switch (action.kind) {
    case DialogAction::Kind::kSelect:
      SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(action.number), 0);
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command_id, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(control));
      break;
    case DialogAction::Kind::kType:
      for (wchar_t c : action.text) {
        SendMessageW(control, WM_KEYDOWN, static_cast<WPARAM>(VkKeyScanW(c) & 0xFF), 1);
        SendMessageW(control, WM_CHAR, c, 1);
      }
      break;
    case DialogAction::Kind::kClear: SetWindowTextW(control, L""); break;
    case DialogAction::Kind::kCheck:
    case DialogAction::Kind::kUncheck:
      SendMessageW(control, BM_SETCHECK,
                   action.kind == DialogAction::Kind::kCheck ? BST_CHECKED : BST_UNCHECKED, 0);
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command_id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(control));
      break;
    case DialogAction::Kind::kTime: {
      SYSTEMTIME time = action.time;
      for (HWND picker : {GetDlgItem(dialog, IDC_HOLD_DATE), GetDlgItem(dialog, IDC_HOLD_TIME)})
        SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
      break;
    }
    case DialogAction::Kind::kPress:
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command_id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(control));
      break;
    case DialogAction::Kind::kKey:
      if (action.text.compare(0, 4, L"alt+") == 0) {
        const wchar_t letter = static_cast<wchar_t>(towlower(action.text[4]));
        PressKey(dialog, static_cast<UINT>(towupper(letter)), false, true, letter);
        break;
      }
      for (const auto& named : kNamedKeys)
        if (action.text == named.name)
          PressKey(dialog, named.key, named.shift, false, named.character);
      break;
    case DialogAction::Kind::kKeys:
      for (wchar_t c : action.text) {
        const SHORT scan = VkKeyScanW(c);
        PressKey(dialog, static_cast<UINT>(scan & 0xFF), (scan & 0x100) != 0, false, c);
      }
      break;
  }
}

std::wstring Describe(const DialogAction& action) {
  const std::wstring id = std::to_wstring(action.id);
  switch (action.kind) {
    case DialogAction::Kind::kSelect:
      return L"choose entry " + std::to_wstring(action.number) + L" of " + id;
    case DialogAction::Kind::kType: return L"type \"" + action.text + L"\" into " + id;
    case DialogAction::Kind::kClear: return L"clear " + id;
    case DialogAction::Kind::kCheck: return L"tick " + id;
    case DialogAction::Kind::kUncheck: return L"clear the tick of " + id;
    case DialogAction::Kind::kTime: return L"set the print-at time to " + action.text;
    case DialogAction::Kind::kPress:
      return action.id == IDOK       ? L"press OK"
             : action.id == IDCANCEL ? L"press Cancel"
                                     : L"press " + id;
    case DialogAction::Kind::kKey: return L"key " + action.text;
    case DialogAction::Kind::kKeys: return L"keys \"" + action.text + L"\"";
  }
  return L"";
}

std::wstring DescribeDialog(HWND dialog) {
  std::wstring text = L"   \"" + TextOf(dialog) + L"\"\n";
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!(GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)) continue;
    const std::wstring kind = ClassOf(child);
    std::wstring line = L"     " + std::to_wstring(GetDlgCtrlID(child)) + L" " + kind;
    if (kind == L"ComboBox") {
      const LRESULT count = SendMessageW(child, CB_GETCOUNT, 0, 0);
      const LRESULT chosen = SendMessageW(child, CB_GETCURSEL, 0, 0);
      line += L" [";
      for (LRESULT i = 0; i < count; ++i) {
        wchar_t entry[256] = {};
        if (SendMessageW(child, CB_GETLBTEXTLEN, i, 0) < 256)
          SendMessageW(child, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
        line += (i ? L" | " : L"") + std::wstring(i == chosen ? L"*" : L"") + entry;
      }
      line += L"]";
    } else if (kind == L"SysDateTimePick32") {
      SYSTEMTIME time = {};
      SendMessageW(child, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
      wchar_t shown[64];
      swprintf(shown, 64, L" %04u-%02u-%02u %02u:%02u", time.wYear, time.wMonth, time.wDay,
               time.wHour, time.wMinute);
      line += shown;
    } else {
      line += L" \"" + TextOf(child) + L"\"";
      const LONG_PTR type = GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK;
      if (kind == L"Button" && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX))
        line += SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? L" ticked" : L" not ticked";
    }
    if (!IsWindowEnabled(child)) line += L" (disabled)";
    if (GetFocus() == child || IsChild(child, GetFocus())) line += L" (focus)";
    text += line + L"\n";
  }
  return text;
}

namespace {

// The actions played, with the message boxes `answer` saw since it was put in place.
bool PlayOn(HWND dialog, const std::vector<DialogAction>& actions,
            const std::function<void(const std::wstring&)>& log, const MessageBoxAnswerer& answer) {
  const auto show = [&] {
    std::wstring text = DescribeDialog(dialog);
    if (!text.empty() && text.back() == L'\n') text.pop_back();
    log(L"   the dialog shows:");
    log(text);
  };
  show();
  size_t boxes = 0;
  for (const auto& action : actions) {
    log(L"   > " + Describe(action));
    Perform(dialog, action);
    for (; boxes < answer.seen.size(); ++boxes) log(L"   message box: " + answer.seen[boxes]);
    if (!IsWindowVisible(dialog)) {
      log(L"   the dialog closed");
      return false;
    }
  }
  show();
  return true;
}

}  // namespace

bool PlayShown(HWND dialog, const std::vector<DialogAction>& actions,
               const std::function<void(const std::wstring&)>& log) {
  MessageBoxAnswerer answer(IDOK);
  return PlayOn(dialog, actions, log, answer);
}

size_t PlayDialog(const std::function<void()>& open, const std::vector<DialogAction>& actions,
                  const std::function<void(const std::wstring&)>& log) {
  MessageBoxAnswerer answer(IDOK);
  ModalDriver driver([&](HWND dialog) {
    if (!PlayOn(dialog, actions, log, answer)) return;
    log(L"   > press Cancel (the script has ended)");
    Perform(dialog, DialogAction{DialogAction::Kind::kPress, IDCANCEL});
  });
  open();
  return driver.driven().size();
}

}  // namespace emuhost
