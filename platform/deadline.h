// The time left of a budget, counted from the tick count. A deadline holds its end, not its
// budget: copies of it end together, so that a budget can be shared by the steps of one task
// (a name lookup and the requests after it) whoever holds them.
#pragma once

#include <windows.h>

namespace kv {

class Deadline {
 public:
  explicit Deadline(DWORD budget_ms) : end_(GetTickCount64() + budget_ms) {}
  // Milliseconds left, 0 once the end is reached; a wait of this long never passes the end.
  [[nodiscard]] DWORD Remaining() const {
    const ULONGLONG now = GetTickCount64();
    return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
  }
  [[nodiscard]] bool Passed() const { return Remaining() == 0; }

 private:
  ULONGLONG end_;
};

}  // namespace kv
