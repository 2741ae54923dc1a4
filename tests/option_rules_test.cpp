// The change callbacks of the option trees, driven as the host drives them.
#include "options/option_rules.h"

#include <cstring>

#include "context/sheet_context.h"
#include "devmode/private_devmode.h"
#include "options/option_tree.h"
#include "tests/support/plugin_fixture.h"

using emuhost::EmulatedHost;
using kvtest::ModelKeys;

namespace {

class DocumentRulesTest : public kvtest::PluginFixture {
 protected:
  // A document sheet as the host opens it: the sheet's INIT, then the option-tree fill.
  EmulatedHost& OpenDocument(int colour_copies = 0, int mono_copies = 1, short copies = 1) {
    EmulatedHost& host = NewHost();
    Record().dwColorCopies = colour_copies;
    Record().dwMonoCopies = mono_copies;
    host.public_dm.dmCopies = copies;
    host.HostItemById(DMPUB_COPIES_COLLATE)->Sel = copies;
    EXPECT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT));
    EXPECT_EQ(S_OK, host.FillTree(OEMCUIP_DOCPROP));
    return host;
  }
  kv::SheetContext& Context() { return *reinterpret_cast<kv::SheetContext*>(host_->psui.UserData); }
};

TEST_F(DocumentRulesTest, SwitchingToColourSetsTheColourModeThroughTheHost) {
  EmulatedHost& host = OpenDocument();
  host.public_dm.dmColor = DMCOLOR_MONOCHROME;
  EXPECT_EQ(CPSUICB_ACTION_NONE, host.Select(host.HostItemById(DMPUB_COLOR), 1));

  EXPECT_EQ(1, host.HostItem("ColorMode")->Sel);
  EXPECT_TRUE(host.HostItem("ColorMode")->Flags & OPTIF_CHANGED);
  ASSERT_EQ(1u, host.driver_ui.calls.size());
  EXPECT_EQ("DrvUpdateUISetting", host.driver_ui.calls[0].method);
  EXPECT_EQ("ColorMode", host.driver_ui.calls[0].feature);
  EXPECT_EQ(0u, host.driver_ui.calls[0].previous);
  EXPECT_EQ(static_cast<DWORD>(OEMCUIP_DOCPROP), host.driver_ui.calls[0].mode);
  const OPTITEM& gray = *host.HostItem("JCLEnhanceGray");
  EXPECT_EQ(0, gray.Sel);
  EXPECT_TRUE(gray.Flags & OPTIF_DISABLED);
  EXPECT_FALSE(host.PluginItems()[kv::kCopiesItem].Flags & OPTIF_DISABLED);

  host.Select(host.HostItemById(DMPUB_COLOR), 0);
  EXPECT_EQ(0, host.HostItem("ColorMode")->Sel);
  EXPECT_FALSE(host.HostItem("JCLEnhanceGray")->Flags & OPTIF_DISABLED);
  EXPECT_TRUE(host.PluginItems()[kv::kCopiesItem].Flags & OPTIF_DISABLED);
}

TEST_F(DocumentRulesTest, ModelsWithoutTheFeaturesLeaveTheirItemsAlone) {
  ModelKeys model;
  model.grayscale = 0;
  model.copies_setting = 0;
  WriteModel(model);
  EmulatedHost& host = OpenDocument();
  host.HostItem("JCLEnhanceGray")->Sel = 2;
  host.Select(host.HostItemById(DMPUB_COLOR), 1);
  EXPECT_EQ(2, host.HostItem("JCLEnhanceGray")->Sel);
  EXPECT_EQ(0u, host.HostItem("JCLEnhanceGray")->Flags);
  EXPECT_EQ(1, host.HostItem("ColorMode")->Sel) << "the colour mode follows on every model";
}

TEST_F(DocumentRulesTest, CopiesChangeWithoutColourCopiesNeedsNoQuestion) {
  EmulatedHost& host = OpenDocument(0, 2, 2);
  host.Select(host.HostItemById(DMPUB_COPIES_COLLATE), 3);
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_EQ(0, Record().dwColorCopies);
  EXPECT_EQ(2, Record().dwMonoCopies) << "refreshed from the sheet, which still holds 2";
  EXPECT_EQ(3, Context().wCurrentCopies);
  EXPECT_EQ(2, Context().wPreviousCopies);
}

