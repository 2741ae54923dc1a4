// Loading of the libraries the plug-in finds at run time: the companion network library and
// the HTML help control. Tests put their own scripted libraries in their place.
#pragma once

#include <windows.h>

#include "platform/seam.h"

namespace kv {

class LibraryLoader {
 public:
  virtual ~LibraryLoader() = default;
  virtual HMODULE Load(const wchar_t* path) = 0;
  virtual FARPROC Find(HMODULE module, const char* name) = 0;
  virtual FARPROC FindOrdinal(HMODULE module, WORD ordinal) = 0;
  virtual void Free(HMODULE module) = 0;

  static LibraryLoader& Default();
};
KV_SEAM(LibraryLoader);

}  // namespace kv
