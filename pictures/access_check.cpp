#include "pictures/access_check.h"

#include <oleacc.h>

#include <cwctype>
#include <map>

#include "emuhost/report.h"

namespace pictures {
namespace {

using emuhost::ClassOf;
using emuhost::TextOf;

enum class Kind { kOther, kLabel, kGroup, kPush, kCheck, kRadio, kInput, kUpDown, kLink };

LONG StyleOf(HWND window) { return static_cast<LONG>(GetWindowLongPtrW(window, GWL_STYLE)); }

bool IsTextStatic(LONG style) {
  switch (style & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP: return true;
    default: return false;
  }
}

Kind KindOf(HWND window) {
  const std::wstring name = ClassOf(window);
  const LONG style = StyleOf(window);
  if (_wcsicmp(name.c_str(), L"Button") == 0) {
    switch (style & BS_TYPEMASK) {
      case BS_GROUPBOX: return Kind::kGroup;
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON: return Kind::kRadio;
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_3STATE:
      case BS_AUTO3STATE: return Kind::kCheck;
      default: return Kind::kPush;
    }
  }
  if (_wcsicmp(name.c_str(), L"Static") == 0) {
    if (!IsTextStatic(style)) return Kind::kOther;
    return (style & SS_NOTIFY) ? Kind::kLink : Kind::kLabel;
  }
  for (const wchar_t* input : {L"Edit", L"ComboBox", L"ListBox", L"SysDateTimePick32",
                               L"msctls_trackbar32", L"SysListView32", L"SysTreeView32"})
    if (_wcsicmp(name.c_str(), input) == 0) return Kind::kInput;
  if (_wcsicmp(name.c_str(), L"msctls_updown32") == 0) return Kind::kUpDown;
  return Kind::kOther;
}

bool Shown(HWND window) { return IsWindowVisible(window) && IsWindowEnabled(window); }

std::wstring Describe(HWND window) {
  std::wstring text = TextOf(window);
  if (text.size() > 40) text = text.substr(0, 40) + L"...";
  return L"control " + std::to_wstring(GetDlgCtrlID(window)) + L" (" + ClassOf(window) +
         (text.empty() ? L"" : L" \"" + text + L"\"") + L")";
}

std::wstring WithoutMarker(const std::wstring& text) {
  std::wstring plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

bool HasText(const std::wstring& text) {
  for (wchar_t c : WithoutMarker(text))
    if (!iswspace(c)) return true;
  return false;
}

// The label the system's accessibility objects give a control: the static text found going
// back in tab order, unless a control that starts a group and is a tab stop comes first.
HWND LabelOf(HWND control) {
  for (HWND before = GetWindow(control, GW_HWNDPREV); before;
       before = GetWindow(before, GW_HWNDPREV)) {
    if (_wcsicmp(ClassOf(before).c_str(), L"Static") == 0 && IsTextStatic(StyleOf(before)))
      return before;
    if ((StyleOf(before) & (WS_GROUP | WS_TABSTOP)) == (WS_GROUP | WS_TABSTOP)) return nullptr;
  }
  return nullptr;
}

// The name the system's accessibility object of the control gives it; empty when it gives none.
std::wstring AccessibleName(HWND control) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::wstring result;
  IAccessible* object = nullptr;
  if (SUCCEEDED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&object))) &&
      object) {
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (object->get_accName(self, &name) == S_OK && name) result.assign(name, SysStringLen(name));
    SysFreeString(name);
    object->Release();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}

// A read-only edit shows a value the dialog keeps; the user reads it and acts elsewhere.
bool ReadOnlyEdit(HWND window) {
  return _wcsicmp(ClassOf(window).c_str(), L"Edit") == 0 && (StyleOf(window) & ES_READONLY);
}

bool ActedOn(Kind kind, HWND window) {
  if (kind == Kind::kInput) return !ReadOnlyEdit(window);
  return kind == Kind::kPush || kind == Kind::kCheck || kind == Kind::kRadio || kind == Kind::kLink;
}

bool CarriesMnemonic(Kind kind, HWND window) {
  if (kind == Kind::kLabel || kind == Kind::kLink) return !(StyleOf(window) & SS_NOPREFIX);
  return kind == Kind::kPush || kind == Kind::kCheck || kind == Kind::kRadio ||
         kind == Kind::kGroup;
}

}  // namespace

wchar_t MnemonicOf(const std::wstring& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != L'&') continue;
    if (text[i + 1] == L'&') {
      ++i;
      continue;
    }
    return static_cast<wchar_t>(towlower(text[i + 1]));
  }
  return 0;
}

