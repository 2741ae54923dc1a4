// A page the plug-in asked the host to add, shown as the host's common user interface shows
// it: made with CreatePropertySheetPageW from the page record and put in a modeless
// property sheet of its own.
#pragma once

#include <windows.h>

#include "emuhost/emulated_host.h"

namespace emuhost {

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
