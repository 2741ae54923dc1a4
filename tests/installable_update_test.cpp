// The installable-option update against scripted companion libraries.
#include "autoconfig/installable_update.h"

#include <cstring>

#include "host/status_record.h"
#include "tests/support/plugin_fixture.h"

using emuhost::EmulatedHost;
using emuhost::HostItemSpec;
using kvtest::ModelKeys;

namespace {

// What the scripted companion saw and what it answers; one companion at a time.
struct Script {
  SHORT result = 1;
  int16_t tray_code = 0, duplex = -1, hard_disk = -1, finisher = -1;
  bool called = false;
  std::string port;
  BYTE seen[kv::kStatusRecordSize] = {};
  LONG one = 0, zero = -1;
};
Script g_script;

SHORT WINAPI ScriptedCompanion(LPCSTR port, BYTE* status, LONG* one, LONG zero) {
  g_script.called = true;
  g_script.port = port;
  std::memcpy(g_script.seen, status, kv::kStatusRecordSize);
  g_script.one = *one;
  g_script.zero = zero;
  kv::WriteStatusField(status, kv::kStatusTray2, g_script.tray_code);
  kv::WriteStatusField(status, kv::kStatusDuplex, g_script.duplex);
  kv::WriteStatusField(status, kv::kStatusHardDisk, g_script.hard_disk);
  kv::WriteStatusField(status, kv::kStatusFinisher, g_script.finisher);
  return g_script.result;
}

class InstallableUpdateTest : public kvtest::PluginFixture {
 protected:
  InstallableUpdateTest() {
    g_script = Script();
    loader_.entry = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(ScriptedCompanion));
    spooler_.port_name = L"IP_192.0.2.10";
  }

  EmulatedHost& Host(std::vector<HostItemSpec> items) {
    EmulatedHost& host = NewHost(std::move(items));
    host.driver_ui.calls.clear();
    return host;
  }
  void Update(EmulatedHost& host) { kv::UpdateInstallableOptions(&host.cuip_, &host.driver_ui); }

  // "DrvUpgradeRegistrySetting(feature, option)" calls in order.
  static std::vector<std::string> Upgrades(const EmulatedHost& host) {
    std::vector<std::string> upgrades;
    for (const auto& call : host.driver_ui.calls)
      if (call.method == "DrvUpgradeRegistrySetting")
        upgrades.push_back(call.feature + "=" + call.option);
    return upgrades;
  }
};

TEST_F(InstallableUpdateTest, TheStatusRecordSaysWhichFeaturesThePpdHas) {
  struct Case {
    const char* what;
    std::vector<const char*> keywords;
    int16_t tray2, duplex, disk, tray3, finisher;
  };
  const Case cases[] = {
      {"none", {}, -1, -1, -1, -1, -1},
      {"second keywords only",
       {"OptTray2", "DuplexUnit", "PrinterHardDisk", "OptTray3"},
       0,
       0,
       0,
       0,
       -1},
      {"first keywords", {"Option1", "Option2", "Option4", "Option5", "Finisher"}, 0, 0, 0, 0, 0},
      {"fields without a status", {"Option6", "InstalledMemory", "OptTray4"}, -1, -1, -1, -1, -1},
  };
  ModelKeys model;
  model.extra_sections = L"[FUNCTION]\r\n";  // the switches come from the existing section
  for (const auto& c : cases) {
    std::vector<HostItemSpec> items;
    for (const char* keyword : c.keywords) items.push_back({keyword, 0, L"item", 0});
    EmulatedHost& host = Host(items);
    g_script.called = false;
    Update(host);
    ASSERT_TRUE(g_script.called) << c.what;
    const BYTE* seen = g_script.seen;
    EXPECT_EQ(c.tray2, kv::ReadStatusField(seen, 4)) << c.what;
    EXPECT_EQ(c.duplex, kv::ReadStatusField(seen, 6)) << c.what;
    EXPECT_EQ(c.disk, kv::ReadStatusField(seen, 8)) << c.what;
    EXPECT_EQ(c.tray3, kv::ReadStatusField(seen, 12)) << c.what;
    EXPECT_EQ(c.finisher, kv::ReadStatusField(seen, 16)) << c.what;
    for (int offset : {0, 2, 10, 14, 18})
      EXPECT_EQ(-1, kv::ReadStatusField(seen, offset)) << offset;
    for (int offset = 22; offset < 32; ++offset) EXPECT_EQ(0, seen[offset]) << offset;
  }
  EXPECT_EQ("IP_192.0.2.10", g_script.port);
  EXPECT_EQ(1, g_script.one);
  EXPECT_EQ(0, g_script.zero);
}

