// A UDP responder of the tests' own that plays an SNMP agent from a table of objects, and
// bends its replies by a rule. It answers on the loopback address only.
#pragma once

#include <winsock2.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "companion/ber.h"

namespace kvtest {

using kv::snmp::Message;

struct Table {
  std::vector<kv::snmp::VarBind> rows;  // in the agent's order
};

inline kv::snmp::Value Int(int64_t n) {
  kv::snmp::Value v;
  v.tag = kv::snmp::kTagInteger;
  v.number = n;
  return v;
}

inline kv::snmp::Value Text(const char* text) {
  kv::snmp::Value v;
  v.tag = kv::snmp::kTagOctetString;
  v.bytes = text;
  return v;
}

inline kv::snmp::Value Object(const char* oid) {
  kv::snmp::Value v;
  v.tag = kv::snmp::kTagObjectId;
  v.oid = kv::snmp::ParseOid(oid);
  return v;
}

// The correct reply to a request.
inline Message Answer(const Table& table, const Message& request) {
  Message reply = request;
  reply.pdu = kv::snmp::kResponse;
  if (request.bindings.size() != 1) return reply;
  const kv::snmp::Oid& asked = request.bindings[0].name;
  const kv::snmp::VarBind* found = nullptr;
  for (const auto& row : table.rows) {
    if (request.pdu == kv::snmp::kGetRequest ? row.name == asked
                                             : kv::snmp::OidLess(asked, row.name)) {
      found = &row;
      break;
    }
  }
  if (found) {
    reply.bindings[0] = *found;
  } else if (request.version == kv::snmp::kVersion1) {
    reply.error_status = kv::snmp::kNoSuchName;
    reply.error_index = 1;
  } else {
    reply.bindings[0].value.tag = kv::snmp::kTagEndOfMibView;
  }
  return reply;
}

enum class Via { kSame, kOtherPort, kOtherAddress, kNone };
struct Datagram {
  std::vector<uint8_t> bytes;
  Via via = Via::kSame;
};
using Rule = std::function<std::vector<Datagram>(const Message& request, const Message& correct)>;

// The printer is at 127.0.0.1, or at 127.0.0.2 (an address the tests' network namespace gives
// the loopback; see build.sh) for a reply from 127.0.0.1 on its port: Wine sends from the
// route's address, never from 127.0.0.2, whatever a socket is bound to.
constexpr uint32_t kSecondLoopback = 0x7F000002;

class Responder {
 public:
  explicit Responder(Rule rule, uint32_t address = INADDR_LOOPBACK, Table table = Table())
      : table(std::move(table)), rule_(std::move(rule)) {
    main_ = Bound(address, 0);
    other_port_ = Bound(address, 0);
    other_address_ = Bound(address == INADDR_LOOPBACK ? kSecondLoopback : INADDR_LOOPBACK, port());
    thread_ = std::thread([this] { Serve(); });
  }
  ~Responder() {
    stop_ = true;
    thread_.join();
    for (SOCKET s : {main_, other_port_, other_address_})
      if (s != INVALID_SOCKET) closesocket(s);
  }
  int port() const {
    sockaddr_in at = {};
    int size = sizeof at;
    getsockname(main_, reinterpret_cast<sockaddr*>(&at), &size);
    return ntohs(at.sin_port);
  }
  bool other_address_bound() const { return other_address_ != INVALID_SOCKET; }
  std::atomic<int> requests{0};
  const Table table;

 private:
  static SOCKET Bound(uint32_t address, int port) {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    // Wine binds a UDP socket of any address but 127.0.0.1 to every address (and takes the
    // interface from it), so the two addresses share their port only when both say so.
    const BOOL share = TRUE;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&share), sizeof share);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(address);
    at.sin_port = htons(static_cast<u_short>(port));
    if (bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
      closesocket(s);
      return INVALID_SOCKET;
    }
    return s;
  }
  void Serve() {
    std::vector<uint8_t> buffer(65536);
    while (!stop_) {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(main_, &readable);
      timeval tick = {0, 20000};
      if (select(0, &readable, nullptr, nullptr, &tick) <= 0) continue;
      sockaddr_in from = {};
      int from_size = sizeof from;
      const int size =
          recvfrom(main_, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()),
                   0, reinterpret_cast<sockaddr*>(&from), &from_size);
      Message request;
      if (size <= 0 || !kv::snmp::DecodeMessage(buffer.data(), static_cast<size_t>(size), request))
        continue;
      ++requests;
      for (const Datagram& d : rule_(request, Answer(table, request))) {
        const SOCKET via = d.via == Via::kSame        ? main_
                           : d.via == Via::kOtherPort ? other_port_
                                                      : other_address_;
        if (d.via == Via::kNone || via == INVALID_SOCKET) continue;
        sendto(via, reinterpret_cast<const char*>(d.bytes.data()), static_cast<int>(d.bytes.size()),
               0, reinterpret_cast<sockaddr*>(&from), from_size);
      }
    }
  }

  Rule rule_;
  SOCKET main_ = INVALID_SOCKET, other_port_ = INVALID_SOCKET, other_address_ = INVALID_SOCKET;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

inline std::vector<Datagram> One(const Message& m, Via via = Via::kSame) {
  return {{kv::snmp::EncodeMessage(m), via}};
}

}  // namespace kvtest
