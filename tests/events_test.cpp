// Printer and driver events against a sandboxed HKEY_CURRENT_USER.
#include <windows.h>

#include <gtest/gtest.h>

#include <winspool.h>
#include <winddiui.h>

#include <string>

#include "plugin/events.h"
#include "tests/support/sandbox.h"

using kvtest::CreateKeyWithValue;
using kvtest::KeyExists;

namespace {

class DriverEventTest : public testing::Test {
 protected:
  kvtest::RegistrySandbox sandbox_;
};

DRIVER_INFO_1W Info1(wchar_t* name) { return DRIVER_INFO_1W{name}; }

DRIVER_INFO_3W Info3(wchar_t* name) {
  DRIVER_INFO_3W info = {};
  info.cVersion = 3;
  info.pName = name;
  return info;
}

TEST_F(DriverEventTest, DeleteRemovesOnlyThatDriversKey) {
  CreateKeyWithValue(L"Software\\KVPrint\\Driver A", L"Setting", L"1");
  CreateKeyWithValue(L"Software\\KVPrint\\Driver B", L"Setting", L"2");
  wchar_t name[] = L"Driver A";
  DRIVER_INFO_3W info = Info3(name);
  EXPECT_EQ(S_OK, kv::DriverEvent(DRIVER_EVENT_DELETE, 3, reinterpret_cast<BYTE*>(&info), 0));
  EXPECT_FALSE(KeyExists(L"Software\\KVPrint\\Driver A"));
  EXPECT_TRUE(KeyExists(L"Software\\KVPrint\\Driver B"));
  EXPECT_TRUE(KeyExists(L"Software\\KVPrint"));
}

TEST_F(DriverEventTest, TheVendorKeyGoesWithTheLastDriver) {
  CreateKeyWithValue(L"Software\\KVPrint\\Driver A", L"Setting", L"1");
  wchar_t name[] = L"Driver A";
  DRIVER_INFO_1W info = Info1(name);
  EXPECT_EQ(S_OK, kv::DriverEvent(DRIVER_EVENT_DELETE, 1, reinterpret_cast<BYTE*>(&info), 0));
  EXPECT_FALSE(KeyExists(L"Software\\KVPrint\\Driver A"));
  EXPECT_FALSE(KeyExists(L"Software\\KVPrint"));
  EXPECT_TRUE(KeyExists(L"Software"));
}

// Windows keeps a key that still holds values; so must the plug-in, under Wine too.
TEST_F(DriverEventTest, TheVendorKeyStaysWhileItHoldsValues) {
  CreateKeyWithValue(L"Software\\KVPrint", L"Shared", L"kept");
  CreateKeyWithValue(L"Software\\KVPrint\\Driver A", L"Setting", L"1");
  kv::RemoveDriverSettings(L"Driver A");
  EXPECT_FALSE(KeyExists(L"Software\\KVPrint\\Driver A"));
  EXPECT_TRUE(KeyExists(L"Software\\KVPrint"));
  EXPECT_EQ(L"kept", kvtest::ReadString(L"Software\\KVPrint", L"Shared"));
}

TEST_F(DriverEventTest, ADriverKeyWithSubkeysIsLeftInPlace) {
  CreateKeyWithValue(L"Software\\KVPrint\\Driver A\\Nested", L"Setting", L"1");
  kv::RemoveDriverSettings(L"Driver A");
  EXPECT_TRUE(KeyExists(L"Software\\KVPrint\\Driver A\\Nested"));
}

TEST_F(DriverEventTest, NothingIsRemovedWithoutADriverName) {
  CreateKeyWithValue(L"Software\\KVPrint", nullptr, L"");
  CreateKeyWithValue(L"Software\\KVPrint\\Driver A", L"Setting", L"1");
  wchar_t name[] = L"Driver A";
  DRIVER_INFO_3W info = Info3(name);
  wchar_t empty[] = L"";
  DRIVER_INFO_1W empty_info = Info1(empty);
  struct Case {
    const char* what;
    DWORD level;
    BYTE* info;
  };
  const Case cases[] = {
      {"unknown level 0", 0, reinterpret_cast<BYTE*>(&info)},
      {"unknown level 5", 5, reinterpret_cast<BYTE*>(&info)},
      {"null information", 3, nullptr},
      {"empty name", 1, reinterpret_cast<BYTE*>(&empty_info)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(S_OK, kv::DriverEvent(DRIVER_EVENT_DELETE, c.level, c.info, 0)) << c.what;
    EXPECT_TRUE(KeyExists(L"Software\\KVPrint\\Driver A")) << c.what;
  }
  kv::RemoveDriverSettings(nullptr);
  kv::RemoveDriverSettings(L"");
  EXPECT_TRUE(KeyExists(L"Software\\KVPrint\\Driver A"));
}

TEST_F(DriverEventTest, OtherEventsAndMissingKeysChangeNothing) {
  CreateKeyWithValue(L"Software\\KVPrint\\Driver A", L"Setting", L"1");
  wchar_t name[] = L"Driver A";
  DRIVER_INFO_3W info = Info3(name);
  EXPECT_EQ(S_OK, kv::DriverEvent(DRIVER_EVENT_INITIALIZE, 3, reinterpret_cast<BYTE*>(&info), 0));
  EXPECT_EQ(S_OK, kv::DriverEvent(77, 3, reinterpret_cast<BYTE*>(&info), 0));
  EXPECT_TRUE(KeyExists(L"Software\\KVPrint\\Driver A"));

  wchar_t other[] = L"Driver Z";
  DRIVER_INFO_3W missing = Info3(other);
  EXPECT_EQ(S_OK, kv::DriverEvent(DRIVER_EVENT_DELETE, 3, reinterpret_cast<BYTE*>(&missing), 0));
  EXPECT_TRUE(KeyExists(L"Software\\KVPrint\\Driver A"));
}

// The language code is kept under the printer's name; a driver of another name leaves it.
TEST_F(DriverEventTest, ThePrintersLanguageCodeSurvivesUnlessTheNamesMatch) {
  CreateKeyWithValue(L"Software\\KVprint\\Office Printer", L"DrvCntCode", L"GR");
  kv::RemoveDriverSettings(L"Korvane CP3520 PS");
  EXPECT_EQ(L"GR", kvtest::ReadString(L"Software\\KVprint\\Office Printer", L"DrvCntCode"));
  kv::RemoveDriverSettings(L"Office Printer");
  EXPECT_FALSE(KeyExists(L"Software\\KVprint\\Office Printer"));
}

TEST_F(DriverEventTest, ALongDriverNameIsCutNotOverflowed) {
  CreateKeyWithValue(L"Software\\KVPrint\\Driver A", L"Setting", L"1");
  const std::wstring long_name(4000, L'n');
  kv::RemoveDriverSettings(long_name.c_str());
  EXPECT_TRUE(KeyExists(L"Software\\KVPrint\\Driver A"));
}

TEST(PrinterEvent, AnswersOkForEveryEvent) {
  wchar_t name[] = L"Any Printer";
  for (INT event = 0; event <= 8; ++event)
    EXPECT_EQ(S_OK, kv::PrinterEvent(name, event, PRINTER_EVENT_FLAG_NO_UI, 0)) << event;
  EXPECT_EQ(S_OK, kv::PrinterEvent(nullptr, 1, 0, 0));
}

}  // namespace
