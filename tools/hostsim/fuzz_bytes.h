// What the decoders' fuzz verbs share: a place to decode from, at the very end of a readable
// region with an unreadable page after it, so that a read past the input stops the run with an
// access violation; and the byte mangling of a whole input.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace hostsim {

class GuardedBuffer {
 public:
  GuardedBuffer() {
    base_ = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, 2 * kSpan, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    if (base_ && !VirtualProtect(base_ + kSpan, kSpan, PAGE_NOACCESS, &old)) {
      VirtualFree(base_, 0, MEM_RELEASE);
      base_ = nullptr;
    }
  }
  ~GuardedBuffer() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
  }
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;
  [[nodiscard]] bool ok() const { return base_ != nullptr; }
  // The bytes copied so that their last one ends the readable region (at most kSpan of them).
  const uint8_t* Place(const std::vector<uint8_t>& bytes) {
    uint8_t* at = base_ + kSpan - bytes.size();
    if (!bytes.empty()) memcpy(at, bytes.data(), bytes.size());
    return at;
  }
  static constexpr size_t kSpan = 64 * 1024;

 private:
  uint8_t* base_ = nullptr;
};

// Bit flips, bytes replaced, inserted and removed, cuts, and a tail repeated; the result fits
// a GuardedBuffer.
void Mangle(std::vector<uint8_t>& bytes, std::mt19937& random);

}  // namespace hostsim
