// What the printers answered, remembered per user, so that nobody waits on the same printer
// twice: an update within the freshness period answers from memory at once, and one within
// the silence period after a printer did not answer gives up at once, both without sending
// anything.
//
// HKEY_CURRENT_USER\Software\Classes\Local Settings\Software\KVPrint\Printers\<name>
// (a part of the user's settings that does not roam: one site's answers are never taken to
// another site's printer at the same address), where <name> is
//   <address>:<IPP port>:<SNMP port>:mp<0|1>:<settings hash>:r<rules>
// so that everything that shapes an answer is in it: the ports, whether the model has a
// multi-purpose tray, the SNMP community and the IPP path (as a hash, never in clear), and the
// version of the rules that made it.
//   "Answers"     REG_BINARY, 12 bytes: the four answers (trays, duplex, hard disk, finisher)
//                 as little-endian 16-bit numbers, then a byte each saying how it was got
//                 (the Source values below)
//   "AnsweredAt"  REG_QWORD, the system time (UTC, 100 ns units) the answers were got
//   "SilentAt"    REG_QWORD, the system time the printer last answered neither protocol
// A value of the wrong type or size, an answer out of its field's range or at odds with its
// source, or a time in the future, is ignored. When the memory is written, entries whose
// newest time is over 30 days old (or as far ahead) are removed.
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
  kNoEvidence = 3,  // the printer was heard, and serves nothing that decides the field
  kNoReply = 4,     // the printer did not tell (no reply in time, an error): asked again once
                    // the silence period is over
};

struct Remembered {
  Answers answers;
  Source sources[kFields] = {kNotAsked, kNotAsked, kNotAsked,
                             kNotAsked};  // in the order of Answers
};

constexpr wchar_t kMemoryKey[] = L"Software\\Classes\\Local Settings\\Software\\KVPrint\\Printers";
// Where earlier releases kept their answers, in the roaming part of the user's settings.
constexpr wchar_t kRoamingMemoryKey[] = L"Software\\KVPrint\\Printers";
// Changed whenever the rules change what they answer: older answers are then not taken.
constexpr unsigned kRulesVersion = 2;
constexpr DWORD kKeptDays = 30;

// The printer's key name under kMemoryKey.
std::wstring MemoryName(const std::wstring& address, unsigned ipp_port, unsigned snmp_port,
                        bool mp_tray, const std::string& community, const std::wstring& ipp_path);

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
