// The mapping from the printer MIBs' columns to the status record's answers, against a
// scripted agent.
#include "companion/printer_mibs.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/snmp_responder.h"

namespace {

using kv::snmp::ParseOid;
using kv::snmp::Walked;

constexpr char kInputs[] = "1.3.6.1.2.1.43.8.2.1.2";
constexpr char kCapacities[] = "1.3.6.1.2.1.43.8.2.1.9";
constexpr char kNames[] = "1.3.6.1.2.1.43.8.2.1.13";
constexpr char kDescriptions[] = "1.3.6.1.2.1.43.8.2.1.18";
constexpr char kPaths[] = "1.3.6.1.2.1.43.13.4.1.9";
constexpr char kMedia[] = "1.3.6.1.2.1.25.3.6.1.2";
constexpr char kRemovableMedia[] = "1.3.6.1.2.1.25.3.6.1.3";
constexpr char kDevices[] = "1.3.6.1.2.1.25.3.2.1.2";
constexpr char kDeviceTexts[] = "1.3.6.1.2.1.25.3.2.1.3";
constexpr char kStorage[] = "1.3.6.1.2.1.25.2.3.1.2";
constexpr char kStorageTexts[] = "1.3.6.1.2.1.25.2.3.1.3";
constexpr char kFinishers[] = "1.3.6.1.2.1.43.30.1.1.3";

constexpr char kDiskDevice[] = "1.3.6.1.2.1.25.3.1.6";
constexpr char kPrinterDevice[] = "1.3.6.1.2.1.25.3.1.5";
constexpr char kFixedDisk[] = "1.3.6.1.2.1.25.2.1.4";
constexpr char kRam[] = "1.3.6.1.2.1.25.2.1.2";

// A column's rows: row i is named <column>.1.<indexes[i]>, or .1.<i + 1> without indexes.
struct Column {
  Walked walked = Walked::kNotServed;
  std::vector<kv::snmp::Value> values;
  std::vector<uint32_t> indexes;
};

using kvtest::Object;
constexpr auto Integer = kvtest::Int;
Column Rows(std::vector<kv::snmp::Value> values) { return {Walked::kRows, std::move(values), {}}; }
Column Integers(std::initializer_list<int64_t> numbers, std::vector<uint32_t> indexes = {}) {
  Column column{Walked::kRows, {}, std::move(indexes)};
  for (int64_t n : numbers) column.values.push_back(Integer(n));
  return column;
}
Column Texts(std::initializer_list<const char*> texts) {
  Column column{Walked::kRows, {}, {}};
  for (const char* text : texts) {
    kv::snmp::Value v;
    v.tag = kv::snmp::kTagOctetString;
    v.bytes = text;
    column.values.push_back(v);
  }
  return column;
}
Column Objects(std::initializer_list<const char*> oids) {
  Column column{Walked::kRows, {}, {}};
  for (const char* oid : oids) column.values.push_back(Object(oid));
  return column;
}
const Column kFailed{Walked::kFailed, {}, {}};

using Agent = std::map<std::string, Column>;

class ScriptedAgent final : public kv::snmp::MibSource {
 public:
  explicit ScriptedAgent(Agent columns) : columns_(std::move(columns)) {}
  Walked Walk(const kv::snmp::Oid& column, size_t max_rows,
              std::vector<kv::snmp::VarBind>& rows) override {
    walked.push_back(kv::snmp::OidText(column));
    EXPECT_EQ(kv::snmp::kMaxRows, max_rows);
    rows.clear();
    const auto found = columns_.find(kv::snmp::OidText(column));
    if (found == columns_.end()) return Walked::kNotServed;
    const Column& c = found->second;
    for (size_t i = 0; i < c.values.size(); ++i) {
      kv::snmp::VarBind row{column, c.values[i]};
      row.name.push_back(1);
      row.name.push_back(c.indexes.empty() ? static_cast<uint32_t>(i + 1) : c.indexes[i]);
      rows.push_back(row);
    }
    return c.walked;
  }
  std::vector<std::string> walked;

