#include "companion/snmp_client.h"

#include <algorithm>

namespace kv::snmp {
namespace {

// Request ids differ between updates and processes, so that a late reply to an earlier
// update is not taken for this one's.
int32_t FirstRequestId() {
  const ULONGLONG mixed = GetTickCount64() * 2654435761u ^ (GetCurrentProcessId() << 16) ^
                          reinterpret_cast<uintptr_t>(&mixed);
  return static_cast<int32_t>((mixed & 0x3FFFFFFF) | 1);
}

bool SameEndpoint(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_family == b.sin_family && a.sin_port == b.sin_port &&
         a.sin_addr.s_addr == b.sin_addr.s_addr;
}

}  // namespace

Client::Client(const sockaddr_in& target, std::string community, const Deadline& deadline)
    : target_(target),
      community_(std::move(community)),
      deadline_(deadline),
      next_id_(FirstRequestId()),
      buffer_(kReceiveBuffer) {}

Client::~Client() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool Client::Open() {
  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  // Connected to the agent, the socket takes datagrams from it alone, and hears of a "port
  // unreachable" its host sends back (the system tells unconnected sockets nothing of it).
  return socket_ != INVALID_SOCKET &&
         connect(socket_, reinterpret_cast<const sockaddr*>(&target_), sizeof target_) == 0;
}

void Client::LimitFirstReply(DWORD wait_ms) { first_reply_by_ = GetTickCount64() + wait_ms; }

DWORD Client::Remaining() const {
  const DWORD left = deadline_.Remaining();
  if (known_ || first_reply_by_ == 0) return left;
  const ULONGLONG now = GetTickCount64();
  return now >= first_reply_by_ ? 0
                                : std::min<DWORD>(left, static_cast<DWORD>(first_reply_by_ - now));
}

bool Client::HeardRefusal() const {
  int error = 0;
  int size = sizeof error;
  return getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 &&
         (error == WSAECONNRESET || error == WSAECONNREFUSED);
}

Reply Client::Get(const Oid& name, VarBind& result) { return Exchange(kGetRequest, name, result); }

Reply Client::GetNext(const Oid& name, VarBind& result) {
  return Exchange(kGetNextRequest, name, result);
}

Reply Client::Exchange(uint8_t pdu, const Oid& name, VarBind& result) {
  if (socket_ == INVALID_SOCKET || refused_) return Reply::kSilent;
  // One id for every try of this request: a slow reply to an earlier try still counts.
  const int32_t request_id = next_id_;
  next_id_ = (next_id_ & 0x3FFFFFFF) + 1;
  unsigned versions = 0;  // bit 0: version 1 sent; bit 1: version 2c sent
  DWORD wait = kFirstWait;
  for (unsigned attempt = 0; Remaining() > 0 && !refused_; ++attempt) {
    const int32_t version = known_ ? version_ : (attempt % 2 == 0 ? kVersion2c : kVersion1);
    const std::vector<uint8_t> packet = EncodeRequest(version, community_, pdu, request_id, {name});
    if (packet.empty()) return Reply::kSilent;
    if (send(socket_, reinterpret_cast<const char*>(packet.data()), static_cast<int>(packet.size()),
             0) == SOCKET_ERROR) {
      // The "port unreachable" of an earlier try may come back here rather than at a receive.
      const int error = WSAGetLastError();
      refused_ = !known_ && (error == WSAECONNRESET || error == WSAECONNREFUSED);
      return Reply::kSilent;
    }
    ++sent_;
    versions |= 1u << version;
    const Reply reply = Await(request_id, versions, std::min(wait, Remaining()), result);
    if (reply != Reply::kSilent) return reply;
    // Until the version is known, both versions get the first, short wait once.
    if (known_ || attempt % 2 == 1) wait = std::min<DWORD>(wait * 2, kLongestWait);
  }
  return Reply::kSilent;
}

Reply Client::Await(int32_t request_id, unsigned versions, DWORD wait, VarBind& result) {
  const Deadline until(wait);
  for (DWORD left = until.Remaining(); left > 0; left = until.Remaining()) {
    // Wine's select does not wake for a "port unreachable", which it keeps as the socket's
    // pending error: the wait is cut in slices, and the error asked for after each.
    if (!known_ && HeardRefusal()) {
      refused_ = true;
      return Reply::kSilent;
    }
    left = std::min(left, kRefusalCheck);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval timeout = {static_cast<long>(left / 1000), static_cast<long>(left % 1000) * 1000};
    const int ready = select(0, &readable, nullptr, nullptr, &timeout);
    if (ready == SOCKET_ERROR) return Reply::kSilent;
    if (ready == 0) continue;
    sockaddr_in from = {};
    int from_size = sizeof from;
    // A datagram larger than the buffer fails with WSAEMSGSIZE and is dropped. Only the
    // agent's host is sent to, so a "port unreachable" (WSAECONNRESET) is its word.
    const int size =
        recvfrom(socket_, reinterpret_cast<char*>(buffer_.data()), static_cast<int>(buffer_.size()),
                 0, reinterpret_cast<sockaddr*>(&from), &from_size);
    const int error = size == SOCKET_ERROR ? WSAGetLastError() : 0;
    if ((error == WSAECONNRESET || error == WSAECONNREFUSED) && !known_) {
      refused_ = true;
      return Reply::kSilent;
    }
    if (size == SOCKET_ERROR || size <= 0) continue;
    if (from_size != sizeof from || !SameEndpoint(from, target_)) continue;
    Message message;
    if (!DecodeMessage(buffer_.data(), static_cast<size_t>(size), message)) continue;
    if (message.pdu != kResponse || message.request_id != request_id ||
        message.community != community_ || !(versions & (1u << message.version)) ||
        message.bindings.size() != 1)
      continue;
    known_ = true;
    version_ = message.version;
    // Version 1 answers noSuchName to a GETNEXT past its last object; version 2c has
    // endOfMibView for that, and no error status means the end.
    if (message.error_status == kNoSuchName && message.version == kVersion1) return Reply::kMissing;
    if (message.error_status != kNoError) return Reply::kError;
    const uint8_t tag = message.bindings[0].value.tag;
    if (tag == kTagNoSuchObject || tag == kTagNoSuchInstance || tag == kTagEndOfMibView)
      return Reply::kMissing;
    result = std::move(message.bindings[0]);
    return Reply::kAnswer;
  }
  return Reply::kSilent;
}

Walked Client::Walk(const Oid& column, size_t max_rows, std::vector<VarBind>& rows) {
  rows.clear();
  Oid at = column;
  for (;;) {
    VarBind next;
    const Reply reply = GetNext(at, next);
    if (reply == Reply::kSilent || reply == Reply::kError) return Walked::kFailed;
    if (reply == Reply::kMissing || !IsBelow(next.name, column))
      return rows.empty() ? Walked::kNotServed : Walked::kRows;
    // An agent that answers with the same or an earlier name would be walked for ever.
    if (!OidLess(at, next.name)) return Walked::kFailed;
    if (rows.size() == max_rows) return Walked::kFailed;
    at = next.name;
    rows.push_back(std::move(next));
  }
}

}  // namespace kv::snmp