std::vector<std::wstring> AccessFindings(HWND dialog) {
  std::vector<std::wstring> findings;
  std::vector<HWND> children;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  const bool mirrored = GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_LAYOUTRTL;

  // Reach: every shown control a user acts on is a tab stop; a group of radio buttons needs
  // one among them.
  bool radio_group_reached = false;
  HWND radio_group_first = nullptr;
  const auto close_radio_group = [&] {
    if (radio_group_first && !radio_group_reached)
      findings.push_back(Describe(radio_group_first) +
                         L": no button of its group is reached by Tab");
    radio_group_first = nullptr;
    radio_group_reached = false;
  };
  for (HWND child : children) {
    const Kind kind = KindOf(child);
    const LONG style = StyleOf(child);
    if (kind != Kind::kRadio || (style & WS_GROUP)) close_radio_group();
    if (!Shown(child) || !ActedOn(kind, child)) continue;
    if (kind == Kind::kRadio) {
      if (!radio_group_first) radio_group_first = child;
      radio_group_reached |= (style & WS_TABSTOP) != 0;
      continue;
    }
    if (!(style & WS_TABSTOP))
      findings.push_back(Describe(child) + L": a keyboard cannot reach it (no tab stop)");
  }
  close_radio_group();

  // Reading order: Tab never goes back up within a column, or back along a row.
  HWND previous = nullptr;
  RECT was = {};
  for (HWND child : children) {
    if (!Shown(child) || !(StyleOf(child) & WS_TABSTOP)) continue;
    RECT is = {};
    GetWindowRect(child, &is);
    // Screen coordinates, as the user sees them; a mirrored dialog reads from the right, so
    // its horizontal coordinates are turned round.
    if (mirrored) is = RECT{-is.right, is.top, -is.left, is.bottom};
    if (previous) {
      const bool above_in_same_column =
          is.bottom <= was.top && is.left < was.right && is.left <= was.left;
      const bool back_along_row =
          is.top < was.bottom && is.bottom > was.top && is.right <= was.left;
      if (above_in_same_column || back_along_row)
        findings.push_back(Describe(child) + L": Tab reaches it after " + Describe(previous) +
                           L", against the reading order");
    }
    previous = child;
    was = is;
  }

  // Mnemonics: no two shown controls share one; every check box and radio button carries
  // one, as does the label of each input Tab reaches (checked with the names below).
  std::map<wchar_t, HWND> taken;
  for (HWND child : children) {
    const Kind kind = KindOf(child);
    if (!IsWindowVisible(child) || !CarriesMnemonic(kind, child)) continue;
    const wchar_t mnemonic = MnemonicOf(TextOf(child));
    if ((kind == Kind::kCheck || kind == Kind::kRadio) && !mnemonic && HasText(TextOf(child)))
      findings.push_back(Describe(child) + L": no mnemonic");
    if (!mnemonic) continue;
    const auto [at, fresh] = taken.emplace(mnemonic, child);
    if (!fresh)
      findings.push_back(Describe(child) + L": mnemonic '" + std::wstring(1, mnemonic) +
                         L"' repeats that of " + Describe(at->second));
  }

  // Names: each shown input and up-down has the name its label gives it.
  for (HWND child : children) {
    const Kind kind = KindOf(child);
    if (!IsWindowVisible(child) || (kind != Kind::kInput && kind != Kind::kUpDown)) continue;
    if (kind == Kind::kUpDown && HasText(TextOf(child))) continue;
    HWND label = LabelOf(child);
    // An edit's accessibility object names it from its label itself, so it is asked too. Wine's
    // looks further back than Windows' does (past a group's first tab stop), so the rule holds
    // as well.
    if (_wcsicmp(ClassOf(child).c_str(), L"Edit") == 0 && !HasText(AccessibleName(child))) {
      findings.push_back(Describe(child) +
                         L": no accessible name (its accessibility object gives none)");
      continue;
    }
    if (!label || !HasText(TextOf(label))) {
      findings.push_back(Describe(child) +
                         L": no accessible name (no label before it in tab order)");
      continue;
    }
    // The label's mnemonic takes the user to the control; one Tab does not reach needs none.
    if (kind == Kind::kInput && (StyleOf(child) & WS_TABSTOP) && IsWindowVisible(label) &&
        !MnemonicOf(TextOf(label)))
      findings.push_back(Describe(child) + L": its label " + Describe(label) + L" has no mnemonic");
  }
  return findings;
}

}  // namespace pictures
