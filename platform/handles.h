// Owners for the handles the plug-in opens: one move-only template, one alias per kind.
// Closing keeps the thread's last error, so a failure reported by the code that owned the
// handle survives the cleanup.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <utility>

namespace kv {

template <typename T, typename Close, T Invalid = T()>
class unique_any {
 public:
  unique_any() noexcept = default;
  explicit unique_any(T value) noexcept : value_(value) {}
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  unique_any(unique_any&& other) noexcept : value_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~unique_any() { reset(); }

  [[nodiscard]] T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Invalid; }
  [[nodiscard]] T release() noexcept { return std::exchange(value_, Invalid); }
  void reset(T value = Invalid) noexcept {
    T old = std::exchange(value_, value);
    if (old != Invalid) {
      DWORD error = GetLastError();
      Close()(old);
      SetLastError(error);
    }
  }
  // Frees the current value first, then hands out its slot for an out-parameter.
  T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Invalid;
};

struct CloseRegKey {
  void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
struct CloseModule {
  void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
struct ClosePrinterHandle {
  void operator()(HANDLE printer) const noexcept { ClosePrinter(printer); }
};
struct CloseHeap {
  void operator()(HANDLE heap) const noexcept { HeapDestroy(heap); }
};
struct CloseKernelHandle {
  void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};

using unique_hkey = unique_any<HKEY, CloseRegKey>;
using unique_hmodule = unique_any<HMODULE, CloseModule>;
using unique_hprinter = unique_any<HANDLE, ClosePrinterHandle>;
using unique_heap = unique_any<HANDLE, CloseHeap>;
using unique_handle = unique_any<HANDLE, CloseKernelHandle>;

// A block from a Win32 heap, freed back to the same heap.
class unique_heap_block {
 public:
  unique_heap_block() noexcept = default;
  unique_heap_block(HANDLE heap, void* block) noexcept : heap_(heap), block_(block) {}
  unique_heap_block(const unique_heap_block&) = delete;
  unique_heap_block& operator=(const unique_heap_block&) = delete;
  unique_heap_block(unique_heap_block&& other) noexcept
      : heap_(other.heap_), block_(std::exchange(other.block_, nullptr)) {}
  unique_heap_block& operator=(unique_heap_block&& other) noexcept {
    if (this != &other) {
      reset();
      heap_ = other.heap_;
      block_ = std::exchange(other.block_, nullptr);
    }
    return *this;
  }
  ~unique_heap_block() { reset(); }

  [[nodiscard]] void* get() const noexcept { return block_; }
  explicit operator bool() const noexcept { return block_ != nullptr; }
  void reset() noexcept {
    if (block_) {
      DWORD error = GetLastError();
      HeapFree(heap_, 0, block_);
      SetLastError(error);
      block_ = nullptr;
    }
  }

 private:
  HANDLE heap_ = nullptr;
  void* block_ = nullptr;
};

}  // namespace kv
