#include "emuhost/page_sheet.h"

#include <commctrl.h>
#include <prsht.h>

namespace emuhost {

PageSheet::PageSheet(const AddedPage& added, const wchar_t* caption) {
  PROPSHEETPAGEW page = {};
  page.dwSize = sizeof page;
  page.dwFlags = added.flags;
  page.hInstance = added.instance;
  page.pszTemplate = MAKEINTRESOURCEW(added.template_id);
  page.pfnDlgProc = added.procedure;
  page.lParam = added.lparam;
  page.pszTitle = added.title.c_str();
  page.hActCtx = added.activation_context;
  HPROPSHEETPAGE handle = CreatePropertySheetPageW(&page);
  if (!handle) return;

  PROPSHEETHEADERW header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
  header.pszCaption = caption;
  header.nPages = 1;
  header.phpage = &handle;
  sheet_ = reinterpret_cast<HWND>(PropertySheetW(&header));
  if (!sheet_) {
    DestroyPropertySheetPage(handle);
    return;
  }
  page_ = reinterpret_cast<HWND>(SendMessageW(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0));
}

PageSheet::~PageSheet() {
  if (sheet_) DestroyWindow(sheet_);
}

}  // namespace emuhost