TEST_F(DocumentRulesTest, CopiesChangeWithColourCopiesAsksFirst) {
  struct Case {
    int answer;
    LONG copies_sel;
    short dm_copies;
    int colour, mono;
  };
  const Case cases[] = {
      {IDNO, 3, 3, 2, 1},   // back to the old count, split kept
      {IDYES, 5, 5, 0, 5},  // the new count, all in black and white
  };
  for (const auto& c : cases) {
    boxes_.shown.clear();
    boxes_.answers = {c.answer};
    EmulatedHost& host = OpenDocument(2, 1, 3);
    HWND dialog = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
    OPTITEM* copies = host.HostItemById(DMPUB_COPIES_COLLATE);
    copies->Sel = 5;
    host.public_dm.dmCopies = 5;
    host.Callback(CPSUICB_REASON_SEL_CHANGED, copies, 3, dialog);
    ASSERT_EQ(1u, boxes_.shown.size());
    EXPECT_EQ(L"Print all copies in black and white?", boxes_.shown[0].text);
    EXPECT_EQ(L"Copies changed", boxes_.shown[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), boxes_.shown[0].type);
    EXPECT_EQ(dialog, boxes_.shown[0].owner);
    EXPECT_EQ(c.copies_sel, copies->Sel);
    EXPECT_EQ(c.dm_copies, host.public_dm.dmCopies);
    EXPECT_EQ(c.colour, Record().dwColorCopies);
    EXPECT_EQ(c.mono, Record().dwMonoCopies);
  }
}

TEST_F(DocumentRulesTest, ApplyStoresTheSheetsChoicesInTheRecord) {
  ModelKeys model;
  model.extra_common = L"Graphics600Res=257\r\n";  // entries 1 and 600
  model.extra_sections = L"[DEFAULTDEVMODE]\r\niResolution=300\r\n";
  WriteModel(model);
  EmulatedHost& host = OpenDocument(2, 1, 3);
  ASSERT_EQ(2, Context().nResolution);
  host.PluginItems()[kv::kHoldItem].Sel = 7;
  host.HostItem("StapleLocation")->Sel = 2;
  host.HostItem("Quality")->Sel = 1;
  host.HostItemById(DMPUB_NUP)->Sel = 6;
  host.HostItem("JCLRegionColor")->Sel = 3;
  EXPECT_EQ(CPSUICB_ACTION_NONE, host.Callback(CPSUICB_REASON_APPLYNOW));
  const kv::PrivateDevmode& r = Record();
  EXPECT_EQ(7, r.iOemItemSel);
  EXPECT_EQ(1, r.wStapleOn);
  EXPECT_EQ(600, r.iResolution);
  EXPECT_EQ(1, r.wNupFlag);
  EXPECT_EQ(3, r.bRegionColor);
  EXPECT_EQ(2, r.dwColorCopies);
  EXPECT_EQ(1, r.dwMonoCopies);
}

TEST_F(DocumentRulesTest, ApplyDropsColourCopiesThatCannotPrint) {
  struct Case {
    const char* what;
    short color;
    short collate;
    int expected_colour;
  };
  const Case cases[] = {
      {"colour, collated", DMCOLOR_COLOR, DMCOLLATE_TRUE, 2},
      {"not collated", DMCOLOR_COLOR, DMCOLLATE_FALSE, 0},
      {"monochrome", DMCOLOR_MONOCHROME, DMCOLLATE_TRUE, 0},
  };
  for (const auto& c : cases) {
    EmulatedHost& host = OpenDocument(2, 1, 3);
    host.public_dm.dmColor = c.color;
    host.public_dm.dmCollate = c.collate;
    host.Callback(CPSUICB_REASON_APPLYNOW);
    EXPECT_EQ(c.expected_colour, Record().dwColorCopies) << c.what;
  }
}

// The copy count the sheet holds against the colour copies it would print: when the count
// fell below them, apply drops the colour copies and keeps the record's black-and-white
// count as it was.
TEST_F(DocumentRulesTest, ApplyDropsColourCopiesWhenTheCountFellBelowThem) {
  struct Case {
    WORD current;
    int colour, mono;
    DWORD stored_colour, stored_mono;
  };
  const Case cases[] = {
      {3, 2, 1, 2, 1},  // enough copies: the split is stored
      {2, 2, 0, 2, 0},  // exactly the colour copies
      {1, 2, 5, 0, 7},  // fewer: colour dropped, the stored mono count stays
      {0, 1, 4, 0, 7},
  };
  for (const auto& c : cases) {
    EmulatedHost& host = OpenDocument(0, 7, 1);
    host.public_dm.dmColor = DMCOLOR_COLOR;
    host.public_dm.dmCollate = DMCOLLATE_TRUE;
    Context().wCurrentCopies = c.current;
    Context().iColorCopies = c.colour;
    Context().iMonoCopies = c.mono;
    host.Callback(CPSUICB_REASON_APPLYNOW);
    EXPECT_EQ(c.stored_colour, Record().dwColorCopies) << c.current << "/" << c.colour;
    EXPECT_EQ(c.stored_mono, Record().dwMonoCopies) << c.current << "/" << c.colour;
    if (c.current < c.colour) {
      EXPECT_EQ(0, Context().iColorCopies) << c.current;
    }
  }
}

