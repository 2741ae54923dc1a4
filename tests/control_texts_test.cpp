// The control-text pass over real dialogs made from the plug-in's templates: translated
// captions, the length hints, tooltips on the tooltip window, and the disable flag.
#include "dialogs/control_texts.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

#include <gtest/gtest.h>

#include "dialogs/dialog_frame.h"
#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

// The tooltip text that a control's tool shows: a tool of the control itself, or of the
// dialog keyed by the control's id or window; "(none)" when it has no tool.
std::wstring ToolTextOf(HWND tooltip, HWND dialog, HWND control, int id) {
  const LRESULT count = SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    if (!SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&tool))) continue;
    const bool mine = (tool.hwnd == control && tool.uId == static_cast<UINT_PTR>(id)) ||
                      (tool.hwnd == dialog && tool.uId == static_cast<UINT_PTR>(id)) ||
                      (tool.uId == reinterpret_cast<UINT_PTR>(control));
    if (!mine) continue;
    wchar_t text[512] = {};
    tool.lpszText = text;
    SendMessageW(tooltip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    return text;
  }
  return L"(none)";
}

class ControlTexts : public kvtest::DialogFixture {
 protected:
  // Opens the template, sets the limits, and runs the pass as a dialog's initialisation does.
  HWND Translate(WORD template_id, const wchar_t* word, int16_t minimum = 4, int16_t maximum = 8) {
    kv::SheetContext& context = NewContext();
    context.bNoPermission = no_permission_;
    HWND dialog = Open(template_id, context);
    state_ = &StateOf(dialog);
    state_->min_length = minimum;
    state_->max_length = maximum;
    state_->custom_paper = custom_paper_;
    kv::TranslateDialog(dialog, *state_, template_id, word);
    return dialog;
  }
  std::wstring Tool(HWND dialog, int id) {
    return ToolTextOf(state_->tooltip, dialog, GetDlgItem(dialog, id), id);
  }

  kv::DialogState* state_ = nullptr;
  bool custom_paper_ = false;
  BOOL no_permission_ = FALSE;
};

TEST_F(ControlTexts, CaptionsHintsAndTooltipsFollowTheStringTable) {
  WriteStringTable(
      L"[About Dialog]\r\nOK=Fine\r\nOK tooltip=Close this window.\r\n"
      L"[Hold Dialog]\r\nUser ID=&User:\r\nEdit:1020 tooltip=Digits only.\r\n"
      L"ComboBox:1074 tooltip=How the job prints.\r\n(0-9)=(%d-%d digits)\r\n"
      L"(0-9) tooltip=From %d to %d, not %s.\r\n(A-Z, 0-9)=%n%s 100%\r\n"
      L"[Job Accounting Dialog]\r\n(0-9)=(%d-%d chars)\r\n(0-9) tooltip=%d to %d, not %s.\r\n"
      L"(0)=(exactly %d)\r\n"
      L"[Troubleshooting Dialog]\r\nHelp=Help here\r\n[Custom Paper Dialog]\r\nHelp=Paper "
      L"help\r\n");
  struct Case {
    const char* what;
    WORD template_id;
    const wchar_t* word;
    int16_t minimum, maximum;
    int id;
    const wchar_t* text;
    const wchar_t* tooltip;
  };
  const Case cases[] = {
      {"translated button", IDD_ABOUT, L"About", 4, 8, IDOK, L"Fine", L"Close this window."},
      {"missing translation keeps the caption", IDD_HOLD, L"Hold", 4, 8, IDC_JOB_NAME_LABEL,
       L"Job Name", L""},
      {"label", IDD_HOLD, L"Hold", 4, 8, IDC_USER_ID_LABEL, L"&User:", L""},
      {"edit keeps its text, gets its keyed tooltip", IDD_HOLD, L"Hold", 4, 8, IDC_PASS, L"",
       L"Digits only."},
      {"combo box keyed tooltip", IDD_HOLD, L"Hold", 4, 8, IDC_HOLD_MODE, L"",
       L"How the job prints."},
      {"range hint formatted", IDD_HOLD, L"Hold", 4, 8, IDC_PASS_HINT, L"(4-8 digits)",
       L"From 4 to 8, not %s."},
      {"range hint of its own caption", IDD_HOLD, L"Hold", 4, 8, IDC_CONFIRM_RANGE_HINT,
       L"(4-8 digits)", L"From 4 to 8, not %s."},
      {"equal limits without (0) fall back to the range", IDD_HOLD, L"Hold", 4, 4, IDC_CONFIRM_HINT,
       L"(4-4 digits)", L"From 4 to 4, not %s."},
      {"texts are not formats", IDD_HOLD, L"Hold", 4, 8, IDC_USER_ID_HINT, L"%n%s 100%", L""},
      {"job accounting hint takes its own limits", IDD_JOB_ACCOUNTING, L"Job Accounting", 4, 32,
       IDC_PASS_HINT, L"(4-32 chars)", L"4 to 32, not %s."},
      {"equal limits with (0)", IDD_JOB_ACCOUNTING, L"Job Accounting", 32, 32, IDC_CONFIRM_HINT,
       L"(exactly 32)", L""},
      // A password takes letters too: without a text, "(0-9)" would read as digits only.
      {"job accounting hint without a text", IDD_JOB_ACCOUNTING, L"Unlisted", 4, 32, IDC_PASS_HINT,
       L"(4-32)", L""},
      {"job accounting exact hint without a text", IDD_JOB_ACCOUNTING_RTL, L"Unlisted", 32, 32,
       IDC_CONFIRM_HINT, L"(32)", L""},
      {"other job accounting hint keeps its key", IDD_JOB_ACCOUNTING, L"Job Accounting", 4, 32,
       IDC_USER_ID_HINT, L"(4-32 Alphanumeric)", L""},
      {"page button", IDD_TROUBLESHOOTING, L"Troubleshooting", 4, 8, IDC_TS_HELP, L"Help here",
       L""},
  };
  for (const auto& c : cases) {
    HWND dialog = Translate(c.template_id, c.word, c.minimum, c.maximum);
    EXPECT_EQ(c.text, ItemText(dialog, c.id)) << c.what;
    EXPECT_EQ(c.tooltip, Tool(dialog, c.id)) << c.what;
  }
}

