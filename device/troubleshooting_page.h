// The Troubleshooting page of the printer (and document) properties: the status monitor,
// the printer's diagnostic pages, web links, and the About dialog.
#pragma once

#include <windows.h>

namespace kv {

// The page's dialog procedure; its page record's lParam is the sheet context.
INT_PTR CALLBACK TroubleshootingPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace kv
