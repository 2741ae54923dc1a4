// The companion library's update, behind its one export SNMP_AutoUpdate.
#pragma once

#include <winsock2.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "companion/answer_memory.h"
#include "companion/ipp_client.h"

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

// [SNMP] Community, Port and BudgetMs, [IPP] Enabled, Port and Path, [Cache] AnswersSeconds
// and SilenceSeconds from the file; a value that is missing or out of range keeps its default
// (a budget above 60000 ms is cut to 60000, a path that does not start with "/" is none).
Settings ReadSettings(const wchar_t* file);

// Fills in the status record's fields that came in as 0 from the printer behind `port`:
// from memory when the printer answered lately, else over IPP and then, for what IPP left
// unanswered, over SNMP, all within the budget.
SHORT AutoUpdate(const char* port, BYTE* status, const Settings& settings);

}  // namespace kv::snmp
