#include "emuhost/page_sheet.h"

#include <commctrl.h>
#include <prsht.h>

#include "emuhost/model_install.h"
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

AddedPage AnnouncedPage(const std::function<IPrintOemUI*()>& new_plugin, HANDLE printer,
                        const std::wstring& printer_name, const std::wstring& model_profile) {
  AddedPage page = {};
  IPrintOemUI* plugin = model_profile.empty() ? nullptr : new_plugin();
  if (!plugin) return page;
  {
    const ProfileValue brand(model_profile, L"Common", L"Caption", L"Pelma");
    const ProfileValue tabs(model_profile, L"TABNUMBER", L"TabNumber", L"1");
    const ProfileValue tab(model_profile, L"TABNUMBER", L"Tab0", L"12");
    EmulatedHost host(plugin, printer, printer_name);
    host.DefaultRecords();
    host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_INIT);
    if (!host.pages.empty()) page = host.pages.front();
    host.Sheets(OEMCUIP_PRNPROP, PROPSHEETUI_REASON_DESTROY);
    // The object goes before its host, whose service interface it holds.
    plugin->Release();
  }
  page.lparam = 0;
  return page;
}

AddedPage PrinterSheetPage(const EmulatedHost& sheet,
                           const std::function<IPrintOemUI*()>& new_plugin, HANDLE printer,
                           const std::wstring& printer_name, const std::wstring& model_profile) {
  if (!sheet.pages.empty()) return sheet.pages.front();
  if (!sheet.psui.UserData) return {};
  AddedPage page = AnnouncedPage(new_plugin, printer, printer_name, model_profile);
  page.lparam = static_cast<LPARAM>(sheet.psui.UserData);
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
