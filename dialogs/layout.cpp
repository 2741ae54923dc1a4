#include "dialogs/layout.h"

#include <commctrl.h>

#include <cwchar>
#include <cwctype>

#include "platform/language.h"
#include "platform/module.h"

namespace kv {
namespace {

constexpr DWORD kTooltipStyle = WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX;

// The static text's tool, as the control-text pass added it: owned by the dialog, keyed by
// the control id.
void SetToolRect(HWND tooltip, HWND dialog, int id, const RECT& rect) {
  if (!tooltip) return;
  TOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = dialog;
  tool.uId = static_cast<UINT_PTR>(id);
  tool.rect = rect;
  SendMessageW(tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

HWND CreateTooltipWindow(HWND dialog) {
  INITCOMMONCONTROLSEX classes = {sizeof classes, 0xFF};
  InitCommonControlsEx(&classes);
  HWND tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, kTooltipStyle,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog,
                                 nullptr, ThisModule(), nullptr);
  if (!tooltip) return nullptr;
  if (IsRtlSystemLanguage())
    SetWindowLongPtrW(tooltip, GWL_EXSTYLE,
                      GetWindowLongPtrW(tooltip, GWL_EXSTYLE) ^ WS_EX_LAYOUTRTL);
  SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return tooltip;
}

void CentreOnParent(HWND dialog) {
  HWND parent = GetParent(dialog);
  RECT outer = {}, own = {};
  if (!parent || !GetWindowRect(parent, &outer) || !GetWindowRect(dialog, &own)) return;
  const int width = own.right - own.left, height = own.bottom - own.top;
  SetWindowPos(dialog, nullptr, outer.left + (outer.right - outer.left - width) / 2,
               outer.top + (outer.bottom - outer.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsStaticText(HWND control) {
  wchar_t name[64] = {};
  if (GetClassNameW(control, name, 64) <= 0) return false;
  for (wchar_t* c = name; *c; ++c) *c = static_cast<wchar_t>(towupper(*c));
  return wcsstr(name, L"STATIC") != nullptr;
}

RECT RectInDialog(HWND dialog, HWND control) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  // Two points map as a rectangle, which keeps left < right in a mirrored dialog.
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void ShowControl(HWND dialog, int id, Visibility show, const POINT* offset, HWND tooltip) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return;
  if (offset) {
    const RECT rect = RectInDialog(dialog, control);
    MoveWindow(control, rect.left + offset->x, rect.top + offset->y, rect.right - rect.left,
               rect.bottom - rect.top, TRUE);
  }
  const bool is_static = IsStaticText(control);
  if (show == Visibility::kShow) {
    ShowWindow(control, SW_SHOW);
    if (is_static) SetToolRect(tooltip, dialog, id, RectInDialog(dialog, control));
  } else if (show == Visibility::kHide) {
    ShowWindow(control, SW_HIDE);
    if (is_static) SetToolRect(tooltip, dialog, id, RECT{0, 0, 0, 0});
  }
}

void ShowControlList(HWND dialog, ControlList ids, Visibility show, const POINT* offset,
                     HWND tooltip) {
  for (; ids && *ids != 0; ++ids) ShowControl(dialog, *ids, show, offset, tooltip);
}

void EnableControl(HWND dialog, int id, bool enable) {
  if (HWND control = GetDlgItem(dialog, id)) EnableWindow(control, enable ? TRUE : FALSE);
}

void EnableControlList(HWND dialog, ControlList ids, bool enable) {
  for (; ids && *ids != 0; ++ids) EnableControl(dialog, *ids, enable);
}

}  // namespace kv
