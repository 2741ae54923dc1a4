// The status monitor's settings dialog, opened over a page with the printer sheet's context.
#include "device/wayfer_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

class WayferDialog : public kvtest::DialogFixture {
 protected:
  void Store(const wchar_t* name, DWORD value) {
    spooler_.data[name] = {REG_DWORD, std::vector<BYTE>(reinterpret_cast<BYTE*>(&value),
                                                        reinterpret_cast<BYTE*>(&value) + 4)};
  }
  DWORD Stored(const wchar_t* name) {
    const auto& bytes = spooler_.data[name].bytes;
    return bytes.size() == 4 ? *reinterpret_cast<const DWORD*>(bytes.data()) : 0xdeadbeef;
  }
  INT_PTR Open(const std::function<void(HWND)>& script) {
    kv::SheetContext& context = NewContext();
    emuhost::ModalDriver driver([&](HWND dialog) {
      script(dialog);
      if (IsWindowVisible(dialog)) Press(dialog, IDCANCEL);
    });
    return kv::OpenWayferSettings(owner_, context);
  }
  static int Position(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageW(dialog, IDC_WF_SPIN, UDM_GETPOS32, 0, 0));
  }
  static void LeaveField(HWND dialog) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_WF_INTERVAL, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_WF_INTERVAL)));
  }
};

TEST_F(WayferDialog, StoredValuesOutsideTheirRangeAreReplacedAndWrittenBack) {
  struct Case {
    bool enable_stored, timeout_stored;
    DWORD enable, timeout;
    bool ticked;
    const wchar_t* shown;
    DWORD enable_after, timeout_after;
  };
  const Case cases[] = {
      {true, true, 0, 30, false, L"30", 0, 30},
      {true, true, 7, 0, true, L"5", 1, 5},
      {true, true, 1, 61, true, L"5", 1, 5},
      {false, false, 0, 0, true, L"5", 1, 5},
      {true, true, 0xFFFFFFFF, 60, true, L"60", 1, 60},
  };
  for (const auto& c : cases) {
    spooler_.data.clear();
    if (c.enable_stored) Store(L"PWayfer_Enable", c.enable);
    if (c.timeout_stored) Store(L"PWayfer_Timeout", c.timeout);
    EXPECT_EQ(IDCANCEL, Open([&](HWND dialog) {
                EXPECT_EQ(c.ticked, Ticked(dialog, IDC_WF_ENABLE)) << c.enable;
                EXPECT_EQ(c.shown, ItemText(dialog, IDC_WF_INTERVAL)) << c.timeout;
              }));
    // Cancel keeps what the opening wrote back.
    EXPECT_EQ(c.enable_after, Stored(L"PWayfer_Enable")) << c.enable;
    EXPECT_EQ(c.timeout_after, Stored(L"PWayfer_Timeout")) << c.timeout;
  }
}

TEST_F(WayferDialog, TheIntervalIsClampedWhenTheFieldIsLeftAndOnOk) {
  struct Case {
    const wchar_t* typed;
    bool leave_first;
    DWORD stored;
  };
  const Case cases[] = {{L"75", true, 60},  {L"0", true, 1},  {L"abc", true, 1},
                        {L"75", false, 60}, {L"0", false, 1}, {L"17", false, 17}};
  for (const auto& c : cases) {
    EXPECT_EQ(IDOK, Open([&](HWND dialog) {
                SetDlgItemTextW(dialog, IDC_WF_INTERVAL, c.typed);
                if (c.leave_first) {
                  LeaveField(dialog);
                  EXPECT_EQ(std::to_wstring(c.stored), ItemText(dialog, IDC_WF_INTERVAL))
                      << c.typed;
                  EXPECT_EQ(static_cast<int>(c.stored), Position(dialog));
                }
                Press(dialog, IDOK);
              }));
    EXPECT_EQ(c.stored, Stored(L"PWayfer_Timeout")) << c.typed;
  }
}

TEST_F(WayferDialog, TheArrowsFollowWhatIsTypedAndOkStoresTheCheckBox) {
  Store(L"PWayfer_Enable", 1);
  Store(L"PWayfer_Timeout", 10);
  EXPECT_EQ(IDOK, Open([&](HWND dialog) {
              EXPECT_EQ(10, Position(dialog));
              SetDlgItemTextW(dialog, IDC_WF_INTERVAL, L"42");
              EXPECT_EQ(42, Position(dialog)) << "every change of the text moves the arrows";
              CheckDlgButton(dialog, IDC_WF_ENABLE, BST_UNCHECKED);
              Press(dialog, IDOK);
            }));
  EXPECT_EQ(0u, Stored(L"PWayfer_Enable"));
  EXPECT_EQ(42u, Stored(L"PWayfer_Timeout"));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), spooler_.data[L"PWayfer_Timeout"].type);
}

TEST_F(WayferDialog, TypingKeepsWhatTheUserTypes) {
  Store(L"PWayfer_Timeout", 10);
  EXPECT_EQ(IDOK, Open([&](HWND dialog) {
              HWND edit = GetDlgItem(dialog, IDC_WF_INTERVAL);
              SetWindowTextW(edit, L"");
              for (const wchar_t* keys : {L"7", L"5"}) SendMessageW(edit, WM_CHAR, keys[0], 1);
              EXPECT_EQ(L"75", ItemText(dialog, IDC_WF_INTERVAL))
                  << "not cut to 60, nor typed backwards";
              EXPECT_EQ(60, Position(dialog));
              LeaveField(dialog);
              EXPECT_EQ(L"60", ItemText(dialog, IDC_WF_INTERVAL));
              SetWindowTextW(edit, L"");
              EXPECT_EQ(L"", ItemText(dialog, IDC_WF_INTERVAL))
                  << "an emptied field stays empty while typing";
              for (const wchar_t* keys : {L"1", L"2"}) SendMessageW(edit, WM_CHAR, keys[0], 1);
              EXPECT_EQ(L"12", ItemText(dialog, IDC_WF_INTERVAL));
              Press(dialog, IDOK);
            }));
  EXPECT_EQ(12u, Stored(L"PWayfer_Timeout"));
}

}  // namespace
