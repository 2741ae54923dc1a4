// Get-Printer-Attributes to one printer over HTTP, through the system's HTTP client (WinHTTP),
// within the time left of the update's budget.
//
// The request goes by POST to http://ADDRESS:PORT/PATH as IPP 2.0, and again as 1.1 when the
// printer gives no successful answer to it (an error status, a body that does not decode, none
// at all, a dropped connection); without a configured path, "/ipp/print" is tried first and
// "/ipp" when the first gave no answer. Only a refused connection (nothing listens) or the
// end of the budget stops the tries early. The exchange runs on a thread
// of its own, so that a printer that accepts the connection and then trickles (or never
// sends) its answer costs the caller no more than the budget.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "companion/ipp.h"
#include "platform/deadline.h"

namespace kv::ipp {

struct Settings {
  bool enabled = true;
  uint16_t port = 631;
  std::wstring path;  // empty: "/ipp/print", then "/ipp"
};

// The most of a response body that is read; a longer one is no answer. A printer that ignores
// "requested-attributes" sends everything it has (a real one sent 100 KiB).
constexpr size_t kMaxBody = 1024 * 1024;

enum class Reached {
  kAnswered,     // a well-formed, successful response to this request
  kUnreachable,  // nothing accepts the connection, or no path and version gave an answer
  kSilent,       // the budget ran out
};

struct Exchange {
  Reached reached = Reached::kUnreachable;
  Response response;
  unsigned requests = 0;  // HTTP requests sent
  DWORD longest_ms = 0;   // the longest of their exchanges, request to the end of the reply
};

// Asks the printer at `address` (dotted IPv4 text) for `attributes`.
Exchange AskPrinter(const std::wstring& address, const Settings& settings,
                    const std::vector<std::string>& attributes, const Deadline& deadline);

}  // namespace kv::ipp
