// The layout helpers on real dialogs: the tooltip window, showing and hiding with the
// tooltip area of a static text kept in step, moving, and enabling by lists.
#include "dialogs/layout.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include <gtest/gtest.h>

#include "dialogs/control_texts.h"
#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

class Layout : public kvtest::DialogFixture {
 protected:
  HWND OpenTranslated(WORD template_id) {
    kv::SheetContext& context = NewContext();
    HWND dialog = Open(template_id, context);
    state_ = &StateOf(dialog);
    kv::TranslateDialog(dialog, *state_, template_id, L"Hold");
    return dialog;
  }
  bool ToolRectIs(HWND dialog, int id, const RECT& expected) {
    const RECT rect = ToolRect(dialog, id);
    return EqualRect(&rect, &expected) != FALSE;
  }
  RECT ToolRect(HWND dialog, int id) {
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = dialog;
    tool.uId = static_cast<UINT_PTR>(id);
    EXPECT_TRUE(
        SendMessageW(state_->tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)));
    return tool.rect;
  }
  kv::DialogState* state_ = nullptr;
};

TEST_F(Layout, TheTooltipWindowIsATopmostPopupOwnedByTheDialogMirroredOnRtlSystems) {
  const struct {
    LANGID system;
    bool mirrored;
  } cases[] = {{0x0409, false}, {0x0407, false}, {0x0401, true}, {0x040D, true}, {0x0C01, true}};
  for (const auto& c : cases) {
    language_.system = c.system;
    kv::SheetContext& context = NewContext();
    HWND dialog = Open(IDD_HOLD, context);
    HWND tooltip = kv::CreateTooltipWindow(dialog);
    ASSERT_NE(nullptr, tooltip);
    wchar_t name[64] = {};
    GetClassNameW(tooltip, name, 64);
    EXPECT_STREQ(TOOLTIPS_CLASSW, name);
    EXPECT_EQ(dialog, GetWindow(tooltip, GW_OWNER));
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(tooltip, GWL_STYLE));
    EXPECT_EQ(0x80000003u, style & 0x80000003u);
    const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(tooltip, GWL_EXSTYLE));
    EXPECT_TRUE(ex_style & WS_EX_TOPMOST);
    EXPECT_EQ(c.mirrored, (ex_style & WS_EX_LAYOUTRTL) != 0) << std::hex << c.system;
    DestroyWindow(dialog);
    EXPECT_FALSE(IsWindow(tooltip)) << "the tooltip window goes with its dialog";
  }
}

TEST_F(Layout, AHiddenLabelHasNoTooltipAreaAndShowingItBringsItBack) {
  for (WORD template_id : {IDD_HOLD, IDD_HOLD_RTL}) {
    HWND dialog = OpenTranslated(template_id);
    const RECT shown = kv::RectInDialog(dialog, GetDlgItem(dialog, IDC_PASS_LABEL));
    EXPECT_TRUE(ToolRectIs(dialog, IDC_PASS_LABEL, shown));

    kv::ShowControl(dialog, IDC_PASS_LABEL, kv::Visibility::kHide, nullptr, state_->tooltip);
    EXPECT_FALSE(Shown(dialog, IDC_PASS_LABEL));
    const RECT empty = {0, 0, 0, 0};
    EXPECT_TRUE(ToolRectIs(dialog, IDC_PASS_LABEL, empty)) << template_id;

    kv::ShowControl(dialog, IDC_PASS_LABEL, kv::Visibility::kShow, nullptr, state_->tooltip);
    EXPECT_TRUE(Shown(dialog, IDC_PASS_LABEL));
    EXPECT_TRUE(ToolRectIs(dialog, IDC_PASS_LABEL, shown)) << template_id;
  }
}

// Every control's place, visibility and state, the dialog's own, and every tooltip area.
struct Snapshot {
  std::vector<RECT> rects;
  std::vector<bool> shown, enabled;
  std::vector<RECT> tools;
  bool operator==(const Snapshot& other) const {
    auto same = [](const std::vector<RECT>& a, const std::vector<RECT>& b) {
      if (a.size() != b.size()) return false;
      for (size_t i = 0; i < a.size(); ++i)
        if (!EqualRect(&a[i], &b[i])) return false;
      return true;
    };
    return same(rects, other.rects) && shown == other.shown && enabled == other.enabled &&
           same(tools, other.tools);
  }
};

