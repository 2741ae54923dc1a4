// The network address of the printer behind a queue, as text, from the configuration of the
// queue's port monitor: the system's standard TCP/IP port monitor or the maker's own network
// port monitor. A host name is resolved to a dotted IPv4 address.
#pragma once

#include <windows.h>

#include "platform/name_resolution.h"

namespace kv {

constexpr size_t kAddressUnits = 260;

// Each function below looks host names up through the resolver it is given: the caller
// decides how long a lookup may take (the page and the companion pass a BoundedResolution),
// and two callers on two threads never share one.

// The address of the queue's port (its PRINTER_INFO_2 must name a driver and a port); false
// for INVALID_HANDLE_VALUE, a queue the spooler cannot describe, or a port with no address.
// The monitors' keys are read under `root` (HKEY_LOCAL_MACHINE outside the tests).
[[nodiscard]] bool QueueAddress(HANDLE printer, HKEY root, NameResolution& resolution,
                                wchar_t (&address)[kAddressUnits]);

// The address of a port from its monitor's key under `root`:
// - standard port ("...\Standard TCP/IP Port\Ports\<port>"): false when "IPAddress" cannot be
//   read; otherwise true, with "IPAddress", or, when that is empty, "HostName" resolved (the
//   text stays empty when there is no host name or it does not resolve: a true answer with
//   an empty address is a port with no address, and callers treat it so);
// - otherwise the maker's port ("...\Pelma Network Printer Port\<port>"): true when its "IP"
//   can be read.
// A value counts as readable only when it is text (REG_SZ, or REG_EXPAND_SZ taken as it is
// stored: an address has no environment strings to expand) that fits, terminated, in 260
// units. Whenever the answer is false, the address is empty.
[[nodiscard]] bool PortAddress(HKEY root, const wchar_t* port, NameResolution& resolution,
                               wchar_t (&address)[kAddressUnits]);

// Resolves a host name (converted to the system's ANSI code page, cut to 259 bytes at a
// character boundary) and writes the address into `address`; leaves it untouched when the
// name does not resolve.
void ResolveHostName(const wchar_t* host, NameResolution& resolution,
                     wchar_t (&address)[kAddressUnits]);

}  // namespace kv
