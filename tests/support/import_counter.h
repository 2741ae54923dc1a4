// Counts the GDI objects, device contexts and windows that one loaded module makes and
// releases, by taking the place of those functions in the module's import table. Under Wine
// the process-wide counters (GetGuiResources and the like) all answer 0, so a leak test
// counts what the module itself asks of the system instead.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace kvtest {

class ImportCounter {
 public:
  // Patches `module`'s imports for as long as the counter lives. One counter at a time.
  explicit ImportCounter(HMODULE module);
  ~ImportCounter();
  ImportCounter(const ImportCounter&) = delete;
  ImportCounter& operator=(const ImportCounter&) = delete;

  // How many functions were patched (0: the module imports none of them).
  [[nodiscard]] int patched() const { return patched_; }
  // Objects made and not yet released, by kind ("font", "bitmap", "brush", "dc", "window");
  // windows count while they still exist.
  [[nodiscard]] std::map<std::string, int> Live() const;
  // Objects made, by kind.
  [[nodiscard]] std::map<std::string, int> Made() const;

 private:
  HMODULE module_;
  int patched_ = 0;
};

}  // namespace kvtest
