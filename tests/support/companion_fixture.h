// The built companion library loaded through its export as the plug-in loads it, and the
// printers the tests start for it: net-snmp agents (tools/snmp-agents, listed in an agents
// file) and CUPS's ippeveprinter (tools/ipp-printers, listed in a printers file).
#pragma once

#include <winsock2.h>

#include <windows.h>
#include <shlwapi.h>

#include <array>
#include <string>

#include <gtest/gtest.h>

#include "emuhost/plugin_host.h"
#include "host/status_record.h"
#include "tests/support/sandbox.h"

#ifndef KV_TEST_AGENTS
#error "KV_TEST_AGENTS names the agents file that tools/snmp-agents writes"
#endif
#ifndef KV_TEST_PRINTERS
#error "KV_TEST_PRINTERS names the printers file that tools/ipp-printers writes"
#endif

namespace kvtest {

using Record = std::array<BYTE, kv::kStatusRecordSize>;

constexpr wchar_t kStandardPorts[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";

// A file of the tests' state as this Windows program sees it (Wine's Z: is the Unix root).
inline std::wstring UnixFile(const char* unix_path) {
  std::wstring path = L"Z:";
  for (const char* p = unix_path; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}
inline std::wstring AgentsFile() { return UnixFile(KV_TEST_AGENTS); }
inline std::wstring PrintersFile() { return UnixFile(KV_TEST_PRINTERS); }

inline int AgentPort(const wchar_t* name) {
  return static_cast<int>(GetPrivateProfileIntW(L"Agents", name, 0, AgentsFile().c_str()));
}
inline int PrinterPort(const wchar_t* name) {
  return static_cast<int>(GetPrivateProfileIntW(L"Printers", name, 0, PrintersFile().c_str()));
}

// The record as the plug-in fills it for a PPD with every feature.
inline Record EveryFeatureAsked() {
  Record record{};
  for (int offset = 0; offset < kv::kStatusFlagsOffset; offset += 2)
    kv::WriteStatusField(record.data(), offset, -1);
  for (int offset : {kv::kStatusTray2, kv::kStatusDuplex, kv::kStatusHardDisk, kv::kStatusTray3,
                     kv::kStatusFinisher})
    kv::WriteStatusField(record.data(), offset, 0);
  record[kv::kStatusNetworkModel] = 0;
  record[kv::kStatusMpTray] = 1;
  return record;
}

struct Outcome {
  SHORT result = -7;
  Record record{};
  ULONGLONG elapsed_ms = 0;
  int16_t field(int offset) const { return kv::ReadStatusField(record.data(), offset); }
};

// A UDP port of the loopback address that takes datagrams and never answers, counting them:
// any free port, or the one asked for (bound() says whether it could be had).
class QuietAgent {
 public:
  explicit QuietAgent(u_short port = 0) {
    socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = htons(port);
    if (bind(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0)
      bind_error_ = WSAGetLastError();
    int size = sizeof at;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&at), &size);
    port_ = ntohs(at.sin_port);
  }
  ~QuietAgent() { closesocket(socket_); }
  QuietAgent(const QuietAgent&) = delete;
  QuietAgent& operator=(const QuietAgent&) = delete;
  bool bound() const { return bind_error_ == 0; }
  int bind_error() const { return bind_error_; }
  int port() const { return port_; }
  // Datagrams that arrived since the last call.
  int Received() {
    int count = 0;
    char buffer[2048];
    for (;;) {
      u_long pending = 0;
      if (ioctlsocket(socket_, FIONREAD, &pending) != 0 || pending == 0) return count;
      recv(socket_, buffer, sizeof buffer, 0);
      ++count;
    }
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  int port_ = 0;
  int bind_error_ = 0;
};

// A port of the loopback address with nothing listening on it: UDP (SOCK_DGRAM) or TCP
// (SOCK_STREAM).
inline int ClosedPort(int type) {
  SOCKET s = socket(AF_INET, type, type == SOCK_STREAM ? IPPROTO_TCP : IPPROTO_UDP);
  sockaddr_in at = {};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at);
  int size = sizeof at;
  getsockname(s, reinterpret_cast<sockaddr*>(&at), &size);
  closesocket(s);
  return ntohs(at.sin_port);
}

// What a loaded machine may add to a budget before a test calls the budget overrun: a step
// run late, not a second budget. Whether the budget was kept is told by the tries a peer
// counted; the clock only catches a gross overrun.
constexpr ULONGLONG kLateBy = 1000;

// The built companion library, copied into a folder of its own with its settings file beside
// it, asked for a port of the standard TCP/IP monitor. Each test has a private
// HKEY_CURRENT_USER, where the library remembers its printers; memory and IPP are off unless
// a test turns them on, so that each update asks the printer over SNMP.
class Companion : public testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    ASSERT_TRUE(CopyFileW((emuhost::ProgramFolder() + L"kvpsuN.dll").c_str(),
                          folder_.File(L"kvpsuN.dll").c_str(), FALSE));
    port_name_ = kvtest::UniqueName(L"KVSNMP");
    key_ = std::wstring(kStandardPorts) + port_name_;
    Ipp(0);
    Memory(0, 0);
  }
  void TearDown() override {
    if (library_) FreeLibrary(library_);
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str());
    WSACleanup();
  }

  void Settings(int port, int budget_ms = 0, const wchar_t* community = nullptr) {
    const std::wstring file = folder_.File(L"kvpsuN.ini");
    WritePrivateProfileStringW(L"SNMP", L"Port", std::to_wstring(port).c_str(), file.c_str());
    if (budget_ms)
      WritePrivateProfileStringW(L"SNMP", L"BudgetMs", std::to_wstring(budget_ms).c_str(),
                                 file.c_str());
    if (community) WritePrivateProfileStringW(L"SNMP", L"Community", community, file.c_str());
  }
  // An IPP printer at the port (0: IPP off), at the path given (nullptr: the default paths).
  void Ipp(int port, const wchar_t* path = nullptr) {
    const std::wstring file = folder_.File(L"kvpsuN.ini");
    WritePrivateProfileStringW(L"IPP", L"Enabled", port ? L"1" : L"0", file.c_str());
    WritePrivateProfileStringW(L"IPP", L"Port", std::to_wstring(port).c_str(), file.c_str());
    WritePrivateProfileStringW(L"IPP", L"Path", path, file.c_str());
  }
  void Memory(int answers_seconds, int silence_seconds) {
    const std::wstring file = folder_.File(L"kvpsuN.ini");
    WritePrivateProfileStringW(L"Cache", L"AnswersSeconds",
                               std::to_wstring(answers_seconds).c_str(), file.c_str());
    WritePrivateProfileStringW(L"Cache", L"SilenceSeconds",
                               std::to_wstring(silence_seconds).c_str(), file.c_str());
  }
  void PortAt(const wchar_t* address, const wchar_t* host = nullptr) {
    SHSetValueW(HKEY_LOCAL_MACHINE, key_.c_str(), L"IPAddress", REG_SZ, address,
                static_cast<DWORD>((wcslen(address) + 1) * sizeof(wchar_t)));
    if (host)
      SHSetValueW(HKEY_LOCAL_MACHINE, key_.c_str(), L"HostName", REG_SZ, host,
                  static_cast<DWORD>((wcslen(host) + 1) * sizeof(wchar_t)));
  }

  // The update for the fixture's port, or another port of the standard monitor.
  Outcome Update(Record record = EveryFeatureAsked(), const std::wstring& port_name = L"") {
    Outcome outcome;
    if (!library_) library_ = LoadLibraryW(folder_.File(L"kvpsuN.dll").c_str());
    EXPECT_NE(nullptr, library_);
    if (!library_) return outcome;
    auto update = reinterpret_cast<kv::SnmpAutoUpdateFn>(
        reinterpret_cast<void*>(GetProcAddress(library_, kv::kSnmpAutoUpdate)));
    EXPECT_NE(nullptr, update);
    if (!update) return outcome;
    char port[256];
    WideCharToMultiByte(CP_ACP, 0, (port_name.empty() ? port_name_ : port_name).c_str(), -1, port,
                        sizeof port, nullptr, nullptr);
    LONG one = 1;
    const ULONGLONG start = GetTickCount64();
    outcome.result = update(port, record.data(), &one, 0);
    outcome.elapsed_ms = GetTickCount64() - start;
    outcome.record = record;
    return outcome;
  }

  kvtest::RegistrySandbox registry_;
  kvtest::TempDir folder_;
  std::wstring port_name_;
  std::wstring key_;
  HMODULE library_ = nullptr;
};

inline void ExpectAnswers(const Outcome& outcome, int16_t trays, int16_t duplex, int16_t disk,
                          int16_t finisher, const std::string& label) {
  EXPECT_EQ(trays, outcome.field(kv::kStatusTray2)) << label;
  EXPECT_EQ(duplex, outcome.field(kv::kStatusDuplex)) << label;
  EXPECT_EQ(disk, outcome.field(kv::kStatusHardDisk)) << label;
  EXPECT_EQ(finisher, outcome.field(kv::kStatusFinisher)) << label;
  // Nothing else in the record is touched.
  Record expected = EveryFeatureAsked();
  for (int offset : {kv::kStatusTray2, kv::kStatusDuplex, kv::kStatusHardDisk, kv::kStatusFinisher})
    kv::WriteStatusField(expected.data(), offset, outcome.field(offset));
  EXPECT_EQ(expected, outcome.record) << label;
}

}  // namespace kvtest
