// The mapping from the printer MIBs' columns to the status record's answers, against a
// scripted agent.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "companion/printer_mibs.h"

namespace {

using kv::snmp::ParseOid;
using kv::snmp::Walked;

constexpr char kInputs[] = "1.3.6.1.2.1.43.8.2.1.2";
constexpr char kPaths[] = "1.3.6.1.2.1.43.13.4.1.9";
constexpr char kDevices[] = "1.3.6.1.2.1.25.3.2.1.2";
constexpr char kStorage[] = "1.3.6.1.2.1.25.2.3.1.2";
constexpr char kFinishers[] = "1.3.6.1.2.1.43.30.1.1.3";

struct Column {
  Walked walked = Walked::kNotServed;
  std::vector<kv::snmp::Value> values;
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
Column Rows(std::vector<kv::snmp::Value> values) { return {Walked::kRows, std::move(values)}; }
Column Integers(std::initializer_list<int64_t> numbers) {
  Column column{Walked::kRows, {}};
  for (int64_t n : numbers) column.values.push_back(Integer(n));
  return column;
}
const Column kFailed{Walked::kFailed, {}};

class ScriptedAgent final : public kv::snmp::MibSource {
 public:
  explicit ScriptedAgent(std::map<std::string, Column> columns) : columns_(std::move(columns)) {}
  Walked Walk(const kv::snmp::Oid& column, size_t max_rows, std::vector<kv::snmp::VarBind>& rows) override {
    walked.push_back(kv::snmp::OidText(column));
    EXPECT_EQ(kv::snmp::kMaxRows, max_rows);
    rows.clear();
    const auto found = columns_.find(kv::snmp::OidText(column));
    if (found == columns_.end()) return Walked::kNotServed;
    uint32_t index = 0;
    for (const auto& value : found->second.values) {
      kv::snmp::VarBind row{column, value};
      row.name.push_back(1);
      row.name.push_back(++index);
      rows.push_back(row);
    }
    return found->second.walked;
  }
  std::vector<std::string> walked;

 private:
  std::map<std::string, Column> columns_;
};

kv::snmp::Asked All() { return {true, true, true, true}; }

TEST(PrinterMibs, EachColumnGivesItsAnswer) {
  const struct {
    const char* label;
    std::map<std::string, Column> agent;
    int16_t trays, duplex, disk, finisher;
  } cases[] = {
      {"nothing served", {}, -1, -1, -1, -1},
      {"one tray", {{kInputs, Integers({4})}}, 0, -1, -1, -1},
      {"only a manual feed", {{kInputs, Integers({5})}}, 0, -1, -1, -1},
      {"a manual feed is no tray 2", {{kInputs, Integers({5, 4})}}, 0, -1, -1, -1},
      {"tray 2", {{kInputs, Integers({4, 3})}}, 1, -1, -1, -1},
      {"trays 2 and 3", {{kInputs, Integers({4, 3, 3, 5})}}, 3, -1, -1, -1},
      {"trays 2 to 4", {{kInputs, Integers({4, 3, 3, 3})}}, 4, -1, -1, -1},
      {"five extra trays are still trays 2 to 4", {{kInputs, Integers({4, 3, 3, 3, 3, 3})}}, 4, -1, -1, -1},
      {"an input type of another type", {{kInputs, Rows({Integer(4), Object("1.3")})}}, -1, -1, -1, -1},
      {"inputs not walked to the end", {{kInputs, kFailed}}, -1, -1, -1, -1},
      {"simplex only", {{kPaths, Integers({5})}}, -1, 0, -1, -1},
      {"long-edge duplex", {{kPaths, Integers({5, 3})}}, -1, 1, -1, -1},
      {"short-edge duplex", {{kPaths, Integers({4})}}, -1, 1, -1, -1},
      {"a printer device only", {{kDevices, Rows({Object("1.3.6.1.2.1.25.3.1.5")})}}, -1, -1, 0, -1},
      {"a disk device",
       {{kDevices, Rows({Object("1.3.6.1.2.1.25.3.1.5"), Object("1.3.6.1.2.1.25.3.1.6")})}}, -1, -1, 1, -1},
      {"a fixed disk storage", {{kStorage, Rows({Object("1.3.6.1.2.1.25.2.1.2"), Object("1.3.6.1.2.1.25.2.1.4")})}},
       -1, -1, 1, -1},
      {"RAM storage only", {{kStorage, Rows({Object("1.3.6.1.2.1.25.2.1.2")})}}, -1, -1, 0, -1},
      {"devices failed, storage without disk",
       {{kDevices, kFailed}, {kStorage, Rows({Object("1.3.6.1.2.1.25.2.1.2")})}}, -1, -1, 0, -1},
      {"devices failed, storage with a disk",
       {{kDevices, kFailed}, {kStorage, Rows({Object("1.3.6.1.2.1.25.2.1.4")})}}, -1, -1, 1, -1},
      {"a disk type given as a number", {{kDevices, Integers({6})}}, -1, -1, -1, -1},
      {"a finisher switched off is fitted", {{kFinishers, Integers({4})}}, -1, -1, -1, 1},
      {"a finisher not present", {{kFinishers, Integers({5})}}, -1, -1, -1, 0},
  };
  for (const auto& c : cases) {
    ScriptedAgent agent(c.agent);
    const kv::snmp::Answers answers = kv::snmp::AskPrinter(agent, All());
    EXPECT_EQ(c.trays, answers.tray_code) << c.label;
    EXPECT_EQ(c.duplex, answers.duplex) << c.label;
    EXPECT_EQ(c.disk, answers.disk) << c.label;
    EXPECT_EQ(c.finisher, answers.finisher) << c.label;
  }
}

TEST(PrinterMibs, OnlyTheColumnsOfTheFeaturesAskedAreWalked) {
  ScriptedAgent agent({{kInputs, Integers({4, 3})}, {kPaths, Integers({3})}});
  kv::snmp::Asked asked;
  asked.duplex = true;
  const kv::snmp::Answers answers = kv::snmp::AskPrinter(agent, asked);
  EXPECT_EQ(-1, answers.tray_code);
  EXPECT_EQ(1, answers.duplex);
  EXPECT_EQ(std::vector<std::string>{kPaths}, agent.walked);
}

TEST(PrinterMibs, ADiskDeviceSparesTheStorageWalk) {
  ScriptedAgent agent({{kDevices, Rows({Object("1.3.6.1.2.1.25.3.1.6")})}});
  kv::snmp::Asked asked;
  asked.disk = true;
  EXPECT_EQ(1, kv::snmp::AskPrinter(agent, asked).disk);
  EXPECT_EQ(std::vector<std::string>{kDevices}, agent.walked);
}

TEST(PrinterMibs, TrayCodes) {
  const int16_t expected[] = {0, 1, 3, 4, 4, 4};
  for (size_t extra = 0; extra < 6; ++extra) EXPECT_EQ(expected[extra], kv::snmp::TrayCode(extra)) << extra;
}

}  // namespace