// Activating the sheet of a monochrome document: the host's colour mode goes to its
// monochrome choice, the colour-copies button is disabled and the grayscale enhancement
// offered; a colour document gets the opposite.
TEST_F(DocumentRulesTest, SetActiveAppliesTheColourRulesOfTheDocument) {
  for (const short colour : {DMCOLOR_MONOCHROME, DMCOLOR_COLOR}) {
    EmulatedHost& host = OpenDocument();
    host.public_dm.dmColor = colour;
    host.HostItem("ColorMode")->Sel = colour == DMCOLOR_COLOR ? 0 : 1;
    host.HostItem("JCLEnhanceGray")->Sel = 1;
    host.Callback(CPSUICB_REASON_SETACTIVE);
    const bool is_colour = colour == DMCOLOR_COLOR;
    EXPECT_EQ(is_colour ? 1 : 0, host.HostItem("ColorMode")->Sel) << colour;
    EXPECT_EQ(!is_colour, (host.PluginItems()[kv::kCopiesItem].Flags & OPTIF_DISABLED) != 0)
        << colour;
    const OPTITEM& gray = *host.HostItem("JCLEnhanceGray");
    EXPECT_EQ(is_colour, (gray.Flags & OPTIF_DISABLED) != 0) << colour;
    EXPECT_EQ(is_colour ? 0 : 1, gray.Sel) << "a monochrome document keeps its enhancement";
  }
}

TEST_F(DocumentRulesTest, AQualityBeyondTheResolutionTableKeepsTheResolution) {
  ModelKeys model;
  model.extra_common = L"Graphics600Res=257\r\n";
  model.extra_sections = L"[DEFAULTDEVMODE]\r\niResolution=300\r\n";
  WriteModel(model);
  EmulatedHost& host = OpenDocument();
  const int16_t before = Record().iResolution;
  for (LONG sel : {2L, 10L, 1000L, -1L}) {
    host.HostItem("Quality")->Sel = sel;
    host.Callback(CPSUICB_REASON_APPLYNOW);
    EXPECT_EQ(before, Record().iResolution) << sel;
  }
}

TEST_F(DocumentRulesTest, ApplyKeepsTheHeldJobsUserForTheJobMonitor) {
  ModelKeys model;
  model.extra_oemfiles = L"JobMointor=1\r\nJobMointorPath=Software\\Korvane\\Monitor\r\n";
  WriteModel(model);
  EmulatedHost& host = OpenDocument();
  std::memcpy(Record().szHoldUserID, L"abcdefghijklmnopqrst", 40);  // all 20 units, no end
  host.Callback(CPSUICB_REASON_APPLYNOW);
  EXPECT_EQ(L"abcdefghijklmnopqrst",
            kvtest::ReadString(L"Software\\Korvane\\Monitor", L"Office Printer"));
}

TEST_F(DocumentRulesTest, SetActiveRestoresTheSheetAndKillActiveSavesIt) {
  EmulatedHost& host = OpenDocument();
  Record().iOemItemSel = 4;
  Record().bRegionColor = 2;
  EXPECT_EQ(CPSUICB_ACTION_OPTIF_CHANGED, host.Callback(CPSUICB_REASON_SETACTIVE));
  const OPTITEM& hold = host.PluginItems()[kv::kHoldItem];
  EXPECT_EQ(4, hold.Sel);
  EXPECT_TRUE(hold.Flags & OPTIF_CHANGED);
  for (DWORD i = 0; i < host.PluginItemCount(); ++i)
    EXPECT_EQ(host.psui.UserData, host.PluginItems()[i].UserData) << "push buttons carry the sheet";
  EXPECT_EQ(2, host.HostItem("JCLRegionColor")->Sel);
  bool region_told = false;
  for (const auto& call : host.driver_ui.calls) region_told |= call.feature == "JCLRegionColor";
  EXPECT_TRUE(region_told);

  host.PluginItems()[kv::kHoldItem].Sel = 9;
  host.HostItem("StapleLocation")->Sel = 1;
  host.HostItem("JCLRegionColor")->Sel = 4;
  EXPECT_EQ(CPSUICB_ACTION_NONE, host.Callback(CPSUICB_REASON_KILLACTIVE));
  EXPECT_EQ(9, Record().iOemItemSel);
  EXPECT_EQ(1, Record().wStapleOn);
  EXPECT_EQ(4, Record().bRegionColor);
}