TEST_F(ControlTexts, TheCustomPaperFlagTakesControl1001FromItsOwnSection) {
  WriteStringTable(
      L"[Troubleshooting Dialog]\r\nHelp=Help here\r\nHelp tooltip=Page help.\r\n"
      L"[Custom Paper Dialog]\r\nHelp=Paper help\r\n");
  for (bool flag : {false, true}) {
    custom_paper_ = flag;
    HWND dialog = Translate(IDD_TROUBLESHOOTING, L"Troubleshooting");
    EXPECT_EQ(flag ? L"Paper help" : L"Help here", ItemText(dialog, IDC_TS_HELP)) << flag;
    EXPECT_EQ(L"Page help.", Tool(dialog, IDC_TS_HELP)) << "the tooltip stays the dialog's";
    EXPECT_EQ(L"About", ItemText(dialog, IDC_TS_ABOUT)) << "later controls read their own section";
  }
}

TEST_F(ControlTexts, StaticToolsCoverTheTextAndNotifyingTextsAreTheirOwnTool) {
  WriteStringTable(
      L"[Troubleshooting Dialog]\r\nURL_1=Home\r\nURL_1 tooltip=Open it.\r\n"
      L"Web Links tooltip=Links.\r\n");
  HWND dialog = Translate(IDD_TROUBLESHOOTING, L"Troubleshooting");
  HWND link = GetDlgItem(dialog, IDC_TS_LINK1);
  HWND group = GetDlgItem(dialog, IDC_TS_WEB_GROUP);
  EXPECT_EQ(L"Open it.", Tool(dialog, IDC_TS_LINK1));

  const auto info = [&](HWND owner, UINT_PTR id) {
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = owner;
    tool.uId = id;
    EXPECT_TRUE(
        SendMessageW(state_->tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)));
    return tool;
  };
  const TOOLINFOW notifying = info(dialog, reinterpret_cast<UINT_PTR>(link));
  EXPECT_TRUE(notifying.uFlags & TTF_IDISHWND) << "a notifying text is keyed by its window";
  EXPECT_TRUE(notifying.uFlags & TTF_SUBCLASS);

  // A group box is a button: its tool is the control itself with its client rectangle.
  RECT client = {};
  GetClientRect(group, &client);
  const TOOLINFOW button = info(group, IDC_TS_WEB_GROUP);
  EXPECT_TRUE(EqualRect(&client, &button.rect));

  // A plain static text's tool belongs to the dialog and covers the text.
  RECT where = {};
  GetWindowRect(GetDlgItem(dialog, IDC_TS_DIAG_TEXT), &where);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&where), 2);
  const TOOLINFOW text = info(dialog, IDC_TS_DIAG_TEXT);
  EXPECT_TRUE(EqualRect(&where, &text.rect));
}

