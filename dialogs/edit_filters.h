// Input filters of the restricted-input edits: the user ID and job name (name filter) and the
// passcodes (digit filter) of Print and Hold, the user ID (account ID filter) and passwords
// (account password filter) of Job Accounting. A filter subclasses its edit
// (SetWindowSubclass, one subclass and state per edit), refuses characters the printer would not
// accept (with the default beep), checks what Control+V would paste (a refused paste is dropped
// silently), and hands everything else to the edit's own procedure.
//
// The length-checking filters read the limits from the sheet context in the user data of the
// edit's dialog, so a dialog stores its context and its limits before installing them.
#pragma once

#include <windows.h>

namespace kv {

enum class EditFilter { kName, kDigits, kAccountId, kAccountPassword };

// Installs the filter on the edit; installing another replaces it.
void InstallEditFilter(HWND edit, EditFilter filter);

// The acceptance rules, without windows: a typed character, and one byte of a pasted block.
[[nodiscard]] bool AcceptsTyped(EditFilter filter, WPARAM character);
[[nodiscard]] bool AcceptsPastedByte(EditFilter filter, BYTE byte);

}  // namespace kv
