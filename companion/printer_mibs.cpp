#include "companion/printer_mibs.h"

#include <algorithm>
#include <vector>

namespace kv::snmp {
namespace {

constexpr char kInputType[] = "1.3.6.1.2.1.43.8.2.1.2";
constexpr char kInputStatus[] = "1.3.6.1.2.1.43.8.2.1.11";
constexpr char kMediaPathType[] = "1.3.6.1.2.1.43.13.4.1.9";
constexpr char kDiskMedia[] = "1.3.6.1.2.1.25.3.6.1.2";
constexpr char kDeviceType[] = "1.3.6.1.2.1.25.3.2.1.2";
constexpr char kStorageType[] = "1.3.6.1.2.1.25.2.3.1.2";
constexpr char kFinisherPresent[] = "1.3.6.1.2.1.43.30.1.1.3";

constexpr char kDeviceDiskStorage[] = "1.3.6.1.2.1.25.3.1.6";
constexpr char kStorageFixedDisk[] = "1.3.6.1.2.1.25.2.1.4";
constexpr int64_t kMediaHardDisk = 3;
constexpr int64_t kLongEdgeDuplex = 3;
constexpr int64_t kShortEdgeDuplex = 4;
constexpr int64_t kNotPresent = 5;
constexpr int64_t kHighestSubUnitStatus = 126;

bool IsSheetFedTray(int64_t type) {
  return type == kInputAutoRemovableTray || type == kInputAutoNonRemovableTray;
}

// Whether any row matches: negative when a row holds a value of a wrong type.
template <class Matches>
int16_t AnyRow(const std::vector<VarBind>& rows, uint8_t type, Matches matches) {
  int16_t found = 0;
  for (const VarBind& row : rows) {
    if (row.value.tag != type) return -1;
    if (matches(row.value)) found = 1;
  }
  return found;
}

// One column's verdict: negative when it could not be read or holds a value of a wrong type,
// else whether any row matched.
template <class Matches>
int16_t Column(MibSource& source, const char* column, uint8_t type, Matches matches) {
  std::vector<VarBind> rows;
  if (source.Walk(ParseOid(column), kMaxRows, rows) != Walked::kRows) return -1;
  return AnyRow(rows, type, matches);
}

// A row's index: its name past the column.
Oid RowIndex(const Oid& column, const Oid& name) {
  return IsBelow(name, column) ? Oid(name.begin() + column.size(), name.end()) : Oid();
}

int16_t TrayAnswer(MibSource& source, bool model_has_mp_tray) {
  const Oid type_column = ParseOid(kInputType);
  std::vector<VarBind> rows;
  if (source.Walk(type_column, kMaxRows, rows) != Walked::kRows) return -1;
  std::vector<Input> inputs;
  std::vector<Oid> indexes;
  for (const VarBind& row : rows) {
    if (row.value.tag != kTagInteger) return -1;
    Input input;
    input.type = row.value.number;
    inputs.push_back(input);
    indexes.push_back(RowIndex(type_column, row.name));
  }
  // Without a sheet-fed tray no status can change the answer: spare the walk.
  if (std::none_of(inputs.begin(), inputs.end(),
                   [](const Input& i) { return IsSheetFedTray(i.type); }))
    return 0;

  const Oid status_column = ParseOid(kInputStatus);
  const Walked statuses = source.Walk(status_column, kMaxRows, rows);
  if (statuses == Walked::kFailed) return -1;
  if (statuses == Walked::kRows) {
    for (const VarBind& row : rows) {
      if (row.value.tag != kTagInteger) return -1;
      const auto input =
          std::find(indexes.begin(), indexes.end(), RowIndex(status_column, row.name));
      if (input != indexes.end()) inputs[input - indexes.begin()].status = row.value.number;
    }
  }
  return TrayCodeOfInputs(inputs, model_has_mp_tray);
}

int16_t DiskAnswer(MibSource& source) {
  std::vector<VarBind> media;
  const Walked walked = source.Walk(ParseOid(kDiskMedia), kMaxRows, media);
  if (walked == Walked::kRows)
    return AnyRow(media, kTagInteger, [](const Value& v) { return v.number == kMediaHardDisk; });
  if (walked == Walked::kFailed) return -1;

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

int16_t TrayCodeOfInputs(const std::vector<Input>& inputs, bool model_has_mp_tray) {
  bool mp_tray_left = model_has_mp_tray;
  for (const Input& input : inputs)
    if (input.type == kInputManual) mp_tray_left = false;
  size_t trays = 0;
  for (const Input& input : inputs) {
    if (!IsSheetFedTray(input.type)) continue;
    if (input.type == kInputAutoNonRemovableTray && mp_tray_left) {
      mp_tray_left = false;  // reported where the multi-purpose tray is, whatever its state
      continue;
    }
    // Masking a value out of range would read it as some availability it does not state.
    if (input.status < 0 || input.status > kHighestSubUnitStatus) return -1;
    const int64_t availability = input.status & 7;
    if (availability == 1 || availability == 3) continue;
    ++trays;
  }
  return TrayCode(trays > 0 ? trays - 1 : 0);
}

Answers AskPrinter(MibSource& source, const Asked& asked) {
  Answers answers;
  if (asked.trays) answers.tray_code = TrayAnswer(source, asked.mp_tray);
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
