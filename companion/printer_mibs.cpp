#include "companion/printer_mibs.h"

#include <vector>

namespace kv::snmp {
namespace {

constexpr char kInputType[] = "1.3.6.1.2.1.43.8.2.1.2";
constexpr char kMediaPathType[] = "1.3.6.1.2.1.43.13.4.1.9";
constexpr char kDeviceType[] = "1.3.6.1.2.1.25.3.2.1.2";
constexpr char kStorageType[] = "1.3.6.1.2.1.25.2.3.1.2";
constexpr char kFinisherPresent[] = "1.3.6.1.2.1.43.30.1.1.3";

constexpr char kDeviceDiskStorage[] = "1.3.6.1.2.1.25.3.1.6";
constexpr char kStorageFixedDisk[] = "1.3.6.1.2.1.25.2.1.4";
constexpr int64_t kSheetFeedManual = 5;
constexpr int64_t kLongEdgeDuplex = 3;
constexpr int64_t kShortEdgeDuplex = 4;
constexpr int64_t kNotPresent = 5;

// One column's verdict: negative when it could not be read or holds a value of a wrong type,
// else whether any row matched.
template <class Matches>
int16_t Column(MibSource& source, const char* column, uint8_t type, Matches matches) {
  std::vector<VarBind> rows;
  if (source.Walk(ParseOid(column), kMaxRows, rows) != Walked::kRows) return -1;
  int16_t found = 0;
  for (const VarBind& row : rows) {
    if (row.value.tag != type) return -1;
    if (matches(row.value)) found = 1;
  }
  return found;
}

int16_t TrayAnswer(MibSource& source) {
  std::vector<VarBind> rows;
  if (source.Walk(ParseOid(kInputType), kMaxRows, rows) != Walked::kRows) return -1;
  size_t trays = 0;
  for (const VarBind& row : rows) {
    if (row.value.tag != kTagInteger) return -1;
    if (row.value.number != kSheetFeedManual) ++trays;
  }
  return TrayCode(trays > 0 ? trays - 1 : 0);
}

int16_t DiskAnswer(MibSource& source) {
  const Oid disk_device = ParseOid(kDeviceDiskStorage);
  const int16_t device = Column(source, kDeviceType, kTagObjectId,
                                [&](const Value& v) { return v.oid == disk_device; });
  if (device == 1) return 1;
  const Oid fixed_disk = ParseOid(kStorageFixedDisk);
  const int16_t storage = Column(source, kStorageType, kTagObjectId,
                                 [&](const Value& v) { return v.oid == fixed_disk; });
  if (storage == 1) return 1;
  return device == 0 || storage == 0 ? 0 : -1;
}

}  // namespace

int16_t TrayCode(size_t extra_trays) {
  switch (extra_trays) {
    case 0: return 0;
    case 1: return 1;
    case 2: return 3;
    default: return 4;
  }
}

Answers AskPrinter(MibSource& source, const Asked& asked) {
  Answers answers;
  if (asked.trays) answers.tray_code = TrayAnswer(source);
  if (asked.duplex)
    answers.duplex = Column(source, kMediaPathType, kTagInteger, [](const Value& v) {
      return v.number == kLongEdgeDuplex || v.number == kShortEdgeDuplex;
    });
  if (asked.disk) answers.disk = DiskAnswer(source);
  if (asked.finisher)
    answers.finisher = Column(source, kFinisherPresent, kTagInteger,
                              [](const Value& v) { return v.number != kNotPresent; });
  return answers;
}

}  // namespace kv::snmp
