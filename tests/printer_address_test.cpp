// The printer's address from the port monitors' keys (under a root in the sandboxed
// HKEY_CURRENT_USER standing for HKEY_LOCAL_MACHINE), host names resolved through scripted
// socket calls, and lookups bounded by a deadline over resolvers that take their time.
#include <winsock2.h>

#include "autoconfig/printer_address.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/bounded_resolution.h"
#include "platform/deadline.h"
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
      {"two addresses",
       0,
       AF_INET,
       {{192, 0, 2, 1}, {198, 51, 100, 2}},
       true,
       16,
       true,
       "198.51.100.2",
       1,
       1},
      {"three addresses",
       0,
       AF_INET,
       {{10, 0, 0, 1}, {10, 0, 0, 2}, {10, 0, 0, 3}},
       true,
       16,
       true,
       "10.0.0.3",
       1,
       1},
      {"unknown name", 0, AF_INET, {}, false, 16, false, "untouched", 1, 1},
      {"empty list", 0, AF_INET, {}, true, 16, false, "untouched", 1, 1},
      {"not IPv4", 0, AF_INET6, {{10, 0, 0, 1}}, true, 16, false, "untouched", 1, 1},
      {"no room", 0, AF_INET, {{198, 51, 100, 2}}, true, 12, false, "untouched", 1, 1},
      {"library refuses",
       WSAVERNOTSUPPORTED,
       AF_INET,
       {{10, 0, 0, 1}},
       true,
       16,
       false,
       "untouched",
       0,
       0},
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
      {"unknown host",
       {no_address, Sz(kStandard, L"HostName", L"elsewhere")},
       true,
       L"",
       {"elsewhere"}},
      {"standard key without address", {host, maker}, false, L"", {}},
      {"maker's port only", {maker}, true, L"172.16.1.5", {}},
      {"no key", {}, false, L"", {}},
      {"address unterminated",
       {Unterminated(kStandard, L"IPAddress", L"10.1.2.3")},
       true,
       L"10.1.2.3",
       {}},
      {"address of 259 units", {Sz(kStandard, L"IPAddress", longest)}, true, longest, {}},
      {"address of 260 units unterminated",
       {Unterminated(kStandard, L"IPAddress", longest + L"2")},
       false,
       L"",
       {}},
      {"address too long", {Sz(kStandard, L"IPAddress", long_text)}, false, L"", {}},
      {"address as expandable text",
       {Typed(kStandard, L"IPAddress", REG_EXPAND_SZ, L"10.1.2.3")},
       true,
       L"10.1.2.3",
       {}},
      {"expandable text is taken as stored",
       {Typed(kStandard, L"IPAddress", REG_EXPAND_SZ, L"%COMPUTERNAME%")},
       true,
       L"%COMPUTERNAME%",
       {}},
      {"host name as expandable text",
       {no_address, Typed(kStandard, L"HostName", REG_EXPAND_SZ, L"kv-printer")},
       true,
       L"10.0.0.2",
       {"kv-printer"}},
      {"maker's address as expandable text",
       {Typed(kMaker, L"IP", REG_EXPAND_SZ, L"172.16.1.6")},
       true,
       L"172.16.1.6",
       {}},
      {"host name unterminated",
       {no_address, Unterminated(kStandard, L"HostName", L"kv-printer")},
       true,
       L"10.0.0.2",
       {"kv-printer"}},
      {"host name as multiple texts",
       {no_address, Typed(kStandard, L"HostName", REG_MULTI_SZ, L"kv-printer")},
       true,
       L"",
       {}},
      {"host name of 400 units",
       {no_address, Sz(kStandard, L"HostName", std::wstring(400, L'h'))},
       true,
       L"",
       {}},
      {"maker's address too long", {Sz(kMaker, L"IP", long_text)}, false, L"", {}},
      {"maker's address as a number", {{&kMaker, L"IP", REG_DWORD, {1, 2, 3, 4}}}, false, L"", {}},
  };
  for (const auto& c : cases) {
    Clear();
    for (const Value& value : c.values) Store(value);
    Buffer out;
    EXPECT_EQ(c.found, kv::PortAddress(root_.get(), kPort, resolution_, out.address)) << c.label;
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
  EXPECT_FALSE(kv::PortAddress(root_.get(), port.c_str(), resolution_, out.address));
  EXPECT_EQ(L"", std::wstring(out.address));

  // The longest port name that fits is read.
  EXPECT_TRUE(kv::PortAddress(root_.get(), port.substr(0, fits).c_str(), resolution_, out.address));
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
    EXPECT_EQ(c.found, kv::QueueAddress(c.printer, root_.get(), resolution_, out.address))
        << c.label;
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
    kv::ResolveHostName(c.name.c_str(), resolution_, address);
    EXPECT_EQ(std::vector<std::string>{c.asked}, script_.looked_up) << c.name.size();
    EXPECT_EQ(c.address, std::wstring(address)) << c.name.size();
  }
  script_.looked_up.clear();
  wchar_t address[kv::kAddressUnits] = L"kept";
  kv::ResolveHostName(L"", resolution_, address);
  kv::ResolveHostName(nullptr, resolution_, address);
  EXPECT_TRUE(script_.looked_up.empty()) << "an empty name is not looked up";
  EXPECT_EQ(L"kept", std::wstring(address));
}

