// Dialogs of the plug-in made from its templates. The dialog test programs carry the
// plug-in's resources (templates, manifest) as the plug-in does, and their own module
// stands for the plug-in's, so the code under test finds its templates and its activation
// context where it would in the DLL.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/dialog_frame.h"
#include "plugin/module.h"
#include "sheets/sheet_context.h"
#include "tests/support/plugin_fixture.h"

namespace kvtest {

// A dialog that only attaches its context: what a test then does to it is the test's.
struct BareDialog {
  static INT_PTR OnInit(HWND, kv::SheetContext&) { return TRUE; }
  static INT_PTR OnMessage(HWND, kv::SheetContext&, UINT, WPARAM, LPARAM) { return FALSE; }
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

  // A modeless dialog of the template whose procedure is the frame around `Dialog`.
  template <class Dialog = BareDialog>
  HWND Open(WORD template_id, kv::SheetContext& context) {
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id),
                                     owner_, kv::DialogProc<Dialog>,
                                     reinterpret_cast<LPARAM>(&context));
    EXPECT_NE(nullptr, dialog) << "template " << template_id;
    windows_.push_back(dialog);
    return dialog;
  }

  // Whether the control itself is shown (the modeless dialogs of the tests stay hidden).
  static bool Shown(HWND control) { return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0; }
  static bool Shown(HWND dialog, int id) { return Shown(GetDlgItem(dialog, id)); }

  static std::wstring Text(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
  }
  static std::wstring ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

  HANDLE heap_;
  HWND owner_ = nullptr;
  std::vector<HWND> windows_;
};

}  // namespace kvtest
