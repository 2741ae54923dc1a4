// The built companion library asking printers over IPP: CUPS's ippeveprinter playing each
// printer case (started for these tests by tools/ipp-printers), and an HTTP responder of the
// tests' own that answers in hostile ways; then what the library remembers of its printers.
// Nothing is sent beyond the loopback address.
#include <winsock2.h>

#include <windows.h>
#include <shlwapi.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "companion/answer_memory.h"
#include "companion/companion.h"
#include "companion/ipp.h"
#include "companion/ipp_client.h"
#include "tests/support/companion_fixture.h"
#include "tests/support/ipp_responder.h"

namespace {

using kvtest::Be16;
using kvtest::Companion;
using kvtest::Enum;
using kvtest::EveryFeatureAsked;
using kvtest::HttpReply;
using kvtest::HttpRequest;
using kvtest::IppAttribute;
using kvtest::IppResponder;
using kvtest::IppResponse;
using kvtest::IppRule;
using kvtest::Ok;
using kvtest::Outcome;
using kvtest::PrinterPort;
using kvtest::QuietAgent;
using kvtest::Record;

// The record of a PPD with the features IPP can answer: trays, duplex and finisher.
Record AskedOverIpp() {
  Record record = EveryFeatureAsked();
  kv::WriteStatusField(record.data(), kv::kStatusHardDisk, -1);
  return record;
}

Record NothingAsked() {
  Record record = EveryFeatureAsked();
  for (int offset = 0; offset < kv::kStatusFlagsOffset; offset += 2)
    kv::WriteStatusField(record.data(), offset, -1);
  return record;
}

// A printer with one extra tray, duplex and a stapler.
std::vector<IppAttribute> EveryIppFeature() {
  return {{0x44, "sides-supported", {"one-sided", "two-sided-long-edge"}},
          {0x44, "media-source-supported", {"auto", "by-pass-tray", "tray-1", "tray-2"}},
          {0x23, "finishings-supported", {Enum(3), Enum(4)}}};
}

HttpReply Correct(const HttpRequest& request) {
  return Ok(IppResponse(request.request_id(), 0, EveryIppFeature()));
}

class CompanionIpp : public Companion {
 protected:
  void SetUp() override {
    Companion::SetUp();
    PortAt(L"127.0.0.1");
  }
};

TEST_F(CompanionIpp, EachIppPrinterAnswersThroughIppeveprinter) {
  ASSERT_NE(0, PrinterPort(L"ipp-everything"))
      << "no printers in " << testing::PrintToString(kvtest::PrintersFile())
      << ": run the tests through ctest, which starts them";
  // What a case does not serve over IPP goes to an agent that serves none of the tables.
  const int snmp = kvtest::AgentPort(L"no-printer-mib");
  const struct {
    const wchar_t* printer;
    int16_t trays, duplex, finisher;
  } cases[] = {
      {L"ipp-no-extra-tray", 0, -1, -1},   {L"ipp-one-tray", 1, -1, -1},
      {L"ipp-two-trays", 3, -1, -1},       {L"ipp-three-trays", 4, -1, -1},
      {L"ipp-trays-by-source", 3, -1, -1}, {L"ipp-duplex", -1, 1, -1},
      {L"ipp-simplex", -1, 0, -1},         {L"ipp-finisher", -1, -1, 1},
      {L"ipp-finishings", -1, -1, 1},      {L"ipp-everything", 3, 1, 1},
  };
  for (const auto& c : cases) {
    const std::string label = testing::PrintToString(std::wstring(c.printer));
    const int port = PrinterPort(c.printer);
    ASSERT_NE(0, port) << label;
    Settings(snmp, 3000);
    Ipp(port);
    const Outcome outcome = Update(AskedOverIpp());
    EXPECT_EQ(1, outcome.result) << label;
    EXPECT_EQ(c.trays, outcome.field(kv::kStatusTray2)) << label;
    EXPECT_EQ(c.duplex, outcome.field(kv::kStatusDuplex)) << label;
    EXPECT_EQ(-1, outcome.field(kv::kStatusHardDisk)) << label << ": not asked, not touched";
    EXPECT_EQ(c.finisher, outcome.field(kv::kStatusFinisher)) << label;
    printf("   %-22ls answered in %llu ms\n", c.printer, outcome.elapsed_ms);
  }

  // A printer that answers everything asked over IPP is not asked over SNMP.
  QuietAgent quiet;
  Settings(quiet.port(), 3000);
  Ipp(PrinterPort(L"ipp-everything"));
  EXPECT_EQ(1, Update(AskedOverIpp()).result);
  EXPECT_EQ(0, quiet.Received());
}

TEST_F(CompanionIpp, WhatIppLeavesUnansweredIsAskedOverSnmp) {
  // The hard disk has no IPP attribute: the agent answers it, IPP the rest.
  Settings(kvtest::AgentPort(L"disk"), 3000);
  IppResponder ipp(Correct);
  Ipp(ipp.port());
  Outcome outcome = Update();
  EXPECT_EQ(1, outcome.result);
  kvtest::ExpectAnswers(outcome, 1, 1, 1, 1, "IPP and SNMP");

  // With SNMP silent the disk stays unanswered, and the plug-in leaves it as it is.
  QuietAgent snmp;
  Settings(snmp.port(), 800);
  outcome = Update();
  EXPECT_EQ(1, outcome.result);
  kvtest::ExpectAnswers(outcome, 1, 1, -1, 1, "IPP only");
  EXPECT_GT(snmp.Received(), 0);

  // A closed IPP port leaves everything to SNMP; so does one that takes the request and never
  // answers, within the half of the budget IPP may have.
  Settings(kvtest::AgentPort(L"everything"), 2000);
  Ipp(kvtest::ClosedPort(SOCK_STREAM));
  outcome = Update();
  EXPECT_EQ(1, outcome.result);
  kvtest::ExpectAnswers(outcome, 4, 1, 1, 1, "a closed IPP port");
  IppResponder mute([](const HttpRequest& r) { return HttpReply{Correct(r).bytes, true}; });
  Ipp(mute.port());
  outcome = Update();
  EXPECT_EQ(1, outcome.result);
  kvtest::ExpectAnswers(outcome, 4, 1, 1, 1, "an IPP port that does not answer");
  EXPECT_EQ(1, mute.requests.load());
}

TEST_F(CompanionIpp, AVersionOnePrinterAndTheSecondPathAreTried) {
  const struct {
    const char* label;
    IppRule rule;
    int requests;
  } cases[] = {
      {"IPP 1.1 only",
       [](const HttpRequest& r) {
         return r.major() == 2 ? Ok(IppResponse(r.request_id(), 0x0503, {}, 1))
                               : Ok(IppResponse(r.request_id(), 0, EveryIppFeature(), 1));
       },
       2},
      {"at /ipp only",
       [](const HttpRequest& r) {
         return r.path == "/ipp" ? Correct(r)
                                 : HttpReply{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"};
       },
       2},
      {"2.0 refused as a bad request, then 1.1",
       [](const HttpRequest& r) {
         return r.major() == 2 ? Ok(IppResponse(r.request_id(), 0x0400, {})) : Correct(r);
       },
       2},
      {"/ipp/print drops the connection, /ipp answers",
       [](const HttpRequest& r) { return r.path == "/ipp" ? Correct(r) : HttpReply{""}; }, 3},
      {"/ipp/print sends an empty body, /ipp answers",
       [](const HttpRequest& r) { return r.path == "/ipp" ? Correct(r) : Ok(""); }, 3},
      {"a success status nobody defined yet",
       [](const HttpRequest& r) {
         return Ok(IppResponse(r.request_id(), 0x0007, EveryIppFeature()));
       },
       1},
      {"attributes nobody asked for, beyond every bound",
       [](const HttpRequest& r) {
         std::vector<IppAttribute> printer = EveryIppFeature();
         printer.push_back({0x41, "printer-alert-description", {std::string(5000, 'x')}});
         printer.push_back({0x44, "media-supported", std::vector<std::string>(600, "iso_a4")});
         for (int i = 0; i < 600; ++i) printer.push_back({0x44, "x-" + std::to_string(i), {"a"}});
         return Ok(IppResponse(r.request_id(), 0, printer));
       },
       1},
  };
  for (const auto& c : cases) {
    IppResponder ipp(c.rule);
    QuietAgent snmp;
    Settings(snmp.port(), 3000);
    Ipp(ipp.port());
    const Outcome outcome = Update(AskedOverIpp());
    EXPECT_EQ(1, outcome.result) << c.label;
    kvtest::ExpectAnswers(outcome, 1, 1, -1, 1, c.label);
    EXPECT_EQ(c.requests, ipp.requests.load()) << c.label;
  }
}

TEST_F(CompanionIpp, HostileResponsesAreNoAnswerWithinTheBudget) {
  std::vector<IppAttribute> many;
  for (int i = 0; i < 10000; ++i) many.push_back({0x44, "sides-supported", {"one-sided"}});
  const struct {
    const char* label;
    IppRule rule;
  } cases[] = {
      {"truncated",
       [](const HttpRequest& r) {
         std::string body = IppResponse(r.request_id(), 0, EveryIppFeature());
         body.resize(body.size() - 6);
         return Ok(body);
       }},
      {"larger than the body bound",
       [](const HttpRequest& r) {
         std::string body = IppResponse(r.request_id(), 0, EveryIppFeature());
         body.insert(body.size() - 1,
                     std::string("\x41") + Be16(1) + "x" + Be16(1000) + std::string(1000, 'x'));
         while (body.size() < kv::ipp::kMaxBody + 1024)
           body.insert(body.size() - 1,
                       std::string("\x41") + Be16(0) + Be16(1000) + std::string(1000, 'x'));
         return Ok(body);
       }},
      {"another request id",
       [](const HttpRequest& r) {
         return Ok(IppResponse(r.request_id() + 1, 0, EveryIppFeature()));
       }},
      {"an error status",
       [](const HttpRequest& r) {
         return Ok(IppResponse(r.request_id(), 0x0400, EveryIppFeature()));
       }},
      {"an attribute longer than its message",
       [](const HttpRequest& r) {
         std::string body = IppResponse(r.request_id(), 0, {});
         body.insert(body.size() - 1, std::string("\x44") + Be16(15) + "sides-supported" +
                                          Be16(60000) + "two-sided-long-edge");
         return Ok(body);
       }},
      {"10,000 attributes",
       [&](const HttpRequest& r) { return Ok(IppResponse(r.request_id(), 0, many)); }},
      {"one byte a second",
       [](const HttpRequest& r) {
         return HttpReply{Correct(r).bytes, true};
       }},
  };
  const int budget = 1200;
  for (const auto& c : cases) {
    IppResponder ipp(c.rule);
    QuietAgent snmp;
    Settings(snmp.port(), budget);
    Ipp(ipp.port());
    const Outcome outcome = Update(AskedOverIpp());
    EXPECT_EQ(0, outcome.result) << c.label;
    EXPECT_EQ(AskedOverIpp(), outcome.record) << c.label;
    EXPECT_LT(outcome.elapsed_ms, budget + kvtest::kLateBy) << c.label;
    EXPECT_GT(ipp.requests.load(), 0) << c.label;
  }
}

// ---- What the library remembers.

// The key of what is remembered of the printer at these ports: the one entry whose name
// starts with its address and ports.
std::wstring MemoryKey(int ipp_port, int snmp_port) {
  const std::wstring start =
      L"127.0.0.1:" + std::to_wstring(ipp_port) + L":" + std::to_wstring(snmp_port) + L":";
  HKEY printers = nullptr;
  std::wstring found;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kv::snmp::kMemoryKey, 0, KEY_READ, &printers) == 0) {
    wchar_t name[256];
    for (DWORD i = 0, length = 256;
         RegEnumKeyExW(printers, i, name, &length, nullptr, nullptr, nullptr, nullptr) == 0;
         ++i, length = 256)
      if (std::wstring(name).compare(0, start.size(), start) == 0) found = name;
    RegCloseKey(printers);
  }
  EXPECT_FALSE(found.empty()) << "nothing remembered of the printer";
  return std::wstring(kv::snmp::kMemoryKey) + L"\\" + found;
}
ULONGLONG SystemTimeNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

