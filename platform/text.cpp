#include "platform/text.h"

namespace kv {
namespace {

// Appends one unit while there is room for it and the terminator.
bool Put(wchar_t* out, size_t capacity, size_t& used, wchar_t unit) noexcept {
  if (used + 1 >= capacity) return false;
  out[used++] = unit;
  return true;
}

}  // namespace

size_t FillNumbers(const wchar_t* text, std::initializer_list<int> numbers, wchar_t* out,
                   size_t capacity) noexcept {
  if (!out || capacity == 0) return 0;
  size_t used = 0;
  const int* next = numbers.begin();
  for (const wchar_t* c = text ? text : L""; *c != L'\0'; ++c) {
    if (c[0] == L'%' && c[1] == L'%') {
      if (!Put(out, capacity, used, L'%')) break;
      ++c;
      continue;
    }
    if (c[0] == L'%' && c[1] == L'd' && next != numbers.end()) {
      wchar_t digits[16];
      swprintf(digits, 16, L"%d", *next++);
      bool fitted = true;
      for (const wchar_t* d = digits; *d && fitted; ++d) fitted = Put(out, capacity, used, *d);
      if (!fitted) break;
      ++c;
      continue;
    }
    if (!Put(out, capacity, used, *c)) break;
  }
  out[used] = L'\0';
  return used;
}

}  // namespace kv
