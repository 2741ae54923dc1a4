// The companion network library of the plug-in: asks the printer behind a port, over SNMP,
// which of its installable options are fitted, and fills in the plug-in's status record.
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
//   BudgetMs=2000      ; the whole update, name lookup included (1 to 60000)
#include "companion/companion.h"

#include <winsock2.h>
#include <windows.h>

#include <cwchar>

#include "autoconfig/printer_address.h"
#include "autoconfig/status_record.h"
#include "companion/printer_mibs.h"
#include "companion/snmp_client.h"
#include "platform/name_resolution.h"
#include "platform/runtime.h"
#include "platform/seam.h"

namespace kv::snmp {
namespace {

HMODULE g_module = nullptr;

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

// A name lookup the system may take its time over (a slow or absent name server) runs on a
// thread of its own, and the update waits for it no longer than its budget allows. A lookup
// left behind owns its record and a reference to this library, so that neither goes away
// under it; the last of the two owners frees the record.
struct Lookup {
  LONG owners = 2;
  char name[kAddressUnits] = {};
  char address[kAddressUnits] = {};
  bool found = false;
};

void Release(Lookup* lookup) {
  if (InterlockedDecrement(&lookup->owners) == 0) delete lookup;
}

DWORD WINAPI LookupThread(void* parameter) {
  auto* lookup = static_cast<Lookup*>(parameter);
  lookup->found = NameResolution::Default().Resolve(lookup->name, lookup->address,
                                                    sizeof lookup->address);
  Release(lookup);
  FreeLibraryAndExitThread(g_module, 0);
}

class BoundedResolution final : public NameResolution {
 public:
  explicit BoundedResolution(const Deadline& deadline) : deadline_(deadline) {}

  bool Resolve(const char* name, char* address, size_t capacity) override {
    if (!name || !address || capacity == 0 || deadline_.Passed()) return false;
    auto* lookup = new Lookup;
    size_t length = 0;
    while (name[length] && length + 1 < sizeof lookup->name) ++length;
    if (name[length]) {
      delete lookup;
      return false;
    }
    memcpy(lookup->name, name, length + 1);
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&LookupThread), &self)) {
      delete lookup;
      return false;
    }
    HANDLE thread = CreateThread(nullptr, 0, LookupThread, lookup, 0, nullptr);
    if (!thread) {
      FreeLibrary(self);
      delete lookup;
      return false;
    }
    const bool done = WaitForSingleObject(thread, deadline_.Remaining()) == WAIT_OBJECT_0;
    CloseHandle(thread);
    bool found = false;
    if (done && lookup->found) {
      size_t size = 0;
      while (lookup->address[size]) ++size;
      if (size + 1 <= capacity) {
        memcpy(address, lookup->address, size + 1);
        found = true;
      }
    }
    Release(lookup);
    return found;
  }

 private:
  const Deadline& deadline_;
};

bool SettingsFile(wchar_t (&path)[MAX_PATH]) {
  const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  wchar_t* dot = wcsrchr(path, L'.');
  wchar_t* slash = wcsrchr(path, L'\\');
  if (!dot || (slash && dot < slash) || static_cast<size_t>(dot - path) + 5 > MAX_PATH) return false;
  wcscpy(dot, L".ini");
  return true;
}

// The printer's IPv4 address: the port's address, or the name it holds looked up.
bool PrinterAddress(const char* port, const Deadline& deadline, in_addr& address) {
  wchar_t wide_port[256];
  if (MultiByteToWideChar(CP_ACP, 0, port, -1, wide_port, 256) <= 0) return false;
  BoundedResolution resolution(deadline);
  ScopedSeam<NameResolution> bounded(resolution);
  wchar_t text[kAddressUnits];
  if (!PortAddress(HKEY_LOCAL_MACHINE, wide_port, text) || text[0] == L'\0') return false;
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

bool Asks(const BYTE* status, int offset) { return ReadStatusField(status, offset) == 0; }

}  // namespace

Settings ReadSettings(const wchar_t* file) {
  Settings settings;
  if (!file) return settings;
  char community[kMaxCommunity + 2] = {};
  char file_narrow[MAX_PATH * 2] = {};
  // The community is bytes on the wire: read as ANSI text.
  if (WideCharToMultiByte(CP_ACP, 0, file, -1, file_narrow, sizeof file_narrow, nullptr, nullptr) > 0) {
    const DWORD length = GetPrivateProfileStringA("SNMP", "Community", "public", community,
                                                  sizeof community, file_narrow);
    if (length <= kMaxCommunity) settings.community.assign(community, length);
  }
  const UINT port = GetPrivateProfileIntW(L"SNMP", L"Port", settings.port, file);
  if (port >= 1 && port <= 65535) settings.port = static_cast<uint16_t>(port);
  const INT budget = static_cast<INT>(GetPrivateProfileIntW(L"SNMP", L"BudgetMs", settings.budget_ms, file));
  if (budget > 0) settings.budget_ms = budget > static_cast<INT>(kLongestBudget) ? kLongestBudget : budget;
  return settings;
}

SHORT AutoUpdate(const char* port, BYTE* status, const Settings& settings) {
  Asked asked;
  asked.trays = Asks(status, kStatusTray2) || Asks(status, kStatusTray3);
  asked.duplex = Asks(status, kStatusDuplex);
  asked.disk = Asks(status, kStatusHardDisk);
  asked.finisher = Asks(status, kStatusFinisher);
  if (!asked.trays && !asked.duplex && !asked.disk && !asked.finisher) return 0;

  const Deadline deadline(settings.budget_ms);
  SocketLibrary sockets;
  if (!sockets.started()) return 0;
  sockaddr_in target = {};
  target.sin_family = AF_INET;
  target.sin_port = htons(settings.port);
  if (!PrinterAddress(port, deadline, target.sin_addr)) return 0;

  Client client(target, settings.community, deadline);
  if (!client.Open()) return 0;
  const Answers answers = AskPrinter(client, asked);

  const struct {
    bool asked;
    int offset;
    int16_t answer;
  } fields[] = {{asked.trays, kStatusTray2, answers.tray_code},
                {asked.duplex, kStatusDuplex, answers.duplex},
                {asked.disk, kStatusHardDisk, answers.disk},
                {asked.finisher, kStatusFinisher, answers.finisher}};
  // With no answer at all the record is left as it came.
  bool answered = false;
  for (const auto& field : fields) answered = answered || (field.asked && field.answer >= 0);
  if (!answered) return 0;
  for (const auto& field : fields)
    if (field.asked) WriteStatusField(status, field.offset, field.answer);
  return answered ? 1 : 0;
}

}  // namespace kv::snmp

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    kv::snmp::g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  // The plug-in loads and frees this library for every update.
  if (reason == DLL_PROCESS_DETACH && !reserved) kv::ReleaseRuntimeReserves();
  return TRUE;
}

extern "C" SHORT WINAPI SNMP_AutoUpdate(LPCSTR port, BYTE* status, LONG*, LONG) {
  if (!port || !status) return 0;
  // Nothing may escape into the plug-in: an exception (only memory running out can raise one)
  // is no answer.
  try {
    wchar_t file[MAX_PATH];
    const kv::snmp::Settings settings =
        kv::snmp::SettingsFile(file) ? kv::snmp::ReadSettings(file) : kv::snmp::Settings();
    return kv::snmp::AutoUpdate(port, status, settings);
  } catch (...) {
    return 0;
  }
}