void SetTime(const std::wstring& key, const wchar_t* name, ULONGLONG at) {
  SHSetValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_QWORD, &at, sizeof at);
}

TEST_F(CompanionIpp, ASilentPrinterIsNotWaitedOnTwice) {
  const int closed = kvtest::ClosedPort(SOCK_STREAM);
  QuietAgent snmp;
  Memory(600, 60);
  Ipp(closed);
  Settings(snmp.port(), 1000);
  const Outcome first = Update();
  EXPECT_EQ(0, first.result);
  EXPECT_GT(snmp.Received(), 0) << "the first update asks";
  EXPECT_GE(first.elapsed_ms + 20, 1000u) << "and waits for its budget";

  const Outcome second = Update();
  EXPECT_EQ(0, second.result);
  EXPECT_EQ(EveryFeatureAsked(), second.record);
  EXPECT_EQ(0, snmp.Received()) << "within the silence period nothing is sent";
  EXPECT_LT(second.elapsed_ms, first.elapsed_ms) << "without waiting";
  printf("   silent printer: no answer after %llu ms, then from memory after %llu ms\n",
         first.elapsed_ms, second.elapsed_ms);

  // Once the silence is older than its period, the printer is asked again.
  SetTime(MemoryKey(closed, snmp.port()), L"SilentAt", SystemTimeNow() - 61ull * 10000000);
  EXPECT_EQ(0, Update().result);
  EXPECT_GT(snmp.Received(), 0);
}

