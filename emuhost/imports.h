// A loaded module's import table, as a host that watches or stands in for what the module asks
// of the system reaches it: each function it imports by name, with the slot the loader filled
// with the function's address.
#pragma once

#include <windows.h>

#include <functional>

namespace emuhost {

// Calls `each` with the name and the slot of every function `module` imports by name.
void ForEachImport(HMODULE module, const std::function<void(const char* name, void** slot)>& each);

// Writes a function's address into an import slot (the table is read-only once loaded).
void WriteImportSlot(void** slot, void* function);

// Puts `replacement` in the place of the imported function `name` of `module` for as long as
// it lives, and the function back after.
class ImportReplacement {
 public:
  ImportReplacement(HMODULE module, const char* name, void* replacement);
  ~ImportReplacement();
  ImportReplacement(const ImportReplacement&) = delete;
  ImportReplacement& operator=(const ImportReplacement&) = delete;

  // False when the module does not import the function: the replacement is never called.
  [[nodiscard]] bool replaced() const { return slot_ != nullptr; }

 private:
  void** slot_ = nullptr;
  void* original_ = nullptr;
};

}  // namespace emuhost
