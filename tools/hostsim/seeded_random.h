// The fuzzers' runs and their seeds: "VERB N SEED" makes N runs, run i from the generator
// seeded with SEED + i, so that any one run is replayed on its own as "VERB 1 SEED+i".
#pragma once

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace hostsim {

// splitmix64: small, fast, and the same sequence on every build and architecture.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t Below(uint32_t n) { return n ? static_cast<uint32_t>(Next() % n) : 0; }
  bool OneIn(uint32_t n) { return Below(n) == 0; }

 private:
  uint64_t state_;
};

// The verb's words "N SEED"; false when they are not two decimal numbers.
inline bool ParseCounts(const std::vector<std::wstring>& words, uint64_t& n, uint64_t& seed) {
  if (words.size() < 2) return false;
  wchar_t* end = nullptr;
  n = wcstoull(words[0].c_str(), &end, 10);
  if (!end || *end) return false;
  seed = wcstoull(words[1].c_str(), &end, 10);
  return end && !*end;
}

}  // namespace hostsim
