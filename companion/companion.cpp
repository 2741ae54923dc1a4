// The companion network library of the plug-in: asks the printer behind a port, over IPP and
// SNMP, which of its installable options are fitted, and fills in the plug-in's status record.
//
// The plug-in loads it for each update and calls SNMP_AutoUpdate(port name in the ANSI code
// page, status record, pointer to a 32-bit 1, 0). A status field that comes in as 0 is a
// feature the PPD has, and is answered; one that comes in as -1 is left alone. The result is
// 0 when nothing was answered (no address, a silent printer, no table served), else 1.
//
// Settings, all optional, come from kvpsuN.ini beside the library:
//   [SNMP]
//   Community=public   ; at most 255 bytes
//   Port=161
//   BudgetMs=1500      ; the whole update: name lookup, IPP and SNMP (1 to 60000)
//   [IPP]
//   Enabled=1
//   Port=631
//   Path=              ; empty: "/ipp/print", then "/ipp"
//   [Cache]
//   AnswersSeconds=600 ; how long answers are taken from memory (0: never)
//   SilenceSeconds=60  ; how long a printer that did not answer is not asked again (0: always)
// A machine policy (platform/policy.h) overrides each of these but Path.
#include <winsock2.h>

#include "companion/companion.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "autoconfig/printer_address.h"
#include "companion/printer_attributes.h"
#include "companion/printer_mibs.h"
#include "companion/snmp_client.h"
#include "host/status_record.h"
#include "platform/bounded_resolution.h"
#include "platform/firewall.h"
#include "platform/name_resolution.h"
#include "platform/policy.h"
#include "platform/runtime.h"

