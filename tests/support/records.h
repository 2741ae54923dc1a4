// Test helpers for the private record: records with guard bytes around them, and (from
// fenced_bytes.h) bytes placed against an inaccessible page, so that a read past their end faults.
#pragma once

#include <windows.h>

#include <cstring>
#include <vector>

#include "devmode/private_devmode.h"
#include "tests/support/fenced_bytes.h"

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

}  // namespace kvtest
