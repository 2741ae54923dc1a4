// The printer's address from the port monitors' keys (under a root in the sandboxed
// HKEY_CURRENT_USER standing for HKEY_LOCAL_MACHINE), and host names resolved through
// scripted socket calls.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "autoconfig/printer_address.h"
#include "platform/handles.h"
#include "platform/name_resolution.h"
#include "platform/seam.h"
#include "tests/support/fake_spooler.h"
#include "tests/support/sandbox.h"

namespace {

using Address = std::array<BYTE, 4>;

// The socket library as the resolver sees it: the hosts it knows, and what it was asked.
struct SocketScript {
  int startup_result = 0;
  short family = AF_INET;
  std::map<std::string, std::vector<Address>> hosts;
  int startups = 0, cleanups = 0;
  WORD version = 0;
  std::vector<std::string> looked_up;

  hostent entry = {};
  std::vector<in_addr> addresses;
  std::vector<char*> list;
  char text[16] = {};
};
SocketScript* g_sockets = nullptr;

int WSAAPI ScriptedStartup(WORD version, WSADATA*) {
  ++g_sockets->startups;
  g_sockets->version = version;
  return g_sockets->startup_result;
}
hostent* WSAAPI ScriptedLookup(const char* name) {
  SocketScript& s = *g_sockets;
  s.looked_up.push_back(name);
  auto found = s.hosts.find(name);
  if (found == s.hosts.end()) return nullptr;
  s.addresses.assign(found->second.size(), in_addr{});
  s.list.clear();
  for (size_t i = 0; i < found->second.size(); ++i) {
    std::memcpy(&s.addresses[i], found->second[i].data(), 4);
    s.list.push_back(reinterpret_cast<char*>(&s.addresses[i]));
  }
  s.list.push_back(nullptr);
  s.entry = {};
  s.entry.h_name = const_cast<char*>(found->first.c_str());
  s.entry.h_addrtype = s.family;
  s.entry.h_length = 4;
  s.entry.h_addr_list = s.list.data();
  return &s.entry;
}
char* WSAAPI ScriptedFormat(in_addr address) {
  const auto* b = reinterpret_cast<const BYTE*>(&address);
  std::snprintf(g_sockets->text, sizeof g_sockets->text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return g_sockets->text;
}
int WSAAPI ScriptedCleanup() {
  ++g_sockets->cleanups;
  return 0;
}
const kv::SocketCalls kScriptedCalls = {ScriptedStartup, ScriptedLookup, ScriptedFormat,
                                        ScriptedCleanup};

// A resolver over the scripted socket library: the real resolution logic, scripted answers.
class ScriptedResolution final : public kv::NameResolution {
 public:
  explicit ScriptedResolution(SocketScript& script) { g_sockets = &script; }
  ~ScriptedResolution() override { g_sockets = nullptr; }
  bool Resolve(const char* name, char* address, size_t capacity) override {
    return kv::ResolveThrough(kScriptedCalls, name, address, capacity);
  }
};

TEST(NameResolution, TheLastAddressIsKeptAndTheLibraryStopsOnEveryPathThatStartedIt) {
  struct Case {
    const char* label;
    int startup_result;
    short family;
    std::vector<Address> addresses;  // empty: the name is unknown
    bool known;
    size_t capacity;
    bool resolved;
    const char* text;
    int lookups, cleanups;
  };
  const Case cases[] = {
      {"one address", 0, AF_INET, {{192, 0, 2, 1}}, true, 16, true, "192.0.2.1", 1, 1},
      {"two addresses", 0, AF_INET, {{192, 0, 2, 1}, {198, 51, 100, 2}}, true, 16, true,
       "198.51.100.2", 1, 1},
      {"three addresses", 0, AF_INET, {{10, 0, 0, 1}, {10, 0, 0, 2}, {10, 0, 0, 3}}, true, 16,
       true, "10.0.0.3", 1, 1},
      {"unknown name", 0, AF_INET, {}, false, 16, false, "untouched", 1, 1},
      {"empty list", 0, AF_INET, {}, true, 16, false, "untouched", 1, 1},
      {"not IPv4", 0, AF_INET6, {{10, 0, 0, 1}}, true, 16, false, "untouched", 1, 1},
      {"no room", 0, AF_INET, {{198, 51, 100, 2}}, true, 12, false, "untouched", 1, 1},
      {"library refuses", WSAVERNOTSUPPORTED, AF_INET, {{10, 0, 0, 1}}, true, 16, false,
       "untouched", 0, 0},
  };
  for (const auto& c : cases) {
    SocketScript script;
    script.startup_result = c.startup_result;
    script.family = c.family;
    if (c.known) script.hosts["printer.example"] = c.addresses;
    ScriptedResolution resolution(script);
    char address[17] = "untouched";
    EXPECT_EQ(c.resolved, resolution.Resolve("printer.example", address, c.capacity)) << c.label;
    EXPECT_STREQ(c.text, address) << c.label;
    EXPECT_EQ(MAKEWORD(1, 1), script.version) << c.label;
    EXPECT_EQ(c.lookups, static_cast<int>(script.looked_up.size())) << c.label;
    EXPECT_EQ(1, script.startups) << c.label;
    EXPECT_EQ(c.cleanups, script.cleanups) << c.label;
  }
}

TEST(NameResolution, TheRealResolverStopsTheSocketLibraryItStarted) {
  char address[16] = {};
  // A dotted name resolves to itself without asking a name server.
  ASSERT_TRUE(kv::NameResolution::Default().Resolve("192.0.2.7", address, sizeof address));
  EXPECT_STREQ("192.0.2.7", address);
  EXPECT_EQ(SOCKET_ERROR, WSACleanup()) << "the resolver left the library started";
  EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
}

constexpr wchar_t kPort[] = L"IP_192.0.2.10";
const std::wstring kStandard =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";
const std::wstring kMaker =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Pelma Network Printer Port\\";

// A registry value as a monitor may have stored it.
struct Value {
  const std::wstring* monitor;
  const wchar_t* name;
  DWORD type;
  std::vector<BYTE> bytes;
};

std::vector<BYTE> Bytes(const std::wstring& text, bool terminated = true) {
  const auto* raw = reinterpret_cast<const BYTE*>(text.c_str());
  return std::vector<BYTE>(raw, raw + (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}
Value Sz(const std::wstring& monitor, const wchar_t* name, const std::wstring& text) {
  return {&monitor, name, REG_SZ, Bytes(text)};
}
Value Unterminated(const std::wstring& monitor, const wchar_t* name, const std::wstring& text) {
  return {&monitor, name, REG_SZ, Bytes(text, false)};
}
Value Typed(const std::wstring& monitor, const wchar_t* name, DWORD type,
            const std::wstring& text) {
  return {&monitor, name, type, Bytes(text)};
}

// The address buffer with guard units behind it.
struct Buffer {
  wchar_t address[kv::kAddressUnits];
  wchar_t guard[4];
  Buffer() {
    wmemset(address, L'#', kv::kAddressUnits);
    wmemset(guard, L'#', 4);
  }
  [[nodiscard]] bool GuardIntact() const { return std::wstring(guard, 4) == L"####"; }
};

class PrinterAddressTest : public testing::Test {
 protected:
  PrinterAddressTest() {
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Machine", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, root_.put(), nullptr));
    script_.hosts["kv-printer"] = {{10, 0, 0, 1}, {10, 0, 0, 2}};
  }

  void Store(const Value& value, const wchar_t* port = kPort) {
    kv::unique_hkey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(root_.get(), (*value.monitor + port).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key.get(), value.name, 0, value.type, value.bytes.data(),
                             static_cast<DWORD>(value.bytes.size())));
  }
  void Clear() {
    root_.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Machine");
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Machine", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, root_.put(), nullptr));
    script_.looked_up.clear();
  }

  kvtest::RegistrySandbox sandbox_;
  kv::unique_hkey root_;
  SocketScript script_;
  ScriptedResolution resolution_{script_};
  kv::ScopedSeam<kv::NameResolution> use_resolution_{resolution_};
  kvtest::FakeSpooler spooler_;
  kv::ScopedSeam<kv::Spooler> use_spooler_{spooler_};
};

TEST_F(PrinterAddressTest, ThePortsAddressFromEitherMonitor) {
  const std::wstring long_text(300, L'1');
  const std::wstring longest(259, L'2');
  struct Case {
    const char* label;
    std::vector<Value> values;
    bool found;
    std::wstring address;
    std::vector<std::string> lookups;
  };
  const Value no_address = Sz(kStandard, L"IPAddress", L"");
  const Value host = Sz(kStandard, L"HostName", L"kv-printer");
  const Value maker = Sz(kMaker, L"IP", L"172.16.1.5");
  const Case cases[] = {
      {"address", {Sz(kStandard, L"IPAddress", L"192.168.0.20"), host}, true, L"192.168.0.20", {}},
      {"host name", {no_address, host}, true, L"10.0.0.2", {"kv-printer"}},
      {"no host name", {no_address}, true, L"", {}},
      {"unknown host", {no_address, Sz(kStandard, L"HostName", L"elsewhere")}, true, L"",
       {"elsewhere"}},
      {"standard key without address", {host, maker}, false, L"", {}},
      {"maker's port only", {maker}, true, L"172.16.1.5", {}},
      {"no key", {}, false, L"", {}},
      {"address unterminated", {Unterminated(kStandard, L"IPAddress", L"10.1.2.3")}, true,
       L"10.1.2.3", {}},
      {"address of 259 units", {Sz(kStandard, L"IPAddress", longest)}, true, longest, {}},
      {"address of 260 units unterminated",
       {Unterminated(kStandard, L"IPAddress", longest + L"2")}, false, L"", {}},
      {"address too long", {Sz(kStandard, L"IPAddress", long_text)}, false, L"", {}},
      {"address as expandable text",
       {Typed(kStandard, L"IPAddress", REG_EXPAND_SZ, L"10.1.2.3")}, false, L"", {}},
      {"host name unterminated",
       {no_address, Unterminated(kStandard, L"HostName", L"kv-printer")}, true, L"10.0.0.2",
       {"kv-printer"}},
      {"host name as multiple texts",
       {no_address, Typed(kStandard, L"HostName", REG_MULTI_SZ, L"kv-printer")}, true, L"", {}},
      {"host name of 400 units",
       {no_address, Sz(kStandard, L"HostName", std::wstring(400, L'h'))}, true, L"", {}},
      {"maker's address too long", {Sz(kMaker, L"IP", long_text)}, false, L"", {}},
      {"maker's address as a number", {{&kMaker, L"IP", REG_DWORD, {1, 2, 3, 4}}}, false, L"", {}},
  };
  for (const auto& c : cases) {
    Clear();
    for (const Value& value : c.values) Store(value);
    Buffer out;
    EXPECT_EQ(c.found, kv::PortAddress(root_.get(), kPort, out.address)) << c.label;
    EXPECT_EQ(c.address, std::wstring(out.address)) << c.label;
    EXPECT_TRUE(out.GuardIntact()) << c.label;
    EXPECT_EQ(c.lookups, script_.looked_up) << c.label;
  }
}

TEST_F(PrinterAddressTest, APathThatWouldNotFitOpensNoKeyRatherThanACutOne) {
  const std::wstring port(240, L'P');
  const size_t fits = kv::kAddressUnits - 1 - kMaker.size();
  ASSERT_EQ(kStandard.size(), kMaker.size());
  Store(Sz(kStandard, L"IPAddress", L"10.9.9.9"), port.substr(0, fits).c_str());
  Store(Sz(kMaker, L"IP", L"10.8.8.8"), port.substr(0, fits).c_str());
  Buffer out;
  EXPECT_FALSE(kv::PortAddress(root_.get(), port.c_str(), out.address));
  EXPECT_EQ(L"", std::wstring(out.address));

  // The longest port name that fits is read.
  EXPECT_TRUE(kv::PortAddress(root_.get(), port.substr(0, fits).c_str(), out.address));
  EXPECT_EQ(L"10.9.9.9", std::wstring(out.address));
}

TEST_F(PrinterAddressTest, TheQueueNeedsItsDriverAndPortNames) {
  Store(Sz(kStandard, L"IPAddress", L"192.168.0.20"));
  struct Case {
    const char* label;
    HANDLE printer;
    bool names_port, names_driver;
    std::wstring port;
    bool found;
    std::wstring address;
    int spooler_calls;
  };
  HANDLE printer = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x4242));
  const Case cases[] = {
      {"queue", printer, true, true, kPort, true, L"192.168.0.20", 2},
      {"invalid handle", INVALID_HANDLE_VALUE, true, true, kPort, false, L"", 0},
      {"no port name", printer, false, true, kPort, false, L"", 2},
      {"empty port name", printer, true, true, L"", false, L"", 2},
      {"no driver name", printer, true, false, kPort, false, L"", 2},
  };
  for (const auto& c : cases) {
    spooler_ = kvtest::FakeSpooler();
    spooler_.info_names_port = c.names_port;
    spooler_.info_names_driver = c.names_driver;
    spooler_.port_name = c.port;
    Buffer out;
    EXPECT_EQ(c.found, kv::QueueAddress(c.printer, root_.get(), out.address)) << c.label;
    EXPECT_EQ(c.address, std::wstring(out.address)) << c.label;
    EXPECT_EQ(c.spooler_calls, spooler_.printer_info_calls) << c.label;
  }
}

TEST_F(PrinterAddressTest, AHostNameIsResolvedInAtMost259BytesCutAtACharacterBoundary) {
  const std::string cut(259, 'h');
  script_.hosts[cut] = {{192, 0, 2, 33}};
  script_.hosts[std::string(258, 'h')] = {{192, 0, 2, 34}};
  struct Case {
    std::wstring name;
    std::string asked;
    std::wstring address;
  };
  const Case cases[] = {
      {std::wstring(400, L'h'), cut, L"192.0.2.33"},
      {std::wstring(259, L'h'), cut, L"192.0.2.33"},
      // The 259th unit would begin a surrogate pair: the name stops before it.
      {std::wstring(258, L'h') + L"\xD83D\xDE00" + L"hh", std::string(258, 'h'), L"192.0.2.34"},
      {L"kv-printer", "kv-printer", L"10.0.0.2"},
      {L"unknown", "unknown", L"kept"},
  };
  for (const auto& c : cases) {
    script_.looked_up.clear();
    wchar_t address[kv::kAddressUnits] = L"kept";
    kv::ResolveHostName(c.name.c_str(), address);
    EXPECT_EQ(std::vector<std::string>{c.asked}, script_.looked_up) << c.name.size();
    EXPECT_EQ(c.address, std::wstring(address)) << c.name.size();
  }
  script_.looked_up.clear();
  wchar_t address[kv::kAddressUnits] = L"kept";
  kv::ResolveHostName(L"", address);
  kv::ResolveHostName(nullptr, address);
  EXPECT_TRUE(script_.looked_up.empty()) << "an empty name is not looked up";
  EXPECT_EQ(L"kept", std::wstring(address));
}

}  // namespace
