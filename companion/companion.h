// The companion library's update, behind its one export SNMP_AutoUpdate.
#pragma once

#include <winsock2.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "companion/answer_memory.h"
#include "companion/ipp_client.h"
#include "platform/policy.h"

namespace kv::snmp {

struct Settings {
  std::string community = "public";
  uint16_t port = 161;
  // What a slow printer on a local network needs, with room for a lost packet or two: an
  // embedded IPP server answers in tens of milliseconds, a full SNMP update is some twenty
  // requests, and each of these took under half a millisecond on the loopback.
  DWORD budget_ms = 1500;
  ipp::Settings ipp;
  MemorySettings memory;
};

// The least SNMP's first reply is awaited once IPP has answered.
constexpr DWORD kLeastSnmpWait = 250;

// [SNMP] Community, Port and BudgetMs, [IPP] Enabled, Port and Path, [Cache] AnswersSeconds
// and SilenceSeconds from the file; a value that is missing or out of range keeps its default
// (a budget above 60000 ms is cut to 60000, a path that does not start with "/" is none).
Settings ReadSettings(const wchar_t* file);

// The machine policy's values over the file's, each under the same range rules (an empty
// community is none).
void ApplyPolicy(const Policy& policy, Settings& settings);

// The IPv4 address of the printer behind a port of the standard TCP/IP or the maker's monitor
// (a host name there looked up within the deadline).
bool PrinterAddress(const char* port, const Deadline& deadline, in_addr& address);

// What one asking of the printer found.
struct Found : Remembered {
  bool heard = false;  // the printer answered over either protocol
};

// The printer at `address` (dotted) and `target` (its SNMP address and port) asked over IPP
// first and over SNMP for what IPP left unanswered, within the deadline. `reasons` (may be
// null) gets what decided each field.
Found Ask(const std::wstring& address, const sockaddr_in& target, const Asked& asked,
          const Settings& settings, const Deadline& deadline, Reasons* reasons);

// Fills in the status record's fields that came in as 0 from the printer behind `port`:
// from memory when the printer answered lately, else over IPP and then, for what IPP left
// unanswered, over SNMP, all within the budget.
SHORT AutoUpdate(const char* port, BYTE* status, const Settings& settings);

}  // namespace kv::snmp
