#include <winsock2.h>

#include "platform/name_resolution.h"

#include <cstring>

namespace kv {

KV_SEAM_PLACE(NameResolution);
namespace {

// Stops the socket library when the scope that started it ends, whichever way it ends.
class SocketSession {
 public:
  explicit SocketSession(const SocketCalls& calls) : calls_(calls) {
    WSADATA data = {};
    started_ = calls_.startup(MAKEWORD(1, 1), &data) == 0;
  }
  SocketSession(const SocketSession&) = delete;
  SocketSession& operator=(const SocketSession&) = delete;
  ~SocketSession() {
    if (started_) calls_.cleanup();
  }
  [[nodiscard]] bool started() const { return started_; }

 private:
  const SocketCalls& calls_;
  bool started_ = false;
};

class WinsockResolution final : public NameResolution {
 public:
  bool Resolve(const char* name, char* address, size_t capacity) override {
    const SocketCalls calls = {::WSAStartup, ::gethostbyname, ::inet_ntoa, ::WSACleanup};
    return ResolveThrough(calls, name, address, capacity);
  }
};

// At namespace scope rather than a function's static: the companion library is loaded and
// freed for every update, and the first guarded initialisation of a function's static in each
// load leaves memory of the C++ runtime's behind (about 3 KiB an update, in the soak).
WinsockResolution g_resolution;

}  // namespace

bool ResolveThrough(const SocketCalls& calls, const char* name, char* address, size_t capacity) {
  if (!name || !address || capacity == 0) return false;
  SocketSession session(calls);
  if (!session.started()) return false;
  const hostent* entry = calls.gethostbyname(name);
  // Only IPv4 entries have addresses inet_ntoa can format.
  if (!entry || entry->h_addrtype != AF_INET || entry->h_length != sizeof(in_addr) ||
      !entry->h_addr_list)
    return false;
  // A host with several addresses answers with the last one in its list.
  const char* last = nullptr;
  for (char** at = entry->h_addr_list; *at; ++at) last = *at;
  if (!last) return false;
  in_addr chosen;
  memcpy(&chosen, last, sizeof chosen);
  const char* text = calls.inet_ntoa(chosen);
  if (!text) return false;
  size_t length = 0;
  while (text[length] != '\0') ++length;
  // An address that does not fit is no address: a cut one would name another host.
  if (length + 1 > capacity) return false;
  memcpy(address, text, length + 1);
  return true;
}

NameResolution& NameResolution::Default() { return g_resolution; }

}  // namespace kv
