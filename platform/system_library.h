// A system library by its full path in the system directory: a bare name would be looked up in
// the application's directory and the current one first, where anyone could have put a library
// of that name into every program that prints.
#pragma once

#include <windows.h>

#include <cwchar>

namespace kv {

// "<system directory>\<name>"; false, with `path` empty, when it does not fit.
inline bool SystemLibraryPath(const wchar_t* name, wchar_t (&path)[MAX_PATH]) {
  path[0] = L'\0';
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + 1 + wcslen(name) >= MAX_PATH) {
    path[0] = L'\0';
    return false;
  }
  path[length] = L'\\';
  wcscpy(path + length + 1, name);  // fits: checked above
  return true;
}

}  // namespace kv
