// The frame every dialog goes through: the context attached at initialisation, messages
// before it ignored, exceptions stopped, modal dialogs run in the plug-in's activation
// context over the host's window, and the push buttons.
#include "dialogs/dialog_frame.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "emuhost/modal_driver.h"
#include "platform/module.h"
#include "resources/dialog_ids.h"
#include "tests/support/dialog_fixture.h"

namespace {

// What the dialogs below saw.
struct Seen {
  std::vector<UINT> messages;
  HANDLE activation = nullptr;
  HWND owner = nullptr;
  DWORD template_id = 0;
  kv::DialogState* state = nullptr;
};
Seen g_seen;

struct RecordingDialog {
  static INT_PTR OnInit(HWND dialog, kv::DialogState& state) {
    g_seen.messages.push_back(WM_INITDIALOG);
    g_seen.state = &state;
    GetCurrentActCtx(&g_seen.activation);
    g_seen.owner = GetWindow(dialog, GW_OWNER);
    g_seen.template_id =
        (GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) ? IDD_HOLD_RTL : IDD_HOLD;
    state.window = dialog;
    state.template_id = g_seen.template_id;
    return TRUE;
  }
  static INT_PTR OnMessage(HWND dialog, kv::DialogState&, UINT message, WPARAM wparam, LPARAM) {
    g_seen.messages.push_back(message);
    if (message == WM_COMMAND && LOWORD(wparam) == IDOK) throw std::runtime_error("fault");
    if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
    return message == WM_COMMAND;
  }
};

// What a job dialog's push button does with its sheet: its dialog, mirrored on right-to-left
// systems, over the host's window.
void OpenHold(HWND owner, kv::SheetContext& sheet) {
  kv::RunModalDialog(owner, kv::TemplateFor(IDD_HOLD, IDD_HOLD_RTL),
                     kv::DialogProc<RecordingDialog>, sheet);
}

class DialogFrame : public kvtest::DialogFixture {
 protected:
  DialogFrame() { g_seen = Seen(); }
};

TEST_F(DialogFrame, MessagesBeforeTheContextIsAttachedAreIgnored) {
  kv::SheetContext& context = NewContext();
  HWND dialog = Open<RecordingDialog>(IDD_HOLD, context);
  ASSERT_FALSE(g_seen.messages.empty());
  EXPECT_EQ(static_cast<UINT>(WM_INITDIALOG), g_seen.messages.front())
      << "WM_SETFONT and the like come first and reach no handler";
  EXPECT_EQ(&StateOf(dialog), g_seen.state);
  EXPECT_EQ(&context, &g_seen.state->sheet);
  // A page's state is freed at the last message its window gets, which must reach the frame.
  DestroyWindow(dialog);
  EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), g_seen.messages.back());
}

TEST_F(DialogFrame, AnExceptionStopsInTheFrameAndEndsAModalDialog) {
  kv::SheetContext& context = NewContext();
  HWND modeless = Open<RecordingDialog>(IDD_HOLD, context);
  EXPECT_EQ(0, SendMessageW(modeless, WM_COMMAND, IDOK, 0)) << "the fault becomes 'not handled'";

  emuhost::ModalDriver driver([](HWND dialog) { emuhost::ModalDriver::Press(dialog, IDOK); });
  const INT_PTR result =
      kv::RunModalDialog(owner_, IDD_HOLD, kv::DialogProc<RecordingDialog>, context);
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_EQ(1u, driver.driven().size());
}

TEST_F(DialogFrame, AModalDialogWithoutAContextClosesAtOnce) {
  kv::DialogState* none = nullptr;
  const INT_PTR result =
      DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_HOLD), owner_,
                      kv::DialogProc<RecordingDialog>, reinterpret_cast<LPARAM>(none));
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_TRUE(g_seen.messages.empty());
}

TEST_F(DialogFrame, ModalDialogsRunInThePluginsActivationContextWithTheirCallersSettings) {
  kv::SheetContext& context = NewContext();
  int settings = 0;
  const kv::DialogState* seen = nullptr;
  emuhost::ModalDriver driver([&](HWND dialog) {
    seen = kv::AttachedState(dialog);
    if (seen) {
      EXPECT_EQ(&settings, &seen->Edited<int>());
    }
    emuhost::ModalDriver::Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(IDCANCEL, kv::RunModalDialog(owner_, IDD_HOLD, kv::DialogProc<RecordingDialog>, context,
                                         &settings));
  ASSERT_NE(nullptr, seen);
  EXPECT_EQ(&context, &g_seen.state->sheet);

  const HANDLE plugin_context = kv::PluginActivationContext();
  ASSERT_NE(INVALID_HANDLE_VALUE, plugin_context) << "the test program carries the manifest";
  EXPECT_EQ(plugin_context, g_seen.activation);
  if (g_seen.activation) ReleaseActCtx(g_seen.activation);
  EXPECT_EQ(owner_, g_seen.owner);
}

TEST_F(DialogFrame, APushButtonOpensItsDialogOnlyWhenPushedWithASheet) {
  kv::SheetContext& context = NewContext();
  OPTITEM item = {};
  item.cbSize = sizeof item;
  struct Case {
    const char* what;
    WORD reason;
    bool with_context;
    LANGID system;
    bool opens;
    DWORD template_id;
  };
  const Case cases[] = {
      {"push", CPSUICB_REASON_PUSHBUTTON, true, 0x0409, true, IDD_HOLD},
      {"push on an Arabic system", CPSUICB_REASON_PUSHBUTTON, true, 0x0401, true, IDD_HOLD_RTL},
      {"push on a Hebrew system", CPSUICB_REASON_PUSHBUTTON, true, 0x040D, true, IDD_HOLD_RTL},
      {"selection change", CPSUICB_REASON_SEL_CHANGED, true, 0x0409, false, 0},
      {"apply", CPSUICB_REASON_APPLYNOW, true, 0x0409, false, 0},
      {"push before the page was active", CPSUICB_REASON_PUSHBUTTON, false, 0x0409, false, 0},
  };
  for (const auto& c : cases) {
    g_seen = Seen();
    language_.system = c.system;
    item.UserData = c.with_context ? reinterpret_cast<ULONG_PTR>(&context) : 0;
    CPSUICBPARAM cb = {};
    cb.cbSize = sizeof cb;
    cb.Reason = c.reason;
    cb.hDlg = owner_;
    cb.pCurItem = &item;
    emuhost::ModalDriver driver([](HWND dialog) { emuhost::ModalDriver::Press(dialog, IDCANCEL); });
    EXPECT_EQ(CPSUICB_ACTION_NONE, kv::OnPushButton(&cb, OpenHold)) << c.what;
    EXPECT_EQ(c.opens ? 1u : 0u, driver.driven().size()) << c.what;
    if (c.opens) {
      EXPECT_EQ(c.template_id, g_seen.template_id) << c.what;
      EXPECT_EQ(owner_, g_seen.owner) << c.what;
    }
  }
  EXPECT_EQ(CPSUICB_ACTION_NONE, kv::OnPushButton(nullptr, OpenHold));
}

}  // namespace
