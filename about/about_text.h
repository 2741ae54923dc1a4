// The About dialog's block of information lines: up to ten lines from the string table, each
// with one placeholder filled from the model's version file.
#pragma once

#include <string>

namespace kv {

struct ProfileReader;

constexpr int kInformationLines = 10;

// "M_Info1" to "M_Info10" of the string table's `section`, each followed by "\r\n"
// whether or not it is shown. Brands 0 and 2 show every line there is, with the first
// placeholder found (in table order) replaced by its version-file value or, when the value is
// missing, by the key's name; brand 1 shows only lines whose placeholder has a value.
std::wstring InformationText(const ProfileReader& table, const wchar_t* section,
                             const ProfileReader& version, int brand);

// The version-file key that fills the line's placeholder for the brand (the first found in
// table order), or null when the line has none.
[[nodiscard]] const wchar_t* InformationKeyOf(const wchar_t* line, int brand);

}  // namespace kv
