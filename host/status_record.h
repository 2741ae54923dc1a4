// The 32-byte status record exchanged with the companion network library, and its entry
// point. The plug-in and the companion agree on it byte for byte; fields are little-endian.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace kv {

constexpr size_t kStatusRecordSize = 32;

// 16-bit fields: in, 0 when the PPD has the feature and -1 when not; out, the printer's answer.
constexpr int kStatusTray2 = 4;     // out: tray code (1: tray 2; 3: trays 2, 3; 4: trays 2-4)
constexpr int kStatusDuplex = 6;    // out: duplex unit installed (negative: no answer)
constexpr int kStatusHardDisk = 8;  // out: hard disk installed (negative: no answer)
constexpr int kStatusTray3 = 12;
constexpr int kStatusFinisher = 16;     // out: finisher installed (negative: no answer)
constexpr int kStatusFlagsOffset = 20;  // the 16-bit fields end here
// Bytes: the model's switches for the companion.
constexpr int kStatusNetworkModel = 20;  // model profile "FUNCTION" / "AutoCfgNetworkMDL"
constexpr int kStatusMpTray = 21;        // model profile "FUNCTION" / "SupportMpTray"

inline int16_t ReadStatusField(const BYTE* record, int offset) {
  int16_t value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

inline void WriteStatusField(BYTE* record, int offset, int16_t value) {
  std::memcpy(record + offset, &value, sizeof value);
}

// SNMP_AutoUpdate(port name in the ANSI code page, status record, pointer to a 32-bit 1, 0):
// 0 means no answer; anything else means the record's answers are valid.
constexpr char kSnmpAutoUpdate[] = "SNMP_AutoUpdate";
typedef SHORT(WINAPI* SnmpAutoUpdateFn)(LPCSTR port, BYTE* status, LONG* reserved_one,
                                        LONG reserved_zero);

}  // namespace kv
