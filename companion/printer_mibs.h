// The printer's installable options from the standard MIBs it serves. Each field is answered
// only on evidence; what the columns served do not decide is no answer:
// - trays: the Printer MIB's input table: prtInputType (1.3.6.1.2.1.43.8.2.1.2), and, when
//   some input may be a tray, prtInputMaxCapacity (.9) and prtInputName (.13, or
//   prtInputDescription, .18, where the names are not served), rows matched by their index
//   (the name past the column), counted by CodesOfInputs (paper_inputs.h);
// - duplex: the Printer MIB's media path table (prtMediaPathType, 1.3.6.1.2.1.43.13.4.1.9):
//   1 for a long-edge (3) or short-edge (4) binding duplex path, else 0;
// - hard disk: the Host Resources MIB's disk table (hrDiskStorageMedia,
//   1.3.6.1.2.1.25.3.6.1.2, with hrDiskStorageRemovable, .3): 1 for a fixed disk of media
//   hardDisk (3), 0 only when every row is a RAM disk, floppy or optical disk. Where the disk
//   table is not served: 1 for a device of type hrDeviceDiskStorage (hrDeviceType,
//   1.3.6.1.2.1.25.3.2.1.2) whose description (.3) does not say RAM, or a storage of type
//   hrStorageFixedDisk (hrStorageType, 1.3.6.1.2.1.25.2.3.1.2) whose description (.3) names a
//   disk; never 0, since printers that ship with a disk may show no disk row at all;
// - finisher: the Finisher MIB's device table (finDevicePresentOnOff,
//   1.3.6.1.2.1.43.30.1.1.3): 1 for a device that is not notPresent (5), else 0.
// A column that fails (no reply in time, an error status, more than kMaxRows rows) leaves its
// field not reached; a column not served, or with a value of a wrong type, leaves it
// undecided. A walk cut off part way never answers from the rows it had.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "companion/paper_inputs.h"
#include "companion/snmp_client.h"

namespace kv::snmp {

// Rows walked per column at most: more, and the column counts as failed.
constexpr size_t kMaxRows = 64;

struct Asked {
  bool trays = false, duplex = false, disk = false, finisher = false;
  bool mp_tray = false;  // the model has a multi-purpose tray (the record's "SupportMpTray")
};

// A field's answer: 0 or more. Below 0 it is none, and says why.
constexpr int16_t kUndecided = -1;   // the printer serves nothing that decides the field
constexpr int16_t kNotReached = -2;  // the printer did not tell: no reply in time, an error

struct Answers {
  int16_t tray_code = kUndecided;  // 0: no tray 2; 1: tray 2; 3: trays 2-3; 4: trays 2-4
  int16_t duplex = kUndecided;
  int16_t disk = kUndecided;
  int16_t finisher = kUndecided;
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
// Whether a value is one a field can hold as an answer.
bool ValidAnswer(int index, int16_t value);

// What decided each field, for the person asking by hand (the support tool); may be null.
struct Reasons {
  std::string field[kFields];
};
inline std::string* ReasonAt(Reasons* reasons, int index) {
  return reasons ? &reasons->field[index] : nullptr;
}

Answers AskPrinter(MibSource& source, const Asked& asked, Reasons* reasons = nullptr);

}  // namespace kv::snmp