TEST_F(CompanionIpp, AnAnswerIsRememberedForItsPeriodAndOnlyWhenItCanBeRead) {
  IppResponder ipp(Correct);
  QuietAgent snmp;
  Memory(600, 60);
  Ipp(ipp.port());
  Settings(snmp.port(), 3000);
  ASSERT_EQ(1, Update(AskedOverIpp()).result);
  ASSERT_EQ(1, ipp.requests.load());
  const std::wstring key = MemoryKey(ipp.port(), snmp.port());

  const ULONGLONG now = SystemTimeNow();
  const ULONGLONG second = 10000000;
  const struct {
    const char* label;
    std::function<void()> change;
    bool asked;
  } cases[] = {
      {"fresh", [] {}, false},
      {"599 s old", [&] { SetTime(key, L"AnsweredAt", now - 599 * second); }, false},
      {"601 s old", [&] { SetTime(key, L"AnsweredAt", now - 601 * second); }, true},
      {"dated in the future", [&] { SetTime(key, L"AnsweredAt", now + 3600 * second); }, true},
      {"a time of the wrong type",
       [&] { SHSetValueW(HKEY_CURRENT_USER, key.c_str(), L"AnsweredAt", REG_DWORD, &now, 4); },
       true},
      {"answers of the wrong size",
       [&] {
         const BYTE bytes[11] = {};
         SHSetValueW(HKEY_CURRENT_USER, key.c_str(), L"Answers", REG_BINARY, bytes, sizeof bytes);
       },
       true},
      {"answers of the wrong type",
       [&] { SHSetValueW(HKEY_CURRENT_USER, key.c_str(), L"Answers", REG_SZ, L"123456", 14); },
       true},
  };
  for (const auto& c : cases) {
    c.change();
    const int before = ipp.requests.load();
    const Outcome outcome = Update(AskedOverIpp());
    EXPECT_EQ(1, outcome.result) << c.label;
    kvtest::ExpectAnswers(outcome, 1, 1, -1, 1, c.label);
    EXPECT_EQ(c.asked ? 1 : 0, ipp.requests.load() - before) << c.label;
  }

  // Answers that cannot be: each is ignored, and the printer asked.
  const struct {
    const char* label;
    std::vector<BYTE> bytes;  // trays, duplex, disk, finisher; then how each was got
  } impossible[] = {
      {"a tray code that is none", {2, 0, 1, 0, 0xFF, 0xFF, 1, 0, 1, 1, 0, 1}},
      {"a tray code far out of range", {0xD2, 0x04, 1, 0, 0xFF, 0xFF, 1, 0, 1, 1, 0, 1}},
      {"an answer where none was found", {1, 0, 1, 0, 0xFF, 0xFF, 1, 0, 3, 1, 0, 1}},
      {"a source nobody defined", {1, 0, 1, 0, 0xFF, 0xFF, 1, 0, 1, 9, 0, 1}},
  };
  for (const auto& c : impossible) {
    SHSetValueW(HKEY_CURRENT_USER, key.c_str(), L"Answers", REG_BINARY, c.bytes.data(),
                static_cast<DWORD>(c.bytes.size()));
    const int before = ipp.requests.load();
    kvtest::ExpectAnswers(Update(AskedOverIpp()), 1, 1, -1, 1, c.label);
    EXPECT_EQ(1, ipp.requests.load() - before) << c.label;
  }

  // A field that was not asked before is not in memory: the printer is asked for it. So is
  // a printer asked for a model without a multi-purpose tray, or with another community:
  // what shapes an answer is in its key.
  int before = ipp.requests.load();
  EXPECT_EQ(1, Update().result);
  EXPECT_EQ(1, ipp.requests.load() - before);
  Record without_mp_tray = AskedOverIpp();
  without_mp_tray[kv::kStatusMpTray] = 0;
  EXPECT_EQ(1, Update(without_mp_tray).result);
  EXPECT_EQ(2, ipp.requests.load() - before);
  Settings(snmp.port(), 3000, L"private");
  EXPECT_EQ(1, Update(AskedOverIpp()).result);
  EXPECT_EQ(3, ipp.requests.load() - before);
  EXPECT_EQ(1, Update(AskedOverIpp()).result);
  EXPECT_EQ(3, ipp.requests.load() - before);

  // With memory off the printer is asked each time.
  Memory(0, 0);
  EXPECT_EQ(1, Update(AskedOverIpp()).result);
  EXPECT_EQ(4, ipp.requests.load() - before);
}

