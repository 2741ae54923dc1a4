// The rules of Print and Hold, apart from its window: the job-type code kept in the private
// record, which controls each job type shows, the passcode check, the name check and the
// print-at time text.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "config/hold_codes.h"

namespace kv {

enum class Enabling { kUnchanged, kEnable, kDisable };

// What the dialog shows for a choice.
struct HoldLayout {
  bool store_box;      // 1169 "Store Print Job"
  bool public_box;     // 1000 "Store in Public"
  bool checks_follow;  // both check boxes take the store flag
  bool print_at;       // the print-at label and pickers
  bool passcode;       // the passcode rows
  Enabling passcode_enabling;
  bool exact_hints;  // 1019, 1021: the limits are equal
  bool range_hints;  // 1353, 1354: the limits differ
};

[[nodiscard]] HoldLayout LayoutFor(bool secure, HoldChoice choice, int min_length, int max_length);

// The longest passcode each place keeps: the standard variant's szHoldPIN (8 units, all of
// them usable), the secure variant's szHoldPassword (20), and Job Accounting's password in
// the printer data (32 characters and a terminator).
constexpr int kPinLength = 8;
constexpr int kSecurePasswordLength = 20;
constexpr int kAccountPasswordLength = 32;

[[nodiscard]] constexpr int HoldPasscodeLength(bool secure) {
  return secure ? kSecurePasswordLength : kPinLength;
}

// The longest passcode a dialog takes for a model's maximum: never more than the passcode's
// field keeps (a longer one would be stored cut, under a code the user never typed), and at
// least 1 (an edit limit of 0 lifts the limit, and no passcode could then be valid).
[[nodiscard]] int UsableMaxLength(int model_maximum, int field_length);

// Whether the choice asks for a passcode on OK.
[[nodiscard]] bool NeedsPasscode(bool secure, HoldChoice choice);

// The two passcodes are equal and the first is min_length to max_length characters long.
[[nodiscard]] bool PasscodesValid(const wchar_t* first, const wchar_t* second, int min_length,
                                  int max_length);

// A user ID or job name the printer takes: no character above 127, no "/" and no "\".
[[nodiscard]] bool IsPlainName(const wchar_t* text);

// "year:month:day:hour:minute" of a date and a time.
void FormatHoldTime(const SYSTEMTIME& date, const SYSTEMTIME& time, wchar_t* text, size_t units);
// The stored text read into `time` (which keeps its day of the week and milliseconds);
// numbers that are missing read as 0. False when the result is no valid date and time.
[[nodiscard]] bool ParseHoldTime(const wchar_t* text, SYSTEMTIME& time);

}  // namespace kv
