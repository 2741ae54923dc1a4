// What the printers answered, remembered per user, so that nobody waits on the same printer
// twice: an update within the freshness period answers from memory at once, and one within
// the silence period after a printer did not answer gives up at once, both without sending
// anything.
//
// HKEY_CURRENT_USER\Software\KVPrint\Printers\<address>:<IPP port>:<SNMP port>
//   "Answers"     REG_BINARY, 12 bytes: the four answers (trays, duplex, hard disk, finisher)
//                 as little-endian 16-bit numbers, then a byte each saying how it was got
//                 (the Source values below)
//   "AnsweredAt"  REG_QWORD, the system time (UTC, 100 ns units) the answers were got
//   "SilentAt"    REG_QWORD, the system time the printer last did not answer
// A value of the wrong type or size, or dated in the future, is ignored.
#pragma once

#include <winsock2.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "companion/printer_mibs.h"

namespace kv::snmp {

struct MemorySettings {
  DWORD answers_seconds = 600;  // 0: answers are not remembered
  DWORD silence_seconds = 60;   // 0: silence is not remembered
};

// How a field's answer was got.
enum Source : uint8_t {
  kNotAsked = 0,
  kFromIpp = 1,
  kFromSnmp = 2,
  kUnanswered = 3,  // asked, and neither protocol answered it
};

struct Remembered {
  Answers answers;
  Source sources[kFields] = {kNotAsked, kNotAsked, kNotAsked,
                             kNotAsked};  // in the order of Answers
};

constexpr wchar_t kMemoryKey[] = L"Software\\KVPrint\\Printers";

// The printer's key name under kMemoryKey.
std::wstring MemoryName(const std::wstring& address, unsigned ipp_port, unsigned snmp_port);

class AnswerMemory {
 public:
  AnswerMemory(std::wstring name, const MemorySettings& settings);

  // The remembered answers, when they are fresh and cover every field asked now.
  [[nodiscard]] bool Recall(const Asked& asked, Remembered& remembered) const;
  // The printer did not answer within the silence period.
  [[nodiscard]] bool RecentlySilent() const;

  void RememberAnswers(const Remembered& remembered) const;
  void RememberSilence() const;

  // What is stored for the printer, fresh or not; false when nothing readable is.
  static bool Read(const std::wstring& name, Remembered& remembered);

 private:
  std::wstring name_;
  MemorySettings settings_;
};

}  // namespace kv::snmp