TEST_F(InstallableUpdateTest, TheModelsSwitchesTravelInTheRecord) {
  for (int network : {0, 1, 7}) {
    ModelKeys model;
    model.extra_sections = L"";
    WriteModel(model);
    // The profile's [FUNCTION] section is the one WriteModel writes; extend it in place.
    dir_.Write(L"MODELu.INI", L"[FUNCTION]\r\nAutoCfgNetworkMDL=" + std::to_wstring(network) +
                                  (network == 7 ? L"\r\nSupportMpTray=0\r\n" : L"\r\n"));
    EmulatedHost& host = Host({});
    Update(host);
    EXPECT_EQ(network, g_script.seen[20]);
    EXPECT_EQ(network == 7 ? 0 : 1, g_script.seen[21]) << "SupportMpTray defaults to 1";
  }
}

TEST_F(InstallableUpdateTest, TheCompanionIsNamedAfterThePlugin) {
  EmulatedHost& host = Host({});
  Update(host);
  ASSERT_EQ(1u, loader_.loaded.size());
  wchar_t own[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
  EXPECT_EQ(std::wstring(own, length - 5) + L"N.DLL", loader_.loaded[0]);
  EXPECT_EQ(std::vector<std::string>{"SNMP_AutoUpdate"}, loader_.looked_up);
  EXPECT_EQ(1, loader_.freed);
}

TEST_F(InstallableUpdateTest, NoAnswerAndMissingCompanionsChangeNothing) {
  struct Case {
    const char* what;
    bool loads;
    bool entry;
    SHORT result;
    int freed;
  };
  const Case cases[] = {{"no library", false, true, 1, 0},
                        {"no entry point", true, false, 1, 1},
                        {"no answer", true, true, 0, 1}};
  for (const auto& c : cases) {
    loader_.loads = c.loads;
    loader_.entry =
        c.entry ? reinterpret_cast<FARPROC>(reinterpret_cast<void*>(ScriptedCompanion)) : nullptr;
    loader_.freed = 0;
    g_script.result = c.result;
    g_script.tray_code = 4;
    g_script.duplex = g_script.hard_disk = g_script.finisher = 1;
    EmulatedHost& host = Host(emuhost::StandardHostItems());
    Update(host);
    EXPECT_TRUE(Upgrades(host).empty()) << c.what;
    EXPECT_EQ(0, host.HostItem("Option1")->Sel) << c.what;
    EXPECT_EQ(c.freed, loader_.freed) << c.what;
  }
}

TEST_F(InstallableUpdateTest, ALongPortNameIsCutForTheCompanion) {
  spooler_.port_name = std::wstring(300, L'p');
  EmulatedHost& host = Host({});
  Update(host);
  ASSERT_TRUE(g_script.called);
  EXPECT_EQ(std::string(255, 'p'), g_script.port);
}

TEST_F(InstallableUpdateTest, NullArgumentsAskNothing) {
  EmulatedHost& host = Host({});
  kv::UpdateInstallableOptions(&host.cuip_, nullptr);
  kv::UpdateInstallableOptions(nullptr, &host.driver_ui);
  EXPECT_TRUE(loader_.loaded.empty());
}

TEST_F(InstallableUpdateTest, NoPortNoQuestion) {
  // An empty port name and a queue that names no port both end the update before the
  // companion is loaded.
  for (const bool names_port : {true, false}) {
    spooler_.port_name.clear();
    spooler_.info_names_port = names_port;
    loader_.loaded.clear();
    g_script = {};
    EmulatedHost& host = Host({});
    Update(host);
    EXPECT_TRUE(loader_.loaded.empty()) << "names port " << names_port;
    EXPECT_FALSE(g_script.called) << "names port " << names_port;
  }
}

TEST_F(InstallableUpdateTest, TrayCodesSetEveryTrayKeyword) {
  // A negative code is no answer: the trays stay as the user set them.
  struct Case {
    int16_t code;
    bool answered;
    LONG tray2, tray3, tray4;
  };
  const Case cases[] = {{0, true, 0, 0, 0},   {1, true, 1, 0, 0},   {2, true, 0, 0, 0},
                        {3, true, 1, 1, 0},   {4, true, 1, 1, 1},   {5, true, 0, 0, 0},
                        {-1, false, 0, 0, 0}, {-2, false, 0, 0, 0}, {-32768, false, 0, 0, 0}};
  const char* names[] = {"Option1", "Option5", "Option6", "OptTray2", "OptTray3", "OptTray4"};
  const LONG before[] = {1, 1, 1, 0, 1, 0};
  for (const auto& c : cases) {
    g_script.tray_code = c.code;
    std::vector<HostItemSpec> items;
    for (int i = 0; i < 6; ++i) items.push_back({names[i], 0, L"", before[i]});
    EmulatedHost& host = Host(items);
    Update(host);
    const LONG answers[] = {c.tray2, c.tray3, c.tray4, c.tray2, c.tray3, c.tray4};
    std::vector<std::string> expected;
    for (int i = 0; i < 6; ++i) {
      const LONG after = c.answered ? answers[i] : before[i];
      EXPECT_EQ(after, host.HostItem(names[i])->Sel) << c.code << " " << names[i];
      // Only changed items are stored.
      if (after != before[i])
        expected.push_back(std::string(names[i]) + "=" + (after ? "True" : "False"));
    }
    EXPECT_EQ(expected, Upgrades(host)) << c.code;
    if (!c.answered) {
      EXPECT_TRUE(host.driver_ui.calls.empty()) << c.code;
    }
  }
}

TEST_F(InstallableUpdateTest, DuplexDiskAndFinisherAnswers) {
  struct Case {
    const char* what;
    std::vector<HostItemSpec> items;
    int16_t duplex, disk, finisher;
    std::vector<std::string> upgrades;
    bool hdd_setting;
    DWORD hdd_value;
  };
  const Case cases[] = {
      {"duplex already installed: DuplexUnit not looked at",
       {{"Option2", 0, L"", 1}, {"DuplexUnit", 0, L"", 0}},
       1,
       -1,
       -1,
       {},
       false,
       0},
      {"duplex through the second keyword",
       {{"DuplexUnit", 0, L"", 0}},
       1,
       -1,
       -1,
       {"DuplexUnit=True"},
       false,
       0},
      {"disk through PrinterHardDisk",
       {{"PrinterHardDisk", 0, L"", 0}},
       -1,
       1,
       -1,
       {"PrinterHardDisk=True"},
       true,
       1},
      {"disk removed", {{"Option4", 0, L"", 1}}, -1, 0, -1, {"Option4=False"}, true, 0},
      {"disk unchanged", {{"Option4", 0, L"", 1}}, -1, 1, -1, {}, false, 0},
      {"finisher removed", {{"Finisher", 0, L"", 1}}, -1, -1, 0, {"Finisher=None"}, false, 0},
      {"finisher added", {{"Finisher", 0, L"", 0}}, -1, -1, 1, {"Finisher=MPFinisher"}, false, 0},
      {"no answers",
       {{"Option2", 0, L"", 0}, {"Option4", 0, L"", 0}, {"Finisher", 0, L"", 0}},
       -1,
       -5,
       -1,
       {},
       false,
       0},
      {"answers beyond 0 and 1 mean installed",
       {{"Option2", 0, L"", 0}, {"Option4", 0, L"", 0}, {"Finisher", 0, L"", 0}},
       7,
       300,
       2,
       {"Option2=True", "Option4=True", "Finisher=MPFinisher"},
       true,
       1},
  };
  for (const auto& c : cases) {
    g_script.duplex = c.duplex;
    g_script.hard_disk = c.disk;
    g_script.finisher = c.finisher;
    spooler_.data.clear();
    EmulatedHost& host = Host(c.items);
    Update(host);
    EXPECT_EQ(c.upgrades, Upgrades(host)) << c.what;
    EXPECT_EQ(c.hdd_setting, spooler_.data.count(L"HDD_SETTING") == 1) << c.what;
    if (c.hdd_setting) {
      DWORD value = 0;
      std::memcpy(&value, spooler_.data[L"HDD_SETTING"].bytes.data(), 4);
      EXPECT_EQ(c.hdd_value, value) << c.what;
    }
    for (const auto& item : host.host_items) {
      EXPECT_TRUE(item.Sel == 0 || item.Sel == 1) << c.what;
      EXPECT_EQ(0u, item.Flags) << "flags are not touched: " << c.what;
    }
  }
}

}  // namespace
