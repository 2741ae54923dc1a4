// GET and GETNEXT requests to one agent over UDP, within a time budget shared by every
// request of an update. A reply counts only when it comes from the agent's own address and
// port, fits the receive buffer, decodes, and answers this request: a Response with its
// request id, its community, a version that was sent, and the one binding asked for. Anything
// else is dropped and the wait goes on.
#pragma once

#include <winsock2.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "companion/ber.h"
#include "platform/deadline.h"

namespace kv::snmp {

// The update's budget, shared with the name lookup that finds the printer.
using kv::Deadline;

enum class Reply {
  kAnswer,   // the binding holds the agent's object
  kMissing,  // there is no such object, or no next one: version 1's noSuchName error status,
             // or version 2c's noSuchObject, noSuchInstance or endOfMibView in the binding
  kError,    // any other error status (genErr, tooBig, authorizationError, ...)
  kSilent,   // no acceptable reply within the budget
};

// The rows of one table column, as a GETNEXT walk finds them. Only kMissing or a name past
// the column ends a walk: an error status part way through says nothing about where the table
// ends, and fails the walk rather than cutting the table short.
enum class Walked {
  kRows,       // one or more rows
  kNotServed,  // the agent answers, but has nothing in the column
  kFailed,     // no answer, an error status, an agent that does not move forward, or more rows
               // than allowed
};

class MibSource {
 public:
  virtual ~MibSource() = default;
  // `rows` gets the column's rows in the agent's order, each named below `column`.
  virtual Walked Walk(const Oid& column, size_t max_rows, std::vector<VarBind>& rows) = 0;
};

// Larger datagrams are refused (Winsock reports WSAEMSGSIZE for them).
constexpr size_t kReceiveBuffer = 2048;
// The first wait for a reply; each retry waits twice as long, up to kLongestWait.
constexpr DWORD kFirstWait = 250;
constexpr DWORD kLongestWait = 1000;
// How often a wait asks whether the agent's host said its port is closed.
constexpr DWORD kRefusalCheck = 20;

class Client final : public MibSource {
 public:
  // `target` is an IPv4 address and port. The version is found by the first request that is
  // answered: its tries go out as 2c and 1 in turn, and the agent's reply fixes the version
  // for the rest of the update.
  Client(const sockaddr_in& target, std::string community, const Deadline& deadline);
  ~Client() override;
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  [[nodiscard]] bool Open();
  // Waits no longer than `wait_ms` from now for the agent's first reply; once it has replied,
  // the requests have the whole budget. (A printer that answered IPP at once and keeps silent
  // over SNMP has SNMP switched off, or dropped by a firewall.)
  void LimitFirstReply(DWORD wait_ms);
  // The agent's host told that nothing listens on the port (an ICMP port unreachable, which
  // Winsock reports as WSAECONNRESET): SNMP is switched off there, and nothing more is sent.
  [[nodiscard]] bool refused() const { return refused_; }
  Reply Get(const Oid& name, VarBind& result);
  Reply GetNext(const Oid& name, VarBind& result);
  Walked Walk(const Oid& column, size_t max_rows, std::vector<VarBind>& rows) override;

  // 0 until an agent has answered; then kVersion1 + 1 or kVersion2c + 1.
  [[nodiscard]] int answered_version() const { return known_ ? version_ + 1 : 0; }
  [[nodiscard]] unsigned requests_sent() const { return sent_; }

 private:
  Reply Exchange(uint8_t pdu, const Oid& name, VarBind& result);
  // What is left of the time the next reply may be awaited.
  [[nodiscard]] DWORD Remaining() const;
  // The socket holds a "port unreachable" from the agent's host.
  [[nodiscard]] bool HeardRefusal() const;
  // Waits up to `wait` ms for the reply to `request_id`; kSilent when none came.
  Reply Await(int32_t request_id, unsigned versions, DWORD wait, VarBind& result);

  sockaddr_in target_;
  std::string community_;
  const Deadline& deadline_;
  SOCKET socket_ = INVALID_SOCKET;
  int32_t next_id_;
  bool known_ = false;
  bool refused_ = false;
  ULONGLONG first_reply_by_ = 0;  // 0: no limit but the budget
  int32_t version_ = kVersion2c;
  unsigned sent_ = 0;
  std::vector<uint8_t> buffer_;
};

}  // namespace kv::snmp
