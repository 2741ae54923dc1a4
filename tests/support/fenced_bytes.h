// Bytes fenced by inaccessible pages, for code that reads or writes a buffer it was handed:
// the tests' records from applications, and the simulator's fuzzers.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace kvtest {

// A region of whole pages between two inaccessible pages, with the bytes in use placed at its
// end, so that they end exactly where the trailing inaccessible page begins: a read or write
// past their end faults at once, and so does one that runs off the front of the region. The
// region's bytes before the placed ones hold guard bytes, so that a write a little before the
// buffer is seen afterwards.
class FencedBytes {
 public:
  static constexpr size_t kPage = 4096;
  static constexpr unsigned char kGuardByte = 0xA7;

  // One of the inaccessible pages, [begin, end).
  struct Fence {
    uintptr_t begin = 0, end = 0;
  };

  // `size` zero bytes in a region just large enough for them.
  explicit FencedBytes(size_t size) : FencedBytes(size, size) {}
  // A region of at least `capacity` bytes, with `size` zero bytes placed at its end.
  FencedBytes(size_t size, size_t capacity) {
    if (capacity < size) capacity = size;
    usable_ = (capacity + kPage - 1) / kPage * kPage;
    base_ = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, usable_ + 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!base_) return;
    DWORD old = 0;
    if (!VirtualProtect(base_, kPage, PAGE_NOACCESS, &old) ||
        !VirtualProtect(base_ + kPage + usable_, kPage, PAGE_NOACCESS, &old)) {
      VirtualFree(base_, 0, MEM_RELEASE);
      base_ = nullptr;
      return;
    }
    Place(size);
  }
  ~FencedBytes() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
  }
  FencedBytes(const FencedBytes&) = delete;
  FencedBytes& operator=(const FencedBytes&) = delete;

  // Null when the pages could not be had.
  unsigned char* data() { return data_; }
  [[nodiscard]] size_t size() const { return size_; }
  // How many bytes Place accepts.
  [[nodiscard]] size_t capacity() const { return usable_; }

  // Places `size` zero bytes against the trailing inaccessible page, with guard bytes in every
  // byte of the region before them, and returns them; null when they do not fit.
  unsigned char* Place(size_t size) {
    if (!base_ || size > usable_) return nullptr;
    unsigned char* region = base_ + kPage;
    size_ = size;
    data_ = region + usable_ - size;
    std::memset(region, kGuardByte, usable_ - size);
    std::memset(data_, 0, size);
    return data_;
  }

  // Whether every byte of the region before the placed bytes still holds its guard byte.
  [[nodiscard]] bool GuardIntact() const {
    if (!base_) return false;
    for (const unsigned char* p = base_ + kPage; p < data_; ++p)
      if (*p != kGuardByte) return false;
    return true;
  }

  // The inaccessible pages before and after the region, for a fault handler that must tell a
  // touch of a fence from any other fault.
  [[nodiscard]] std::array<Fence, 2> fences() const {
    const auto base = reinterpret_cast<uintptr_t>(base_);
    if (!base_) return {};
    return {Fence{base, base + kPage}, Fence{base + kPage + usable_, base + 2 * kPage + usable_}};
  }

 private:
  size_t usable_ = 0;
  size_t size_ = 0;
  unsigned char* base_ = nullptr;
  unsigned char* data_ = nullptr;
};

}  // namespace kvtest
