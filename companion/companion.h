// The companion library's update, behind its one export SNMP_AutoUpdate.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

namespace kv::snmp {

struct Settings {
  std::string community = "public";
  uint16_t port = 161;
  DWORD budget_ms = 2000;
};

// [SNMP] Community, Port and BudgetMs from the file; a value that is missing or out of range
// keeps its default (a budget above 60000 ms is cut to 60000).
Settings ReadSettings(const wchar_t* file);

// Fills in the status record's fields that came in as 0 from the printer behind `port`.
SHORT AutoUpdate(const char* port, BYTE* status, const Settings& settings);

}  // namespace kv::snmp
