// The user's and the system's default language ids. One Wine process has one language, so
// tests of the language tables put a fake in place.
#pragma once

#include <windows.h>

#include "platform/seam.h"

namespace kv {

class Language {
 public:
  virtual ~Language() = default;
  virtual LANGID UserDefault() = 0;
  virtual LANGID SystemDefault() = 0;

  static Language& Default();
};
KV_SEAM(Language);

// Primary language and sub-language as the model tables count them.
constexpr unsigned PrimaryOf(LANGID id) { return id & 0x3FFu; }
constexpr unsigned SubOf(LANGID id) { return id >> 10; }

// True when the system's default language is written right to left (Arabic, Hebrew).
[[nodiscard]] bool IsRtlSystemLanguage();

}  // namespace kv
