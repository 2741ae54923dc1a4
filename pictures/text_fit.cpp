#include "pictures/text_fit.h"

#include <commctrl.h>

namespace pictures {
namespace {

// Room that the controls' own drawing takes beside the text, in pixels.
constexpr int kButtonMargin = 8;      // a push button's edges and focus rectangle
constexpr int kGroupMargin = 16;      // the frame's corners and the gaps around the title
constexpr int kComboArrowMargin = 8;  // around the drop-down arrow

class ControlDc {
 public:
  explicit ControlDc(HWND control) : control_(control), dc_(GetDC(control)) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    old_ = SelectObject(dc_, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  }
  ~ControlDc() {
    SelectObject(dc_, old_);
    ReleaseDC(control_, dc_);
  }
  ControlDc(const ControlDc&) = delete;
  ControlDc& operator=(const ControlDc&) = delete;

  // The text's extent when drawn with `flags` into `width` pixels (0: one unbounded line).
  SIZE Measure(const std::wstring& text, UINT flags, int width) const {
    RECT rect = {0, 0, width > 0 ? width : 0x7FFF, 0};
    DrawTextW(dc_, text.c_str(), -1, &rect, flags | DT_CALCRECT);
    return SIZE{rect.right, rect.bottom};
  }

 private:
  HWND control_;
  HDC dc_;
  HGDIOBJ old_;
};

std::wstring Report(HWND control, const std::wstring& text, SIZE need, SIZE room) {
  return L"control " + std::to_wstring(GetDlgCtrlID(control)) + L" \"" + text + L"\": needs " +
         std::to_wstring(need.cx) + L"x" + std::to_wstring(need.cy) + L", has " +
         std::to_wstring(room.cx) + L"x" + std::to_wstring(room.cy);
}

std::wstring TextOf(HWND control) {
  wchar_t text[1024] = {};
  GetWindowTextW(control, text, 1024);
  return text;
}

void CheckStatic(HWND control, SIZE room, std::vector<std::wstring>& clipped) {
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  const LONG_PTR type = style & SS_TYPEMASK;
  if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP &&
      type != SS_SIMPLE)
    return;
  std::wstring text = TextOf(control);
  // Blank lines at the end show nothing, so they need no room.
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  if (text.empty()) return;
  const bool wraps = type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE;
  const UINT flags =
      (wraps ? DT_WORDBREAK : DT_SINGLELINE) | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
  const SIZE need = ControlDc(control).Measure(text, flags, wraps ? room.cx : 0);
  if (need.cx > room.cx || need.cy > room.cy) clipped.push_back(Report(control, text, need, room));
}

void CheckButton(HWND control, SIZE room, std::vector<std::wstring>& clipped) {
  const LONG_PTR kind = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  const std::wstring text = TextOf(control);
  if (text.empty()) return;
  int beside = kButtonMargin;
  if (kind == BS_GROUPBOX)
    beside = kGroupMargin;
  else if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
           kind == BS_AUTORADIOBUTTON || kind == BS_3STATE || kind == BS_AUTO3STATE)
    beside = GetSystemMetrics(SM_CXMENUCHECK) + 4;
  SIZE need = ControlDc(control).Measure(text, DT_SINGLELINE, 0);
  need.cx += beside;
  // A group box's title sits on its top edge: only its width is bounded.
  if (need.cx > room.cx || (kind != BS_GROUPBOX && need.cy > room.cy))
    clipped.push_back(Report(control, text, need, room));
}

void CheckCombo(HWND control, SIZE room, std::vector<std::wstring>& clipped) {
  COMBOBOXINFO info = {sizeof info};
  int text_room = room.cx - GetSystemMetrics(SM_CXVSCROLL) - kComboArrowMargin;
  if (GetComboBoxInfo(control, &info)) text_room = info.rcItem.right - info.rcItem.left;
  const ControlDc dc(control);
  const LRESULT count = SendMessageW(control, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(control, CB_GETLBTEXTLEN, i, 0);
    if (length <= 0) continue;
    std::wstring item(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<size_t>(length));
    const SIZE need = dc.Measure(item, DT_SINGLELINE | DT_NOPREFIX, 0);
    if (need.cx > text_room)
      clipped.push_back(Report(control, item, need, SIZE{text_room, room.cy}));
  }
}

void CheckControl(HWND control, std::vector<std::wstring>& clipped) {
  RECT client = {};
  GetClientRect(control, &client);
  const SIZE room = {client.right, client.bottom};
  wchar_t name[64] = {};
  GetClassNameW(control, name, 64);
  if (_wcsicmp(name, L"Static") == 0)
    CheckStatic(control, room, clipped);
  else if (_wcsicmp(name, L"Button") == 0)
    CheckButton(control, room, clipped);
  else if (_wcsicmp(name, L"ComboBox") == 0)
    CheckCombo(control, room, clipped);
}

}  // namespace

std::vector<std::wstring> ClippedTexts(HWND dialog) {
  std::vector<std::wstring> clipped;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsWindowVisible(child)) CheckControl(child, clipped);
  return clipped;
}

std::vector<std::wstring> ClippedTextsOf(HWND control) {
  std::vector<std::wstring> clipped;
  CheckControl(control, clipped);
  return clipped;
}

}  // namespace pictures
