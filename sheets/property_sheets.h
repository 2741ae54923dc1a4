// The document and printer property sheets: the per-sheet context and the Troubleshooting
// page, through the common property-sheet protocol.
#pragma once

#include "host/host_abi.h"

namespace kv {

[[nodiscard]] HRESULT DocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lparam,
                                             IPrintOemDriverUI* driver_ui);
[[nodiscard]] HRESULT DevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lparam,
                                           IPrintOemDriverUI* driver_ui);

constexpr int kTroubleshootingTab = 12;
constexpr int kMaxTabs = 64;

}  // namespace kv
