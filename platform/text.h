// Bounded text copies: every copy into a fixed field is cut to the field and terminated.
#pragma once

#include <cstddef>
#include <cwchar>
#include <initializer_list>

namespace kv {

// Copies at most capacity - 1 units of src and terminates; a null src gives an empty text.
// Returns the number of units copied.
inline size_t CopyText(wchar_t* dst, size_t capacity, const wchar_t* src) noexcept {
  if (capacity == 0) return 0;
  size_t n = 0;
  if (src) {
    while (n + 1 < capacity && src[n] != L'\0') {
      dst[n] = src[n];
      ++n;
    }
  }
  dst[n] = L'\0';
  return n;
}

template <size_t N>
size_t CopyText(wchar_t (&dst)[N], const wchar_t* src) noexcept {
  return CopyText(dst, N, src);
}

// Appends src to the text in dst, within the same bound.
inline size_t AppendText(wchar_t* dst, size_t capacity, const wchar_t* src) noexcept {
  size_t used = 0;
  while (used < capacity && dst[used] != L'\0') ++used;
  if (used >= capacity) return used;
  return used + CopyText(dst + used, capacity - used, src);
}

template <size_t N>
size_t AppendText(wchar_t (&dst)[N], const wchar_t* src) noexcept {
  return AppendText(dst, N, src);
}

// A fixed text field of a stored record, which may use all its units without a terminator
// (the record is packed: fields are passed as pointer and size in bytes). Reading is bounded
// by the field; writing copies at most the field's units and zero-fills the rest.
inline size_t ReadField(const wchar_t* field, size_t field_bytes, wchar_t* out,
                        size_t capacity) noexcept {
  if (capacity == 0) return 0;
  const size_t units = field_bytes / sizeof(wchar_t);
  size_t n = 0;
  while (n < units && n + 1 < capacity && field[n] != L'\0') {
    out[n] = field[n];
    ++n;
  }
  out[n] = L'\0';
  return n;
}

inline void WriteField(wchar_t* field, size_t field_bytes, const wchar_t* text) noexcept {
  const size_t units = field_bytes / sizeof(wchar_t);
  size_t n = 0;
  for (; text && n < units && text[n] != L'\0'; ++n) field[n] = text[n];
  for (; n < units; ++n) field[n] = L'\0';
}

// The number in decimal, with a minus when negative and zeros before it up to `width` digits,
// cut to the buffer. Returns its length. (The C library's formatting would bring its whole
// printf engine, floating point included, into the plug-in for this.)
size_t FormatNumber(int value, wchar_t* out, size_t capacity, int width = 1) noexcept;

// Fills numbers into a text from a string table without treating it as a printf format:
// each "%d" takes the next number in order (once they run out it stands as written), "%%"
// gives one "%", and every other "%" stands as written. The result is cut to the buffer.
// Returns its length.
size_t FillNumbers(const wchar_t* text, std::initializer_list<int> numbers, wchar_t* out,
                   size_t capacity) noexcept;

template <size_t N>
size_t FillNumbers(const wchar_t* text, std::initializer_list<int> numbers,
                   wchar_t (&out)[N]) noexcept {
  return FillNumbers(text, numbers, out, N);
}

}  // namespace kv
