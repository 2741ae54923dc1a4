// The companion library's entry points: its module, the settings file beside it, and the
// export the plug-in calls.
#include <winsock2.h>

#include <windows.h>

#include <cwchar>

#include "companion/companion.h"
#include "platform/firewall.h"
#include "platform/runtime.h"

namespace {

HMODULE g_module = nullptr;

// The settings file beside the library: its name with ".ini" for ".dll" (kvpsuN.ini).
bool SettingsFile(wchar_t (&path)[MAX_PATH]) {
  const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  wchar_t* dot = wcsrchr(path, L'.');
  wchar_t* slash = wcsrchr(path, L'\\');
  if (!dot || (slash && dot < slash) || static_cast<size_t>(dot - path) + 5 > MAX_PATH)
    return false;
  wcscpy(dot, L".ini");
  return true;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  // The plug-in loads and frees this library for every update.
  if (reason == DLL_PROCESS_DETACH && !reserved) kv::ReleaseRuntimeReserves();
  return TRUE;
}

extern "C" SHORT WINAPI SNMP_AutoUpdate(LPCSTR port, BYTE* status, LONG*, LONG) {
  if (!port || !status) return 0;
  // Nothing may escape into the plug-in: an exception (only memory running out can raise one)
  // is no answer.
  return kv::Firewall<SHORT>("SNMP_AutoUpdate", 0, 0, [&]() -> SHORT {
    wchar_t file[MAX_PATH];
    kv::snmp::Settings settings =
        SettingsFile(file) ? kv::snmp::ReadSettings(file) : kv::snmp::Settings();
    kv::snmp::ApplyPolicy(kv::Policy(), settings);
    return kv::snmp::AutoUpdate(port, status, settings);
  });
}
