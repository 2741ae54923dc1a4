// Host names to IPv4 addresses through Windows sockets. The logic hands over a name in the
// system's ANSI code page and gets back the dotted text of the address; tests put a scripted
// resolver in place.
#pragma once

#include <windows.h>

#include <cstddef>

#include "platform/seam.h"

struct hostent;
struct in_addr;
struct WSAData;

namespace kv {

class NameResolution {
 public:
  virtual ~NameResolution() = default;
  // The dotted text of the name's address into `address` (capacity in bytes, terminated);
  // false, with `address` left as it was, when the name does not resolve.
  virtual bool Resolve(const char* name, char* address, size_t capacity) = 0;

  static NameResolution& Default();
};
KV_SEAM(NameResolution);

// The socket calls the real resolver makes, with the signatures of ws2_32.
struct SocketCalls {
  int(WINAPI* startup)(WORD version, WSAData* data);
  hostent*(WINAPI* gethostbyname)(const char* name);
  char*(WINAPI* inet_ntoa)(in_addr address);
  int(WINAPI* cleanup)();
};

// What the real resolver does, through the calls given: starts the socket library (version
// 1.1), looks the name up, keeps the last address of the entry's list, formats it, and
// stops the library again on every path on which it started.
bool ResolveThrough(const SocketCalls& calls, const char* name, char* address, size_t capacity);

}  // namespace kv
