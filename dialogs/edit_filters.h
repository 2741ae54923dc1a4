// Input filters of the restricted-input edits: the user ID and job name (name filter) and the
// passcodes (digit filter) of Print and Hold, the user ID (account ID filter) and passwords
// (account password filter) of Job Accounting. A filter subclasses its edit
// (SetWindowSubclass, one subclass and state per edit), refuses characters the printer would not
// accept (with the default beep), checks what Control+V would paste (a refused paste is dropped
// silently), and hands everything else to the edit's own procedure.
//
// The passcode filters also refuse a paste whose length lies outside the limits they were
// installed with.
#pragma once

#include <windows.h>

namespace kv {

enum class EditFilter { kName, kDigits, kAccountId, kAccountPassword };

// The length limits of a passcode (or password): the passcode filters refuse a paste of
// another length; the name filters do not check lengths.
struct LengthLimits {
  int minimum = 0;
  int maximum = 0;
};

// Installs the filter on the edit; installing another replaces it.
void InstallEditFilter(HWND edit, EditFilter filter, LengthLimits limits = {});

// The acceptance rules, without windows: a typed character, and one byte of a pasted block.
[[nodiscard]] bool AcceptsTyped(EditFilter filter, WPARAM character);
[[nodiscard]] bool AcceptsPastedByte(EditFilter filter, BYTE byte);

}  // namespace kv
