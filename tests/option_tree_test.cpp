// The plug-in's items in the host's option trees, filled through CommonUIProp as the host
// calls it.
#include "options/option_tree.h"

#include "context/sheet_context.h"
#include "devmode/private_devmode.h"
#include "tests/support/plugin_fixture.h"

using emuhost::EmulatedHost;
using kvtest::ModelKeys;

namespace {

class OptionTreeTest : public kvtest::PluginFixture {};

TEST_F(OptionTreeTest, TheCountingCallOnlyCounts) {
  for (DWORD mode : {OEMCUIP_DOCPROP, OEMCUIP_PRNPROP}) {
    EmulatedHost& host = NewHost();
    host.cuip_.pOEMOptItems = nullptr;
    host.cuip_.cOEMOptItems = 99;
    spooler_.driver_calls = 0;
    EXPECT_EQ(S_OK, plugin_->CommonUIProp(mode, &host.cuip_));
    EXPECT_EQ(mode == OEMCUIP_DOCPROP ? 2u : 1u, host.cuip_.cOEMOptItems);
    EXPECT_EQ(nullptr, host.cuip_.OEMCUIPCallback);
    EXPECT_EQ(nullptr, host.cuip_.pOEMUserData);
    EXPECT_EQ(0, spooler_.driver_calls) << "no model is read for counting";
  }
}

TEST_F(OptionTreeTest, UnknownModesAndNullParamsAreRefused) {
  EmulatedHost& host = NewHost();
  for (DWORD mode : {0u, 3u, 100u}) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(E_FAIL, plugin_->CommonUIProp(mode, &host.cuip_)) << mode;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError()) << mode;
  }
  SetLastError(0xdeadbeef);
  EXPECT_EQ(E_FAIL, plugin_->CommonUIProp(OEMCUIP_DOCPROP, nullptr));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST_F(OptionTreeTest, TheDocumentTreeGetsHoldAndCopiesPushButtons) {
  EmulatedHost& host = NewHost();
  ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_DOCPROP));
  ASSERT_EQ(2u, host.PluginItemCount());
  EXPECT_NE(nullptr, host.cuip_.OEMCUIPCallback);
  const wchar_t* captions[] = {L"Print and Hold", L"Color Copies Setting"};
  for (DWORD i = 0; i < 2; ++i) {
    const OPTITEM& item = host.PluginItems()[i];
    EXPECT_EQ(sizeof(OPTITEM), item.cbSize);
    EXPECT_EQ(2, item.Level);
    EXPECT_EQ(static_cast<DWORD>(OPTIF_COLLAPSE), item.Flags);
    EXPECT_EQ(0u, item.UserData);
    EXPECT_EQ(0, item.Sel);
    EXPECT_EQ(DMPUB_USER, item.DMPubID);
    EXPECT_STREQ(captions[i], item.pName);
    ASSERT_NE(nullptr, item.pOptType);
    const OPTTYPE& type = *item.pOptType;
    EXPECT_EQ(sizeof(OPTTYPE), type.cbSize);
    EXPECT_EQ(TVOT_PUSHBUTTON, type.Type);
    EXPECT_EQ(1, type.Count);
    EXPECT_EQ(OTS_PUSH_ENABLE_ALWAYS, type.Style);
    ASSERT_NE(nullptr, type.pOptParam);
    EXPECT_EQ(sizeof(OPTPARAM), type.pOptParam->cbSize);
    EXPECT_EQ(PUSHBUTTON_TYPE_CALLBACK, type.pOptParam->Style);
    EXPECT_EQ(kv::kPushButtonIcon, type.pOptParam->IconID);
    ASSERT_NE(nullptr, type.pOptParam->pData);
    // The push callback acts on nothing but a push.
    auto pushed = reinterpret_cast<_CPSUICALLBACK>(type.pOptParam->pData);
    CPSUICBPARAM cb = {sizeof cb};
    cb.Reason = CPSUICB_REASON_SEL_CHANGED;
    EXPECT_EQ(CPSUICB_ACTION_NONE, pushed(&cb));
  }
  // Captions and option types live in the host's heap.
  EXPECT_TRUE(HeapValidate(host.cuip_.hOEMHeap, 0, host.PluginItems()[0].pName));
}

