// kvprobe: asks a printer for its installable options exactly as the companion library does,
// with the same settings file, and prints for each field its answer, the protocol that gave
// it, and what decided it, or why there is none. For the person on the phone with a customer
// whose trays, duplex unit, disk or finisher the driver sets wrong.
//
//   kvprobe ADDRESS|PORTNAME [--settings FILE] [--no-mp-tray] [--ask trays,duplex,disk,finisher]
//
// ADDRESS is a dotted IPv4 address; anything else is taken as the name of a printer port of
// the standard TCP/IP or the maker's monitor, read as the companion reads it. The settings are
// kvpsuN.ini beside this program unless --settings names another file; --no-mp-tray asks as for
// a model without a multi-purpose tray ("SupportMpTray=0"). It neither reads nor writes the
// companion's memory, and prints no community name.
#include <winsock2.h>

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "companion/companion.h"

namespace {

int Usage() {
  fwprintf(stderr,
           L"usage: kvprobe ADDRESS|PORTNAME [--settings FILE] [--no-mp-tray] "
           L"[--ask trays,duplex,disk,finisher]\n");
  return 2;
}

std::wstring Beside(const wchar_t* file) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return file;
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + file;
}

const wchar_t* SourceText(kv::snmp::Source source) {
  switch (source) {
    case kv::snmp::kFromIpp: return L"IPP";
    case kv::snmp::kFromSnmp: return L"SNMP";
    case kv::snmp::kNoEvidence: return L"none: nothing served decides it";
    case kv::snmp::kNoReply: return L"none: the printer did not tell";
    case kv::snmp::kNotAsked: break;
  }
  return L"not asked";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  std::wstring settings_file = Beside(L"kvpsuN.ini");
  kv::snmp::Asked asked{true, true, true, true, true};
  for (int i = 2; i < argc; ++i) {
    const std::wstring word = argv[i];
    if (word == L"--settings" && i + 1 < argc) {
      settings_file = argv[++i];
    } else if (word == L"--no-mp-tray") {
      asked.mp_tray = false;
    } else if (word == L"--ask" && i + 1 < argc) {
      const std::wstring fields = argv[++i];
      asked.trays = fields.find(L"trays") != std::wstring::npos;
      asked.duplex = fields.find(L"duplex") != std::wstring::npos;
      asked.disk = fields.find(L"disk") != std::wstring::npos;
      asked.finisher = fields.find(L"finisher") != std::wstring::npos;
    } else {
      return Usage();
    }
  }
  // As the companion asks: the machine's policy over the file.
  kv::snmp::Settings settings = kv::snmp::ReadSettings(settings_file.c_str());
  kv::snmp::ApplyPolicy(kv::Policy(), settings);
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 1;

  const kv::Deadline deadline(settings.budget_ms);
  char target_text[256];
  WideCharToMultiByte(CP_ACP, 0, argv[1], -1, target_text, sizeof target_text, nullptr, nullptr);
  sockaddr_in target = {};
  target.sin_family = AF_INET;
  target.sin_port = htons(settings.port);
  target.sin_addr.s_addr = inet_addr(target_text);
  if (target.sin_addr.s_addr == INADDR_NONE &&
      !kv::snmp::PrinterAddress(target_text, deadline, target.sin_addr)) {
    wprintf(
        L"kvprobe: no printer address for port \"%ls\" (no standard TCP/IP or maker's port of "
        L"that name with an address, or its host name does not resolve)\n",
        argv[1]);
    WSACleanup();
    return 1;
  }
  const char* dotted = inet_ntoa(target.sin_addr);
  const std::wstring address(dotted, dotted + strlen(dotted));
  wprintf(L"kvprobe: printer %ls, settings %ls\n", address.c_str(), settings_file.c_str());
  wprintf(L"  SNMP port %u, community of %zu characters (not shown); IPP %ls", settings.port,
          settings.community.size(), settings.ipp.enabled ? L"on" : L"off");
  if (settings.ipp.enabled)
    wprintf(L", port %u, path %ls", settings.ipp.port,
            settings.ipp.path.empty() ? L"/ipp/print then /ipp" : settings.ipp.path.c_str());
  wprintf(L"; budget %lu ms; a model %ls a multi-purpose tray\n", settings.budget_ms,
          asked.mp_tray ? L"with" : L"without");

  const ULONGLONG start = GetTickCount64();
  kv::snmp::Reasons reasons;
  const kv::snmp::Found found = kv::snmp::Ask(address, target, asked, settings, deadline, &reasons);
  wprintf(L"  asked in %llu ms; the printer %ls\n", GetTickCount64() - start,
          found.heard ? L"answered" : L"answered neither protocol");
  static const wchar_t* const kNames[] = {L"tray code", L"duplex", L"hard disk", L"finisher"};
  kv::snmp::Answers answers = found.answers;
  for (int index = 0; index < kv::snmp::kFields; ++index) {
    if (!kv::snmp::AskedAt(asked, index)) continue;
    const int16_t answer = kv::snmp::AnswerAt(answers, index);
    const std::wstring value = answer >= 0 ? std::to_wstring(answer) : L"-";
    wprintf(L"%-10ls %-2ls  %ls\n", kNames[index], value.c_str(), SourceText(found.sources[index]));
    const std::string& why = reasons.field[index];
    // One reason a line; the printer's own texts are shown as they came, in the ANSI code page.
    size_t from = 0;
    while (from < why.size()) {
      size_t end = why.find("; ", from);
      if (end == std::string::npos) end = why.size();
      printf("             %s\n", why.substr(from, end - from).c_str());
      from = end + 2;
    }
  }
  WSACleanup();
  return 0;
}
