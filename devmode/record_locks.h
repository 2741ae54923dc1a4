// Defaults an administrator locks per model by machine policy (platform/policy.h). A lock
// holds wherever the private record is made or merged, not only in the dialogs: saved
// preferences, a print server's defaults and programs printing with a stored record all pass
// through the DevMode operations. A lock never asks for what the model or printer cannot do.
#pragma once

#include <windows.h>

#include <cstdint>

#include "devmode/private_devmode.h"
#include "platform/policy.h"

namespace kv {

// What the model and the printer can do, from the model profile and the printer's data.
struct ModelAbilities {
  bool secure = false;         // the secure Print and Hold variant (Normal, Confidentional)
  bool can_hold = false;       // Print and Hold is offered: secure print, or a hard disk
  int16_t job_accounting = 0;  // the model's job accounting setting; 0: none offered
};

struct RecordLocks {
  int hold_index = -1;  // the locked job type's index in the model's list; -1: not locked
  bool secure = false;
  int16_t job_accounting = 0;  // the value kept in the record; 0: not locked

  [[nodiscard]] bool HoldLocked() const { return hold_index >= 0; }
};

// The locks the policy's words give a model: `hold_word` the job type's word (null: none
// set), `job_accounting` whether the model is in the job accounting list. A job type the
// model's list lacks, or one that holds jobs on a printer that cannot, is no lock; "Normal"
// always is.
[[nodiscard]] RecordLocks LocksFor(const ModelAbilities& model, const wchar_t* hold_word,
                                   bool job_accounting);

// The locks the policy sets for the printer's driver, by the driver's name.
[[nodiscard]] RecordLocks ReadRecordLocks(HANDLE printer, const Policy& policy);

// A stored job-type code with the lock applied.
[[nodiscard]] int16_t LockedHoldMode(const RecordLocks& locks, int16_t code);

// The record with its locked fields set; a job type already locked keeps its store flag.
void ApplyRecordLocks(const RecordLocks& locks, PrivateDevmode& record);

}  // namespace kv
