// The built companion library, loaded through its export as the plug-in loads it, asking
// local SNMP agents that play printers (net-snmp's snmpd, started for these tests by
// tools/snmp-agents and listed in an agents file), and a responder of the tests' own that
// answers in hostile ways. Nothing is sent beyond the loopback address.
#include <winsock2.h>

#include <windows.h>
#include <shlwapi.h>

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "companion/ber.h"
#include "companion/snmp_client.h"
#include "emuhost/plugin_host.h"
#include "host/status_record.h"
#include "tests/support/companion_fixture.h"
#include "tests/support/snmp_responder.h"

namespace {

using kv::snmp::Message;
using kv::snmp::ParseOid;
using kvtest::AgentPort;
using kvtest::AgentsFile;
using kvtest::Companion;
using kvtest::Datagram;
using kvtest::EveryFeatureAsked;
using kvtest::ExpectAnswers;
using kvtest::Int;
using kvtest::kSecondLoopback;
using kvtest::One;
using kvtest::Outcome;
using kvtest::QuietAgent;
using kvtest::Record;
using kvtest::Rule;
using kvtest::Table;
using kvtest::Via;

TEST_F(Companion, EachPrinterAnswersThroughItsAgent) {
  ASSERT_NE(0, AgentPort(L"everything")) << "no agents in " << testing::PrintToString(AgentsFile())
                                         << ": run the tests through ctest, which starts them";
  PortAt(L"127.0.0.1");
  const struct {
    const wchar_t* agent;
    SHORT result;
    int16_t trays, duplex, disk, finisher;
  } cases[] = {
      {L"no-trays", 1, 0, 0, -1, -1},  // a printer device alone says nothing of a disk
      {L"two-trays", 1, 3, -1, -1, -1},
      {L"three-trays", 1, 4, -1, -1, -1},
      {L"input-kinds", 1, 4, -1, -1, -1},
      {L"mp-tray", 1, 1, -1, -1, -1},  // the record's model has a multi-purpose tray
      {L"duplex", 1, -1, 1, -1, -1},
      {L"disk", 1, -1, -1, 1, -1},
      {L"storage-disk", 1, -1, -1, 1, -1},
      {L"host-resources-only", 1, -1, -1, 1, -1},
      {L"media-hard-disk", 1, 1, 1, 1, -1},
      {L"media-ram-disk", 1, -1, -1, 0, -1},
      {L"finisher", 1, -1, -1, -1, 1},
      {L"everything", 1, 4, 1, 1, 1},
      {L"no-printer-mib", 0, 0, 0, 0, 0},  // no answer: the record stays as it came
  };
  for (const auto& c : cases) {
    const std::string label = testing::PrintToString(std::wstring(c.agent));
    const int port = AgentPort(c.agent);
    ASSERT_NE(0, port) << label;
    Settings(port);
    const Outcome outcome = Update();
    EXPECT_EQ(c.result, outcome.result) << label;
    ExpectAnswers(outcome, c.trays, c.duplex, c.disk, c.finisher, label);
    printf("   %-16ls answered in %llu ms\n", c.agent, outcome.elapsed_ms);
  }
}

TEST_F(Companion, OnlyTheFieldsThatCameInAsZeroAreAnswered) {
  PortAt(L"127.0.0.1");
  Settings(AgentPort(L"everything"));
  Record record = EveryFeatureAsked();
  kv::WriteStatusField(record.data(), kv::kStatusDuplex, -1);
  kv::WriteStatusField(record.data(), kv::kStatusFinisher, -1);
  const Outcome outcome = Update(record);
  EXPECT_EQ(1, outcome.result);
  EXPECT_EQ(4, outcome.field(kv::kStatusTray2));
  EXPECT_EQ(-1, outcome.field(kv::kStatusDuplex));
  EXPECT_EQ(1, outcome.field(kv::kStatusHardDisk));
  EXPECT_EQ(-1, outcome.field(kv::kStatusFinisher));

  // A PPD without any of the features asks nothing, and gets no answer.
  Record none = EveryFeatureAsked();
  for (int offset : {kv::kStatusTray2, kv::kStatusDuplex, kv::kStatusHardDisk, kv::kStatusTray3,
                     kv::kStatusFinisher})
    kv::WriteStatusField(none.data(), offset, -1);
  const Outcome nothing = Update(none);
  EXPECT_EQ(0, nothing.result);
  EXPECT_EQ(none, nothing.record);
}

TEST_F(Companion, TheMakersPortAndAHostNameLeadToTheAgent) {
  const std::wstring maker =
      L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Pelma Network Printer Port\\" +
      port_name_;
  SHSetValueW(HKEY_LOCAL_MACHINE, maker.c_str(), L"IP", REG_SZ, L"127.0.0.1", 20);
  Settings(AgentPort(L"two-trays"));
  EXPECT_EQ(3, Update().field(kv::kStatusTray2)) << "the maker's port";
  SHDeleteKeyW(HKEY_LOCAL_MACHINE, maker.c_str());
  PortAt(L"", L"localhost");
  EXPECT_EQ(3, Update().field(kv::kStatusTray2)) << "the standard port's host name";
}

TEST_F(Companion, NoAddressIsNoAnswer) {
  Settings(AgentPort(L"everything"), 800);
  const Record asked = EveryFeatureAsked();
  Outcome outcome = Update();
  EXPECT_EQ(0, outcome.result) << "a port no monitor knows";
  EXPECT_EQ(asked, outcome.record);
  PortAt(L"", L"no-such-printer.invalid");
  outcome = Update();
  EXPECT_EQ(0, outcome.result) << "a host name that does not resolve";
  EXPECT_EQ(asked, outcome.record);
  EXPECT_LT(outcome.elapsed_ms, 800u + kvtest::kLateBy);
  printf("   a host name that does not resolve: no answer after %llu ms\n", outcome.elapsed_ms);
  PortAt(L"not an address");
  EXPECT_EQ(0, Update().result);
}

TEST_F(Companion, ASilentPrinterGivesNoAnswerWithinTheBudget) {
  // A port nothing listens on: the printer's system says so (port unreachable), and the
  // update ends at once. A listener that never replies: the tries go out after 0, 250, 500
  // and 1000 ms (both versions get the first, short wait; then it doubles), so a budget holds
  // as many of them as start before its end.
  const int closed = kvtest::ClosedPort(SOCK_DGRAM);

  PortAt(L"127.0.0.1");
  const struct { int budget, tries; } cases[] = {{600, 3}, {1500, 4}};
  for (const auto& c : cases) {
    QuietAgent quiet;
    for (const int port : {closed, quiet.port()}) {
      Settings(port, c.budget);
      const Outcome outcome = Update();
      EXPECT_EQ(0, outcome.result) << port;
      EXPECT_EQ(EveryFeatureAsked(), outcome.record);
      if (port == quiet.port()) {
        EXPECT_GE(outcome.elapsed_ms + 20, static_cast<ULONGLONG>(c.budget))
            << "the retries use the budget";
      } else {
        EXPECT_LT(outcome.elapsed_ms, static_cast<ULONGLONG>(kv::snmp::kFirstWait))
            << "a closed port is not waited on";
      }
      EXPECT_LT(outcome.elapsed_ms, c.budget + kvtest::kLateBy) << port;
      printf("   silent printer (%s), budget %d ms: no answer after %llu ms\n",
             port == closed ? "port closed" : "no reply", c.budget, outcome.elapsed_ms);
    }
    // A loaded machine may start a try late and fit fewer, never more.
    const int tries = quiet.Received();
    EXPECT_LE(tries, c.tries) << c.budget;
    EXPECT_GE(tries, 2) << c.budget << ": both versions are tried";
  }
}

TEST_F(Companion, WithoutSettingsTheBudgetIsOneAndAHalfSeconds) {
  // Port 161 of this machine, held silent by this test; without the right to bind it, nothing
  // listens there. Only an agent of this machine's own would spoil the test: then it stops.
  QuietAgent quiet(161);
  if (quiet.bind_error() == WSAEADDRINUSE) GTEST_SKIP() << "port 161 is in use on this machine";
  PortAt(L"127.0.0.1");
  const Outcome outcome = Update();
  EXPECT_EQ(0, outcome.result);
  EXPECT_GE(outcome.elapsed_ms + 20, 1500u);
  // A budget of 2 s would fit a fifth try, at 1.5 s.
  if (quiet.bound()) {
    EXPECT_LE(quiet.Received(), 4);
  }
  EXPECT_LT(outcome.elapsed_ms, 1500u + kvtest::kLateBy);
  printf("   silent printer, default settings: no answer after %llu ms\n", outcome.elapsed_ms);
}

TEST_F(Companion, AWrongCommunityGetsNoAnswerFromTheAgent) {
  PortAt(L"127.0.0.1");
  Settings(AgentPort(L"everything"), 700, L"private");
  const Outcome outcome = Update();
  EXPECT_EQ(0, outcome.result);
  EXPECT_LT(outcome.elapsed_ms, 700u + kvtest::kLateBy);
}

// ---- A responder of the tests' own, playing a printer with every feature, and bending its
// replies by a rule.

Table EveryFeature() {
  Table table;
  const auto add = [&](const char* oid, kv::snmp::Value value) {
    table.rows.push_back({ParseOid(oid), value});
  };
  kv::snmp::Value disk;
  disk.tag = kv::snmp::kTagObjectId;
  disk.oid = ParseOid("1.3.6.1.2.1.25.3.1.6");
  add("1.3.6.1.2.1.1.1.0", Int(0));
  add("1.3.6.1.2.1.25.3.2.1.2.1", disk);
  add("1.3.6.1.2.1.43.8.2.1.2.1.1", Int(3));
  add("1.3.6.1.2.1.43.8.2.1.2.1.2", Int(3));
  add("1.3.6.1.2.1.43.13.4.1.9.1.1", Int(3));
  add("1.3.6.1.2.1.43.30.1.1.3.1.1", Int(3));
  return table;
}

// The responder playing the printer with every feature.
class Responder : public kvtest::Responder {
 public:
  explicit Responder(Rule rule, uint32_t address = INADDR_LOOPBACK)
      : kvtest::Responder(std::move(rule), address, EveryFeature()) {}
};

TEST_F(Companion, TheRespondersCorrectRepliesAreAnswers) {
  const struct {
    const char* label;
    Rule rule;
    uint32_t address = INADDR_LOOPBACK;
  } cases[] = {
      {"correct", [](const Message&, const Message& correct) { return One(correct); }},
      {"correct, from a printer at 127.0.0.2",
       [](const Message&, const Message& correct) { return One(correct); }, kSecondLoopback},
      {"version 1 only",
       [](const Message& request, const Message& correct) {
         return request.version == kv::snmp::kVersion1 ? One(correct) : std::vector<Datagram>{};
       }},
      {"hostile replies first, then the correct one",
       [](const Message&, const Message& correct) {
         Message other_id = correct, other_community = correct;
         other_id.request_id ^= 0x100;
         other_community.community = "publiC";
         std::vector<Datagram> replies = {{kv::snmp::EncodeMessage(other_id)},
                                          {kv::snmp::EncodeMessage(other_community)},
                                          {kv::snmp::EncodeMessage(correct), Via::kOtherPort},
                                          {std::vector<uint8_t>(3000, 0x30)},
                                          {{0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF}}};
         replies.push_back({kv::snmp::EncodeMessage(correct)});
         return replies;
       }},
  };
  for (const auto& c : cases) {
    Responder responder(c.rule, c.address);
    PortAt(c.address == INADDR_LOOPBACK ? L"127.0.0.1" : L"127.0.0.2");
    Settings(responder.port(), 2000);
    const Outcome outcome = Update();
    EXPECT_EQ(1, outcome.result) << c.label;
    ExpectAnswers(outcome, 1, 1, 1, 1, c.label);
  }
}

TEST_F(Companion, ASlowReplyToAnEarlierTryStillCounts) {
  PortAt(L"127.0.0.1");
  std::atomic<int> seen{0};
  Responder responder([&](const Message&, const Message& correct) {
    // The first request's tries are answered late, after the first wait is over.
    if (seen++ == 0) Sleep(kv::snmp::kFirstWait + 150);
    return One(correct);
  });
  Settings(responder.port(), 2000);
  const Outcome outcome = Update();
  EXPECT_EQ(1, outcome.result);
  EXPECT_EQ(1, outcome.field(kv::kStatusTray2));
}

TEST_F(Companion, HostileRepliesAreIgnoredAndEndInNoAnswerWithinTheBudget) {
  const auto append = [](std::vector<uint8_t> bytes, uint8_t extra) {
    bytes.push_back(extra);
    return bytes;
  };
  const struct {
    const char* label;
    Rule rule;
  } cases[] = {
      {"from another port",
       [](const Message&, const Message& c) { return One(c, Via::kOtherPort); }},
      {"from another address",
       [](const Message&, const Message& c) { return One(c, Via::kOtherAddress); }},
      {"another request id",
       [](const Message&, const Message& c) {
         Message m = c;
         m.request_id += 1;
         return One(m);
       }},
      {"another community",
       [](const Message&, const Message& c) {
         Message m = c;
         m.community = "public ";
         return One(m);
       }},
      {"a version not sent",
       [](const Message&, const Message& c) {
         Message m = c;
         m.version = 3;
         return One(m);
       }},
      {"a request instead of a response",
       [](const Message&, const Message& c) {
         Message m = c;
         m.pdu = kv::snmp::kGetRequest;
         return One(m);
       }},
      {"two bindings for one",
       [](const Message&, const Message& c) {
         Message m = c;
         m.bindings.push_back(m.bindings[0]);
         return One(m);
       }},
      {"truncated",
       [](const Message&, const Message& c) {
         std::vector<uint8_t> bytes = kv::snmp::EncodeMessage(c);
         bytes.pop_back();
         return std::vector<Datagram>{{bytes}};
       }},
      {"a byte past the message",
       [&](const Message&, const Message& c) {
         return std::vector<Datagram>{{append(kv::snmp::EncodeMessage(c), 0)}};
       }},
      {"larger than the receive buffer",
       [](const Message&, const Message& c) {
         Message m = c;
         m.bindings[0].value.tag = kv::snmp::kTagOctetString;
         m.bindings[0].value.bytes.assign(kv::snmp::kReceiveBuffer + 100, 'x');
         return One(m);
       }},
      {"nested too deep",
       [](const Message&, const Message& c) {
         std::vector<uint8_t> bytes = kv::snmp::EncodeMessage(c);
         for (int i = 0; i < 100; ++i) {
           std::vector<uint8_t> outer = {0x30, 0x82, static_cast<uint8_t>(bytes.size() >> 8),
                                         static_cast<uint8_t>(bytes.size())};
           outer.insert(outer.end(), bytes.begin(), bytes.end());
           bytes.swap(outer);
         }
         return std::vector<Datagram>{{bytes}};
       }},
      {"values of the wrong types",
       [](const Message&, const Message& c) {
         Message m = c;
         if (m.bindings[0].value.tag == kv::snmp::kTagInteger)
           m.bindings[0].value.tag = kv::snmp::kTagGauge32;
         else if (m.bindings[0].value.tag == kv::snmp::kTagObjectId)
           m.bindings[0].value = Int(6);
         return One(m);
       }},
      {"a walk that never ends",
       [](const Message& request, const Message& c) {
         Message m = c;
         m.bindings[0].name = request.bindings[0].name;
         m.bindings[0].name.push_back(1);
         m.bindings[0].value = Int(3);
         return One(m);
       }},
      {"a walk that stands still",
       [](const Message& request, const Message& c) {
         Message m = c;
         m.bindings[0].name = request.bindings[0].name;
         if (m.bindings[0].name.size() == 11) m.bindings[0].name.push_back(1);
         m.bindings[0].value = Int(3);
         return One(m);
       }},
      {"a walk that goes back",
       [](const Message& request, const Message& c) {
         Message m = c;
         m.bindings[0].name = request.bindings[0].name;
         if (m.bindings[0].name.size() >= 12)
           m.bindings[0].name.back() -= 1;
         else
           m.bindings[0].name.push_back(9);
         m.bindings[0].value = Int(3);
         return One(m);
       }},
  };
  const int budget = 700;
  for (const auto& c : cases) {
    const bool other_address = std::string(c.label) == "from another address";
    Responder responder(c.rule, other_address ? kSecondLoopback : INADDR_LOOPBACK);
    PortAt(other_address ? L"127.0.0.2" : L"127.0.0.1");
    ASSERT_TRUE(responder.other_address_bound())
        << "127.0.0.2 is the loopback's only in ./build.sh test's namespace";
    Settings(responder.port(), budget);
    const Outcome outcome = Update();
    EXPECT_EQ(0, outcome.result) << c.label;
    EXPECT_EQ(EveryFeatureAsked(), outcome.record) << c.label;
    EXPECT_LT(outcome.elapsed_ms, budget + kvtest::kLateBy) << c.label;
    EXPECT_GT(responder.requests.load(), 0) << c.label;
  }
}

TEST_F(Companion, ALongWalkIsCutAtItsRowBound) {
  PortAt(L"127.0.0.1");
  std::atomic<int> inputs{0};
  Responder responder([&](const Message& request, const Message& c) {
    Message m = c;
    const kv::snmp::Oid column = ParseOid("1.3.6.1.2.1.43.8.2.1.2");
    if (request.pdu == kv::snmp::kGetNextRequest &&
        (request.bindings[0].name == column ||
         kv::snmp::IsBelow(request.bindings[0].name, column))) {
      const uint32_t row =
          request.bindings[0].name == column ? 1 : request.bindings[0].name.back() + 1;
      m.bindings[0].name = column;
      m.bindings[0].name.push_back(1);
      m.bindings[0].name.push_back(row);
      m.bindings[0].value = Int(3);
      ++inputs;
    }
    return One(m);
  });
  Settings(responder.port(), 2000);
  const Outcome outcome = Update();
  EXPECT_EQ(-1, outcome.field(kv::kStatusTray2)) << "a table with no end is no answer";
  EXPECT_EQ(1, outcome.field(kv::kStatusDuplex)) << "the other tables still answer";
  EXPECT_EQ(1, outcome.result);
  EXPECT_EQ(static_cast<int>(65), inputs.load()) << "64 rows and the one past the bound";
}

// ---- A walk bent part way through: only version 1's noSuchName or version 2c's exceptions
// end a table; any other error status leaves the column unanswered.

const kv::snmp::Oid kInputColumn = ParseOid("1.3.6.1.2.1.43.8.2.1.2");
const kv::snmp::Oid kInputCapacityColumn = ParseOid("1.3.6.1.2.1.43.8.2.1.9");
const kv::snmp::Oid kMediaPathColumn = ParseOid("1.3.6.1.2.1.43.13.4.1.9");

struct Bend {
  const char* label;
  int32_t version;  // the only version answered
  const kv::snmp::Oid* column;
  int error_at;  // this GETNEXT in the column (from 1) gets `error_status`
  int32_t error_status;
  int32_t end_status;  // in place of the reply that leaves the column, when not 0
  uint8_t end_tag;     // likewise, a binding exception
  int16_t trays, duplex;
};

// The responder's printer with both its trays removable, so that neither is taken for the
// record's multi-purpose tray (tray code 1), and its walk of one column bent.
Rule Bent(const Bend& b) {
  return [b, in_column = 0](const Message& request, const Message& correct) mutable {
    if (request.version != b.version) return std::vector<Datagram>{};
    Message m = correct;
    if (kv::snmp::IsBelow(m.bindings[0].name, kInputColumn) && m.bindings[0].value.number == 4)
      m.bindings[0].value = Int(3);
    const kv::snmp::Oid& asked = request.bindings[0].name;
    if (request.pdu != kv::snmp::kGetNextRequest ||
        !(asked == *b.column || kv::snmp::IsBelow(asked, *b.column)))
      return One(m);
    const bool error = ++in_column == b.error_at;
    if (error ||
        (!kv::snmp::IsBelow(m.bindings[0].name, *b.column) && (b.end_status || b.end_tag))) {
      m.bindings = request.bindings;
      m.error_status = error ? b.error_status : b.end_status;
      m.error_index = m.error_status ? 1 : 0;
      if (!error && b.end_tag) m.bindings[0].value.tag = b.end_tag;
    }
    return One(m);
  };
}

TEST_F(Companion, AnErrorPartWayThroughAWalkIsNoAnswerNotTheTableEnd) {
  constexpr int32_t v1 = kv::snmp::kVersion1, v2c = kv::snmp::kVersion2c;
  constexpr int32_t kTooBig = 1, kNoSuchName = 2, kGenErr = 5, kAuthorizationError = 16;
  const Bend cases[] = {
      {"genErr at the second input", v2c, &kInputColumn, 2, kGenErr, 0, 0, -1, 1},
      {"tooBig at the first input", v2c, &kInputColumn, 1, kTooBig, 0, 0, -1, 1},
      {"authorizationError at the second input", v2c, &kInputColumn, 2, kAuthorizationError, 0, 0,
       -1, 1},
      {"version 2c's noSuchName past the last input", v2c, &kInputColumn, 3, kNoSuchName, 0, 0, -1,
       1},
      {"version 1's genErr at the second input", v1, &kInputColumn, 2, kGenErr, 0, 0, -1, 1},
      {"genErr in the input capacities", v2c, &kInputCapacityColumn, 1, kGenErr, 0, 0, -1, 1},
      {"genErr in the media paths", v2c, &kMediaPathColumn, 1, kGenErr, 0, 0, 1, -1},
      {"version 1's noSuchName past the last input", v1, &kInputColumn, 0, 0, kNoSuchName, 0, 1, 1},
      {"version 1's noSuchName for the input capacities", v1, &kInputCapacityColumn, 0, 0,
       kNoSuchName, 0, 1, 1},
      {"endOfMibView past the last input", v2c, &kInputColumn, 0, 0, 0, kv::snmp::kTagEndOfMibView,
       1, 1},
      {"noSuchInstance past the last input", v2c, &kInputColumn, 0, 0, 0,
       kv::snmp::kTagNoSuchInstance, 1, 1},
  };
  PortAt(L"127.0.0.1");
  for (const Bend& c : cases) {
    Responder responder(Bent(c));
    Settings(responder.port(), 2000);
    const Outcome outcome = Update();
    EXPECT_EQ(1, outcome.result) << c.label;
    ExpectAnswers(outcome, c.trays, c.duplex, 1, 1, c.label);
  }
}

}  // namespace