TEST_F(CompanionIpp, SnmpSilentAfterIppIsWaitedOnBrieflyAndNotTakenForSilence) {
  IppResponder ipp(Correct);
  QuietAgent snmp;
  Memory(600, 60);
  Ipp(ipp.port());
  Settings(snmp.port(), 3000);
  // The disk is asked over SNMP only; its first reply is awaited a quarter of a second, not
  // the budget, which would hold five tries.
  Outcome outcome = Update();
  EXPECT_EQ(1, outcome.result);
  kvtest::ExpectAnswers(outcome, 1, 1, -1, 1, "the disk unanswered");
  const int tries = snmp.Received();
  EXPECT_GE(tries, 1);
  EXPECT_LE(tries, 2);
  const std::wstring key = MemoryKey(ipp.port(), snmp.port());
  EXPECT_NE(ERROR_SUCCESS,
            SHGetValueW(HKEY_CURRENT_USER, key.c_str(), L"SilentAt", nullptr, nullptr, nullptr))
      << "a printer that answered IPP is not silent";

  // Within the silence period nothing is asked again.
  outcome = Update();
  kvtest::ExpectAnswers(outcome, 1, 1, -1, 1, "from memory");
  EXPECT_EQ(1, ipp.requests.load());
  EXPECT_EQ(0, snmp.Received());

  // After it, the disk that did not come is asked again (and IPP with it); the answers that
  // came are not what made the printer be asked.
  SetTime(key, L"AnsweredAt", SystemTimeNow() - 61ull * 10000000);
  EXPECT_EQ(1, Update().result);
  EXPECT_EQ(2, ipp.requests.load());
  EXPECT_GT(snmp.Received(), 0);
  EXPECT_EQ(1, Update(AskedOverIpp()).result);
  EXPECT_EQ(2, ipp.requests.load()) << "without the disk, everything is remembered";

  // A closed SNMP port is not waited on at all.
  Settings(kvtest::ClosedPort(SOCK_DGRAM), 3000);
  outcome = Update();
  kvtest::ExpectAnswers(outcome, 1, 1, -1, 1, "SNMP switched off");
  EXPECT_LT(outcome.elapsed_ms, static_cast<ULONGLONG>(kv::snmp::kLeastSnmpWait));
}

