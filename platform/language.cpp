#include "platform/language.h"

#include "platform/seam.h"

namespace kv {

KV_SEAM_PLACE(Language);
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

bool IsRtlSystemLanguage() {
  const unsigned primary = PrimaryOf(Use<Language>().SystemDefault());
  return primary == 0x01 || primary == 0x0D;
}

}  // namespace kv
