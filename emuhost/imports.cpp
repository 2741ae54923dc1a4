#include "emuhost/imports.h"

#include <cstring>

namespace emuhost {

void ForEachImport(HMODULE module, const std::function<void(const char* name, void** slot)>& each) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!directory.VirtualAddress) return;
  for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       import->Name; ++import) {
    if (!import->OriginalFirstThunk) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      each(reinterpret_cast<const char*>(by_name->Name),
           reinterpret_cast<void**>(&slots->u1.Function));
    }
  }
}

void WriteImportSlot(void** slot, void* function) {
  DWORD old = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  *slot = function;
  VirtualProtect(slot, sizeof *slot, old, &old);
}

ImportReplacement::ImportReplacement(HMODULE module, const char* name, void* replacement) {
  ForEachImport(module, [&](const char* imported, void** slot) {
    if (slot_ || std::strcmp(imported, name) != 0) return;
    slot_ = slot;
    original_ = *slot;
    WriteImportSlot(slot, replacement);
  });
}

ImportReplacement::~ImportReplacement() {
  if (slot_) WriteImportSlot(slot_, original_);
}

}  // namespace emuhost
