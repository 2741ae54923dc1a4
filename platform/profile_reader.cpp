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

void ProfileReader::SetSection(const wchar_t* name) { CopyText(szSection, name); }

void ProfileReader::SetDialogSection(const wchar_t* name) {
  if (!name) {
    szSection[0] = L'\0';
    return;
  }
  CopyText(szSection, name);
  AppendText(szSection, L" Dialog");
}

const wchar_t* ProfileReader::Section() const {
  return szSection[0] != L'\0' ? szSection : L"Common";
}

size_t ProfileReader::ReadString(const wchar_t* key, wchar_t* buffer, size_t size,
                                 const wchar_t* fallback) const {
  if (!buffer || size == 0) return 0;
  buffer[0] = L'\0';
  size_t length = 0;
  if (szFile[0] != L'\0' && key)
    length =
        GetPrivateProfileStringW(Section(), key, L"", buffer, static_cast<DWORD>(size), szFile);
  if (length > 0) return length;
  return fallback ? CopyText(buffer, size, fallback) : 0;
}

size_t ProfileReader::ReadText(const wchar_t* key, wchar_t (&buffer)[kTextUnits]) const {
  return ReadString(key, buffer, kTextUnits, key);
}

int ProfileReader::ReadInt(const wchar_t* key, int fallback) const {
  int value = kAbsentMarker;
  if (szFile[0] != L'\0' && key)
    value = static_cast<int>(GetPrivateProfileIntW(Section(), key, kAbsentMarker, szFile));
  if (value != kAbsentMarker) return value;
  return fallback == kAbsentMarker ? 0 : fallback;
}

}  // namespace kv
