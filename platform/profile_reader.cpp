#include "platform/profile_reader.h"

#include "platform/text.h"

namespace kv {

void ProfileReader::SetFile(const wchar_t* path, bool clear_read_only) {
  CopyText(szFile, path);
  if (!clear_read_only || szFile[0] == L'\0') return;
  const DWORD attributes = GetFileAttributesW(szFile);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(szFile, attributes & ~FILE_ATTRIBUTE_READONLY);
}

DialogSection::DialogSection(const wchar_t* word) {
  text_[0] = L'\0';
  if (!word) return;
  CopyText(text_, word);
  AppendText(text_, L" Dialog");
}

namespace {
const wchar_t* SectionOf(const wchar_t* section) {
  return section && section[0] != L'\0' ? section : L"Common";
}
}  // namespace

int ProfileReader::Read(const ModelKey& key) const {
  return ReadInt(key.section, key.name, key.fallback);
}

size_t ProfileReader::ReadText(const ModelKey& key, wchar_t (&buffer)[kTextUnits]) const {
  return ReadText(key.section, key.name, buffer);
}

size_t ProfileReader::ReadString(const wchar_t* section, const wchar_t* key, wchar_t* buffer,
                                 size_t size, const wchar_t* fallback) const {
  if (!buffer || size == 0) return 0;
  buffer[0] = L'\0';
  size_t length = 0;
  if (szFile[0] != L'\0' && key)
    length = GetPrivateProfileStringW(SectionOf(section), key, L"", buffer,
                                      static_cast<DWORD>(size), szFile);
  if (length > 0) return length;
  return fallback ? CopyText(buffer, size, fallback) : 0;
}

size_t ProfileReader::ReadText(const wchar_t* section, const wchar_t* key,
                               wchar_t (&buffer)[kTextUnits]) const {
  return ReadString(section, key, buffer, kTextUnits, key);
}

int ProfileReader::ReadInt(const wchar_t* section, const wchar_t* key, int fallback) const {
  int value = kAbsentMarker;
  if (szFile[0] != L'\0' && key)
    value = static_cast<int>(GetPrivateProfileIntW(SectionOf(section), key, kAbsentMarker, szFile));
  if (value != kAbsentMarker) return value;
  return fallback == kAbsentMarker ? 0 : fallback;
}

}  // namespace kv
