#include "about/about_text.h"

#include <cwchar>
#include <iterator>

#include "config/model_keys.h"
#include "dialogs/dialog_texts.h"
#include "platform/profile_reader.h"
#include "platform/text.h"

namespace kv {
namespace {

constexpr size_t kLineUnits = 260;

struct Placeholder {
  const wchar_t* text;
  const wchar_t* key;  // in the version file's "Version" section
};

constexpr Placeholder kKorvanePlaceholders[] = {
    {L"$DESCRIPTION", L"Description"}, {L"$MAINVERSION", L"MainVersion"},
    {L"$DRIVERNAME", L"DriverName"},   {L"$COMPANY", L"CompanyName"},
    {L"$COPYRIGHT", L"Copyright"},     {L"$COMMENT", L"Comments"},
};

constexpr Placeholder kPelmaPlaceholders[] = {
    {L"$DESCRIPTION", L"Description"}, {L"%s", L"MainVersion"},
    {L"$MAINVERSION", L"MainVersion"}, {L"$DRIVERNAME", L"DriverName"},
    {L"$COMPANY", L"CompanyName"},     {L"$DRIVERCOPYRIGHT", L"DRIVERCOPYRIGHT"},
    {L"$COMMENT", L"Comments"},
};

// The line with `found` (an occurrence of `placeholder`) replaced by `value`, cut to 260 units.
void Replace(wchar_t (&line)[kLineUnits], const wchar_t* found, const wchar_t* placeholder,
             const wchar_t* value) {
  wchar_t result[kLineUnits];
  const size_t before = static_cast<size_t>(found - line);
  CopyText(result, before + 1, line);
  AppendText(result, value);
  AppendText(result, found + wcslen(placeholder));
  CopyText(line, result);
}

// The first of the brand's placeholders, in table order, that the line holds, and where;
// null when it holds none.
const Placeholder* FirstPlaceholder(const wchar_t* line, bool pelma, const wchar_t** found) {
  const Placeholder* placeholders = pelma ? kPelmaPlaceholders : kKorvanePlaceholders;
  const size_t count = pelma ? std::size(kPelmaPlaceholders) : std::size(kKorvanePlaceholders);
  for (size_t i = 0; i < count; ++i)
    if ((*found = wcsstr(line, placeholders[i].text)) != nullptr) return &placeholders[i];
  return nullptr;
}

}  // namespace

const wchar_t* InformationKeyOf(const wchar_t* line, int brand) {
  const wchar_t* found = nullptr;
  const Placeholder* placeholder = line ? FirstPlaceholder(line, brand == 1, &found) : nullptr;
  return placeholder ? placeholder->key : nullptr;
}

std::wstring InformationText(const ProfileReader& table, const wchar_t* section,
                             const ProfileReader& version, int brand) {
  const bool pelma = brand == 1;
  std::wstring text;
  for (int n = 1; n <= kInformationLines; ++n) {
    wchar_t key[16];
    FillNumbers(texts::kInformationFormat, {n}, key, 16);
    wchar_t line[kLineUnits];
    table.ReadString(section, key, line, kLineUnits, key);
    if (wcscmp(line, key) != 0) {
      bool shown = !pelma;
      const wchar_t* found = nullptr;
      if (const Placeholder* placeholder = FirstPlaceholder(line, pelma, &found)) {
        wchar_t value[kTextUnits];
        version.ReadText(keys::kVersionSection, placeholder->key, value);
        const bool present = wcscmp(value, placeholder->key) != 0;
        if (!pelma || present) {
          Replace(line, found, placeholder->text, value);
          shown = true;
        }
      }
      if (shown) text += line;
    }
    text += L"\r\n";
  }
  return text;
}

}  // namespace kv
