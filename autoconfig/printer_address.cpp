#include "autoconfig/printer_address.h"

#include <winspool.h>

#include <cwchar>

#include "platform/handles.h"
#include "platform/seam.h"
#include "platform/spooler.h"
#include "platform/text.h"

namespace kv {
namespace {

constexpr wchar_t kStandardPorts[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";
constexpr wchar_t kMakerPorts[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Pelma Network Printer Port\\";

// Opens a port's key below a monitor's key for reading. A path longer than 259 units opens
// nothing: cut short, it would name another port.
bool OpenPortKey(HKEY root, const wchar_t* monitor, const wchar_t* port, unique_hkey& key) {
  wchar_t path[kAddressUnits];
  const size_t prefix = CopyText(path, monitor);
  if (AppendText(path, port) != prefix + wcslen(port)) return false;
  return RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// A text value, terminated within the buffer. The monitors store these values themselves and
// nothing makes them well formed: a value that is not text, or one whose text and terminator
// do not fit in the buffer, counts as absent and leaves the buffer empty. A text stored
// without its terminator is terminated when there is room. A REG_EXPAND_SZ is text too, read
// as it is stored: an address or a host name holds no environment strings, and expanding
// "%...%" in one would only make another name of it.
bool ReadTextValue(HKEY key, const wchar_t* name, wchar_t (&text)[kAddressUnits]) {
  DWORD type = REG_NONE;
  DWORD bytes = sizeof text;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) ==
          ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    const size_t units = bytes / sizeof(wchar_t);
    if (wmemchr(text, L'\0', units)) return true;
    if (units < kAddressUnits) {
      text[units] = L'\0';
      return true;
    }
  }
  text[0] = L'\0';
  return false;
}

// The name in the system's ANSI code page in at most 259 bytes and a terminator, cut at a
// character boundary (never between the units of a surrogate pair, never inside a
// double-byte character). False for an empty name or one that cannot be converted.
bool AnsiName(const wchar_t* host, char (&name)[kAddressUnits]) {
  name[0] = '\0';
  if (!host) return false;
  // Every unit takes at least one byte, so more than 259 units never fit.
  int units = 0;
  while (units < static_cast<int>(kAddressUnits) - 1 && host[units] != L'\0') ++units;
  for (; units > 0; --units) {
    if (IS_HIGH_SURROGATE(host[units - 1])) continue;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, host, units, name,
                                          static_cast<int>(sizeof name) - 1, nullptr, nullptr);
    if (bytes > 0) {
      name[bytes] = '\0';
      return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
  }
  name[0] = '\0';
  return false;
}

}  // namespace

void ResolveHostName(const wchar_t* host, NameResolution& resolution,
                     wchar_t (&address)[kAddressUnits]) {
  char name[kAddressUnits];
  if (!AnsiName(host, name)) return;
  char dotted[kAddressUnits];
  if (!resolution.Resolve(name, dotted, sizeof dotted)) return;
  // Converted aside first, so that a failed conversion leaves the caller's text as it was.
  wchar_t wide[kAddressUnits];
  if (MultiByteToWideChar(CP_ACP, 0, dotted, -1, wide, static_cast<int>(kAddressUnits)) <= 0)
    return;
  CopyText(address, wide);
}

bool PortAddress(HKEY root, const wchar_t* port, NameResolution& resolution,
                 wchar_t (&address)[kAddressUnits]) {
  address[0] = L'\0';
  if (!port || port[0] == L'\0') return false;
  unique_hkey key;
  if (OpenPortKey(root, kStandardPorts, port, key)) {
    if (!ReadTextValue(key.get(), L"IPAddress", address)) return false;
    if (address[0] != L'\0') return true;
    // A port set up by host name keeps its "IPAddress" empty. Whether or not the name
    // resolves, the standard port has answered: the maker's key is not asked.
    wchar_t host[kAddressUnits];
    if (ReadTextValue(key.get(), L"HostName", host) && host[0] != L'\0')
      ResolveHostName(host, resolution, address);
    return true;
  }
  if (!OpenPortKey(root, kMakerPorts, port, key)) return false;
  return ReadTextValue(key.get(), L"IP", address);
}

bool QueueAddress(HANDLE printer, HKEY root, NameResolution& resolution,
                  wchar_t (&address)[kAddressUnits]) {
  address[0] = L'\0';
  if (printer == INVALID_HANDLE_VALUE) return false;
  DWORD needed = 0;
  Use<Spooler>().PrinterInfo(printer, 2, nullptr, 0, &needed);
  if (needed < sizeof(PRINTER_INFO_2W)) return false;
  HANDLE heap = GetProcessHeap();
  unique_heap_block block(heap, HeapAlloc(heap, HEAP_ZERO_MEMORY, needed));
  if (!block) return false;
  auto* info = static_cast<PRINTER_INFO_2W*>(block.get());
  if (!Use<Spooler>().PrinterInfo(printer, 2, static_cast<BYTE*>(block.get()), needed, &needed))
    return false;
  if (!info->pDriverName || info->pDriverName[0] == L'\0' || !info->pPortName) return false;
  return PortAddress(root, info->pPortName, resolution, address);
}

}  // namespace kv
