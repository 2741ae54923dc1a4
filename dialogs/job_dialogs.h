// What the three job dialogs (Print and Hold, Color Copies Setting, Job Accounting) share
// beyond the dialog frame.
#pragma once

#include <windows.h>

#include <cstddef>

#include "dialogs/edit_filters.h"

namespace kv {

struct DialogState;

// The templates ask for the title bar's help button; systems from version 6 on show help
// through the Help button alone, so the bit is toggled off there.
void HideTitleBarHelp(HWND dialog);

// The logged-on user's name for a user ID field of `units` units (names that do not fit
// leave it empty); "Unknown" for a name the printer would not take.
void LoggedOnUser(wchar_t* name, size_t units);

// Records the passcode (or password) length limits in the dialog's state, where the
// control-text pass reads them for the hints; a dialog does this before its texts.
void RecordLengthLimits(DialogState& state, const LengthLimits& limits);

// Limits the two passcode (or password) edits 1020 and 1349 to the state's maximum length (at
// least 1) and gives them their filter, with the state's limits for a paste.
void PreparePasscodeEdits(HWND dialog, const DialogState& state, EditFilter filter);

// Compares the passcode (or password) edits 1020 and 1349, each read up to `units` - 1
// characters: equal, the first within the state's length limits and made only of what
// `filter` lets be typed (a paste by the edit's own menu or Shift+Insert passes no filter),
// or both empty when `empty_allowed`. Otherwise shows the dialog's warning (from the section
// of `word`) and answers false.
[[nodiscard]] bool ConfirmPasscodes(HWND dialog, const DialogState& state, const wchar_t* word,
                                    size_t units, bool empty_allowed, EditFilter filter);

}  // namespace kv
