// Owners for the handles the plug-in opens: one move-only template, one alias per kind.
// Closing keeps the thread's last error, so a failure reported by the code that owned the
// handle survives the cleanup.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <utility>

namespace kv {

// What an owner holds: the handle's type, the value that means none (a traits function, as
// some kinds use INVALID_HANDLE_VALUE, which a template argument cannot name) and how one is
// closed.
template <typename T, typename Close>
struct NullInvalid {
  using type = T;
  static constexpr T invalid() noexcept { return T(); }
  static void close(T value) noexcept { Close()(value); }
};

template <typename Traits>
class unique_any {
 public:
  using T = typename Traits::type;

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
  explicit operator bool() const noexcept { return value_ != Traits::invalid(); }
  [[nodiscard]] T release() noexcept { return std::exchange(value_, Traits::invalid()); }
  void reset(T value = Traits::invalid()) noexcept {
    T old = std::exchange(value_, value);
    if (old != Traits::invalid()) {
      DWORD error = GetLastError();
      Traits::close(old);
      SetLastError(error);
    }
  }
  // Frees the current value first, then hands out its slot for an out-parameter.
  T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Traits::invalid();
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
struct DeleteGdiObject {
  void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
struct DeleteMemoryDc {
  void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
struct ActivationContextTraits {
  using type = HANDLE;
  static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(type context) noexcept { ReleaseActCtx(context); }
};
// An activation context made the thread's by ActivateActCtx: its cookie, which is never 0.
struct DeactivateActivation {
  void operator()(ULONG_PTR cookie) const noexcept { DeactivateActCtx(0, cookie); }
};

using unique_hkey = unique_any<NullInvalid<HKEY, CloseRegKey>>;
using unique_hmodule = unique_any<NullInvalid<HMODULE, CloseModule>>;
using unique_hprinter = unique_any<NullInvalid<HANDLE, ClosePrinterHandle>>;
using unique_heap = unique_any<NullInvalid<HANDLE, CloseHeap>>;
using unique_handle = unique_any<NullInvalid<HANDLE, CloseKernelHandle>>;
using unique_hfont = unique_any<NullInvalid<HFONT, DeleteGdiObject>>;
using unique_hbitmap = unique_any<NullInvalid<HBITMAP, DeleteGdiObject>>;
using unique_hbrush = unique_any<NullInvalid<HBRUSH, DeleteGdiObject>>;
using unique_memory_dc = unique_any<NullInvalid<HDC, DeleteMemoryDc>>;  // from CreateCompatibleDC
using unique_actctx = unique_any<ActivationContextTraits>;
using unique_activation = unique_any<NullInvalid<ULONG_PTR, DeactivateActivation>>;

// The context made the thread's until the owner ends; none for a null or invalid context.
[[nodiscard]] inline unique_activation Activate(HANDLE context) noexcept {
  ULONG_PTR cookie = 0;
  if (context == INVALID_HANDLE_VALUE || !context || !ActivateActCtx(context, &cookie)) return {};
  return unique_activation(cookie);
}

// A reference to a COM object: released when the owner ends. It takes the reference it is
// given (a new object's first, or one an out-parameter filled through put()).
template <class Interface>
class com_ptr {
 public:
  com_ptr() noexcept = default;
  explicit com_ptr(Interface* adopted) noexcept : object_(adopted) {}
  com_ptr(const com_ptr&) = delete;
  com_ptr& operator=(const com_ptr&) = delete;
  com_ptr(com_ptr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  com_ptr& operator=(com_ptr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.object_, nullptr));
    return *this;
  }
  ~com_ptr() { reset(); }

  [[nodiscard]] Interface* get() const noexcept { return object_; }
  Interface* operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }
  void reset(Interface* adopted = nullptr) noexcept {
    if (Interface* old = std::exchange(object_, adopted)) old->Release();
  }
  // Releases the current reference first, then hands out its slot for an out-parameter.
  Interface** put() noexcept {
    reset();
    return &object_;
  }

 private:
  Interface* object_ = nullptr;
};

// A window's device context from GetDC, released to the same window.
class unique_window_dc {
 public:
  explicit unique_window_dc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  unique_window_dc(const unique_window_dc&) = delete;
  unique_window_dc& operator=(const unique_window_dc&) = delete;
  ~unique_window_dc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  [[nodiscard]] HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context for a scope: the one it replaced goes back in.
// Selecting nothing (a null object or DC) does nothing.
class scoped_select {
 public:
  scoped_select(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
  scoped_select(const scoped_select&) = delete;
  scoped_select& operator=(const scoped_select&) = delete;
  ~scoped_select() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A bitmap selected into a memory device context of its own for as long as both live, so
// that painting only copies from it. Empty until a bitmap is taken and selected.
class bitmap_dc {
 public:
  bitmap_dc() noexcept = default;
  bitmap_dc(const bitmap_dc&) = delete;
  bitmap_dc& operator=(const bitmap_dc&) = delete;
  ~bitmap_dc() { clear(); }

  // Takes the bitmap and selects it into a fresh memory DC; false, holding nothing, when
  // either cannot be had.
  bool take(unique_hbitmap bitmap) noexcept {
    clear();
    if (!bitmap) return false;
    unique_memory_dc dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ was = dc ? SelectObject(dc.get(), bitmap.get()) : nullptr;
    if (!was || was == HGDI_ERROR) return false;
    bitmap_ = std::move(bitmap);
    dc_ = std::move(dc);
    was_ = was;
    return true;
  }
  [[nodiscard]] HDC dc() const noexcept { return dc_.get(); }
  [[nodiscard]] HBITMAP bitmap() const noexcept { return bitmap_.get(); }
  explicit operator bool() const noexcept { return was_ != nullptr; }

 private:
  void clear() noexcept {
    if (was_) SelectObject(dc_.get(), was_);
    was_ = nullptr;
    dc_.reset();
    bitmap_.reset();
  }

  unique_hbitmap bitmap_;
  unique_memory_dc dc_;
  HGDIOBJ was_ = nullptr;
};

// A block from a Win32 heap, seen as a T, freed back to the same heap.
template <typename T = void>
class unique_heap_ptr {
 public:
  unique_heap_ptr() noexcept = default;
  unique_heap_ptr(HANDLE heap, void* block) noexcept
      : heap_(heap), block_(static_cast<T*>(block)) {}
  unique_heap_ptr(const unique_heap_ptr&) = delete;
  unique_heap_ptr& operator=(const unique_heap_ptr&) = delete;
  unique_heap_ptr(unique_heap_ptr&& other) noexcept
      : heap_(other.heap_), block_(std::exchange(other.block_, nullptr)) {}
  unique_heap_ptr& operator=(unique_heap_ptr&& other) noexcept {
    if (this != &other) {
      reset();
      heap_ = other.heap_;
      block_ = std::exchange(other.block_, nullptr);
    }
    return *this;
  }
  ~unique_heap_ptr() { reset(); }

  [[nodiscard]] T* get() const noexcept { return block_; }
  explicit operator bool() const noexcept { return block_ != nullptr; }
  [[nodiscard]] T* release() noexcept { return std::exchange(block_, nullptr); }
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
  T* block_ = nullptr;
};

using unique_heap_block = unique_heap_ptr<void>;

// Gives a block back to its heap, for blocks whose owner is a record of the host's (a sheet's
// context lives in the host's heap between its calls).
inline void FreeHeapBlock(HANDLE heap, void* block) noexcept {
  unique_heap_block(heap, block).reset();
}

}  // namespace kv
