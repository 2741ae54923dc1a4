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

size_t FormatNumber(int value, wchar_t* out, size_t capacity, int width) noexcept {
  if (!out || capacity == 0) return 0;
  wchar_t reversed[16];
  int count = 0;
  // In unsigned arithmetic, so that the most negative number has its digits too.
  unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    reversed[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (count < width && count < 15) reversed[count++] = L'0';
  size_t used = 0;
  if (value < 0) Put(out, capacity, used, L'-');
  while (count > 0 && Put(out, capacity, used, reversed[count - 1])) --count;
  out[used] = L'\0';
  return used;
}

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
      FormatNumber(*next++, digits, 16);
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
