#include "config/hold_codes.h"

#include <cwchar>

namespace kv {

int16_t EncodeHoldMode(int index, int store) {
  if (index <= kHoldStore) return static_cast<int16_t>(index * 2 + (store ? 1 : 0));
  return static_cast<int16_t>(index * 2 - (index & 1));
}

HoldChoice DecodeHoldMode(int16_t code) {
  const int half = code / 2;
  if (half > 3) return {half + (code & 1), 0};
  return {half, code & 1};
}

HoldChoice ChoiceForCode(bool secure, int16_t code) {
  return secure ? HoldChoice{code, 0} : DecodeHoldMode(code);
}

bool InHoldList(bool secure, int index) {
  return index >= 0 && index < (secure ? kSecureJobTypes : kStandardJobTypes);
}

int HoldIndexOfWord(const wchar_t* word) {
  static constexpr const wchar_t* kWords[kStandardJobTypes] = {L"Normal", L"Proof", L"Confidential",
                                                               L"Store",  L"Spool", L"Delay"};
  for (int i = 0; word && i < kStandardJobTypes; ++i)
    if (_wcsicmp(word, kWords[i]) == 0) return i;
  return -1;
}

}  // namespace kv
