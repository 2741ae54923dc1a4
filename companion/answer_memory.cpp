#include "companion/answer_memory.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/handles.h"

namespace kv::snmp {
namespace {

constexpr size_t kAnswersSize = 12;
constexpr ULONGLONG kTicksPerSecond = 10000000;
constexpr ULONGLONG kKept = kKeptDays * 86400ull * kTicksPerSecond;

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

bool OpenToRead(const std::wstring& printer, unique_hkey& key) {
  return RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(printer).c_str(), 0, KEY_QUERY_VALUE,
                       key.put()) == ERROR_SUCCESS;
}

// Whether a time stored under `name` lies within the last `seconds` (never in the future).
bool Within(const std::wstring& printer, const wchar_t* name, DWORD seconds) {
  if (seconds == 0) return false;
  unique_hkey key;
  if (!OpenToRead(printer, key)) return false;
  ULONGLONG at = 0;
  const ULONGLONG now = Now();
  return ReadTime(key.get(), name, at) && at <= now &&
         now - at < static_cast<ULONGLONG>(seconds) * kTicksPerSecond;
}

void WriteTime(HKEY key, const wchar_t* name) {
  const ULONGLONG now = Now();
  RegSetValueExW(key, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&now), sizeof now);
}

// Removes the entries whose newest time is more than kKeptDays from now, either way, or that
// have none; and what earlier releases kept where it roams.
void Prune() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kRoamingMemoryKey);
  unique_hkey printers;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kMemoryKey, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE,
                    printers.put()) != ERROR_SUCCESS)
    return;
  const ULONGLONG now = Now();
  std::vector<std::wstring> stale;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (RegEnumKeyExW(printers.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    unique_hkey entry;
    ULONGLONG newest = 0, at = 0;
    if (RegOpenKeyExW(printers.get(), name, 0, KEY_QUERY_VALUE, entry.put()) == ERROR_SUCCESS) {
      for (const wchar_t* value : {L"AnsweredAt", L"SilentAt"})
        if (ReadTime(entry.get(), value, at)) newest = std::max(newest, at);
    }
    if (newest == 0 || (newest < now ? now - newest : newest - now) > kKept)
      stale.emplace_back(name);
  }
  for (const std::wstring& entry : stale) RegDeleteTreeW(printers.get(), entry.c_str());
}

bool CreateKey(const std::wstring& printer, unique_hkey& key) {
  return RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(printer).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                         nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

// Whether a stored field holds together: an answer in its field's range from a protocol, no
// answer otherwise.
bool Consistent(int index, Source source, int16_t value) {
  switch (source) {
    case kNotAsked: return true;
    case kFromIpp:
    case kFromSnmp: return ValidAnswer(index, value);
    case kNoEvidence:
    case kNoReply: return value < 0;
  }
  return false;
}

// FNV-1a, 64 bits: the settings that shape an answer, without keeping them readable.
std::wstring SettingsHash(const std::string& community, const std::wstring& ipp_path) {
  uint64_t hash = 14695981039346656037ull;
  const auto add = [&](uint8_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
  for (char c : community) add(static_cast<uint8_t>(c));
  add(0);
  for (wchar_t c : ipp_path) {
    add(static_cast<uint8_t>(c));
    add(static_cast<uint8_t>(c >> 8));
  }
  wchar_t text[17];
  for (int i = 0; i < 16; ++i) text[i] = L"0123456789abcdef"[(hash >> (60 - 4 * i)) & 0xF];
  text[16] = L'\0';
  return text;
}

}  // namespace

std::wstring MemoryName(const std::wstring& address, unsigned ipp_port, unsigned snmp_port,
                        bool mp_tray, const std::string& community, const std::wstring& ipp_path) {
  return address + L":" + std::to_wstring(ipp_port) + L":" + std::to_wstring(snmp_port) + L":mp" +
         (mp_tray ? L"1" : L"0") + L":" + SettingsHash(community, ipp_path) + L":r" +
         std::to_wstring(kRulesVersion);
}

AnswerMemory::AnswerMemory(std::wstring name, const MemorySettings& settings)
    : name_(std::move(name)), settings_(settings) {}

bool AnswerMemory::Read(const std::wstring& name, Remembered& remembered) {
  unique_hkey key;
  if (!OpenToRead(name, key)) return false;
  BYTE bytes[kAnswersSize + 1] = {};
  DWORD type = REG_NONE, size = sizeof bytes;
  if (RegQueryValueExW(key.get(), L"Answers", nullptr, &type, bytes, &size) != ERROR_SUCCESS ||
      type != REG_BINARY || size != kAnswersSize)
    return false;
  Remembered stored;
  for (int index = 0; index < kFields; ++index) {
    const uint8_t source = bytes[8 + index];
    int16_t& value = AnswerAt(stored.answers, index);
    std::memcpy(&value, bytes + 2 * index, 2);
    if (source > kNoReply || !Consistent(index, static_cast<Source>(source), value)) return false;
    stored.sources[index] = static_cast<Source>(source);
  }
  remembered = stored;
  return true;
}

bool AnswerMemory::Recall(const Asked& asked, Remembered& remembered) const {
  if (!Within(name_, L"AnsweredAt", settings_.answers_seconds)) return false;
  Remembered stored;
  if (!Read(name_, stored)) return false;
  // A field asked now that was not asked then has no answer to remember; one the printer did
  // not tell is asked again once the silence period is over.
  const bool no_reply_fresh = Within(name_, L"AnsweredAt", settings_.silence_seconds);
  for (int index = 0; index < kFields; ++index) {
    if (!AskedAt(asked, index)) continue;
    if (stored.sources[index] == kNotAsked) return false;
    if (stored.sources[index] == kNoReply && !no_reply_fresh) return false;
  }
  remembered = stored;
  return true;
}

bool AnswerMemory::RecentlySilent() const {
  return Within(name_, L"SilentAt", settings_.silence_seconds);
}

void AnswerMemory::RememberAnswers(const Remembered& remembered) const {
  if (settings_.answers_seconds == 0) return;
  Prune();
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
  Prune();
  unique_hkey key;
  if (CreateKey(name_, key)) WriteTime(key.get(), L"SilentAt");
}

}  // namespace kv::snmp
