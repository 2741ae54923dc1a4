// The mapping from the printer MIBs' columns to the status record's answers, against a
// scripted agent.
#include "companion/printer_mibs.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using kv::snmp::ParseOid;
using kv::snmp::Walked;

constexpr char kInputs[] = "1.3.6.1.2.1.43.8.2.1.2";
constexpr char kStatuses[] = "1.3.6.1.2.1.43.8.2.1.11";
constexpr char kPaths[] = "1.3.6.1.2.1.43.13.4.1.9";
constexpr char kMedia[] = "1.3.6.1.2.1.25.3.6.1.2";
constexpr char kDevices[] = "1.3.6.1.2.1.25.3.2.1.2";
constexpr char kStorage[] = "1.3.6.1.2.1.25.2.3.1.2";
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

kv::snmp::Value Integer(int64_t n) {
  kv::snmp::Value v;
  v.tag = kv::snmp::kTagInteger;
  v.number = n;
  return v;
}
kv::snmp::Value Object(const char* oid) {
  kv::snmp::Value v;
  v.tag = kv::snmp::kTagObjectId;
  v.oid = ParseOid(oid);
  return v;
}
Column Rows(std::vector<kv::snmp::Value> values) { return {Walked::kRows, std::move(values), {}}; }
Column Integers(std::initializer_list<int64_t> numbers, std::vector<uint32_t> indexes = {}) {
  Column column{Walked::kRows, {}, std::move(indexes)};
  for (int64_t n : numbers) column.values.push_back(Integer(n));
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

TEST(PrinterMibs, TraysAreTheSheetFedTraysAvailableBeyondTheFirst) {
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
      {"trays 2 to 4", {{kInputs, Integers({4, 3, 3, 3})}}, false, 4},
      {"five extra trays are still trays 2 to 4",
       {{kInputs, Integers({4, 3, 3, 3, 3, 3})}},
       false,
       4},
      {"a manual feed is no tray 2", {{kInputs, Integers({4, 5})}}, false, 0},
      {"a roll is no tray 2", {{kInputs, Integers({3, 6})}}, false, 0},
      {"fan-fold paper is no tray 2", {{kInputs, Integers({3, 7})}}, false, 0},
      {"an input of type other is no tray 2", {{kInputs, Integers({3, 1})}}, false, 0},
      {"an input of unknown type is no tray 2", {{kInputs, Integers({3, 2})}}, false, 0},
      {"an input type of another type", {{kInputs, Rows({Integer(4), Object("1.3")})}}, false, -1},
      {"inputs not walked to the end", {{kInputs, kFailed}}, false, -1},
      {"a tray unavailable on request",
       {{kInputs, Integers({4, 3, 3})}, {kStatuses, Integers({0, 1, 0})}},
       false,
       1},
      {"a broken tray",
       {{kInputs, Integers({4, 3, 3})}, {kStatuses, Integers({0, 3, 0})}},
       false,
       1},
      {"a broken tray off line with an alert",
       {{kInputs, Integers({4, 3, 3})}, {kStatuses, Integers({0, 3 + 16 + 32, 0})}},
       false,
       1},
      {"trays on standby, busy, active, with alerts, of unknown state",
       {{kInputs, Integers({4, 3, 3, 3, 3})}, {kStatuses, Integers({2, 6, 4, 8 + 16 + 32, 5})}},
       false,
       4},
      {"statuses go with the input of their index",
       {{kInputs, Integers({3, 3, 6}, {1, 2, 3})}, {kStatuses, Integers({3, 3}, {3, 9})}},
       false,
       1},
      {"an input without a status row counts",
       {{kInputs, Integers({4, 3, 3})}, {kStatuses, Integers({0}, {1})}},
       false,
       3},
      {"a status of another type",
       {{kInputs, Integers({4, 3})}, {kStatuses, Rows({Integer(0), Object("1.3")})}},
       false,
       -1},
      {"statuses not walked to the end",
       {{kInputs, Integers({4, 3})}, {kStatuses, kFailed}},
       false,
       -1},
      {"statuses that cannot matter",
       {{kInputs, Integers({5, 6})}, {kStatuses, kFailed}},
       false,
       0},
      {"a negative status",
       {{kInputs, Integers({4, 3})}, {kStatuses, Integers({0, -5})}},
       false,
       -1},
      {"a status beyond 126",
       {{kInputs, Integers({4, 3})}, {kStatuses, Integers({0, 129})}},
       false,
       -1},
      {"a roll of no known status",
       {{kInputs, Integers({4, 3, 6})}, {kStatuses, Integers({0, 0, -1})}},
       false,
       1},
      {"the multi-purpose tray is the manual feed", {{kInputs, Integers({5, 4, 3})}}, mp, 1},
      {"the multi-purpose tray without a manual feed", {{kInputs, Integers({4, 3, 3})}}, mp, 1},
      {"only its first non-removable tray is the multi-purpose tray",
       {{kInputs, Integers({3, 4, 4})}},
       mp,
       1},
      {"a broken multi-purpose tray is left out once",
       {{kInputs, Integers({4, 4, 3})}, {kStatuses, Integers({3, 0, 0})}},
       mp,
       1},
      {"removable trays are never the multi-purpose tray", {{kInputs, Integers({3, 3, 3})}}, mp, 3},
      {"a model without a multi-purpose tray", {{kInputs, Integers({4, 3, 3})}}, false, 3},
  };
  for (const auto& c : cases) {
    ScriptedAgent agent(c.agent);
    EXPECT_EQ(c.trays, kv::snmp::AskPrinter(agent, All(c.mp_tray)).tray_code) << c.label;
  }
}

