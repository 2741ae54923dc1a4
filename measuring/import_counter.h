// Counts what one loaded module makes and releases, by taking the place of the making and
// releasing functions in the module's import table: GDI objects and device contexts, windows,
// menus, icons, cursors and accelerator tables, and, when asked, blocks of the process heap
// and of the C runtime's allocator (the heaps that are not the host's plug-in heap), the
// modules it loads, its registry keys, threads and sockets, and all of these inside the
// libraries it loads of its own (the companion). Under Wine the process-wide counters
// (GetGuiResources, the handle count, private bytes) all answer 0, so leak tests and the soak count
// what the module itself asks of the system instead.
//
// It can also record the module's profile, spooler and registry calls, and its loading and
// calling of the companion library, each as a call that can be made again with the same
// arguments: the platform work of an operation, replayed alone as the reference of the cost
// benchmark.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace measuring {

// The process's committed private memory, from a walk over its address space (under Wine
// the private-bytes counter answers 0).
size_t CommittedPrivateBytes();

class ImportCounter {
 public:
  enum Counts : unsigned {
    kObjects = 0,        // GDI and USER objects
    kHeap = 1u << 0,     // process-heap and C runtime blocks ("heap")
    kModules = 1u << 1,  // LoadLibrary / FreeLibrary ("module")
    kSystem = 1u << 2,   // registry keys ("key"), threads ("thread"), sockets ("socket") and
                         // sockets-library starts not yet cleaned up ("winsock")
    kLoaded = 1u << 3,   // with kModules: the same counts inside each module it loads from
                         // outside the system's folders (the companion library), while loaded
  };

  // Patches `module`'s imports for as long as the counter lives. One counter at a time.
  explicit ImportCounter(HMODULE module, unsigned counts = kObjects);
  ~ImportCounter();
  ImportCounter(const ImportCounter&) = delete;
  ImportCounter& operator=(const ImportCounter&) = delete;

  // The module has been unloaded (its import table is gone): nothing is put back. What it
  // released on its way out was counted.
  void ModuleUnloaded();

  // How many functions were patched (0: the module imports none of them).
  [[nodiscard]] int patched() const { return patched_; }
  // Objects made and not yet released, by kind ("font", "bitmap", "brush", "dc", "window",
  // "menu", "icon", "cursor", "accelerator", "actctx", and "heap", "module", "key", "thread",
  // "socket", "winsock" when counted); windows count while they still exist, threads until
  // their handle is closed and they have ended. Heap blocks count as blocks; LiveHeapBytes()
  // gives their bytes.
  [[nodiscard]] std::map<std::string, int> Live() const;
  [[nodiscard]] size_t LiveHeapBytes() const;
  // Objects made, by kind.
  [[nodiscard]] std::map<std::string, int> Made() const;

  // While `into` is set, each profile, spooler and registry call of the module is appended
  // to it as a replay with the same arguments (into buffers of the same sizes). Registry keys
  // opened in a replay are closed by the replay of the close, or by ReplayDone().
  using Replay = std::function<void()>;
  void Record(std::vector<Replay>* into);
  static void ReplayDone();

 private:
  HMODULE module_;
  int patched_ = 0;
};

}  // namespace measuring
