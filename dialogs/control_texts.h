// The one pass every dialog and page of the plug-in makes over its controls when it opens:
// each caption is replaced by its translation from the dialog's section of the string table,
// each control gets the tooltip the table has for it, and with the disable flag set the
// controls are disabled.
#pragma once

#include <windows.h>

namespace kv {

struct DialogState;

// Visits one control (an EnumChildWindows step; `lparam` is the DialogState whose window,
// template, word, limits, custom-paper flag and tooltip window are set).
// Always TRUE, so that every child is visited.
BOOL CALLBACK VisitControl(HWND control, LPARAM lparam);

// Visits every child of the dialog's window.
void TranslateControls(DialogState& state);

// Adds one tool for `control` to the tooltip window. A static text's tool belongs to the
// dialog and covers the text's rectangle (keyed by the text's window when it has the notify
// style, else by its id); any other control's tool is the control itself.
void AddTooltip(HWND dialog, HWND control, int id, HWND tooltip, const wchar_t* text);

}  // namespace kv
