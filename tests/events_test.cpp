// Printer and driver events against a sandboxed HKEY_CURRENT_USER.
#include "plugin/events.h"

#include <windows.h>
#include <winddiui.h>
#include <winspool.h>

#include <string>

#include <gtest/gtest.h>

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
  CreateKeyWithValue(L"Software\\KVprint\\Office Printer", L"DrvCntCode", L"GR");
  wchar_t name[] = L"Driver A";
  DRIVER_INFO_3W info = Info3(name);
  EXPECT_EQ(S_OK, kv::DriverEvent(DRIVER_EVENT_INITIALIZE, 3, reinterpret_cast<BYTE*>(&info), 0));
  EXPECT_EQ(S_OK, kv::DriverEvent(77, 3, reinterpret_cast<BYTE*>(&info), 0));
  EXPECT_TRUE(KeyExists(L"Software\\KVPrint\\Driver A"));

  wchar_t other[] = L"Driver Z";
  DRIVER_INFO_3W missing = Info3(other);
  EXPECT_EQ(S_OK, kv::DriverEvent(DRIVER_EVENT_DELETE, 3, reinterpret_cast<BYTE*>(&missing), 0));
  EXPECT_TRUE(KeyExists(L"Software\\KVPrint\\Driver A"));

  // Printer events, deleting the printer among them, leave every setting in place: only the
  // driver's deletion removes what the plug-in keeps.
  wchar_t printer[] = L"Office Printer";
  for (wchar_t* printer_name : {printer, name, static_cast<wchar_t*>(nullptr)}) {
    for (INT event :
         {PRINTER_EVENT_ADD_CONNECTION, PRINTER_EVENT_DELETE_CONNECTION, PRINTER_EVENT_INITIALIZE,
          PRINTER_EVENT_DELETE, PRINTER_EVENT_CACHE_REFRESH, 77}) {
      EXPECT_EQ(S_OK, kv::PrinterEvent(printer_name, event, PRINTER_EVENT_FLAG_NO_UI, 0)) << event;
      EXPECT_TRUE(KeyExists(L"Software\\KVPrint\\Driver A")) << event;
      EXPECT_EQ(L"GR", kvtest::ReadString(L"Software\\KVprint\\Office Printer", L"DrvCntCode"))
          << event;
    }
  }
}

// The language code is kept under the printer's name; a driver of another name leaves it.
TEST_F(DriverEventTest, ThePrintersLanguageCodeSurvivesUnlessTheNamesMatch) {
  CreateKeyWithValue(L"Software\\KVprint\\Office Printer", L"DrvCntCode", L"GR");
  kv::RemoveDriverSettings(L"Korvane CP3520 PS");
  EXPECT_EQ(L"GR", kvtest::ReadString(L"Software\\KVprint\\Office Printer", L"DrvCntCode"));
  kv::RemoveDriverSettings(L"Office Printer");
  EXPECT_FALSE(KeyExists(L"Software\\KVprint\\Office Printer"));
}

// The name is cut to the 259 units of the driver name buffer: the longest name a key can
// have still reaches its key, and a longer name reaches no key it does not name.
TEST_F(DriverEventTest, ALongDriverNameIsCutNotOverflowed) {
  const std::wstring longest(255, L'n');
  struct Case {
    const char* what;
    std::wstring name;
    bool removed;
  };
  const Case cases[] = {
      {"the longest key name", longest, true},
      {"longer than the buffer", std::wstring(4000, L'n'), false},
      {"the longest key name and more", longest + L'x', false},
  };
  for (const Case& c : cases) {
    CreateKeyWithValue(L"Software\\KVPrint\\Driver A", L"Setting", L"1");
    CreateKeyWithValue(L"Software\\KVPrint\\" + longest, L"Setting", L"1");
    kv::RemoveDriverSettings(c.name.c_str());
    EXPECT_EQ(!c.removed, KeyExists(L"Software\\KVPrint\\" + longest)) << c.what;
    EXPECT_TRUE(KeyExists(L"Software\\KVPrint\\Driver A")) << c.what;
  }
}

}  // namespace