// An inner resolver that answers when the test says: at once, after a delay, or once the
// test releases it. It signals when a lookup has begun and when it has ended, and keeps the
// name as it read it at both moments.
class TimedResolution final : public kv::NameResolution {
 public:
  // Longer than any test waits for a lookup: "never", as far as the caller can tell.
  static constexpr DWORD kNever = 15000;

  TimedResolution(DWORD delay_ms, const char* answer) : delay_(delay_ms), answer_(answer) {}
  ~TimedResolution() override {
    // A lookup its caller gave up on still runs on this object.
    Release();
    if (Began()) WaitForSingleObject(ended_.get(), 2 * kNever);
  }
  bool Resolve(const char* name, char* address, size_t capacity) override {
    name_at_start = name;
    SetEvent(began_.get());
    WaitForSingleObject(release_.get(), delay_);
    name_at_end = name;
    const bool found = answer_ && std::strlen(answer_) < capacity;
    if (found) std::memcpy(address, answer_, std::strlen(answer_) + 1);
    SetEvent(ended_.get());  // the last this lookup touches of the object
    return found;
  }
  void Release() { SetEvent(release_.get()); }
  [[nodiscard]] bool Began() const { return WaitForSingleObject(began_.get(), 0) == WAIT_OBJECT_0; }
  [[nodiscard]] bool Ended(DWORD wait_ms = 0) const {
    return WaitForSingleObject(ended_.get(), wait_ms) == WAIT_OBJECT_0;
  }

  // Read only once the lookup has ended.
  std::string name_at_start, name_at_end;

 private:
  static HANDLE Event() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }
  const DWORD delay_;
  const char* const answer_;
  kv::unique_handle began_{Event()}, release_{Event()}, ended_{Event()};
};

