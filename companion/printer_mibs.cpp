#include "companion/printer_mibs.h"

#include <algorithm>
#include <vector>

namespace kv::snmp {
namespace {

constexpr char kInputType[] = "1.3.6.1.2.1.43.8.2.1.2";
constexpr char kInputMaxCapacity[] = "1.3.6.1.2.1.43.8.2.1.9";
constexpr char kInputName[] = "1.3.6.1.2.1.43.8.2.1.13";
constexpr char kInputDescription[] = "1.3.6.1.2.1.43.8.2.1.18";
constexpr char kMediaPathType[] = "1.3.6.1.2.1.43.13.4.1.9";
constexpr char kDiskMedia[] = "1.3.6.1.2.1.25.3.6.1.2";
constexpr char kDiskRemovable[] = "1.3.6.1.2.1.25.3.6.1.3";
constexpr char kDeviceType[] = "1.3.6.1.2.1.25.3.2.1.2";
constexpr char kDeviceDescription[] = "1.3.6.1.2.1.25.3.2.1.3";
constexpr char kStorageType[] = "1.3.6.1.2.1.25.2.3.1.2";
constexpr char kStorageDescription[] = "1.3.6.1.2.1.25.2.3.1.3";
constexpr char kFinisherPresent[] = "1.3.6.1.2.1.43.30.1.1.3";

constexpr char kDeviceDiskStorage[] = "1.3.6.1.2.1.25.3.1.6";
constexpr char kStorageFixedDisk[] = "1.3.6.1.2.1.25.2.1.4";
constexpr int64_t kMediaHardDisk = 3;
constexpr int64_t kMediaRamDisk = 8;
constexpr int64_t kTruthTrue = 1;
constexpr int64_t kLongEdgeDuplex = 3;
constexpr int64_t kShortEdgeDuplex = 4;
constexpr int64_t kNotPresent = 5;

// A column's rows, each with its index (the name past the column).
struct Column {
  Walked walked = Walked::kNotServed;
  std::vector<Oid> indexes;
  std::vector<Value> values;

