// A page the plug-in asked the host to add, shown as the host's common user interface shows
// it: made with CreatePropertySheetPageW from the page record and put in a modeless
// property sheet of its own.
#pragma once

#include <windows.h>

#include "emuhost/emulated_host.h"

namespace emuhost {

// Whether the system's default language is written right to left (its dialogs mirrored).
[[nodiscard]] bool RightToLeftSystem();

// The Troubleshooting page's record as the plug-in would ask the host to add it: the page
// procedure, the module with its templates (the mirrored one on right-to-left systems), the
// sheet context, and the activation context when there is one. For a sheet that adds none.
AddedPage TroubleshootingPageRecord(HINSTANCE instance, DLGPROC procedure, LPARAM context,
                                    HANDLE activation_context = nullptr);

class PageSheet {
 public:
  explicit PageSheet(const AddedPage& page, const wchar_t* caption = L"Printer Properties");
  ~PageSheet();
  PageSheet(const PageSheet&) = delete;
  PageSheet& operator=(const PageSheet&) = delete;

  [[nodiscard]] HWND sheet() const { return sheet_; }
  [[nodiscard]] HWND page() const { return page_; }

 private:
  HWND sheet_ = nullptr;
  HWND page_ = nullptr;
};

}  // namespace emuhost
