// The Print and Hold job types as the private record keeps them: shared by the dialog and by
// the locks a machine policy sets on the record.
#pragma once

#include <cstdint>

namespace kv {

// A job type: its index in the variant's list (-1: none of the list) and the store flag
// ("Store Print Job" or "Store in Public").
struct HoldChoice {
  int index;
  int store;
};

constexpr int kStandardJobTypes = 6;  // Normal, Proof, Confidentional, Store, Spool, Delay
constexpr int kSecureJobTypes = 2;    // Normal, Confidentional
constexpr int kHoldConfidential = 2;
constexpr int kHoldStore = 3;
constexpr int kHoldDelay = 5;

// The standard variant's code: index × 2 + store flag for indexes 0 to 3; 8 for Spool and 9
// for Delay, which have no store flag.
[[nodiscard]] int16_t EncodeHoldMode(int index, int store);
// The standard variant's choice for a stored code; an index outside the list for codes that
// no choice gives.
[[nodiscard]] HoldChoice DecodeHoldMode(int16_t code);
// The choice for a stored code in either variant (the secure variant's code is its index).
[[nodiscard]] HoldChoice ChoiceForCode(bool secure, int16_t code);
// Whether the index lies in the variant's list.
[[nodiscard]] bool InHoldList(bool secure, int index);

// Whether the model offers Print and Hold: the secure variant always; otherwise a hard disk,
// built in (the model has no disk option) or fitted as the printer is set up. `disk_fitted`
// is asked only when the model has a disk option.
template <class DiskFitted>
[[nodiscard]] bool OffersHold(int secure_print, int printer_disk, int installed_disk,
                              DiskFitted disk_fitted) {
  return secure_print != 0 || (printer_disk == 0 && installed_disk != 0) ||
         (printer_disk != 0 && disk_fitted());
}

// The standard list's index of a job type's word in a policy ("Normal", "Proof",
// "Confidential", "Store", "Spool", "Delay"; any case); -1 for any other word.
[[nodiscard]] int HoldIndexOfWord(const wchar_t* word);

}  // namespace kv
