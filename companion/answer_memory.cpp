#include "companion/answer_memory.h"

#include <cstring>

#include "platform/handles.h"

namespace kv::snmp {
namespace {

constexpr size_t kAnswersSize = 12;
constexpr ULONGLONG kTicksPerSecond = 10000000;

ULONGLONG Now() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

bool ReadTime(HKEY key, const wchar_t* name, ULONGLONG& at) {
  DWORD type = REG_NONE, size = sizeof at;
  return RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&at), &size) ==
             ERROR_SUCCESS &&
         type == REG_QWORD && size == sizeof at;
}

// Whether a time stored under `name` lies within the last `seconds` (never in the future).
bool Within(const std::wstring& key_path, const wchar_t* name, DWORD seconds) {
  if (seconds == 0) return false;
  unique_hkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key_path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return false;
  ULONGLONG at = 0;
  const ULONGLONG now = Now();
  return ReadTime(key.get(), name, at) && at <= now && now - at < seconds * kTicksPerSecond;
}

void WriteTime(HKEY key, const wchar_t* name) {
  const ULONGLONG now = Now();
  RegSetValueExW(key, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&now), sizeof now);
}

bool CreateKey(const std::wstring& path, unique_hkey& key) {
  return RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                         key.put(), nullptr) == ERROR_SUCCESS;
}

int16_t* Field(Answers& answers, int index) {
  int16_t* fields[] = {&answers.tray_code, &answers.duplex, &answers.disk, &answers.finisher};
  return fields[index];
}

bool AskedField(const Asked& asked, int index) {
  const bool fields[] = {asked.trays, asked.duplex, asked.disk, asked.finisher};
  return fields[index];
}

}  // namespace

std::wstring MemoryName(const std::wstring& address, unsigned ipp_port, unsigned snmp_port) {
  return address + L":" + std::to_wstring(ipp_port) + L":" + std::to_wstring(snmp_port);
}

AnswerMemory::AnswerMemory(std::wstring name, const MemorySettings& settings)
    : key_(std::wstring(kMemoryKey) + L"\\" + name), settings_(settings) {}

bool AnswerMemory::Read(const std::wstring& name, Remembered& remembered) {
  const std::wstring path = std::wstring(kMemoryKey) + L"\\" + name;
  unique_hkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return false;
  BYTE bytes[kAnswersSize + 1] = {};
  DWORD type = REG_NONE, size = sizeof bytes;
  if (RegQueryValueExW(key.get(), L"Answers", nullptr, &type, bytes, &size) != ERROR_SUCCESS ||
      type != REG_BINARY || size != kAnswersSize)
    return false;
  for (int index = 0; index < 4; ++index) {
    const uint8_t source = bytes[8 + index];
    if (source > kUnanswered) return false;
    remembered.sources[index] = static_cast<Source>(source);
    std::memcpy(Field(remembered.answers, index), bytes + 2 * index, 2);
  }
  return true;
}

bool AnswerMemory::Recall(const Asked& asked, Remembered& remembered) const {
  if (!Within(key_, L"AnsweredAt", settings_.answers_seconds)) return false;
  Remembered stored;
  if (!Read(key_.substr(wcslen(kMemoryKey) + 1), stored)) return false;
  for (int index = 0; index < 4; ++index) {
    if (!AskedField(asked, index)) continue;
    // A field asked now that was not asked then has no answer to remember.
    if (stored.sources[index] == kNotAsked) return false;
  }
  remembered = stored;
  return true;
}

bool AnswerMemory::RecentlySilent() const {
  return Within(key_, L"SilentAt", settings_.silence_seconds);
}

void AnswerMemory::RememberAnswers(const Remembered& remembered) const {
  if (settings_.answers_seconds == 0) return;
  unique_hkey key;
  if (!CreateKey(key_, key)) return;
  BYTE bytes[kAnswersSize] = {};
  Answers answers = remembered.answers;
  for (int index = 0; index < 4; ++index) {
    std::memcpy(bytes + 2 * index, Field(answers, index), 2);
    bytes[8 + index] = remembered.sources[index];
  }
  RegSetValueExW(key.get(), L"Answers", 0, REG_BINARY, bytes, sizeof bytes);
  WriteTime(key.get(), L"AnsweredAt");
  RegDeleteValueW(key.get(), L"SilentAt");
}

void AnswerMemory::RememberSilence() const {
  if (settings_.silence_seconds == 0) return;
  unique_hkey key;
  if (CreateKey(key_, key)) WriteTime(key.get(), L"SilentAt");
}

}  // namespace kv::snmp
