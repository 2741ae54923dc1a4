#include "platform/firewall.h"

#include <cwchar>

namespace kv {

void RecordStopped(const char* where, const char* what) noexcept {
  // The file name of the module this code is linked into: the plug-in or its companion.
  wchar_t line[512] = {};
  HMODULE module = nullptr;
  wchar_t path[MAX_PATH] = {};
  if (GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&RecordStopped), &module) &&
      GetModuleFileNameW(module, path, MAX_PATH) > 0) {
    const wchar_t* name = wcsrchr(path, L'\\');
    wcsncat(line, name ? name + 1 : path, 100);
  }
  wcsncat(line, L": ", 3);
  // The texts are the plug-in's own names and the exceptions' messages, in the ANSI code page.
  size_t used = wcslen(line);
  const auto append = [&](const char* text) {
    if (!text) return;
    const int room = static_cast<int>(sizeof line / sizeof line[0] - used - 1);
    if (room <= 0) return;
    const int made = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(strnlen(text, 200)),
                                         line + used, room);
    used += made > 0 ? static_cast<size_t>(made) : 0;
    line[used] = L'\0';
  };
  append(where);
  append(" stopped an exception: ");
  append(what);
  append("\n");
  OutputDebugStringW(line);
}

}  // namespace kv
