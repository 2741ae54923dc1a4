// The plug-in's items in the host's option trees: "Hold" and "Copies" in the document
// settings, "Job Accounting" in the printer settings.
#pragma once

#include "host/host_abi.h"

namespace kv {

// IPrintOemUI::CommonUIProp. The host calls twice per tree: first with no item array to learn
// how many items the plug-in adds, then with the array to fill.
[[nodiscard]] HRESULT CommonUIProp(DWORD mode, POEMCUIPPARAM param, IPrintOemDriverUI* driver_ui);

// Stock icon of the host's common user interface shown on the push buttons.
constexpr DWORD kPushButtonIcon = 64074;

// The plug-in's items, by index within its own array.
constexpr DWORD kHoldItem = 0;
constexpr DWORD kCopiesItem = 1;
constexpr DWORD kDocumentItemCount = 2;
constexpr DWORD kJobAccountingItem = 0;
constexpr DWORD kPrinterItemCount = 1;

}  // namespace kv