Snapshot Take(HWND dialog, HWND tooltip) {
  Snapshot s;
  RECT own = {};
  GetWindowRect(dialog, &own);
  s.rects.push_back(own);
  s.shown.push_back(IsWindowVisible(dialog) != FALSE);
  s.enabled.push_back(IsWindowEnabled(dialog) != FALSE);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    s.rects.push_back(kv::RectInDialog(dialog, child));
    s.shown.push_back((GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) != 0);
    s.enabled.push_back(IsWindowEnabled(child) != FALSE);
  }
  const auto count = static_cast<UINT>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
  for (UINT i = 0; i < count; ++i) {
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&tool));
    s.tools.push_back(tool.rect);
  }
  return s;
}

TEST_F(Layout, AControlTheDialogDoesNotHaveIsLeftAlone) {
  HWND dialog = OpenTranslated(IDD_HOLD);
  ASSERT_GT(SendMessageW(state_->tooltip, TTM_GETTOOLCOUNT, 0, 0), 0);
  const Snapshot before = Take(dialog, state_->tooltip);
  const POINT offset = {5, 5};
  const int missing[] = {4242, 0};
  for (kv::Visibility show :
       {kv::Visibility::kHide, kv::Visibility::kShow, kv::Visibility::kUnchanged}) {
    kv::ShowControl(dialog, 4242, show, &offset, state_->tooltip);
    kv::ShowControlList(dialog, missing, show, &offset, state_->tooltip);
  }
  kv::EnableControl(dialog, 4242, false);
  kv::EnableControlList(dialog, missing, false);
  EXPECT_TRUE(before == Take(dialog, state_->tooltip));
}

TEST_F(Layout, AnOffsetMovesTheControlWithinTheDialogInBothLayouts) {
  for (WORD template_id : {IDD_TROUBLESHOOTING, IDD_TROUBLESHOOTING_RTL}) {
    HWND dialog = OpenTranslated(template_id);
    HWND link = GetDlgItem(dialog, IDC_TS_LINK2);
    const RECT before = kv::RectInDialog(dialog, link);
    const POINT offset = {-3, 17};
    kv::ShowControl(dialog, IDC_TS_LINK2, kv::Visibility::kUnchanged, &offset, state_->tooltip);
    const RECT after = kv::RectInDialog(dialog, link);
    EXPECT_EQ(before.left + offset.x, after.left) << template_id;
    EXPECT_EQ(before.top + offset.y, after.top) << template_id;
    EXPECT_EQ(before.right - before.left, after.right - after.left);
    EXPECT_TRUE(Shown(link)) << "visibility is left unchanged";

    kv::ShowControl(dialog, IDC_TS_LINK2, kv::Visibility::kShow, &offset, state_->tooltip);
    EXPECT_EQ(before.top + 2 * offset.y, kv::RectInDialog(dialog, link).top);
  }
}

TEST_F(Layout, ListsActOnEveryControlUpToTheirEnd) {
  HWND dialog = OpenTranslated(IDD_HOLD);
  const int passcode[] = {IDC_PASS_LABEL, IDC_PASS, IDC_PASS_HINT, 0, IDC_CONFIRM};
  kv::EnableControlList(dialog, passcode, false);
  kv::ShowControlList(dialog, passcode, kv::Visibility::kHide, nullptr, state_->tooltip);
  for (int id : {IDC_PASS_LABEL, IDC_PASS, IDC_PASS_HINT}) {
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;
    EXPECT_FALSE(Shown(dialog, id)) << id;
  }
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_CONFIRM))) << "after the list's end";
  EXPECT_TRUE(Shown(dialog, IDC_CONFIRM));
  kv::EnableControlList(dialog, passcode, true);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_PASS)));
}

}  // namespace