TEST_F(ControlTexts, AHiddenTextHasNoTooltipArea) {
  WriteStringTable(L"[Hold Dialog]\r\nPrint At tooltip=When.\r\nUser ID tooltip=Who.\r\n");
  HWND dialog = Translate(IDD_HOLD, L"Hold");
  for (const auto& [id, shown] :
       {std::pair{IDC_HOLD_AT_LABEL, false}, std::pair{IDC_USER_ID_LABEL, true}}) {
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = dialog;
    tool.uId = static_cast<UINT_PTR>(id);
    ASSERT_TRUE(
        SendMessageW(state_->tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_EQ(shown, !IsRectEmpty(&tool.rect)) << id;
  }
}

TEST_F(ControlTexts, LongTextsAreCutToTheirBuffers) {
  const std::wstring long_text(400, L'x');
  WriteStringTable(L"[About Dialog]\r\nOK=" + long_text + L"\r\nOK tooltip=" + long_text + L"\r\n");
  HWND dialog = Translate(IDD_ABOUT, L"About");
  EXPECT_EQ(long_text.substr(0, 255), ItemText(dialog, IDOK));
  EXPECT_EQ(long_text.substr(0, 255), Tool(dialog, IDOK));
}

TEST_F(ControlTexts, TheDisableFlagDisablesEverythingButCancel) {
  for (BOOL no_permission : {FALSE, TRUE}) {
    for (WORD template_id : {IDD_HOLD, IDD_WAYFER, IDD_TROUBLESHOOTING, IDD_ABOUT}) {
      no_permission_ = no_permission;
      HWND dialog = Translate(template_id, L"Any");
      int visited = 0;
      for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ++visited;
        const int id = GetDlgCtrlID(child);
        // A modal dialog whose Cancel is disabled could not be closed at all.
        const bool expected = !no_permission || id == IDCANCEL;
        EXPECT_EQ(expected, IsWindowEnabled(child) != FALSE)
            << "template " << template_id << " control " << id << " flag " << no_permission;
      }
      EXPECT_GT(visited, 1);
    }
  }
}

// The dialog table's rows: each template is one the plug-in carries and belongs to no other
// row (a shared one would give a dialog another's passcode hints), and a row with Help names
// both parts of its topic.
TEST(DialogTable, TemplatesAreCarriedAndOwnedByOneRowAndTopicsAreWhole) {
  const auto named = [](const wchar_t* text) { return text != nullptr && *text != L'\0'; };
  const size_t rows = sizeof kv::kDialogTexts / sizeof kv::kDialogTexts[0];
  for (size_t i = 0; i < rows; ++i) {
    const kv::DialogText& row = kv::kDialogTexts[i];
    if (row.template_id != 0) {
      for (WORD id : {row.template_id, row.mirrored_template_id}) {
        EXPECT_NE(nullptr,
                  FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), RT_DIALOG))
            << "row " << i << " template " << id;
        for (size_t j = 0; j < rows; ++j)
          EXPECT_TRUE(j == i || !kv::IsTemplateOf(kv::kDialogTexts[j], id))
              << "row " << i << " template " << id << " also row " << j;
      }
    }
    if (row.help.folder || row.help.topic) {
      EXPECT_TRUE(named(row.help.folder) && named(row.help.topic)) << "row " << i;
    }
    if (row.secure_help.folder || row.secure_help.topic) {
      EXPECT_TRUE(named(row.secure_help.folder) && named(row.secure_help.topic) &&
                  named(row.help.topic))
          << "row " << i;
    }
  }
}

}  // namespace
