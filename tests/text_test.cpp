// Numbers filled into texts from the string tables, which are never used as formats.
#include "platform/text.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(FillNumbers, OnlyPercentDTakesANumberAndEveryOtherPercentStands) {
  struct Case {
    const wchar_t* text;
    std::initializer_list<int> numbers;
    size_t capacity;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"(%d-%d) %s 100%", {4, 8}, 64, L"(4-8) %s 100%"},
      {L"(%d digits)", {4, 8}, 64, L"(4 digits)"},
      {L"%d and %d and %d", {1, 2}, 64, L"1 and 2 and %d"},
      {L"%%d is %d%%", {7}, 64, L"%d is 7%"},
      {L"%n%s%x%", {1}, 64, L"%n%s%x%"},
      {L"%-5d %05d", {3, 4}, 64, L"%-5d %05d"},
      {L"-%d", {-12}, 64, L"--12"},
      {L"%d|%d", {-2147483647 - 1, 0}, 64, L"-2147483648|0"},
      {L"abcdef", {}, 5, L"abcd"},
      {L"x%d", {12345}, 4, L"x12"},
      {nullptr, {1}, 8, L""},
  };
  for (const auto& c : cases) {
    wchar_t out[65];
    wmemset(out, L'#', 65);
    const size_t length = kv::FillNumbers(c.text, c.numbers, out, c.capacity);
    EXPECT_STREQ(c.expected, out) << (c.text ? std::wstring(c.text) : L"(null)").c_str();
    EXPECT_EQ(wcslen(c.expected), length);
    EXPECT_EQ(L'#', out[c.capacity]) << "nothing written past the buffer";
  }
}

TEST(FormatNumber, DigitsWithSignAndZerosUpToTheWidthCutToTheBuffer) {
  struct Case {
    int value, width;
    size_t capacity;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {7, 1, 16, L"7"},       {7, 2, 16, L"07"},
      {2027, 2, 16, L"2027"}, {-5, 3, 16, L"-005"},
      {0, 1, 16, L"0"},       {12345, 1, 4, L"123"},
      {-12, 1, 2, L"-"},      {2147483647, 1, 16, L"2147483647"},
  };
  for (const auto& c : cases) {
    wchar_t out[17];
    wmemset(out, L'#', 17);
    EXPECT_EQ(wcslen(c.expected), kv::FormatNumber(c.value, out, c.capacity, c.width)) << c.value;
    EXPECT_STREQ(c.expected, out) << c.value;
    EXPECT_EQ(L'#', out[c.capacity]) << "nothing written past the buffer";
  }
}

}  // namespace