TEST(PrinterMibs, AHardDiskByItsMediaOrElseByDeviceAndStorageTypes) {
  const struct {
    const char* label;
    Agent agent;
    int16_t disk;
  } cases[] = {
      {"nothing served", {}, -1},
      {"a RAM disk and a hard disk", {{kMedia, Integers({8, 3})}}, 1},
      {"a RAM disk only, however the devices read",
       {{kMedia, Integers({8})},
        {kDevices, Objects({kDiskDevice})},
        {kStorage, Objects({kFixedDisk})}},
       0},
      {"a medium of another type", {{kMedia, Objects({"1.3"})}}, -1},
      {"media not walked to the end", {{kMedia, kFailed}, {kDevices, Objects({kDiskDevice})}}, -1},
      {"no media: a printer device only", {{kDevices, Objects({kPrinterDevice})}}, 0},
      {"no media: a disk device", {{kDevices, Objects({kPrinterDevice, kDiskDevice})}}, 1},
      {"no media: a fixed disk storage", {{kStorage, Objects({kRam, kFixedDisk})}}, 1},
      {"no media: RAM storage only", {{kStorage, Objects({kRam})}}, 0},
      {"no media, devices failed, storage without disk",
       {{kDevices, kFailed}, {kStorage, Objects({kRam})}},
       0},
      {"no media, devices failed, storage with a disk",
       {{kDevices, kFailed}, {kStorage, Objects({kFixedDisk})}},
       1},
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
                       {kStatuses, Integers({0, 0})},
                       {kPaths, Integers({3})},
                       {kMedia, Integers({3})},
                       {kFinishers, Integers({3})}};
  const struct {
    const char* column;
    int16_t trays, duplex, disk, finisher;
  } cases[] = {
      {"", 1, 1, 1, 1},      {kInputs, -1, 1, 1, 1}, {kStatuses, -1, 1, 1, 1},
      {kPaths, 1, -1, 1, 1}, {kMedia, 1, 1, -1, 1},  {kFinishers, 1, 1, 1, -1},
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
      {"a tray has its status walked", {{kInputs, Integers({4})}}, trays, {kInputs, kStatuses}},
      {"served media spare device and storage",
       {{kMedia, Integers({8})}, {kDevices, Objects({kDiskDevice})}},
       disk,
       {kMedia}},
      {"a disk device spares the storage",
       {{kDevices, Objects({kDiskDevice})}},
       disk,
       {kMedia, kDevices}},
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