TEST_F(CompanionIpp, StaleEntriesAndTheRoamingMemoryGoWhenTheMemoryIsWritten) {
  const ULONGLONG day = 86400ull * 10000000;
  const std::wstring printers = std::wstring(kv::snmp::kMemoryKey) + L"\\";
  const struct {
    const wchar_t* name;
    const wchar_t* value;  // null: no time at all
    long long days_ago;
    bool kept;
  } entries[] = {
      {L"192.0.2.1", L"AnsweredAt", 31, false}, {L"192.0.2.2", L"SilentAt", 29, true},
      {L"192.0.2.3", nullptr, 0, false},        {L"192.0.2.4", L"AnsweredAt", -31, false},
      {L"192.0.2.5", L"AnsweredAt", 1, true},
  };
  for (const auto& e : entries) {
    const std::wstring key = printers + e.name;
    if (e.value)
      SetTime(key, e.value, SystemTimeNow() - static_cast<ULONGLONG>(e.days_ago * day));
    else
      SHSetValueW(HKEY_CURRENT_USER, key.c_str(), L"Answers", REG_BINARY, "", 0);
  }
  SetTime(L"Software\\KVPrint\\Printers\\192.0.2.9:631:161", L"AnsweredAt", SystemTimeNow());

  IppResponder ipp(Correct);
  QuietAgent snmp;
  Memory(600, 60);
  Ipp(ipp.port());
  Settings(snmp.port(), 3000);
  ASSERT_EQ(1, Update(AskedOverIpp()).result);
  for (const auto& e : entries) {
    HKEY key = nullptr;
    const bool there = RegOpenKeyExW(HKEY_CURRENT_USER, (printers + e.name).c_str(), 0, KEY_READ,
                                     &key) == ERROR_SUCCESS;
    if (key) RegCloseKey(key);
    EXPECT_EQ(e.kept, there) << testing::PrintToString(std::wstring(e.name));
  }
  HKEY roaming = nullptr;
  EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\KVPrint\\Printers", 0,
                                         KEY_READ, &roaming));
  if (roaming) RegCloseKey(roaming);
}