TEST_F(DocumentRulesTest, ARegionTheHostItemDoesNotOfferLeavesTheItemAsItIs) {
  // The host's region item has five options (0 to 4); a record may come from a PPD with more,
  // or from anywhere.
  const struct {
    uint8_t region;
    LONG sel;
  } cases[] = {{4, 4}, {5, 0}, {200, 0}};
  for (const auto& c : cases) {
    EmulatedHost& host = OpenDocument();
    host.HostItem("JCLRegionColor")->Sel = 0;
    Record().bRegionColor = c.region;
    host.Callback(CPSUICB_REASON_SETACTIVE);
    EXPECT_EQ(c.sel, host.HostItem("JCLRegionColor")->Sel) << int{c.region};
    EXPECT_TRUE(host.SelectionsOutOfRange().empty()) << int{c.region};
  }
}

TEST_F(DocumentRulesTest, ARecordThatDoesNotLinkToALiveSheetChangesNothing) {
  EmulatedHost& host = OpenDocument();
  const uint32_t live = Record().pSheetLink;
  struct Case {
    const char* what;
    uint32_t link;
  };
  const Case cases[] = {{"zero", 0},
                        {"another generation", live + 0x100},
                        {"another slot", live ^ 0x01},
                        {"garbage", 0xCDCDCDCD}};
  for (const auto& c : cases) {
    Record().pSheetLink = c.link;
    Record().iOemItemSel = 0;
    host.PluginItems()[kv::kHoldItem].Sel = 5;
    EXPECT_EQ(CPSUICB_ACTION_NONE, host.Callback(CPSUICB_REASON_SETACTIVE)) << c.what;
    EXPECT_EQ(CPSUICB_ACTION_NONE, host.Callback(CPSUICB_REASON_APPLYNOW)) << c.what;
    EXPECT_EQ(0, Record().iOemItemSel) << c.what;
  }
  // A sheet that has closed no longer answers to its link.
  Record().pSheetLink = live;
  EXPECT_EQ(CPSUICB_ACTION_OPTIF_CHANGED, host.Callback(CPSUICB_REASON_SETACTIVE));
  host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_DESTROY);
  EXPECT_EQ(CPSUICB_ACTION_NONE, host.Callback(CPSUICB_REASON_SETACTIVE));
}

class PrinterRulesTest : public kvtest::PluginFixture {};

TEST_F(PrinterRulesTest, ApplyStoresAccountingDiskAndItemSelection) {
  EmulatedHost& host = NewHost();
  ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_PRNPROP));
  auto& context = *static_cast<kv::SheetContext*>(host.cuip_.pOEMUserData);
  wcscpy(context.szJobAccountID, L"dept42");
  wcscpy(context.szJobAccountPW, L"secret");
  context.bJobAccountConfirmed = TRUE;  // the Job Accounting dialog's OK
  host.HostItem("Option4")->Sel = 1;
  host.PluginItems()[0].Sel = 3;
  loader_.loaded.clear();
  EXPECT_EQ(CPSUICB_ACTION_OPTIF_CHANGED, host.Callback(CPSUICB_REASON_APPLYNOW));

  const auto text = [&](const wchar_t* name) {
    const auto& bytes = spooler_.data[name].bytes;
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  };
  EXPECT_EQ(L"dept42", text(L"JOBACCOUNT_ID")) << "stored without a terminator";
  EXPECT_EQ(L"secret", text(L"JOBACCOUNT_PW"));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), spooler_.data[L"JOBACCOUNT_ID"].type);
  EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), spooler_.data[L"HDD_SETTING"].bytes);
  EXPECT_EQ((std::vector<BYTE>{3, 0, 0, 0}), spooler_.data[L"OEMUI_VALUE"].bytes);
  EXPECT_STREQ(L"", context.szJobAccountPW) << "the stored password does not stay in memory";
  EXPECT_EQ(1u, loader_.loaded.size()) << "apply asks the printer again";
  EXPECT_FALSE(context.bJobAccountConfirmed);

  // A second apply without a new confirmation leaves the stored values alone.
  spooler_.data[L"JOBACCOUNT_ID"] = {REG_SZ, {'x', 0}};
  wcscpy(context.szJobAccountID, L"typing");
  EXPECT_EQ(CPSUICB_ACTION_OPTIF_CHANGED, host.Callback(CPSUICB_REASON_APPLYNOW));
  EXPECT_EQ(L"x", text(L"JOBACCOUNT_ID"));
  EXPECT_EQ(L"secret", text(L"JOBACCOUNT_PW"));
}