 private:
  Agent columns_;
};

kv::snmp::Asked All(bool mp_tray = false) {
  kv::snmp::Asked asked{true, true, true, true};
  asked.mp_tray = mp_tray;
  return asked;
}

TEST(PrinterMibs, TraysAreTheListedSheetFedTraysBeyondTheFirstAndTheMultiPurposeTray) {
  const bool mp = true;
  const struct {
    const char* label;
    Agent agent;
    bool mp_tray;
    int16_t trays;
  } cases[] = {
      {"nothing served", {}, false, -1},
      {"one tray", {{kInputs, Integers({4})}}, false, 0},
      {"tray 2", {{kInputs, Integers({4, 3})}}, false, 1},
      {"trays 2 and 3", {{kInputs, Integers({4, 3, 3})}}, false, 3},
      {"six trays are trays 2 to 4", {{kInputs, Integers({4, 3, 3, 3, 3, 3})}}, false, 4},
      {"manual feeds, rolls, fan-fold and other inputs are no trays",
       {{kInputs, Integers({3, 5, 6, 7, 1, 3})}},
       false,
       1},
      {"an input of unknown type may be a tray", {{kInputs, Integers({3, 2})}}, false, -1},
      {"a type nobody defined may be a tray", {{kInputs, Integers({3, 99})}}, false, -1},
      {"manual feeds only: no tray", {{kInputs, Integers({5})}}, false, -1},
      {"an input type of another type", {{kInputs, Rows({Integer(4), Object("1.3")})}}, false, -1},
      {"inputs not walked to the end", {{kInputs, kFailed}}, false, -2},
      {"removable trays are never the multi-purpose tray", {{kInputs, Integers({3, 3})}}, mp, 1},
      {"a built-in tray may be the multi-purpose tray", {{kInputs, Integers({4, 3})}}, mp, -1},
      {"unless a manual feed is listed", {{kInputs, Integers({5, 4, 3})}}, mp, 1},
      {"named so, wherever it is",
       {{kInputs, Integers({4, 4, 3})}, {kNames, Texts({"Tray 1", "MPTRAY", "Tray 2"})}},
       mp,
       1},
      {"named so by its description",
       {{kInputs, Integers({4, 4})}, {kDescriptions, Texts({"Bypass Tray", "Tray 1"})}},
       mp,
       0},
      {"named so, in a model without one",
       {{kInputs, Integers({4, 4, 3})}, {kNames, Texts({"Tray 1", "Multi-Purpose", "Tray 2"})}},
       false,
       1},
      {"told by a capacity a third of the others'",
       {{kInputs, Integers({4, 4, 3})}, {kCapacities, Integers({100, 500, 300})}},
       mp,
       1},
      {"a capacity less small tells nothing",
       {{kInputs, Integers({4, 4})}, {kCapacities, Integers({250, 500})}},
       mp,
       -1},
      {"two inputs named so",
       {{kInputs, Integers({4, 4, 4})}, {kNames, Texts({"Bypass", "Manual Feed", "Tray 2"})}},
       mp,
       -1},
      {"a tray that holds no sheet may be a tray or not",
       {{kInputs, Integers({4, 3, 3})}, {kCapacities, Integers({250, 0, 500})}},
       false,
       -1},
      {"an auto-select row is no input",
       {{kInputs, Integers({4, 3, 3})}, {kNames, Texts({"Tray 1", "Tray 2", "Auto Select"})}},
       false,
       1},
      {"capacities not walked to the end",
       {{kInputs, Integers({4, 3})}, {kCapacities, kFailed}},
       false,
       -2},
      {"names not walked to the end", {{kInputs, Integers({4, 3})}, {kNames, kFailed}}, false, -2},
      {"capacities go with the input of their index",
       {{kInputs, Integers({4, 5}, {1, 2})}, {kCapacities, Integers({0}, {2})}},
       false,
       0},
  };
  for (const auto& c : cases) {
    ScriptedAgent agent(c.agent);
    EXPECT_EQ(c.trays, kv::snmp::AskPrinter(agent, All(c.mp_tray)).tray_code) << c.label;
  }
}

TEST(PrinterMibs, AHardDiskOnlyOnEvidence) {
  const struct {
    const char* label;
    Agent agent;
    int16_t disk;
  } cases[] = {
      {"nothing served", {}, -1},
      {"a RAM disk and a hard disk", {{kMedia, Integers({8, 3})}}, 1},
      {"a removable hard disk", {{kMedia, Integers({3})}, {kRemovableMedia, Integers({1})}}, -1},
      {"a fixed hard disk beside a removable one",
       {{kMedia, Integers({3, 3})}, {kRemovableMedia, Integers({1, 2})}},
       1},
      {"RAM disks, floppies and optical disks only, however the devices read",
       {{kMedia, Integers({8, 4, 5})}, {kDevices, Objects({kDiskDevice})}},
       0},
      {"a medium other or unknown", {{kMedia, Integers({8, 1})}}, -1},
      {"a medium of unknown kind", {{kMedia, Integers({2})}}, -1},
      {"a medium of another type", {{kMedia, Objects({"1.3"})}}, -1},
      {"media not walked to the end", {{kMedia, kFailed}, {kDevices, Objects({kDiskDevice})}}, -2},
      {"no media: a printer device only says nothing", {{kDevices, Objects({kPrinterDevice})}}, -1},
      {"no media: a disk device",
       {{kDevices, Objects({kPrinterDevice, kDiskDevice})},
        {kDeviceTexts, Texts({"Printer", "HP Secure Hard Disk"})}},
       1},
      {"no media: a disk device without a description", {{kDevices, Objects({kDiskDevice})}}, 1},
      {"no media: a RAM disk device",
       {{kDevices, Objects({kDiskDevice})}, {kDeviceTexts, Texts({"RAMDISK"})}},
       -1},
      {"no media: a fixed disk storage",
       {{kStorage, Objects({kRam, kFixedDisk})},
        {kStorageTexts, Texts({"RAM", "Storage (//ide0a/)"})}},
       1},
      {"no media: a fixed disk storage that is a RAM mount",
       {{kStorage, Objects({kFixedDisk, kFixedDisk})}, {kStorageTexts, Texts({"/dev/shm", "/"})}},
       -1},
      {"no media: RAM storage only", {{kStorage, Objects({kRam})}}, -1},
      {"no media, devices failed, storage with a disk",
       {{kDevices, kFailed}, {kStorage, Objects({kFixedDisk})}, {kStorageTexts, Texts({"SSD"})}},
       1},
      {"no media, devices failed, storage without one",
       {{kDevices, kFailed}, {kStorage, Objects({kRam})}},
       -2},
      {"no media, a disk type given as a number", {{kDevices, Integers({6})}}, -1},
  };
  for (const auto& c : cases) {
    ScriptedAgent agent(c.agent);
    EXPECT_EQ(c.disk, kv::snmp::AskPrinter(agent, All()).disk) << c.label;
  }
}

TEST(PrinterMibs, DuplexAndFinisher) {
  const struct {
    const char* label;
    Agent agent;
    int16_t duplex, finisher;
  } cases[] = {
      {"simplex only", {{kPaths, Integers({5})}}, 0, -1},
      {"long-edge duplex", {{kPaths, Integers({5, 3})}}, 1, -1},
      {"short-edge duplex", {{kPaths, Integers({4})}}, 1, -1},
      {"a finisher switched off is fitted", {{kFinishers, Integers({4})}}, -1, 1},
      {"a finisher not present", {{kFinishers, Integers({5})}}, -1, 0},
      {"tables not walked to the end", {{kPaths, kFailed}, {kFinishers, kFailed}}, -2, -2},
  };
  for (const auto& c : cases) {
    ScriptedAgent agent(c.agent);
    const kv::snmp::Answers answers = kv::snmp::AskPrinter(agent, All());
    EXPECT_EQ(c.duplex, answers.duplex) << c.label;
    EXPECT_EQ(c.finisher, answers.finisher) << c.label;
  }
}

// Each column of a printer with every feature failing in turn.
TEST(PrinterMibs, AFailedWalkLeavesOnlyItsOwnFieldUnanswered) {
  const Agent every = {{kInputs, Integers({4, 3})},
                       {kCapacities, Integers({250, 500})},
                       {kPaths, Integers({3})},
                       {kMedia, Integers({3})},
                       {kFinishers, Integers({3})}};
  const struct {
    const char* column;
    int16_t trays, duplex, disk, finisher;
  } cases[] = {
      {"", 1, 1, 1, 1},      {kInputs, -2, 1, 1, 1}, {kCapacities, -2, 1, 1, 1},
      {kPaths, 1, -2, 1, 1}, {kMedia, 1, 1, -2, 1},  {kFinishers, 1, 1, 1, -2},
  };
  for (const auto& c : cases) {
    Agent columns = every;
    if (*c.column) columns[c.column] = kFailed;
    ScriptedAgent agent(columns);
    const kv::snmp::Answers answers = kv::snmp::AskPrinter(agent, All());
    EXPECT_EQ(c.trays, answers.tray_code) << c.column;
    EXPECT_EQ(c.duplex, answers.duplex) << c.column;
    EXPECT_EQ(c.disk, answers.disk) << c.column;
    EXPECT_EQ(c.finisher, answers.finisher) << c.column;
  }
}

TEST(PrinterMibs, OnlyTheColumnsAnAnswerNeedsAreWalked) {
  kv::snmp::Asked duplex, trays, disk;
  duplex.duplex = true;
  trays.trays = true;
  disk.disk = true;
  const struct {
    const char* label;
    Agent agent;
    kv::snmp::Asked asked;
    std::vector<std::string> walked;
  } cases[] = {
      {"duplex asked", {{kInputs, Integers({4, 3})}, {kPaths, Integers({3})}}, duplex, {kPaths}},
      {"no sheet-fed tray spares the statuses", {{kInputs, Integers({5, 6})}}, trays, {kInputs}},
      {"a tray has its capacity and name walked, never its status",
       {{kInputs, Integers({4})}, {kNames, Texts({"Tray 1"})}},
       trays,
       {kInputs, kCapacities, kNames}},
      {"the description where the names are not served",
       {{kInputs, Integers({4})}},
       trays,
       {kInputs, kCapacities, kNames, kDescriptions}},
      {"served media spare device and storage",
       {{kMedia, Integers({8})}, {kDevices, Objects({kDiskDevice})}},
       disk,
       {kMedia}},
      {"a disk device spares the storage",
       {{kDevices, Objects({kDiskDevice})}},
       disk,
       {kMedia, kDevices, kDeviceTexts}},
      {"no disk device",
       {{kDevices, Objects({kPrinterDevice})}},
       disk,
       {kMedia, kDevices, kStorage}},
  };
  for (const auto& c : cases) {
    ScriptedAgent agent(c.agent);
    kv::snmp::AskPrinter(agent, c.asked);
    EXPECT_EQ(c.walked, agent.walked) << c.label;
  }
}

}  // namespace
