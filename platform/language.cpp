#include "platform/language.h"

namespace kv {
namespace {

class Win32Language final : public Language {
 public:
  LANGID UserDefault() override { return GetUserDefaultLangID(); }
  LANGID SystemDefault() override { return GetSystemDefaultLangID(); }
};

}  // namespace

Language& Language::Default() {
  static Win32Language language;
  return language;
}

}  // namespace kv