namespace kv::snmp {
namespace {

constexpr DWORD kLongestBudget = 60000;

// Stops the socket library when the update ends, whichever way it ends.
class SocketLibrary {
 public:
  SocketLibrary() {
    WSADATA data = {};
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~SocketLibrary() {
    if (started_) WSACleanup();
  }
  SocketLibrary(const SocketLibrary&) = delete;
  SocketLibrary& operator=(const SocketLibrary&) = delete;
  [[nodiscard]] bool started() const { return started_; }

 private:
  bool started_ = false;
};

bool Asks(const BYTE* status, int offset) { return ReadStatusField(status, offset) == 0; }

struct Field {
  bool asked;
  int offset;
  int16_t answer;
};

}  // namespace

bool PrinterAddress(const char* port, const Deadline& deadline, in_addr& address) {
  wchar_t wide_port[256];
  if (MultiByteToWideChar(CP_ACP, 0, port, -1, wide_port, 256) <= 0) return false;
  // The lookup shares the update's budget; a lookup left behind ends on its own.
  BoundedResolution resolution(NameResolution::Default(), deadline);
  wchar_t text[kAddressUnits];
  if (!PortAddress(HKEY_LOCAL_MACHINE, wide_port, resolution, text) || text[0] == L'\0')
    return false;
  char narrow[kAddressUnits];
  if (WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr) <= 0)
    return false;
  // Some ports keep a host name where the address belongs.
  char dotted[kAddressUnits];
  const char* numeric = narrow;
  if (inet_addr(narrow) == INADDR_NONE) {
    if (!resolution.Resolve(narrow, dotted, sizeof dotted)) return false;
    numeric = dotted;
  }
  const unsigned long value = inet_addr(numeric);
  if (value == INADDR_NONE || value == INADDR_ANY) return false;
  address.s_addr = value;
  return true;
}

namespace {

// The range rules both sources share: a value outside them keeps what was there.
void TakePort(uint16_t& port, long long value) {
  if (value >= 1 && value <= 65535) port = static_cast<uint16_t>(value);
}

void TakeBudget(DWORD& budget_ms, long long value) {
  if (value > 0) budget_ms = value > kLongestBudget ? kLongestBudget : static_cast<DWORD>(value);
}

// Negative numbers from the file are taken as none: memory stays on.
void TakePeriod(DWORD& seconds, long long value) {
  if (value >= 0 && value <= 0x7FFFFFFF) seconds = static_cast<DWORD>(value);
}

}  // namespace

Settings ReadSettings(const wchar_t* file) {
  Settings settings;
  if (!file) return settings;
  char community[kMaxCommunity + 2] = {};
  char file_narrow[MAX_PATH * 2] = {};
  // The community is bytes on the wire: read as ANSI text.
  if (WideCharToMultiByte(CP_ACP, 0, file, -1, file_narrow, sizeof file_narrow, nullptr, nullptr) >
      0) {
    const DWORD length = GetPrivateProfileStringA("SNMP", "Community", "public", community,
                                                  sizeof community, file_narrow);
    if (length <= kMaxCommunity) settings.community.assign(community, length);
  }
  const auto number = [file](const wchar_t* section, const wchar_t* key, DWORD fallback) {
    return static_cast<long long>(
        static_cast<INT>(GetPrivateProfileIntW(section, key, fallback, file)));
  };
  TakePort(settings.port, number(L"SNMP", L"Port", settings.port));
  TakeBudget(settings.budget_ms, number(L"SNMP", L"BudgetMs", settings.budget_ms));
  settings.ipp.enabled = GetPrivateProfileIntW(L"IPP", L"Enabled", 1, file) != 0;
  TakePort(settings.ipp.port, number(L"IPP", L"Port", settings.ipp.port));
  wchar_t path[256] = {};
  const DWORD path_length = GetPrivateProfileStringW(L"IPP", L"Path", L"", path, 256, file);
  if (path_length > 0 && path_length < 255 && path[0] == L'/')
    settings.ipp.path.assign(path, path_length);
  TakePeriod(settings.memory.answers_seconds,
             number(L"Cache", L"AnswersSeconds", settings.memory.answers_seconds));
  TakePeriod(settings.memory.silence_seconds,
             number(L"Cache", L"SilenceSeconds", settings.memory.silence_seconds));
  return settings;
}

void ApplyPolicy(const Policy& policy, Settings& settings) {
  char community[kMaxCommunity + 1] = {};
  if (policy.TextA(policy::kSnmpCommunity, community, sizeof community) && community[0])
    settings.community = community;
  DWORD value = 0;
  if (policy.Number(policy::kSnmpPort, value)) TakePort(settings.port, value);
  if (policy.Number(policy::kBudgetMs, value)) TakeBudget(settings.budget_ms, value);
  if (policy.Number(policy::kIppEnabled, value)) settings.ipp.enabled = value != 0;
  if (policy.Number(policy::kIppPort, value)) TakePort(settings.ipp.port, value);
  if (policy.Number(policy::kAnswersSeconds, value))
    TakePeriod(settings.memory.answers_seconds, value);
  if (policy.Number(policy::kSilenceSeconds, value))
    TakePeriod(settings.memory.silence_seconds, value);
}

Found Ask(const std::wstring& address, const sockaddr_in& target, const Asked& asked,
          const Settings& settings, const Deadline& deadline, Reasons* reasons) {
  Found found;
  for (int index = 0; index < kFields; ++index) {
    AnswerAt(found.answers, index) = kNotReached;
    found.sources[index] = AskedAt(asked, index) ? kNoReply : kNotAsked;
  }
  // What a protocol told of a field replaces what the one before it left undecided.
  const auto note = [&](Answers got, Source source, const Asked& of) {
    for (int index = 0; index < kFields; ++index) {
      if (!AskedAt(of, index)) continue;
      const int16_t answer = AnswerAt(got, index);
      AnswerAt(found.answers, index) = answer;
      found.sources[index] = answer >= 0 ? source : answer == kUndecided ? kNoEvidence : kNoReply;
    }
  };

  DWORD ipp_took = 0;  // the longest IPP exchange, when IPP answered
  // IPP has no attribute for the disk: a printer asked for nothing else is not asked over IPP.
  if (settings.ipp.enabled && (asked.trays || asked.duplex || asked.finisher)) {
    // IPP has half the budget at most: a printer whose IPP port drops the connection unanswered
    // still leaves SNMP the time to answer.
    const Deadline ipp_deadline(std::min(deadline.Remaining(), settings.budget_ms / 2));
    const ipp::Exchange exchange =
        ipp::AskPrinter(address, settings.ipp, ipp::RequestedAttributes(), ipp_deadline);
    if (exchange.reached == ipp::Reached::kAnswered) {
      found.heard = true;
      ipp_took = std::max<DWORD>(exchange.longest_ms, 1);
      Asked over_ipp = asked;
      over_ipp.disk = false;  // IPP has no attribute for it
      note(ipp::AnswersFromAttributes(exchange.response, over_ipp, reasons), kFromIpp, over_ipp);
    } else {
      for (int index = 0; index < kFields; ++index)
        if (AskedAt(asked, index))
          Say(ReasonAt(reasons, index), exchange.reached == ipp::Reached::kSilent
                                            ? "IPP: no answer within the budget"
                                            : "IPP: no answer");
    }
  }
  Asked left = asked;
  left.trays = asked.trays && found.answers.tray_code < 0;
  left.duplex = asked.duplex && found.answers.duplex < 0;
  left.disk = asked.disk && found.answers.disk < 0;
  left.finisher = asked.finisher && found.answers.finisher < 0;
  if (!left.trays && !left.duplex && !left.disk && !left.finisher) return found;
  Client client(target, settings.community, deadline);
  if (deadline.Passed() || !client.Open()) {
    // What IPP left open was not asked over SNMP at all: the printer has not told it.
    for (int index = 0; index < kFields; ++index)
      if (AskedAt(left, index)) found.sources[index] = kNoReply;
    return found;
  }
  // Once IPP has answered, a printer that keeps silent over SNMP has it switched off: its
  // first reply is awaited only as long as IPP's own time says it deserves (a printer
  // waking from sleep is slow over both).
  if (ipp_took) client.LimitFirstReply(std::max(kLeastSnmpWait, 4 * ipp_took));
  note(AskPrinter(client, left, reasons), kFromSnmp, left);
  found.heard = found.heard || client.answered_version() != 0;
  if (client.answered_version() == 0)
    for (int index = 0; index < kFields; ++index)
      if (AskedAt(left, index))
        Say(ReasonAt(reasons, index), client.refused()
                                          ? "SNMP: the port is closed (port unreachable)"
                                          : "SNMP: no reply in time");
  return found;
}

SHORT AutoUpdate(const char* port, BYTE* status, const Settings& settings) {
  Asked asked;
  asked.trays = Asks(status, kStatusTray2) || Asks(status, kStatusTray3);
  asked.duplex = Asks(status, kStatusDuplex);
  asked.disk = Asks(status, kStatusHardDisk);
  asked.finisher = Asks(status, kStatusFinisher);
  asked.mp_tray = status[kStatusMpTray] != 0;
  if (!asked.trays && !asked.duplex && !asked.disk && !asked.finisher) return 0;

  const Deadline deadline(settings.budget_ms);
  SocketLibrary sockets;
  if (!sockets.started()) return 0;
  sockaddr_in target = {};
  target.sin_family = AF_INET;
  target.sin_port = htons(settings.port);
  if (!PrinterAddress(port, deadline, target.sin_addr)) return 0;
  const char* dotted = inet_ntoa(target.sin_addr);
  if (!dotted) return 0;
  const std::wstring address(dotted, dotted + strlen(dotted));

  const AnswerMemory memory(
      MemoryName(address, settings.ipp.enabled ? settings.ipp.port : 0, settings.port,
                 asked.mp_tray, settings.community, settings.ipp.path),
      settings.memory);
  Found found;
  if (!memory.Recall(asked, found)) {
    if (memory.RecentlySilent()) return 0;
    found = Ask(address, target, asked, settings, deadline, nullptr);
    if (found.heard)
      memory.RememberAnswers(found);
    else
      memory.RememberSilence();
  }

  // With no answer at all the record is left as it came.
  const Field fields[] = {{asked.trays, kStatusTray2, found.answers.tray_code},
                          {asked.duplex, kStatusDuplex, found.answers.duplex},
                          {asked.disk, kStatusHardDisk, found.answers.disk},
                          {asked.finisher, kStatusFinisher, found.answers.finisher}};
  bool answered = false;
  for (const Field& field : fields) answered = answered || (field.asked && field.answer >= 0);
  if (!answered) return 0;
  for (const Field& field : fields)
    if (field.asked) WriteStatusField(status, field.offset, field.answer >= 0 ? field.answer : -1);
  return 1;
}

}  // namespace kv::snmp
