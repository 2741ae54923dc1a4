#include "platform/library_loader.h"

namespace kv {

KV_SEAM_PLACE(LibraryLoader);
namespace {

class Win32LibraryLoader final : public LibraryLoader {
 public:
  HMODULE Load(const wchar_t* path) override { return LoadLibraryW(path); }
  FARPROC Find(HMODULE module, const char* name) override { return GetProcAddress(module, name); }
  FARPROC FindOrdinal(HMODULE module, WORD ordinal) override {
    return GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
  }
  void Free(HMODULE module) override { FreeLibrary(module); }
};

}  // namespace

LibraryLoader& LibraryLoader::Default() {
  static Win32LibraryLoader loader;
  return loader;
}

}  // namespace kv
