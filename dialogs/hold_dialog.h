// Print and Hold: how the printer treats the job, with the user ID, job name, passcode and
// print-at time that go with it. Opened from the "Hold" push button of the document settings,
// whose callback loads what the dialog shows and stores what it confirms.
#pragma once

#include <windows.h>

#include "config/hold_codes.h"
#include "dialogs/edit_filters.h"

namespace kv {

struct SheetContext;

constexpr size_t kHoldUserIdUnits = 21;   // 20 characters and a terminator
constexpr size_t kHoldJobNameUnits = 65;  // 64 and a terminator
constexpr size_t kHoldPasscodeUnits = 21;
constexpr size_t kHoldTimeUnits = 128;

// What Print and Hold edits, and what the model and the machine's policy allow.
struct HoldSettings {
  bool secure = false;  // the secure variant: its own list of types, and a password
  LengthLimits passcode_limits;
  bool type_locked = false;  // a policy locks the type: the list shows it, disabled
  HoldChoice choice = {0, 0};
  wchar_t user_id[kHoldUserIdUnits] = {};
  wchar_t job_name[kHoldJobNameUnits] = {};
  wchar_t passcode[kHoldPasscodeUnits] = {};  // the confirmed one, when the type asks for it
  wchar_t time_text[kHoldTimeUnits] = {};     // "year:month:day:hour:minute"
};

// Shows Print and Hold over `owner` with `settings`. True when the user confirmed with OK:
// `settings` then hold the confirmed type (Normal when the list had no selection), the user ID
// and job name ("Unknown" and "Untitled" for an empty or unplain one), the passcode when the
// type asks for one, and the pickers' time for a delayed job of the standard variant.
bool EditHoldSettings(HWND owner, SheetContext& sheet, HoldSettings& settings);

}  // namespace kv
