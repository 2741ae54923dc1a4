// Context help: every dialog opens one topic of the model's compiled HTML help file in the
// system's HTML help control, which is loaded on the first request and kept for the process.
#pragma once

#include <windows.h>

#include <cstddef>

#include "dialogs/dialog_texts.h"
#include "platform/seam.h"

namespace kv {

struct SheetContext;

constexpr size_t kHelpPathUnits = 260;

// "<driver dir><prefix>.chm::\<folder>\<topic>", cut to kHelpPathUnits - 1 units.
void HelpPath(const SheetContext& context, const wchar_t* folder, const wchar_t* topic,
              wchar_t (&path)[kHelpPathUnits]);

// The viewer: the help control registered under the HTML help class, else "hhctrl.ocx" of the
// system directory, and its entry point with ordinal 15. Once loading or the entry point has
// failed, requests do nothing. The plug-in keeps one for the process (Default()); tests make their
// own and put it in place with ScopedSeam.
class HelpViewer {
 public:
  static HelpViewer& Default();
  void Show(const wchar_t* path);
  [[nodiscard]] bool failed() const noexcept { return failed_; }
  [[nodiscard]] HMODULE module() const noexcept { return module_; }

 private:
  using Entry = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);
  void Load();

  HMODULE module_ =
      nullptr;  // kept until the process ends, as the help window may outlive any dialog
  bool failed_ = false;
  Entry entry_ = nullptr;
};
KV_SEAM(HelpViewer);

// Opens the topic in the viewer in force.
void ShowHelpTopic(const wchar_t* path);

// Opens a topic of the model's help file: what every dialog's and the page's help asks.
void OpenHelp(const SheetContext& context, const HelpTopic& topic);
// The same for a dialog's row: its secure-print topic on a model with secure print.
void OpenHelp(const SheetContext& context, const DialogText& row);

}  // namespace kv
