// The machine policy over the companion's settings file: each value set by policy wins over the
// file's, under the same range rules, and a value of the wrong type is not set.
#include <winsock2.h>

#include "platform/policy.h"

#include <windows.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "companion/companion.h"
#include "platform/handles.h"
#include "tests/support/sandbox.h"

namespace {

using kv::snmp::Settings;
namespace policy = kv::policy;

// The file gives every setting a value of its own, which no default has.
constexpr wchar_t kFile[] =
    L"[SNMP]\r\nCommunity=fromfile\r\nPort=1161\r\nBudgetMs=900\r\n"
    L"[IPP]\r\nEnabled=1\r\nPort=8631\r\n[Cache]\r\nAnswersSeconds=300\r\nSilenceSeconds=30\r\n";

struct PolicyCase {
  const char* name;
  const kv::PolicyValue& value;
  DWORD number;         // set as a REG_DWORD, unless
  const wchar_t* text;  // a text is given: set as a REG_SZ
  std::function<bool(const Settings&)> holds;
};

const PolicyCase kCases[] = {
    {"community", policy::kSnmpCommunity, 0, L"c0mm",
     [](auto& s) { return s.community == "c0mm"; }},
    {"empty community", policy::kSnmpCommunity, 0, L"",
     [](auto& s) { return s.community == "fromfile"; }},
    {"community of another type", policy::kSnmpCommunity, 7, nullptr,
     [](auto& s) { return s.community == "fromfile"; }},
    {"SNMP port", policy::kSnmpPort, 10161, nullptr, [](auto& s) { return s.port == 10161; }},
    {"port out of range", policy::kSnmpPort, 70000, nullptr,
     [](auto& s) { return s.port == 1161; }},
    {"budget", policy::kBudgetMs, 4000, nullptr, [](auto& s) { return s.budget_ms == 4000; }},
    {"budget cut to a minute", policy::kBudgetMs, 90000, nullptr,
     [](auto& s) { return s.budget_ms == 60000; }},
    {"IPP off", policy::kIppEnabled, 0, nullptr, [](auto& s) { return !s.ipp.enabled; }},
    {"IPP port", policy::kIppPort, 1631, nullptr, [](auto& s) { return s.ipp.port == 1631; }},
    {"memory off", policy::kAnswersSeconds, 0, nullptr,
     [](auto& s) { return s.memory.answers_seconds == 0 && s.memory.silence_seconds == 30; }},
    {"silence", policy::kSilenceSeconds, 5, nullptr,
     [](auto& s) { return s.memory.silence_seconds == 5; }},
};

TEST(Policy, EachValueWinsOverTheSettingsFile) {
  kvtest::TempDir dir;
  const std::wstring file = dir.Write(L"kvpsuN.ini", kFile);
  for (const PolicyCase& row : kCases) {
    SCOPED_TRACE(row.name);
    kvtest::RegistrySandbox registry;
    const std::wstring key = std::wstring(L"Policies\\") + row.value.key;
    const DWORD type = row.text ? REG_SZ : REG_DWORD;
    const auto* data = row.text ? reinterpret_cast<const BYTE*>(row.text)
                                : reinterpret_cast<const BYTE*>(&row.number);
    const DWORD bytes = row.text ? static_cast<DWORD>((wcslen(row.text) + 1) * 2) : 4;
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), row.value.name, type, data, bytes));
    kv::unique_hkey root;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, L"Policies", 0, KEY_READ, root.put()));
    Settings settings = kv::snmp::ReadSettings(file.c_str());
    kv::snmp::ApplyPolicy(kv::Policy(root.get()), settings);
    EXPECT_TRUE(row.holds(settings));
  }
}

}  // namespace
