// Dialogs of the plug-in made from its templates. The dialog test programs carry the
// plug-in's resources (templates, manifest) as the plug-in does, and their own module
// stands for the plug-in's, so the code under test finds its templates and its activation
// context where it would in the DLL.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/model_files.h"
#include "context/sheet_context.h"
#include "dialogs/dialog_frame.h"
#include "emuhost/modal_driver.h"
#include "platform/module.h"
#include "tests/support/plugin_fixture.h"

namespace kvtest {

// A dialog that only attaches its state: what a test then does to it is the test's.
struct BareDialog {
  static INT_PTR OnInit(HWND, kv::DialogState&) { return TRUE; }
  static INT_PTR OnMessage(HWND, kv::DialogState&, UINT, WPARAM, LPARAM) { return FALSE; }
};

class DialogFixture : public PluginFixture {
 protected:
  DialogFixture() : heap_(HeapCreate(0, 0, 0)) {
    kv::SetThisModule(GetModuleHandleW(nullptr));
    // Pages are child windows: they need a parent, as in their property sheet.
    owner_ = CreateWindowExW(0, L"Static", L"host", WS_POPUP, 0, 0, 700, 500, nullptr, nullptr,
                             nullptr, nullptr);
  }
  ~DialogFixture() override {
    for (HWND window : windows_)
      if (IsWindow(window)) DestroyWindow(window);
    if (owner_) DestroyWindow(owner_);
    if (heap_) HeapDestroy(heap_);
  }

  // A context of the scripted model, as a sheet would make it.
  kv::SheetContext& NewContext() {
    kv::SheetContext* context = kv::CreateSheetContext(heap_, nullptr, L"Office Printer", nullptr);
    EXPECT_NE(nullptr, context);
    return *context;
  }

  // A modeless dialog of the template whose procedure is the frame around `Dialog`, with a
  // state over `context` (and `settings`, when the dialog edits some) that the test keeps.
  template <class Dialog = BareDialog>
  HWND Open(WORD template_id, kv::SheetContext& context, void* settings = nullptr) {
    states_.push_back(std::make_unique<kv::DialogState>(context, settings));
    HWND dialog =
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id), owner_,
                           kv::DialogProc<Dialog>, reinterpret_cast<LPARAM>(states_.back().get()));
    EXPECT_NE(nullptr, dialog) << "template " << template_id;
    windows_.push_back(dialog);
    return dialog;
  }
  static kv::DialogState& StateOf(HWND dialog) { return *kv::AttachedState(dialog); }

  // Whether the control itself is shown (the modeless dialogs of the tests stay hidden).
  static bool Shown(HWND control) {
    return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
  }
  static bool Shown(HWND dialog, int id) { return Shown(GetDlgItem(dialog, id)); }

  static std::wstring Text(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
  }
  static std::wstring ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

  // Pushes the plug-in's item `index` as the host does and runs `script` on the dialog once
  // it shows; a dialog the script leaves open is cancelled. Whether a dialog opened.
  bool Push(emuhost::EmulatedHost& host, DWORD index, const std::function<void(HWND)>& script) {
    emuhost::ModalDriver driver([&](HWND dialog) {
      script(dialog);
      if (IsWindowVisible(dialog)) emuhost::ModalDriver::Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(CPSUICB_ACTION_NONE, host.Push(index, owner_));
    return driver.driven().size() == 1;
  }

  // A document (or printer) sheet as the host opens it: INIT, the tree, SETACTIVE.
  emuhost::EmulatedHost& OpenSheet(DWORD mode) {
    emuhost::EmulatedHost& host = NewHost();
    EXPECT_EQ(S_OK, host.Sheets(mode, PROPSHEETUI_REASON_INIT));
    EXPECT_EQ(S_OK, host.FillTree(mode));
    host.Callback(CPSUICB_REASON_SETACTIVE);
    return host;
  }

  static bool Enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
  }
  static bool Ticked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
  static void Press(HWND dialog, int id) { emuhost::ModalDriver::Press(dialog, id); }
  static void Type(HWND dialog, int id, const wchar_t* text) {
    for (const wchar_t* c = text; *c; ++c) SendDlgItemMessageW(dialog, id, WM_CHAR, *c, 1);
  }

  HANDLE heap_;
  HWND owner_ = nullptr;
  std::vector<HWND> windows_;
  std::vector<std::unique_ptr<kv::DialogState>> states_;
  FakeSystem system_;
  kv::ScopedSeam<kv::System> use_system_{system_};
};

}  // namespace kvtest
