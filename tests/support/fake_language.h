// Language ids that tests choose.
#pragma once

#include "platform/language.h"

namespace kvtest {

class FakeLanguage final : public kv::Language {
 public:
  LANGID user = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  LANGID system = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  LANGID UserDefault() override { return user; }
  LANGID SystemDefault() override { return system; }
};

}  // namespace kvtest
