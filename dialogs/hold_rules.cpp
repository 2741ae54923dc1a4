#include "dialogs/hold_rules.h"

#include <cwchar>
#include <cwctype>

#include "platform/text.h"

namespace kv {
namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

HoldLayout LayoutFor(bool secure, HoldChoice choice, int min_length, int max_length) {
  HoldLayout layout = {};
  layout.passcode_enabling = Enabling::kUnchanged;
  if (secure) {
    // No selection prints normally on OK, so it asks for no passcode either.
    layout.passcode = choice.index != 0 && InHoldList(true, choice.index);
  } else {
    const int index = choice.index;
    layout.store_box = index >= 0 && index <= 2;
    layout.public_box = index == kHoldStore;
    layout.checks_follow = index >= 0 && index <= kHoldStore;
    layout.print_at = index == kHoldDelay;
    layout.passcode = index == kHoldConfidential || index == kHoldStore;
    if (index == kHoldConfidential) layout.passcode_enabling = Enabling::kEnable;
    if (index == kHoldStore)
      layout.passcode_enabling = choice.store ? Enabling::kDisable : Enabling::kEnable;
  }
  layout.exact_hints = layout.passcode && min_length == max_length;
  layout.range_hints = layout.passcode && min_length != max_length;
  return layout;
}

int UsableMaxLength(int model_maximum, int field_length) {
  return model_maximum < 1 ? 1 : (model_maximum > field_length ? field_length : model_maximum);
}

bool NeedsPasscode(bool secure, HoldChoice choice) {
  if (secure) return choice.index != 0;
  return choice.index == kHoldConfidential || (choice.index == kHoldStore && choice.store == 0);
}

bool PasscodesValid(const wchar_t* first, const wchar_t* second, int min_length, int max_length) {
  if (!first || !second || wcscmp(first, second) != 0) return false;
  const auto length = static_cast<long long>(wcslen(first));
  return length >= min_length && length <= max_length;
}

bool IsPlainName(const wchar_t* text) {
  for (const wchar_t* c = text; c && *c; ++c)
    if (*c > 127 || *c == L'/' || *c == L'\\') return false;
  return true;
}

void FormatHoldTime(const SYSTEMTIME& date, const SYSTEMTIME& time, wchar_t* text, size_t units) {
  if (!text || units == 0) return;
  // "year:month:day:hour:minute", each but the year in two digits.
  const struct {
    int value, width;
  } parts[] = {
      {date.wYear, 1}, {date.wMonth, 2}, {date.wDay, 2}, {time.wHour, 2}, {time.wMinute, 2}};
  text[0] = L'\0';
  for (const auto& part : parts) {
    wchar_t digits[16];
    FormatNumber(part.value, digits, 16, part.width);
    if (&part != parts) AppendText(text, units, L":");
    AppendText(text, units, digits);
  }
}

namespace {

// Reads numbers separated by ':' as the C library's scan of "%d:%d:..." does: blanks before a
// number, an optional sign, its digits; reading stops at the first part that is not so.
// Parts not read stay as they were. A number too large for the field saturates.
void ScanNumbers(const wchar_t* text, int* parts, size_t count) {
  const wchar_t* c = text;
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) {
      if (*c != L':') return;
      ++c;
    }
    while (iswspace(*c)) ++c;
    const bool negative = *c == L'-';
    if (*c == L'-' || *c == L'+') ++c;
    if (*c < L'0' || *c > L'9') return;
    long long value = 0;
    for (; *c >= L'0' && *c <= L'9'; ++c)
      if (value < 0x7FFFFFFF) value = value * 10 + (*c - L'0');
    if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
    parts[i] = static_cast<int>(negative ? -value : value);
  }
}

}  // namespace

bool ParseHoldTime(const wchar_t* text, SYSTEMTIME& time) {
  int parts[6] = {};
  ScanNumbers(text ? text : L"", parts, 6);
  const int year = parts[0], month = parts[1], day = parts[2];
  if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 ||
      day > DaysIn(year, month) || parts[3] < 0 || parts[3] > 23 || parts[4] < 0 || parts[4] > 59 ||
      parts[5] < 0 || parts[5] > 59)
    return false;
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  time.wHour = static_cast<WORD>(parts[3]);
  time.wMinute = static_cast<WORD>(parts[4]);
  time.wSecond = static_cast<WORD>(parts[5]);
  return true;
}

}  // namespace kv