TEST_F(OptionTreeTest, MissingCaptionsReadAsTheKeyName) {
  WriteStringTable(L"[Other Dialog]\r\nCaption=x\r\n");
  EmulatedHost& host = NewHost();
  ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_DOCPROP));
  EXPECT_STREQ(L"Caption", host.PluginItems()[0].pName);
  EXPECT_STREQ(L"Caption", host.PluginItems()[1].pName);
}

TEST_F(OptionTreeTest, TheHoldRuleAsksTheHostOnlyWhenTheDiskIsOptional) {
  struct Case {
    const char* what;
    int secure, printer_hdd, installed_hdd;
    const char* option4;  // host answer, null: unknown feature
    const char* hard_disk;
    bool hidden;
    int asked;
  };
  const Case cases[] = {
      {"built-in disk", 0, 0, 1, nullptr, nullptr, false, 0},
      {"no disk at all", 0, 0, 0, "True", "True", true, 0},
      {"no disk, secure print", 1, 0, 0, nullptr, nullptr, false, 0},
      {"optional disk installed", 0, 1, 0, "True", nullptr, false, 1},
      {"optional disk absent", 0, 1, 0, "False", "True", true, 1},
      {"Option4 unknown, PrinterHardDisk installed", 0, 1, 0, nullptr, "True", false, 2},
      {"both unknown", 0, 1, 0, nullptr, nullptr, true, 2},
      {"answer is not exactly True", 0, 1, 0, "TrueX", nullptr, true, 1},
      {"optional disk absent, secure print", 1, 1, 0, "False", nullptr, false, 0},
  };
  for (const auto& c : cases) {
    ModelKeys model;
    model.secure_print = c.secure;
    model.printer_hdd = c.printer_hdd;
    model.installed_hdd = c.installed_hdd;
    WriteModel(model);
    EmulatedHost& host = NewHost();
    if (c.option4) host.driver_ui.settings["Option4"] = c.option4;
    if (c.hard_disk) host.driver_ui.settings["PrinterHardDisk"] = c.hard_disk;
    ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_DOCPROP));
    EXPECT_EQ(c.hidden, (host.PluginItems()[0].Flags & OPTIF_HIDE) != 0) << c.what;
    EXPECT_EQ(c.asked, static_cast<int>(host.driver_ui.calls.size())) << c.what;
    EXPECT_EQ(c.installed_hdd ? 1 : 0, Record().wHddInstalled) << c.what;
    EXPECT_EQ(c.printer_hdd, Record().wPrinterHDD) << c.what;
  }
}

TEST_F(OptionTreeTest, TheCopiesItemFollowsTheModel) {
  for (int setting : {0, 1}) {
    ModelKeys model;
    model.copies_setting = setting;
    WriteModel(model);
    EmulatedHost& host = NewHost();
    ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_DOCPROP));
    EXPECT_EQ(setting == 0, (host.PluginItems()[1].Flags & OPTIF_HIDE) != 0);
    EXPECT_EQ(setting, Record().wCopiesSetting);
  }
}

TEST_F(OptionTreeTest, AMissingHardDiskSettingIsCreatedFromTheHostsSelection) {
  ModelKeys model;
  model.installed_hdd = 0;
  WriteModel(model);
  EmulatedHost& host = NewHost();
  host.HostItem("Option4")->Sel = 1;
  ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_DOCPROP));
  ASSERT_EQ(1u, spooler_.data.count(L"HDD_SETTING"));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), spooler_.data[L"HDD_SETTING"].type);
  EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), spooler_.data[L"HDD_SETTING"].bytes);

  // A stored setting is left as it is.
  spooler_.data_writes.clear();
  EmulatedHost& again = NewHost();
  again.HostItem("Option4")->Sel = 0;
  ASSERT_EQ(S_OK, again.FillTree(OEMCUIP_DOCPROP));
  EXPECT_TRUE(spooler_.data_writes.empty());

  // Nor does it depend on the host handing over a private record.
  spooler_.data.clear();
  EmulatedHost& no_record = NewHost();
  no_record.cuip_.pOEMDM = nullptr;
  ASSERT_EQ(S_OK, no_record.FillTree(OEMCUIP_DOCPROP));
  EXPECT_EQ(1u, spooler_.data.count(L"HDD_SETTING"));

  // A model with a built-in disk never creates it.
  spooler_.data.clear();
  WriteModel(ModelKeys());
  EmulatedHost& built_in = NewHost();
  ASSERT_EQ(S_OK, built_in.FillTree(OEMCUIP_DOCPROP));
  EXPECT_EQ(0u, spooler_.data.count(L"HDD_SETTING"));
}

