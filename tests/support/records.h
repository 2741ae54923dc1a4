// Test helpers for the private record: guarded buffers and records placed against an
// inaccessible page, so that a read past their end faults.
#pragma once

#include <windows.h>

#include <cstring>
#include <vector>

#include "devmode/private_devmode.h"

namespace kvtest {

// A record with guard bytes on both sides.
class GuardedRecord {
 public:
  static constexpr size_t kGuard = 64;
  static constexpr unsigned char kGuardByte = 0xA5;

  explicit GuardedRecord(unsigned char fill = 0xCD)
      : bytes_(kGuard + kv::kPrivateDevmodeSize + kGuard, kGuardByte) {
    std::memset(record(), fill, kv::kPrivateDevmodeSize);
  }
  kv::PrivateDevmode* record() { return reinterpret_cast<kv::PrivateDevmode*>(&bytes_[kGuard]); }
  unsigned char* bytes() { return &bytes_[kGuard]; }
  [[nodiscard]] bool GuardsIntact() const {
    for (size_t i = 0; i < kGuard; ++i)
      if (bytes_[i] != kGuardByte || bytes_[bytes_.size() - 1 - i] != kGuardByte) return false;
    return true;
  }

 private:
  std::vector<unsigned char> bytes_;
};

// `size` bytes that end exactly where an inaccessible page begins.
class FencedBytes {
 public:
  explicit FencedBytes(size_t size) : size_(size) {
    const size_t pages = (size + 4095) / 4096 + 1;
    base_ = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, pages * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    VirtualProtect(base_ + (pages - 1) * 4096, 4096, PAGE_NOACCESS, &old);
    data_ = base_ + (pages - 1) * 4096 - size;
  }
  ~FencedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
  FencedBytes(const FencedBytes&) = delete;
  FencedBytes& operator=(const FencedBytes&) = delete;
  unsigned char* data() { return data_; }
  [[nodiscard]] size_t size() const { return size_; }

 private:
  size_t size_;
  unsigned char* base_ = nullptr;
  unsigned char* data_ = nullptr;
};

}  // namespace kvtest
