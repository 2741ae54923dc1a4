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

using kv::PolicyValue;
using kv::snmp::Settings;
namespace policy = kv::policy;

// The file gives every setting a value of its own, which no default has.
constexpr wchar_t kFile[] =
    L"[SNMP]\r\nCommunity=fromfile\r\nPort=1161\r\nBudgetMs=900\r\n"
    L"[IPP]\r\nEnabled=1\r\nPort=8631\r\n[Cache]\r\nAnswersSeconds=300\r\nSilenceSeconds=30\r\n";

struct PolicyCase {
  const char* name;
  const PolicyValue* value;
  DWORD type;  // REG_DWORD or REG_SZ
  DWORD number;
  const wchar_t* text;
  std::function<bool(const Settings&)> holds;
};

const PolicyCase kCases[] = {
    {"community", &policy::kSnmpCommunity, REG_SZ, 0, L"c0mmun1ty",
     [](const Settings& s) { return s.community == "c0mmun1ty"; }},
    {"empty community is none", &policy::kSnmpCommunity, REG_SZ, 0, L"",
     [](const Settings& s) { return s.community == "fromfile"; }},
    {"community of the wrong type", &policy::kSnmpCommunity, REG_DWORD, 7, nullptr,
     [](const Settings& s) { return s.community == "fromfile"; }},
    {"SNMP port", &policy::kSnmpPort, REG_DWORD, 10161, nullptr,
     [](const Settings& s) { return s.port == 10161; }},
    {"SNMP port out of range", &policy::kSnmpPort, REG_DWORD, 70000, nullptr,
     [](const Settings& s) { return s.port == 1161; }},
    {"port of the wrong type", &policy::kSnmpPort, REG_SZ, 0, L"10161",
     [](const Settings& s) { return s.port == 1161; }},
    {"budget", &policy::kBudgetMs, REG_DWORD, 4000, nullptr,
     [](const Settings& s) { return s.budget_ms == 4000; }},
    {"budget cut to a minute", &policy::kBudgetMs, REG_DWORD, 90000, nullptr,
     [](const Settings& s) { return s.budget_ms == 60000; }},
    {"IPP off", &policy::kIppEnabled, REG_DWORD, 0, nullptr,
     [](const Settings& s) { return !s.ipp.enabled; }},
    {"IPP port", &policy::kIppPort, REG_DWORD, 1631, nullptr,
     [](const Settings& s) { return s.ipp.port == 1631 && s.ipp.enabled; }},
    {"memory off", &policy::kAnswersSeconds, REG_DWORD, 0, nullptr,
     [](const Settings& s) { return s.memory.answers_seconds == 0; }},
    {"silence period", &policy::kSilenceSeconds, REG_DWORD, 5, nullptr,
     [](const Settings& s) { return s.memory.silence_seconds == 5; }},
};

TEST(Policy, EachValueWinsOverTheSettingsFile) {
  kvtest::TempDir dir;
  const std::wstring file = dir.Write(L"kvpsuN.ini", kFile);
  for (const PolicyCase& row : kCases) {
    SCOPED_TRACE(row.name);
    kvtest::RegistrySandbox registry;
    const std::wstring key = std::wstring(L"Policies\\") + row.value->key;
    kv::unique_hkey written;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, written.put(), nullptr));
    if (row.type == REG_DWORD)
      RegSetValueExW(written.get(), row.value->name, 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&row.number), sizeof row.number);
    else
      RegSetValueExW(written.get(), row.value->name, 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(row.text),
                     static_cast<DWORD>((wcslen(row.text) + 1) * sizeof(wchar_t)));
    kv::unique_hkey root;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, L"Policies", 0, KEY_READ, root.put()));
    Settings settings = kv::snmp::ReadSettings(file.c_str());
    kv::snmp::ApplyPolicy(kv::Policy(root.get()), settings);
    EXPECT_TRUE(row.holds(settings));
  }
}

TEST(Policy, WithoutAPolicyTheFileHolds) {
  kvtest::TempDir dir;
  const std::wstring file = dir.Write(L"kvpsuN.ini", kFile);
  Settings settings = kv::snmp::ReadSettings(file.c_str());
  kv::snmp::ApplyPolicy(kv::Policy(nullptr), settings);
  EXPECT_EQ("fromfile", settings.community);
  EXPECT_EQ(1161, settings.port);
  EXPECT_EQ(900u, settings.budget_ms);
  EXPECT_EQ(8631, settings.ipp.port);
  EXPECT_EQ(300u, settings.memory.answers_seconds);
}

}  // namespace
