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
  static void SetGray(HWND dialog, const wchar_t* text) {
    SetDlgItemTextW(dialog, IDC_GRAY_COPIES, text);
  }
  kv::SheetContext* context_ = nullptr;
};

TEST_F(CopiesDialog, TheGrayscaleCopiesDecideTheColourCopies) {
  struct Case {
    const char* what;
    short copies;
    int gray;
    const wchar_t* typed;  // null: nothing typed
    bool keyed;            // typed key by key over the whole field, else put in as a paste would
    const wchar_t* gray_shown;
    const wchar_t* colour_shown;
    int gray_stored, colour_stored;
  };
  const Case cases[] = {
      {"as opened", 5, 2, nullptr, false, L"2", L"3", 2, 3},
      {"more than the total", 5, 2, L"9", false, L"5", L"0", 5, 0},
      {"emptied", 5, 2, L"", false, L"", L"5", 0, 5},
      {"not a number", 5, 2, L"x1", false, L"x1", L"5", 0, 5},
      {"counter above the copy count", 3, 4, nullptr, false, L"", L"3", 0, 3},
      {"a sign", 5, 0, L"-3", false, L"-3", L"5", 0, 5},
      {"a leading blank", 5, 0, L" 3", false, L" 3", L"5", 0, 5},
      {"digits then other text", 5, 0, L"2x", false, L"2x", L"3", 2, 3},
      {"a sign typed", 5, 0, L"-3", true, L"3", L"2", 3, 2},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(OpenWith(c.copies, c.gray, DMCOLOR_COLOR, DMCOLLATE_TRUE, [&](HWND dialog) {
      EXPECT_EQ(std::to_wstring(c.copies), ItemText(dialog, IDC_TOTAL_COPIES)) << c.what;
      if (c.typed && c.keyed) {
        SendDlgItemMessageW(dialog, IDC_GRAY_COPIES, EM_SETSEL, 0, -1);
        Type(dialog, IDC_GRAY_COPIES, c.typed);
      } else if (c.typed) {
        SetGray(dialog, c.typed);
      }
      EXPECT_EQ(c.gray_shown, ItemText(dialog, IDC_GRAY_COPIES)) << c.what;
      EXPECT_EQ(c.colour_shown, ItemText(dialog, IDC_COLOR_COPIES)) << c.what;
      Press(dialog, IDOK);
    }));
    EXPECT_EQ(c.gray_stored, context_->iMonoCopies) << c.what;
    EXPECT_EQ(c.colour_stored, context_->iColorCopies) << c.what;
  }
}

TEST_F(CopiesDialog, TheArrowsStayWithinTheCopyCount) {
  struct Case {
    const char* what;
    short copies;
    int gray;
    WPARAM key;
    const wchar_t* gray_shown;
    const wchar_t* colour_shown;
    int gray_stored, colour_stored;
  };
  const Case cases[] = {
      {"up", 4, 1, VK_UP, L"2", L"2", 2, 2},
      {"down", 4, 1, VK_DOWN, L"0", L"4", 0, 4},
      {"up at the copy count", 4, 4, VK_UP, L"4", L"0", 4, 0},
      {"down at none", 4, 0, VK_DOWN, L"0", L"4", 0, 4},
      // The arrows must write what the four-character read takes back: no "1,000".
      {"up to a thousand", 1000, 999, VK_UP, L"1000", L"0", 1000, 0},
      {"up past a thousand", 1200, 1000, VK_UP, L"1001", L"199", 1001, 199},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(OpenWith(c.copies, c.gray, DMCOLOR_COLOR, DMCOLLATE_TRUE, [&](HWND dialog) {
      int low = -1, high = -1;
      SendDlgItemMessageW(dialog, IDC_GRAY_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                          reinterpret_cast<LPARAM>(&high));
      EXPECT_EQ(0, low) << c.what;
      EXPECT_EQ(c.copies, high) << c.what;
      // The arrow keys in the field, as the up-down control takes them from its buddy.
      SendDlgItemMessageW(dialog, IDC_GRAY_COPIES, WM_KEYDOWN, c.key, 1);
      SendDlgItemMessageW(dialog, IDC_GRAY_COPIES, WM_KEYUP, c.key, 0xC0000001);
      EXPECT_EQ(c.gray_shown, ItemText(dialog, IDC_GRAY_COPIES)) << c.what;
      EXPECT_EQ(c.colour_shown, ItemText(dialog, IDC_COLOR_COPIES)) << c.what;
      Press(dialog, IDOK);
    }));
    EXPECT_EQ(c.gray_stored, context_->iMonoCopies) << c.what;
    EXPECT_EQ(c.colour_stored, context_->iColorCopies) << c.what;
  }
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
