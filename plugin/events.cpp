#include "plugin/events.h"

#include <shlwapi.h>
#include <winddiui.h>
#include <winspool.h>

#include <cwchar>

#include "platform/handles.h"
#include "platform/text.h"

namespace kv {
namespace {

constexpr wchar_t kVendorKey[] = L"Software\\KVPrint";

// The driver's name from a DRIVER_INFO_n; levels 2 to 4 keep it after cVersion.
void DriverNameOf(DWORD level, const BYTE* info, wchar_t (&name)[260]) {
  name[0] = L'\0';
  if (!info) return;
  switch (level) {
    case 1: CopyText(name, reinterpret_cast<const DRIVER_INFO_1W*>(info)->pName); break;
    case 2:
    case 3:
    case 4:
      // DRIVER_INFO_3 and _4 begin with the fields of DRIVER_INFO_2.
      CopyText(name, reinterpret_cast<const DRIVER_INFO_2W*>(info)->pName);
      break;
    default: break;
  }
}

// Windows' SHDeleteEmptyKeyW keeps a key that still holds values; Wine's removes it. Ask
// the key itself, so that the behaviour is Windows' everywhere.
bool KeyIsEmpty(HKEY parent, const wchar_t* path) {
  unique_hkey key;
  if (RegOpenKeyExW(parent, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  return subkeys == 0 && values == 0;
}

}  // namespace

void RemoveDriverSettings(const wchar_t* driver_name) {
  // An empty name would make the path the vendor key itself, with every driver's settings.
  if (!driver_name || driver_name[0] == L'\0') return;
  unique_hkey user;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, nullptr, 0, KEY_WRITE | KEY_READ, user.put()) !=
      ERROR_SUCCESS)
    return;
  wchar_t path[sizeof kVendorKey / sizeof(wchar_t) + 260 + 1];
  CopyText(path, kVendorKey);
  AppendText(path, L"\\");
  wchar_t name[260];
  CopyText(name, driver_name);
  AppendText(path, name);
  AppendText(path, L"\\");
  RegDeleteKeyW(user.get(), path);
  if (KeyIsEmpty(user.get(), kVendorKey)) SHDeleteEmptyKeyW(user.get(), kVendorKey);
}

HRESULT PrinterEvent(PWSTR, INT, DWORD, LPARAM) { return S_OK; }

HRESULT DriverEvent(DWORD event, DWORD level, LPBYTE driver_info, LPARAM) {
  wchar_t name[260];
  DriverNameOf(level, driver_info, name);
  if (event == DRIVER_EVENT_DELETE) RemoveDriverSettings(name);
  return S_OK;
}

}  // namespace kv