TEST_F(OptionTreeTest, AdjustmentFlagsLockTheFirstMatchingHostItem) {
  struct Case {
    BYTE flags;
    std::vector<BYTE> locked_ids;
    bool media_keyword_locked;
  };
  const Case cases[] = {
      {0x00, {}, false},
      {0x01, {DMPUB_COLOR}, false},
      {0x02, {DMPUB_DUPLEX}, false},
      {0x04, {DMPUB_DEFSOURCE}, false},
      {0x08, {}, true},  // the keyed item stands before the one with id 12
      {0x0F, {DMPUB_COLOR, DMPUB_DUPLEX, DMPUB_DEFSOURCE}, true},
  };
  for (const auto& c : cases) {
    auto items = emuhost::StandardHostItems();
    // Put "JCLMediaType" first, before the public media item.
    items.insert(items.begin(), {"JCLMediaType", 0, L"Printer Media Type", 0});
    EmulatedHost& host = NewHost(items);
    Record().bAdjustFlags = c.flags;
    ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_DOCPROP));
    size_t locked = 0;
    for (const auto& item : host.host_items) {
      const DWORD lock = OPTIF_DISABLED | OPTIF_CHANGED;
      if ((item.Flags & lock) != lock) continue;
      ++locked;
    }
    const size_t expected = c.locked_ids.size() + (c.media_keyword_locked ? 1 : 0);
    EXPECT_EQ(expected, locked) << int(c.flags);
    for (BYTE id : c.locked_ids)
      EXPECT_TRUE(host.HostItemById(id)->Flags & OPTIF_DISABLED) << int(id);
    EXPECT_EQ(c.media_keyword_locked, (host.host_items[0].Flags & OPTIF_DISABLED) != 0);
    EXPECT_FALSE(host.HostItemById(DMPUB_MEDIATYPE)->Flags & OPTIF_DISABLED);
  }
}

TEST_F(OptionTreeTest, ThePrinterTreeGetsJobAccountingAndKeepsItsContext) {
  for (int accounting : {1, 0}) {
    ModelKeys model;
    model.job_accounting = accounting;
    WriteModel(model);
    EmulatedHost& host = NewHost();
    loader_.loaded.clear();
    ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_PRNPROP));
    ASSERT_EQ(1u, host.PluginItemCount());
    const OPTITEM& item = host.PluginItems()[0];
    EXPECT_STREQ(L"Job Accounting", item.pName);
    EXPECT_EQ(1, item.Level);
    EXPECT_EQ(accounting == 0, (item.Flags & OPTIF_HIDE) != 0);
    ASSERT_NE(nullptr, host.cuip_.pOEMUserData);
    EXPECT_TRUE(HeapValidate(host.cuip_.hOEMHeap, 0, host.cuip_.pOEMUserData));
    EXPECT_EQ(accounting, static_cast<kv::SheetContext*>(host.cuip_.pOEMUserData)->iJobAccounting);
    EXPECT_NE(nullptr, host.cuip_.OEMCUIPCallback);
    EXPECT_EQ(1u, loader_.loaded.size()) << "the printer tree always asks the printer";
  }
}

TEST_F(OptionTreeTest, TheDocumentTreeAsksThePrinterOnlyWhenTheModelSaysSo) {
  for (int auto_configuration : {0, 1}) {
    ModelKeys model;
    model.auto_configuration = auto_configuration;
    WriteModel(model);
    EmulatedHost& host = NewHost();
    loader_.loaded.clear();
    ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_DOCPROP));
    EXPECT_EQ(static_cast<size_t>(auto_configuration), loader_.loaded.size());
  }
}

}  // namespace
