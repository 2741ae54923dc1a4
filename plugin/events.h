// Printer and driver events forwarded by the host from the spooler.
#pragma once

#include <windows.h>

namespace kv {

[[nodiscard]] HRESULT PrinterEvent(PWSTR printer_name, INT event, DWORD flags, LPARAM lparam);
[[nodiscard]] HRESULT DriverEvent(DWORD event, DWORD level, LPBYTE driver_info, LPARAM lparam);

// Removes "Software\KVPrint\<driver>" under HKEY_CURRENT_USER, and "Software\KVPrint" too
// once it holds nothing more. An empty or null name removes nothing.
void RemoveDriverSettings(const wchar_t* driver_name);

}  // namespace kv
