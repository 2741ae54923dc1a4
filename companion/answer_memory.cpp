#include "companion/answer_memory.h"

#include <cstring>

#include "platform/handles.h"

namespace kv::snmp {
namespace {

constexpr size_t kAnswersSize = 12;
constexpr ULONGLONG kTicksPerSecond = 10000000;

std::wstring KeyPath(const std::wstring& printer) {
  return std::wstring(kMemoryKey) + L"\\" + printer;
}

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
bool Within(const std::wstring& printer, const wchar_t* name, DWORD seconds) {
  if (seconds == 0) return false;
  unique_hkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(printer).c_str(), 0, KEY_QUERY_VALUE, key.put()) !=
      ERROR_SUCCESS)
    return false;
  ULONGLONG at = 0;
  const ULONGLONG now = Now();
  return ReadTime(key.get(), name, at) && at <= now && now - at < seconds * kTicksPerSecond;
}

void WriteTime(HKEY key, const wchar_t* name) {
  const ULONGLONG now = Now();
  RegSetValueExW(key, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&now), sizeof now);
}

bool CreateKey(const std::wstring& printer, unique_hkey& key) {
  return RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(printer).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                         nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

}  // namespace

std::wstring MemoryName(const std::wstring& address, unsigned ipp_port, unsigned snmp_port) {
  return address + L":" + std::to_wstring(ipp_port) + L":" + std::to_wstring(snmp_port);
}

AnswerMemory::AnswerMemory(std::wstring name, const MemorySettings& settings)
    : name_(std::move(name)), settings_(settings) {}

bool AnswerMemory::Read(const std::wstring& name, Remembered& remembered) {
  unique_hkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(name).c_str(), 0, KEY_QUERY_VALUE, key.put()) !=
      ERROR_SUCCESS)
    return false;
  BYTE bytes[kAnswersSize + 1] = {};
  DWORD type = REG_NONE, size = sizeof bytes;
  if (RegQueryValueExW(key.get(), L"Answers", nullptr, &type, bytes, &size) != ERROR_SUCCESS ||
      type != REG_BINARY || size != kAnswersSize)
    return false;
  for (int index = 0; index < kFields; ++index) {
    const uint8_t source = bytes[8 + index];
    if (source > kUnanswered) return false;
    remembered.sources[index] = static_cast<Source>(source);
    std::memcpy(&AnswerAt(remembered.answers, index), bytes + 2 * index, 2);
  }
  return true;
}

bool AnswerMemory::Recall(const Asked& asked, Remembered& remembered) const {
  if (!Within(name_, L"AnsweredAt", settings_.answers_seconds)) return false;
  Remembered stored;
  if (!Read(name_, stored)) return false;
  // A field asked now that was not asked then has no answer to remember.
  for (int index = 0; index < kFields; ++index)
    if (AskedAt(asked, index) && stored.sources[index] == kNotAsked) return false;
  remembered = stored;
  return true;
}

bool AnswerMemory::RecentlySilent() const {
  return Within(name_, L"SilentAt", settings_.silence_seconds);
}

void AnswerMemory::RememberAnswers(const Remembered& remembered) const {
  if (settings_.answers_seconds == 0) return;
  unique_hkey key;
  if (!CreateKey(name_, key)) return;
  BYTE bytes[kAnswersSize] = {};
  Answers answers = remembered.answers;
  for (int index = 0; index < kFields; ++index) {
    std::memcpy(bytes + 2 * index, &AnswerAt(answers, index), 2);
    bytes[8 + index] = remembered.sources[index];
  }
  RegSetValueExW(key.get(), L"Answers", 0, REG_BINARY, bytes, sizeof bytes);
  WriteTime(key.get(), L"AnsweredAt");
  RegDeleteValueW(key.get(), L"SilentAt");
}

void AnswerMemory::RememberSilence() const {
  if (settings_.silence_seconds == 0) return;
  unique_hkey key;
  if (CreateKey(name_, key)) WriteTime(key.get(), L"SilentAt");
}

}  // namespace kv::snmp
