// A page the plug-in asked the host to add, shown as the host's common user interface shows
// it: made with CreatePropertySheetPageW from the page record and put in a modeless
// property sheet of its own.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "emuhost/emulated_host.h"

namespace emuhost {

// Whether the system's default language is written right to left (its dialogs mirrored).
[[nodiscard]] bool RightToLeftSystem();

// The Troubleshooting page's record as the plug-in would ask the host to add it: the page
// procedure, the module with its templates (the mirrored one on right-to-left systems), the
// sheet context, and the activation context when there is one. For a sheet that adds none.
AddedPage TroubleshootingPageRecord(HINSTANCE instance, DLGPROC procedure, LPARAM context,
                                    HANDLE activation_context = nullptr);

// The Troubleshooting page as the plug-in adds it to the printer sheet of a model that shows
// it, for a model whose sheet adds none (a brand without the page, or a tab list without it):
// while one printer sheet opens through the plug-in, the installed model profile names the
// brand that has the page and lists the page; it is put back as it was before this returns.
// The record's procedure, templates, title and activation context are the plug-in's own; its
// parameter is left for the caller's sheet context (the plug-in's answer in that caller's
// PROPSHEETUI_INFO's UserData), which the page then runs with. Without a procedure when the
// plug-in adds no page even so.
AddedPage AnnouncedPage(const std::function<IPrintOemUI*()>& new_plugin, HANDLE printer,
                        const std::wstring& printer_name, const std::wstring& model_profile);

// The page of a printer sheet: the one it added, or for a model that adds none the page as
// announced above with the sheet's own context. Without a procedure when there is none.
AddedPage PrinterSheetPage(const EmulatedHost& sheet,
                           const std::function<IPrintOemUI*()>& new_plugin, HANDLE printer,
                           const std::wstring& printer_name, const std::wstring& model_profile);

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
