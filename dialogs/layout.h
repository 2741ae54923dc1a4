// What the plug-in's dialogs and pages share for their layout: the dialog's tooltip window,
// showing, hiding and moving a control while the tooltip area of a static text follows it,
// and enabling controls one by one or from a list.
#pragma once

#include <windows.h>

namespace kv {

// A control list is a sequence of control ids ended by 0.
using ControlList = const int*;

enum class Visibility { kHide = 0, kShow = 1, kUnchanged = -1 };

// The tooltip control of `dialog`, owned by it (it goes when the dialog goes); null if it
// cannot be made. Mirrored on right-to-left systems.
[[nodiscard]] HWND CreateTooltipWindow(HWND dialog);

// Moves the control by `offset` (when given) and shows or hides it. A static text's tooltip
// area (its tool in the dialog's `tooltip` window) follows: the control's rectangle while it
// shows, empty while it is hidden. A control the dialog does not have is left alone.
void ShowControl(HWND dialog, int id, Visibility show, const POINT* offset, HWND tooltip);
void ShowControlList(HWND dialog, ControlList ids, Visibility show, const POINT* offset,
                     HWND tooltip);

void EnableControl(HWND dialog, int id, bool enable);
void EnableControlList(HWND dialog, ControlList ids, bool enable);

// Centres the dialog over its owner's window, keeping its size.
void CentreOnParent(HWND dialog);

// Whether the window's class, upper-cased, contains "STATIC".
[[nodiscard]] bool IsStaticText(HWND control);

// The control's window rectangle in the dialog's client coordinates.
[[nodiscard]] RECT RectInDialog(HWND dialog, HWND control);

}  // namespace kv
