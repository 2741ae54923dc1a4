// The printer's installable options from the standard MIBs it serves:
// - trays: the Printer MIB's input table (prtInputType, 1.3.6.1.2.1.43.8.2.1.2). Every input
//   but manual feeds counts; the inputs beyond the first are trays 2, 3 and 4;
// - duplex: the Printer MIB's media path table (prtMediaPathType, 1.3.6.1.2.1.43.13.4.1.9):
//   a long-edge (3) or short-edge (4) binding duplex path;
// - hard disk: the Host Resources MIB, a device of type hrDeviceDiskStorage
//   (hrDeviceType, 1.3.6.1.2.1.25.3.2.1.2) or a storage of type hrStorageFixedDisk
//   (hrStorageType, 1.3.6.1.2.1.25.2.3.1.2);
// - finisher: the Finisher MIB's device table (finDevicePresentOnOff,
//   1.3.6.1.2.1.43.30.1.1.3): a device that is not notPresent (5).
// A column the printer does not serve leaves its answer negative (no answer); a column it
// serves without the feature answers 0.
#pragma once

#include <cstdint>

#include "companion/snmp_client.h"

namespace kv::snmp {

// Rows walked per column at most: more, and the column counts as not answered.
constexpr size_t kMaxRows = 64;

struct Asked {
  bool trays = false, duplex = false, disk = false, finisher = false;
};

struct Answers {
  int16_t tray_code = -1;  // 0 none, 1 tray 2, 3 trays 2-3, 4 trays 2-4
  int16_t duplex = -1;
  int16_t disk = -1;
  int16_t finisher = -1;
};

// The tray code of the extra trays a printer has beyond its first.
int16_t TrayCode(size_t extra_trays);

Answers AskPrinter(MibSource& source, const Asked& asked);

}  // namespace kv::snmp
