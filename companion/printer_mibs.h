// The printer's installable options from the standard MIBs it serves:
// - trays: the Printer MIB's input table, prtInputType (1.3.6.1.2.1.43.8.2.1.2) and
//   prtInputStatus (1.3.6.1.2.1.43.8.2.1.11), counted by TrayCodeOfInputs below. The statuses
//   are walked only when some input is a sheet-fed tray, and matched to the types by row index
//   (the name past the column). A status column the printer does not serve, or an input
//   without a status row, is status 0 (the printer does not say); a status column that fails
//   leaves the trays unanswered, since an unavailable tray would be counted;
// - duplex: the Printer MIB's media path table (prtMediaPathType, 1.3.6.1.2.1.43.13.4.1.9):
//   a long-edge (3) or short-edge (4) binding duplex path;
// - hard disk: the Host Resources MIB's disk media (hrDiskStorageMedia,
//   1.3.6.1.2.1.25.3.6.1.2) where the printer serves it: a disk of media hardDisk (3); a RAM
//   disk (8) or any other medium is no hard disk. Where the printer does not serve it: a
//   device of type hrDeviceDiskStorage (hrDeviceType, 1.3.6.1.2.1.25.3.2.1.2) or a storage of
//   type hrStorageFixedDisk (hrStorageType, 1.3.6.1.2.1.25.2.3.1.2). A media column that fails
//   leaves the disk unanswered: a disk device may be a RAM disk;
// - finisher: the Finisher MIB's device table (finDevicePresentOnOff,
//   1.3.6.1.2.1.43.30.1.1.3): a device that is not notPresent (5).
// A column the printer does not serve leaves its answer negative (no answer); a column it
// serves without the feature answers 0. A column that fails (no reply, an error status, more
// than kMaxRows rows) or holds a value of a wrong type leaves its answer negative too.
#pragma once

#include <cstdint>
#include <vector>

#include "companion/snmp_client.h"

namespace kv::snmp {

// Rows walked per column at most: more, and the column counts as not answered.
constexpr size_t kMaxRows = 64;

struct Asked {
  bool trays = false, duplex = false, disk = false, finisher = false;
  bool mp_tray = false;  // the model has a multi-purpose tray (the record's "SupportMpTray")
};

struct Answers {
  int16_t tray_code = -1;  // 0 none, 1 tray 2, 3 trays 2-3, 4 trays 2-4
  int16_t duplex = -1;
  int16_t disk = -1;
  int16_t finisher = -1;
};

// The four fields by index, in the order above: trays, duplex, hard disk, finisher.
constexpr int kFields = 4;
inline int16_t& AnswerAt(Answers& answers, int index) {
  int16_t* fields[kFields] = {&answers.tray_code, &answers.duplex, &answers.disk,
                              &answers.finisher};
  return *fields[index];
}
inline bool AskedAt(const Asked& asked, int index) {
  const bool fields[kFields] = {asked.trays, asked.duplex, asked.disk, asked.finisher};
  return fields[index];
}

// The tray code of the extra trays a printer has beyond its first.
int16_t TrayCode(size_t extra_trays);

// The Printer MIB's input types (PrtInputTypeTC), which IPP's "printer-input-tray" names too.
enum InputType : int64_t {
  kInputOther = 1,
  kInputUnknown = 2,
  kInputAutoRemovableTray = 3,
  kInputAutoNonRemovableTray = 4,
  kInputManual = 5,
  kInputRoll = 6,
  kInputFanFold = 7,
};

// One paper input as the printer reports it: its type and its status (PrtSubUnitStatusTC:
// 0 when the printer does not say).
struct Input {
  int64_t type = kInputOther;
  int64_t status = 0;
};

// The tray code of the paper trays the printer has fitted. Only sheet-fed trays count
// (removable or not) that are not reported unavailable (status 1, on request, or 3, broken,
// in the low three bits); manual feeds, rolls, fan-fold, other and unknown inputs do not.
// A model with a multi-purpose tray (the status record's "SupportMpTray") has it reported as
// the manual feed or, when the printer reports no manual feed, as its first non-removable
// sheet-fed tray, which is then left out too. The trays beyond the first are the extra ones.
// Negative (no answer) when a tray that would count has a status outside 0 to 126: no status
// the printer can give, so the tray may as well be unavailable.
int16_t TrayCodeOfInputs(const std::vector<Input>& inputs, bool model_has_mp_tray);

Answers AskPrinter(MibSource& source, const Asked& asked);

}  // namespace kv::snmp
