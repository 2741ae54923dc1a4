// Color Copies Setting, opened through its push button in a document sheet.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "options/option_tree.h"
#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

class CopiesDialog : public kvtest::DialogFixture {
 protected:
  // A document of `copies` copies whose sheet holds `gray` grayscale copies, then the push.
  bool OpenWith(short copies, int gray, short color, short collate,
                const std::function<void(HWND)>& script) {
    emuhost::EmulatedHost& host = NewHost();
    host.public_dm.dmCopies = copies;
    host.public_dm.dmColor = color;
    host.public_dm.dmCollate = collate;
    EXPECT_EQ(S_OK, host.Sheets(OEMCUIP_DOCPROP, PROPSHEETUI_REASON_INIT));
    EXPECT_EQ(S_OK, host.FillTree(OEMCUIP_DOCPROP));
    host.Callback(CPSUICB_REASON_SETACTIVE);
    context_ = reinterpret_cast<kv::SheetContext*>(host.psui.UserData);
    context_->iMonoCopies = gray;
    context_->iColorCopies = copies - gray;
    return Push(host, kv::kCopiesItem, script);
  }
  static void SetGray(HWND dialog, const wchar_t* text) { SetDlgItemTextW(dialog, IDC_GRAY_COPIES, text); }
  kv::SheetContext* context_ = nullptr;
};

TEST_F(CopiesDialog, TheGrayscaleCopiesDecideTheColourCopies) {
  struct Case {
    const char* what;
    short copies;
    int gray;
    const wchar_t* typed;  // null: nothing typed
    const wchar_t* gray_shown;
    const wchar_t* colour_shown;
    int gray_stored, colour_stored;
  };
  const Case cases[] = {
      {"as opened", 5, 2, nullptr, L"2", L"3", 2, 3},
      {"more than the total", 5, 2, L"9", L"5", L"0", 5, 0},
      {"emptied", 5, 2, L"", L"", L"5", 0, 5},
      {"not a number", 5, 2, L"x1", L"x1", L"5", 0, 5},
      {"counter above the copy count", 3, 4, nullptr, L"", L"3", 0, 3},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(OpenWith(c.copies, c.gray, DMCOLOR_COLOR, DMCOLLATE_TRUE, [&](HWND dialog) {
      EXPECT_EQ(std::to_wstring(c.copies), ItemText(dialog, IDC_TOTAL_COPIES)) << c.what;
      if (c.typed) SetGray(dialog, c.typed);
      EXPECT_EQ(c.gray_shown, ItemText(dialog, IDC_GRAY_COPIES)) << c.what;
      EXPECT_EQ(c.colour_shown, ItemText(dialog, IDC_COLOR_COPIES)) << c.what;
      Press(dialog, IDOK);
    }));
    EXPECT_EQ(c.gray_stored, context_->iMonoCopies) << c.what;
    EXPECT_EQ(c.colour_stored, context_->iColorCopies) << c.what;
  }
}

TEST_F(CopiesDialog, TheArrowsStayWithinTheCopyCount) {
  ASSERT_TRUE(OpenWith(4, 1, DMCOLOR_COLOR, DMCOLLATE_TRUE, [&](HWND dialog) {
    int low = -1, high = -1;
    SendDlgItemMessageW(dialog, IDC_GRAY_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                        reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(0, low);
    EXPECT_EQ(4, high);
    SendDlgItemMessageW(dialog, IDC_GRAY_SPIN, UDM_SETPOS32, 0, 3);
    EXPECT_EQ(L"3", ItemText(dialog, IDC_GRAY_COPIES)) << "the arrows set their buddy";
    EXPECT_EQ(L"1", ItemText(dialog, IDC_COLOR_COPIES));
  }));
}

TEST_F(CopiesDialog, MonochromeOrUncollatedDocumentsCannotBeSplit) {
  const struct {
    short color, collate;
    bool enabled;
  } cases[] = {{DMCOLOR_COLOR, DMCOLLATE_TRUE, true},
               {DMCOLOR_MONOCHROME, DMCOLLATE_TRUE, false},
               {DMCOLOR_COLOR, DMCOLLATE_FALSE, false}};
  for (const auto& c : cases) {
    ASSERT_TRUE(OpenWith(5, 2, c.color, c.collate, [&](HWND dialog) {
      EXPECT_EQ(c.enabled, Enabled(dialog, IDC_GRAY_COPIES));
      EXPECT_EQ(c.enabled, Enabled(dialog, IDC_GRAY_SPIN));
      Press(dialog, IDOK);
    }));
    EXPECT_EQ(2, context_->iMonoCopies) << "OK stores what is shown";
    EXPECT_EQ(3, context_->iColorCopies);
  }
}

TEST_F(CopiesDialog, CancelKeepsTheCounters) {
  ASSERT_TRUE(OpenWith(5, 2, DMCOLOR_COLOR, DMCOLLATE_TRUE, [&](HWND dialog) {
    SetGray(dialog, L"4");
    Press(dialog, IDCANCEL);
  }));
  EXPECT_EQ(2, context_->iMonoCopies);
  EXPECT_EQ(3, context_->iColorCopies);
  EXPECT_FALSE(context_->bChanged) << "the split reaches the record on apply";
}

}  // namespace