TEST_F(PrinterRulesTest, TheHardDiskSelectionComesFromEitherKeyword) {
  struct Case {
    bool option4, printer_hard_disk;
    bool stored;
  };
  const Case cases[] = {{true, true, true}, {false, true, true}, {false, false, false}};
  for (const auto& c : cases) {
    std::vector<emuhost::HostItemSpec> items;
    if (c.option4) items.push_back({"Option4", 0, L"Hard Disk", 1});
    if (c.printer_hard_disk) items.push_back({"PrinterHardDisk", 0, L"Hard Disk", 1});
    EmulatedHost& host = NewHost(items);
    ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_PRNPROP));
    spooler_.data.clear();
    host.Callback(CPSUICB_REASON_APPLYNOW);
    EXPECT_EQ(c.stored, spooler_.data.count(L"HDD_SETTING") == 1);
  }
}

TEST_F(PrinterRulesTest, PageChangesGiveTheButtonsTheirSheetAndAskThePrinter) {
  EmulatedHost& host = NewHost();
  ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_PRNPROP));
  EXPECT_EQ(CPSUICB_ACTION_OPTIF_CHANGED, host.Callback(CPSUICB_REASON_SETACTIVE));
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(host.cuip_.pOEMUserData), host.PluginItems()[0].UserData);
  loader_.loaded.clear();
  EXPECT_EQ(CPSUICB_ACTION_OPTIF_CHANGED, host.Callback(CPSUICB_REASON_KILLACTIVE));
  EXPECT_EQ(1u, loader_.loaded.size());
  EXPECT_EQ(CPSUICB_ACTION_NONE, host.Callback(CPSUICB_REASON_SEL_CHANGED));
  EXPECT_EQ(CPSUICB_ACTION_NONE, host.Callback(CPSUICB_REASON_ABOUT));
}

TEST_F(PrinterRulesTest, WithoutASheetContextNothingIsStored) {
  EmulatedHost& host = NewHost();
  ASSERT_EQ(S_OK, host.FillTree(OEMCUIP_PRNPROP));
  host.cuip_.pOEMUserData = nullptr;
  spooler_.data_writes.clear();
  EXPECT_EQ(CPSUICB_ACTION_NONE, host.Callback(CPSUICB_REASON_APPLYNOW));
  EXPECT_TRUE(spooler_.data_writes.empty());
}

TEST(ResolutionTable, DecodesTheModelsResolutionBits) {
  struct Case {
    int r1200, r600, r300;
    std::vector<int32_t> expected;
  };
  const Case cases[] = {
      {0, 0, 0, {}},
      {0, 0x0101, 0, {1, 600}},
      {0, 0, 0x0018, {8}},
      {0x0003, 0, 0, {2400, 1200}},
      {0x0F00, 0, 0, {8, 4, 2, 1}},
      {0x10000, 0, 0, {}},  // only the low 16 bits count
      {0x0F0F, 0x0F0F, 0x0F0F, {8, 4, 2, 1, 9600, 4800, 2400, 1200, 8, 4}},  // ten at most
  };
  kvtest::TempDir dir;
  for (const auto& c : cases) {
    const std::wstring file =
        dir.Write(L"m.INI", L"[Common]\r\nGraphics1200Res=" + std::to_wstring(c.r1200) +
                                L"\r\nGraphics600Res=" + std::to_wstring(c.r600) +
                                L"\r\nGraphics300Res=" + std::to_wstring(c.r300) + L"\r\n");
    kv::SheetContext context = {};
    context.nResolution = 3;
    context.ModelProfile.SetFile(file.c_str());
    kv::BuildResolutionTable(context);
    ASSERT_EQ(static_cast<int32_t>(c.expected.size()), context.nResolution) << c.r1200;
    for (size_t i = 0; i < c.expected.size(); ++i)
      EXPECT_EQ(c.expected[i], context.aResolution[i]) << c.r1200 << " entry " << i;
  }
}

}  // namespace
