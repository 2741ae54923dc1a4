#include "tools/hostsim/snmp_verbs.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "companion/ber.h"
#include "tools/hostsim/fuzz_bytes.h"

namespace hostsim {
namespace {

using kv::snmp::Message;

// A read past the datagram stops the run with an access violation, reported here.
unsigned long g_run = 0;

LONG CALLBACK ReportFault(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) {
    printf("fuzz-snmp: run %lu read outside the datagram\n", g_run);
    fflush(stdout);
    ExitProcess(3);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

kv::snmp::Oid RandomOid(std::mt19937& random) {
  kv::snmp::Oid oid = {static_cast<uint32_t>(random() % 3), static_cast<uint32_t>(random() % 40)};
  const size_t arcs = random() % 20;
  for (size_t i = 0; i < arcs; ++i)
    oid.push_back(random() % 4 == 0 ? static_cast<uint32_t>(random()) : random() % 200);
  return oid;
}

Message RandomMessage(std::mt19937& random) {
  static const uint8_t kPdus[] = {kv::snmp::kGetRequest, kv::snmp::kGetNextRequest,
                                  kv::snmp::kResponse};
  static const uint8_t kTags[] = {kv::snmp::kTagInteger,   kv::snmp::kTagOctetString,
                                  kv::snmp::kTagNull,      kv::snmp::kTagObjectId,
                                  kv::snmp::kTagCounter32, kv::snmp::kTagGauge32,
                                  kv::snmp::kTagTimeTicks, kv::snmp::kTagEndOfMibView};
  Message m;
  m.version = static_cast<int32_t>(random() % 2);
  m.community.assign(random() % 12, static_cast<char>('a' + random() % 26));
  m.pdu = kPdus[random() % 3];
  m.request_id = static_cast<int32_t>(random());
  m.error_status = static_cast<int32_t>(random() % 6);
  m.error_index = static_cast<int32_t>(random() % 3);
  const size_t count = random() % 6;
  for (size_t i = 0; i < count; ++i) {
    kv::snmp::VarBind b;
    b.name = RandomOid(random);
    b.value.tag = kTags[random() % (sizeof kTags)];
    b.value.number =
        b.value.tag == kv::snmp::kTagInteger ? static_cast<int32_t>(random()) : random();
    if (b.value.tag == kv::snmp::kTagObjectId) b.value.oid = RandomOid(random);
    if (b.value.tag == kv::snmp::kTagOctetString) b.value.bytes.assign(random() % 300, 'x');
    m.bindings.push_back(b);
  }
  return m;
}

}  // namespace

void Mangle(std::vector<uint8_t>& bytes, std::mt19937& random) {
  const int changes = 1 + static_cast<int>(random() % 4);
  for (int i = 0; i < changes; ++i) {
    const size_t at = bytes.empty() ? 0 : random() % bytes.size();
    switch (random() % 7) {
      case 0:
        if (!bytes.empty()) bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
        break;
      case 1:
        if (!bytes.empty()) bytes[at] = static_cast<uint8_t>(random());
        break;
      case 2: bytes.resize(at); break;
      case 3:
        bytes.insert(bytes.begin() + static_cast<long>(at), static_cast<uint8_t>(random()));
        break;
      case 4:
        if (!bytes.empty()) bytes[at] = static_cast<uint8_t>(0x80 | (random() % 6));
        break;
      case 5:
        if (at < bytes.size()) bytes.erase(bytes.begin() + static_cast<long>(at));
        break;
      default: {
        const std::vector<uint8_t> copy(bytes.begin() + static_cast<long>(at), bytes.end());
        bytes.insert(bytes.end(), copy.begin(), copy.begin() + static_cast<long>(copy.size() / 2));
      }
    }
  }
  if (bytes.size() > GuardedBuffer::kSpan) bytes.resize(GuardedBuffer::kSpan);
}

namespace {

bool SameMessage(const Message& a, const Message& b) {
  if (a.version != b.version || a.community != b.community || a.pdu != b.pdu ||
      a.request_id != b.request_id || a.error_status != b.error_status ||
      a.error_index != b.error_index || a.bindings.size() != b.bindings.size())
    return false;
  for (size_t i = 0; i < a.bindings.size(); ++i) {
    const auto& x = a.bindings[i];
    const auto& y = b.bindings[i];
    if (x.name != y.name || x.value.tag != y.value.tag || x.value.oid != y.value.oid ||
        x.value.bytes != y.value.bytes)
      return false;
    if (x.value.tag != kv::snmp::kTagEndOfMibView && x.value.tag != kv::snmp::kTagOctetString &&
        x.value.tag != kv::snmp::kTagNull && x.value.tag != kv::snmp::kTagObjectId &&
        x.value.number != y.value.number)
      return false;
  }
  return true;
}

// What a decoded message must keep to: the bounds, and, encoded again, a message that decodes
// to the same content.
bool WithinBounds(const Message& m, size_t size) {
  if (m.community.size() > kv::snmp::kMaxCommunity || m.bindings.size() > kv::snmp::kMaxBindings)
    return false;
  for (const auto& b : m.bindings) {
    if (b.name.size() > kv::snmp::kMaxOidArcs || b.value.oid.size() > kv::snmp::kMaxOidArcs)
      return false;
    if (b.value.bytes.size() > size) return false;
  }
  return true;
}

}  // namespace

int VerbFuzzSnmp(unsigned long runs, unsigned long seed) {
  GuardedBuffer buffer;
  if (!buffer.ok()) return 1;
  PVOID handler = AddVectoredExceptionHandler(1, ReportFault);
  std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
  unsigned long faults = 0, accepted = 0;
  const ULONGLONG start = GetTickCount64();
  for (g_run = 0; g_run < runs; ++g_run) {
    const Message original = RandomMessage(random);
    std::vector<uint8_t> bytes = kv::snmp::EncodeMessage(original);
    const bool mangled = g_run % 8 != 0;  // one in eight goes through whole
    if (mangled) Mangle(bytes, random);
    Message decoded;
    bool ok = false;
    try {
      ok = kv::snmp::DecodeMessage(buffer.Place(bytes), bytes.size(), decoded);
    } catch (...) {
      printf("fuzz-snmp: run %lu threw\n", g_run);
      ++faults;
      continue;
    }
    bool fault = false;
    if (!mangled && (bytes.empty() || !ok || !SameMessage(original, decoded))) fault = true;
    if (ok) {
      ++accepted;
      if (!WithinBounds(decoded, bytes.size())) fault = true;
      const std::vector<uint8_t> again = kv::snmp::EncodeMessage(decoded);
      Message twice;
      if (!again.empty() && (!kv::snmp::DecodeMessage(again.data(), again.size(), twice) ||
                             !SameMessage(decoded, twice)))
        fault = true;
    }
    if (fault) {
      ++faults;
      if (faults <= 10)
        printf("fuzz-snmp: run %lu: %s\n", g_run,
               ok ? "a decoded message breaks its bounds" : "a whole message refused");
    }
  }
  if (handler) RemoveVectoredExceptionHandler(handler);
  printf("   %lu of them decoded, in %llu ms\n", accepted, GetTickCount64() - start);
  printf("fuzz-snmp: %lu runs, %lu faults\n", runs, faults);
  return faults == 0 ? 0 : 1;
}

}  // namespace hostsim
