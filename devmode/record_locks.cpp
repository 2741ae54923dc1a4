#include "devmode/record_locks.h"

#include <winspool.h>

#include "config/driver_info.h"
#include "config/hold_codes.h"
#include "config/model_keys.h"
#include "platform/seam.h"
#include "platform/spooler.h"

namespace kv {
namespace {

// The printer's stored hard-disk selection, as the option tree keeps it: installed when
// not 0.
bool DiskSelected(HANDLE printer) {
  DWORD type = REG_NONE, value = 0, needed = 0;
  return Use<Spooler>().GetData(printer, L"HDD_SETTING", &type, reinterpret_cast<BYTE*>(&value),
                                sizeof value, &needed) == ERROR_SUCCESS &&
         type == REG_DWORD && value != 0;
}

// As the option tree decides whether to offer Print and Hold, without the host's own items.
ModelAbilities ReadAbilities(HANDLE printer, const wchar_t* profile) {
  ModelAbilities model;
  const int secure_print = ReadModelInt(profile, keys::kSecurePrint);
  const int printer_disk = ReadModelInt(profile, keys::kPrinterHdd);
  const int installed_disk = ReadModelInt(profile, keys::kInstalledHdd);
  model.secure = secure_print == 1;
  model.can_hold = OffersHold(secure_print, printer_disk, installed_disk,
                              [printer] { return DiskSelected(printer); });
  model.job_accounting = static_cast<int16_t>(ReadModelInt(profile, keys::kJobAccounting));
  return model;
}

}  // namespace

RecordLocks LocksFor(const ModelAbilities& model, const wchar_t* hold_word, bool job_accounting) {
  RecordLocks locks;
  locks.secure = model.secure;
  const int index = hold_word ? HoldIndexOfWord(hold_word) : -1;
  if (index == 0) {
    locks.hold_index = 0;
  } else if (index > 0 && model.can_hold) {
    // The secure list is Normal and Confidentional only.
    if (!model.secure)
      locks.hold_index = index;
    else if (index == kHoldConfidential)
      locks.hold_index = 1;
  }
  if (job_accounting) locks.job_accounting = model.job_accounting;
  return locks;
}

RecordLocks ReadRecordLocks(HANDLE printer, const Policy& policy) {
  if (!policy.HasEntries(policy::kHoldJobType) && !policy.HasEntries(policy::kJobAccounting))
    return {};
  const auto info = ReadDriverInfoAs<DRIVER_INFO_2W>(GetProcessHeap(), printer, 2);
  if (!info || !info.get()->pName) return {};
  const wchar_t* model = info.get()->pName;
  wchar_t hold_word[32] = {}, listed[8] = {};
  const bool hold = policy.ForModel(policy::kHoldJobType, model, hold_word, 32);
  const bool accounting = policy.ForModel(policy::kJobAccounting, model, listed, 8);
  if (!hold && !accounting) return {};
  wchar_t profile[kPathUnits];
  ModelProfileOf(info.get()->pDataFile, profile);
  const ModelAbilities abilities = profile[0] ? ReadAbilities(printer, profile) : ModelAbilities{};
  return LocksFor(abilities, hold ? hold_word : nullptr, accounting);
}

int16_t LockedHoldMode(const RecordLocks& locks, int16_t code) {
  if (!locks.HoldLocked() || ChoiceForCode(locks.secure, code).index == locks.hold_index)
    return code;
  return static_cast<int16_t>(locks.secure ? locks.hold_index
                                           : EncodeHoldMode(locks.hold_index, 0));
}

void ApplyRecordLocks(const RecordLocks& locks, PrivateDevmode& record) {
  record.wHoldMode = LockedHoldMode(locks, record.wHoldMode);
  if (locks.job_accounting != 0) record.wJobAccounting = locks.job_accounting;
}

}  // namespace kv