  // The value of the row with this index, or null.
  const Value* At(const Oid& index) const {
    const auto found = std::find(indexes.begin(), indexes.end(), index);
    return found == indexes.end() ? nullptr : &values[found - indexes.begin()];
  }
  bool AllOf(uint8_t tag) const {
    return std::all_of(values.begin(), values.end(), [&](const Value& v) { return v.tag == tag; });
  }
};

Column Walk(MibSource& source, const char* name) {
  const Oid column = ParseOid(name);
  std::vector<VarBind> rows;
  Column walked;
  walked.walked = source.Walk(column, kMaxRows, rows);
  if (walked.walked != Walked::kRows) return walked;
  for (VarBind& row : rows) {
    walked.indexes.emplace_back(row.name.begin() + column.size(), row.name.end());
    walked.values.push_back(std::move(row.value));
  }
  return walked;
}

// The field's answer when a column it needs gave none, else 0.
int16_t Unusable(const Column& column, uint8_t tag, const char* name, std::string* why) {
  if (column.walked == Walked::kFailed) {
    Say(why, std::string(name) + " did not come whole (no reply in time, or an error)");
    return kNotReached;
  }
  if (column.walked == Walked::kRows && !column.AllOf(tag)) {
    Say(why, std::string(name) + " holds a value of a wrong type");
    return kUndecided;
  }
  return 0;
}

// Lower-case runs of letters and digits.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words(1);
  for (char c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
      words.back() += c;
    else if (!words.back().empty())
      words.emplace_back();
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

bool SaysMemory(const std::vector<std::string>& words) {
  return std::any_of(words.begin(), words.end(), [](const std::string& w) {
    return w.compare(0, 3, "ram") == 0 || w == "memory" || w == "tmpfs" || w == "shm" ||
           w == "run" || w == "tmp";
  });
}

// "Hard Disk", "HDD", "SSD", "//ide0a/", "/dev/sda1": a name of a disk.
bool NamesADisk(const std::vector<std::string>& words) {
  static const char* const kDiskWords[] = {"disk",     "hdd",   "ssd",  "hard",
                                           "harddisk", "drive", "sata", "nvme"};
  const auto digits_from = [](const std::string& w, size_t at) {
    return std::all_of(w.begin() + static_cast<long>(std::min(at, w.size())), w.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
  };
  return std::any_of(words.begin(), words.end(), [&](const std::string& w) {
    if (std::find(std::begin(kDiskWords), std::end(kDiskWords), w) != std::end(kDiskWords))
      return true;
    if (w.size() >= 4 && w.compare(0, 3, "ide") == 0 && w[3] >= '0' && w[3] <= '9') return true;
    return w.size() >= 3 && (w.compare(0, 2, "sd") == 0 || w.compare(0, 2, "hd") == 0) &&
           w[2] >= 'a' && w[2] <= 'z' && digits_from(w, 3);
  });
}

int16_t TrayAnswer(MibSource& source, bool model_has_mp_tray, std::string* why) {
  const Column types = Walk(source, kInputType);
  if (types.walked == Walked::kNotServed) {
    Say(why, "prtInputType is not served");
    return kUndecided;
  }
  if (const int16_t none = Unusable(types, kTagInteger, "prtInputType", why)) return none;
  std::vector<Input> inputs(types.values.size());
  for (size_t i = 0; i < inputs.size(); ++i) inputs[i].kind = KindOfType(types.values[i].number);
  // Without an input that may be a tray, capacities and names cannot change the answer.
  if (std::none_of(inputs.begin(), inputs.end(), [](const Input& input) {
        return input.kind != Input::Kind::kManual && input.kind != Input::Kind::kNoPaperTray;
      })) {
    Say(why, std::to_string(inputs.size()) + " inputs, none a sheet-fed tray");
    return kUndecided;
  }

  const Column capacities = Walk(source, kInputMaxCapacity);
  if (const int16_t none = Unusable(capacities, kTagInteger, "prtInputMaxCapacity", why))
    return none;
  Column names = Walk(source, kInputName);
  const char* names_column = "prtInputName";
  if (names.walked == Walked::kNotServed) {
    names = Walk(source, kInputDescription);
    names_column = "prtInputDescription";
  }
  if (const int16_t none = Unusable(names, kTagOctetString, names_column, why)) return none;
  for (size_t i = 0; i < inputs.size(); ++i) {
    if (const Value* capacity = capacities.At(types.indexes[i]))
      inputs[i].capacity = capacity->number;
    if (const Value* name = names.At(types.indexes[i])) inputs[i].name = name->bytes;
    Say(why, "row " + OidText(types.indexes[i]) + ": type " +
                 std::to_string(types.values[i].number) + ", capacity " +
                 std::to_string(inputs[i].capacity) + ", name \"" + inputs[i].name + "\"");
  }
  return SingleCode(CodesOfInputs(inputs, model_has_mp_tray, why));
}

// 1 when a row matches, 0 when none does, or why there is no answer.
template <class Matches>
int16_t AnyRow(MibSource& source, const char* name, const char* label, uint8_t tag, Matches matches,
               std::string* why) {
  const Column column = Walk(source, name);
  if (column.walked == Walked::kNotServed) {
    Say(why, std::string(label) + " is not served");
    return kUndecided;
  }
  if (const int16_t none = Unusable(column, tag, label, why)) return none;
  const bool any = std::any_of(column.values.begin(), column.values.end(), matches);
  Say(why, std::string(label) + ": " + std::to_string(column.values.size()) + " rows, " +
               (any ? "one of them" : "none") + " decides it");
  return any ? 1 : 0;
}

int16_t DiskOfMedia(MibSource& source, const Column& media, std::string* why) {
  if (const int16_t none = Unusable(media, kTagInteger, "hrDiskStorageMedia", why)) return none;
  bool hard_disk = false;
  for (const Value& medium : media.values) hard_disk = hard_disk || medium.number == kMediaHardDisk;
  if (hard_disk) {
    const Column removable = Walk(source, kDiskRemovable);
    if (const int16_t none = Unusable(removable, kTagInteger, "hrDiskStorageRemovable", why))
      return none;
    for (size_t i = 0; i < media.values.size(); ++i) {
      const Value* taken_out = removable.At(media.indexes[i]);
      if (media.values[i].number == kMediaHardDisk &&
          !(taken_out && taken_out->number == kTruthTrue)) {
        Say(why, "disk " + OidText(media.indexes[i]) + " is a fixed hard disk");
        return 1;
      }
    }
    Say(why, "every hard disk is removable media");
    return kUndecided;
  }
  // RAM disks (8), floppies (4) and optical disks (5 to 7) only: no hard disk.
  const bool none_hard = std::all_of(media.values.begin(), media.values.end(), [](const Value& v) {
    return v.number >= 4 && v.number <= kMediaRamDisk;
  });
  Say(why, std::to_string(media.values.size()) + " disks, " +
               (none_hard ? "each a RAM disk, floppy or optical disk"
                          : "of media other or unknown among them"));
  return none_hard ? 0 : kUndecided;
}

// 1 when a row of the type column is of `type` and its description passes, else why not.
template <class Passes>
int16_t TypedRow(MibSource& source, const char* type_column, const char* description_column,
                 const char* label, const char* type, Passes passes, std::string* why) {
  const Column types = Walk(source, type_column);
  if (types.walked == Walked::kNotServed) {
    Say(why, std::string(label) + " is not served");
    return kUndecided;
  }
  if (const int16_t none = Unusable(types, kTagObjectId, label, why)) return none;
  const Oid wanted = ParseOid(type);
  if (std::none_of(types.values.begin(), types.values.end(),
                   [&](const Value& v) { return v.oid == wanted; })) {
    Say(why, std::string(label) + ": no row of that type");
    return kUndecided;
  }
  const Column descriptions = Walk(source, description_column);
  if (const int16_t none = Unusable(descriptions, kTagOctetString, "its description", why))
    return none;
  for (size_t i = 0; i < types.values.size(); ++i) {
    if (types.values[i].oid != wanted) continue;
    const Value* description = descriptions.At(types.indexes[i]);
    const std::string text = description ? description->bytes : std::string();
    const std::string row = std::string(label) + " row " + OidText(types.indexes[i]) +
                            (text.empty() ? " (no description)" : " \"" + text + "\"");
    if (passes(Words(text))) {
      Say(why, row + " is a disk");
      return 1;
    }
    Say(why, row + " is no disk");
  }
  return kUndecided;
}

int16_t DiskAnswer(MibSource& source, std::string* why) {
  const Column media = Walk(source, kDiskMedia);
  if (media.walked != Walked::kNotServed) return DiskOfMedia(source, media, why);
  Say(why, "hrDiskStorageMedia is not served");
  const int16_t device = TypedRow(
      source, kDeviceType, kDeviceDescription, "hrDeviceType", kDeviceDiskStorage,
      [](const std::vector<std::string>& words) { return !SaysMemory(words); }, why);
  if (device == 1) return 1;
  const int16_t storage = TypedRow(
      source, kStorageType, kStorageDescription, "hrStorageType", kStorageFixedDisk,
      [](const std::vector<std::string>& words) { return !SaysMemory(words) && NamesADisk(words); },
      why);
  if (storage == 1) return 1;
  // A missing disk row says nothing: printers that ship with a disk may show none.
  return device == kNotReached || storage == kNotReached ? kNotReached : kUndecided;
}

}  // namespace

bool ValidAnswer(int index, int16_t value) {
  return index == 0 ? (value == 0 || value == 1 || value == 3 || value == 4)
                    : (value == 0 || value == 1);
}

Answers AskPrinter(MibSource& source, const Asked& asked, Reasons* reasons) {
  Answers answers;
  if (asked.trays) answers.tray_code = TrayAnswer(source, asked.mp_tray, ReasonAt(reasons, 0));
  if (asked.duplex)
    answers.duplex = AnyRow(
        source, kMediaPathType, "prtMediaPathType", kTagInteger,
        [](const Value& v) { return v.number == kLongEdgeDuplex || v.number == kShortEdgeDuplex; },
        ReasonAt(reasons, 1));
  if (asked.disk) answers.disk = DiskAnswer(source, ReasonAt(reasons, 2));
  if (asked.finisher)
    answers.finisher = AnyRow(
        source, kFinisherPresent, "finDevicePresentOnOff", kTagInteger,
        [](const Value& v) { return v.number != kNotPresent; }, ReasonAt(reasons, 3));
  return answers;
}

}  // namespace kv::snmp
