#include "emuhost/page_sheet.h"

#include <commctrl.h>
#include <prsht.h>

#include "resources/dialog_ids.h"

namespace emuhost {

bool RightToLeftSystem() {
  const unsigned primary = PRIMARYLANGID(GetSystemDefaultLangID());
  return primary == LANG_ARABIC || primary == LANG_HEBREW;
}

AddedPage TroubleshootingPageRecord(HINSTANCE instance, DLGPROC procedure, LPARAM context,
                                    HANDLE activation_context) {
  AddedPage page = {};
  page.flags = PSP_USETITLE;
  if (activation_context && activation_context != INVALID_HANDLE_VALUE) {
    page.flags |= PSP_USEFUSIONCONTEXT;
    page.activation_context = activation_context;
  }
  page.instance = instance;
  page.template_id = RightToLeftSystem() ? IDD_TROUBLESHOOTING_RTL : IDD_TROUBLESHOOTING;
  page.title = L"Troubleshooting";
  page.procedure = procedure;
  page.lparam = context;
  return page;
}

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
