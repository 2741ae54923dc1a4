// A stand-in for the HTML help control: its entry point (ordinal 15, no name, as the system's
// control exports it) only notes the request, and the test reads the last one back by name.
#include <windows.h>

#include <cwchar>

namespace {

LONG g_calls = 0;
HWND g_owner = nullptr;
wchar_t g_file[1024] = {};
UINT g_command = 0;
DWORD_PTR g_data = 0;

}  // namespace

extern "C" HWND WINAPI StandinHtmlHelp(HWND owner, const wchar_t* file, UINT command,
                                       DWORD_PTR data) {
  ++g_calls;
  g_owner = owner;
  g_file[0] = L'\0';
  if (file) wcsncat(g_file, file, 1023);
  g_command = command;
  g_data = data;
  return nullptr;
}

// The number of requests so far, and the arguments of the last one (the file cut to `units`).
extern "C" LONG WINAPI StandinLastRequest(HWND* owner, wchar_t* file, UINT units, UINT* command,
                                          DWORD_PTR* data) {
  *owner = g_owner;
  if (units) {
    file[0] = L'\0';
    wcsncat(file, g_file, units - 1);
  }
  *command = g_command;
  *data = g_data;
  return g_calls;
}
