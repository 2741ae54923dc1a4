// The few SNMP messages the companion exchanges, in the basic encoding rules: version 1 and
// 2c messages with a community, GetRequest and GetNextRequest going out, Response coming in.
// The decoder takes any bytes: every length is checked against what encloses it, every type
// against what the message allows there, and a message that breaks a rule is refused whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kv::snmp {

// Message versions as they go on the wire.
constexpr int32_t kVersion1 = 0;
constexpr int32_t kVersion2c = 1;

// Tags.
constexpr uint8_t kTagInteger = 0x02;
constexpr uint8_t kTagOctetString = 0x04;
constexpr uint8_t kTagNull = 0x05;
constexpr uint8_t kTagObjectId = 0x06;
constexpr uint8_t kTagSequence = 0x30;
constexpr uint8_t kTagIpAddress = 0x40;
constexpr uint8_t kTagCounter32 = 0x41;
constexpr uint8_t kTagGauge32 = 0x42;
constexpr uint8_t kTagTimeTicks = 0x43;
constexpr uint8_t kTagOpaque = 0x44;
constexpr uint8_t kTagCounter64 = 0x46;
// Version 2c's exceptions in place of a value.
constexpr uint8_t kTagNoSuchObject = 0x80;
constexpr uint8_t kTagNoSuchInstance = 0x81;
constexpr uint8_t kTagEndOfMibView = 0x82;
// PDUs.
constexpr uint8_t kGetRequest = 0xA0;
constexpr uint8_t kGetNextRequest = 0xA1;
constexpr uint8_t kResponse = 0xA2;

// Error status of a response: version 1 ends a GETNEXT walk with noSuchName.
constexpr int32_t kNoError = 0;
constexpr int32_t kNoSuchName = 2;

// Bounds on what a response may hold; anything beyond them is refused.
constexpr size_t kMaxOidArcs = 128;
constexpr size_t kMaxBindings = 16;
constexpr size_t kMaxCommunity = 255;

using Oid = std::vector<uint32_t>;

// "1.3.6.1.2.1.43" to arcs; an empty Oid for text that is not a dotted OID.
Oid ParseOid(const char* dotted);
std::string OidText(const Oid& oid);
// True when `oid` lies strictly below `prefix`.
bool IsBelow(const Oid& oid, const Oid& prefix);
// Lexicographic order of OIDs, as the agent orders its objects.
bool OidLess(const Oid& a, const Oid& b);

struct Value {
  uint8_t tag = kTagNull;
  int64_t number = 0;  // INTEGER and the unsigned application types
  Oid oid;             // OBJECT IDENTIFIER
  std::string bytes;   // OCTET STRING, IpAddress, Opaque
};

struct VarBind {
  Oid name;
  Value value;
};

struct Message {
  int32_t version = kVersion1;
  std::string community;
  uint8_t pdu = kResponse;
  int32_t request_id = 0;
  int32_t error_status = 0;
  int32_t error_index = 0;
  std::vector<VarBind> bindings;
};

// Any message of the kinds above, values as given (the responders of the tests and the fuzz
// verb make theirs with it). Empty when an OID cannot be encoded or the community is too long.
std::vector<uint8_t> EncodeMessage(const Message& message);

// A request for the names given, each bound to NULL. Empty when an OID cannot be encoded
// (fewer than two arcs, a first arc above 2, a second arc above 39 under arcs 0 and 1) or the
// community is longer than kMaxCommunity.
std::vector<uint8_t> EncodeRequest(int32_t version, const std::string& community, uint8_t pdu,
                                   int32_t request_id, const std::vector<Oid>& names);

// Decodes one whole datagram. False, with `message` in no particular state, when the bytes
// are not exactly one well-formed message within the bounds above.
[[nodiscard]] bool DecodeMessage(const uint8_t* data, size_t size, Message& message);

}  // namespace kv::snmp