TEST(BoundedResolution, TheCallerWaitsForTheLookupNoLongerThanItsDeadline) {
  constexpr DWORD kAmple = 10000;
  constexpr DWORD kNever = TimedResolution::kNever;
  struct Case {
    const char* label;
    std::string name;
    DWORD budget, delay;
    const char* answer;  // nullptr: the name does not resolve
    size_t capacity;
    bool asked, found;
    const char* address;
    bool passed;  // the deadline had passed when the call returned
  };
  const Case cases[] = {
      {"at once", "printer.example", kAmple, 0, "192.0.2.1", 16, true, true, "192.0.2.1", false},
      {"after 200 ms", "printer.example", kAmple, 200, "192.0.2.2", 16, true, true, "192.0.2.2",
       false},
      {"not found", "printer.example", kAmple, 0, nullptr, 16, true, false, "untouched", false},
      {"after the deadline", "printer.example", 300, 3000, "192.0.2.3", 16, true, false,
       "untouched", true},
      {"never", "printer.example", 300, kNever, "192.0.2.4", 16, true, false, "untouched", true},
      {"deadline passed before", "printer.example", 0, 0, "192.0.2.5", 16, false, false,
       "untouched", true},
      {"answer too long for the caller", "printer.example", kAmple, 0, "192.0.2.1", 9, true, false,
       "untouched", false},
      {"name of 259 bytes", std::string(259, 'n'), kAmple, 0, "192.0.2.6", 16, true, true,
       "192.0.2.6", false},
      {"name of 260 bytes", std::string(260, 'n'), kAmple, 0, "192.0.2.7", 16, false, false,
       "untouched", false},
  };
  for (const auto& c : cases) {
    TimedResolution inner(c.delay, c.answer);
    const kv::Deadline deadline(c.budget);
    kv::BoundedResolution bounded(inner, deadline);
    char address[24] = "untouched";
    EXPECT_EQ(c.found, bounded.Resolve(c.name.c_str(), address, c.capacity)) << c.label;
    const bool ended = inner.Ended();
    EXPECT_EQ(c.passed, deadline.Passed()) << c.label;
    EXPECT_STREQ(c.address, address) << c.label;
    EXPECT_EQ(c.asked, inner.Began()) << c.label;
    // The caller waits for a lookup that ends in time, and for no other.
    EXPECT_EQ(c.asked && !c.passed, ended) << c.label;
    inner.Release();
    if (c.asked) {
      ASSERT_TRUE(inner.Ended(kNever)) << c.label;
      EXPECT_EQ(c.name, inner.name_at_start) << c.label;
    }
  }
}

TEST(BoundedResolution, ALookupEndingAfterItsCallerLeftTouchesNothingOfTheCallers) {
  TimedResolution inner(TimedResolution::kNever, "192.0.2.9");
  char name[32] = "late.example";
  char address[16] = "untouched";
  {
    kv::BoundedResolution bounded(inner, kv::Deadline(200));
    EXPECT_FALSE(bounded.Resolve(name, address, sizeof address));
  }
  // The caller's buffers are its own again once it has left.
  std::strcpy(name, "reused");
  inner.Release();
  ASSERT_TRUE(inner.Ended(TimedResolution::kNever));
  EXPECT_EQ("late.example", inner.name_at_end) << "the lookup reads its own copy of the name";
  EXPECT_STREQ("untouched", address) << "the late answer goes to the lookup's own buffer";
}

// What one of two callers on two threads asked and got.
struct Caller {
  std::string name;
  DWORD budget;
  TimedResolution* inner;
  bool found = false;
  bool passed = false;
  char address[16] = "untouched";
};

DWORD WINAPI ResolveOnThread(void* parameter) {
  auto* caller = static_cast<Caller*>(parameter);
  const kv::Deadline deadline(caller->budget);
  kv::BoundedResolution bounded(*caller->inner, deadline);
  caller->found = bounded.Resolve(caller->name.c_str(), caller->address, sizeof caller->address);
  caller->passed = deadline.Passed();
  return 0;
}

TEST(BoundedResolution, TwoCallersOnTwoThreadsKeepTheirOwnDeadlinesAndAnswers) {
  TimedResolution answering(200, "192.0.2.11"), silent(TimedResolution::kNever, "192.0.2.12");
  Caller first{"first.example", 10000, &answering};
  Caller second{"second.example", 300, &silent};
  kv::unique_handle one(CreateThread(nullptr, 0, ResolveOnThread, &first, 0, nullptr));
  kv::unique_handle two(CreateThread(nullptr, 0, ResolveOnThread, &second, 0, nullptr));
  ASSERT_TRUE(one && two);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(two.get(), TimedResolution::kNever));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(one.get(), TimedResolution::kNever));
  EXPECT_TRUE(first.found);
  EXPECT_STREQ("192.0.2.11", first.address);
  EXPECT_FALSE(first.passed) << "the first caller was not held up to the second's deadline";
  EXPECT_FALSE(second.found);
  EXPECT_STREQ("untouched", second.address);
  EXPECT_TRUE(second.passed);
  EXPECT_FALSE(silent.Ended()) << "the second caller left without its lookup";
  silent.Release();
  ASSERT_TRUE(silent.Ended(TimedResolution::kNever));
  ASSERT_TRUE(answering.Ended(0));
  EXPECT_EQ("first.example", answering.name_at_start);
  EXPECT_EQ("second.example", silent.name_at_start);
}

}  // namespace
