// Loading of the companion network library. Tests put their own scripted companions in its
// place.
#pragma once

#include <windows.h>

namespace kv {

class LibraryLoader {
 public:
  virtual ~LibraryLoader() = default;
  virtual HMODULE Load(const wchar_t* path) = 0;
  virtual FARPROC Find(HMODULE module, const char* name) = 0;
  virtual void Free(HMODULE module) = 0;

  static LibraryLoader& Default();
};

}  // namespace kv