TEST_F(CompanionIpp, TwoUpdatesAtOnceKeepTheirOwnBudgets) {
  // Two ports of the same silent printer, one by address and one by host name (looked up on
  // a thread of its own), asked at once from two threads of the host.
  QuietAgent snmp;
  Ipp(kvtest::ClosedPort(SOCK_STREAM));
  Settings(snmp.port(), 1500);
  const std::wstring by_name = kvtest::UniqueName(L"KVSNMPNAME");
  const std::wstring by_name_key = std::wstring(kvtest::kStandardPorts) + by_name;
  SHSetValueW(HKEY_LOCAL_MACHINE, by_name_key.c_str(), L"IPAddress", REG_SZ, L"", 2);
  SHSetValueW(HKEY_LOCAL_MACHINE, by_name_key.c_str(), L"HostName", REG_SZ, L"localhost", 20);
  Update(NothingAsked());  // loads the library before the threads start

  Outcome outcomes[2];
  std::thread threads[2] = {std::thread([&] { outcomes[0] = Update(); }), std::thread([&] {
                              outcomes[1] = Update(EveryFeatureAsked(), by_name);
                            })};
  const ULONGLONG start = GetTickCount64();
  for (auto& thread : threads) thread.join();
  const ULONGLONG both = GetTickCount64() - start;
  SHDeleteKeyW(HKEY_LOCAL_MACHINE, by_name_key.c_str());
  for (const Outcome& outcome : outcomes) {
    EXPECT_EQ(0, outcome.result);
    EXPECT_GE(outcome.elapsed_ms + 20, 1500u);
    EXPECT_LT(outcome.elapsed_ms, 1500u + kvtest::kLateBy);
  }
  EXPECT_LT(both, 2 * 1500u) << "the two updates ran side by side";
  EXPECT_GT(snmp.Received(), 0);
}

}  // namespace
