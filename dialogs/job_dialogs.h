// What the three job dialogs (Print and Hold, Color Copies Setting, Job Accounting) share
// beyond the dialog frame.
#pragma once

#include <windows.h>

#include <cstddef>

#include "config/model_keys.h"
#include "dialogs/edit_filters.h"

namespace kv {

struct SheetContext;

// The templates ask for the title bar's help button; systems from version 6 on show help
// through the Help button alone, so the bit is toggled off there.
void HideTitleBarHelp(HWND dialog);

// The logged-on user's name for a user ID field of `units` units (names that do not fit
// leave it empty); "Unknown" for a name the printer would not take.
void LoggedOnUser(wchar_t* name, size_t units);

// The passcode (or password) length limits from the model profile's [Common] keys, each
// its row's default when absent, into the context, where the control-text pass and the length
// checks of the edit filters read them. The maximum is the usable one for a passcode kept in
// `field_length` characters (UsableMaxLength).
void ReadLengthLimits(SheetContext& context, const ModelKey& minimum, const ModelKey& maximum,
                      int field_length);

// Limits the two passcode (or password) edits 1020 and 1349 to the maximum length (at least
// 1) and gives them their filter.
void PreparePasscodeEdits(HWND dialog, const SheetContext& context, EditFilter filter);

// Compares the passcode (or password) edits 1020 and 1349, each read up to `units` - 1
// characters: equal, the first within the context's length limits and made only of what
// `filter` lets be typed (a paste by the edit's own menu or Shift+Insert passes no filter),
// or both empty when `empty_allowed`. Otherwise shows the dialog's warning (from the section
// of `word`) and answers false.
[[nodiscard]] bool ConfirmPasscodes(HWND dialog, SheetContext& context, const wchar_t* word,
                                    size_t units, bool empty_allowed, EditFilter filter);

// The sheet holds new settings: DESTROY reports them, and the host's sheet learns at once.
void MarkSheetChanged(SheetContext& context);

}  // namespace kv
