// IPP responses written by hand, and an HTTP server of the tests' own on the loopback address
// that answers each request by a rule.
#pragma once

#include <winsock2.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kvtest {

// IPP responses written by hand (big-endian lengths, as on the wire).

struct IppAttribute {
  uint8_t tag;
  std::string name;
  std::vector<std::string> values;  // raw value bytes, one per value
};

inline std::string Be16(size_t n) {
  return {static_cast<char>(n >> 8), static_cast<char>(n & 0xFF)};
}
inline std::string Be32(uint32_t n) {
  return {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
          static_cast<char>(n)};
}
inline std::string Enum(uint32_t n) { return Be32(n); }

inline std::string IppResponse(int32_t request_id, uint16_t status,
                               const std::vector<IppAttribute>& printer, uint8_t major = 2) {
  std::string body = {static_cast<char>(major), 0};
  body += Be16(status) + Be32(static_cast<uint32_t>(request_id));
  body += '\x01';
  body += std::string("\x47") + Be16(18) + "attributes-charset" + Be16(5) + "utf-8";
  body += std::string("\x48") + Be16(27) + "attributes-natural-language" + Be16(2) + "en";
  body += '\x04';
  for (const IppAttribute& attribute : printer) {
    for (size_t i = 0; i < attribute.values.size(); ++i) {
      const std::string name = i == 0 ? attribute.name : "";
      body += static_cast<char>(attribute.tag) + Be16(name.size()) + name +
              Be16(attribute.values[i].size()) + attribute.values[i];
    }
  }
  body += '\x03';
  return body;
}

struct HttpRequest {
  std::string path;
  std::string body;
  int32_t request_id() const {
    if (body.size() < 8) return -1;
    return static_cast<int32_t>(static_cast<uint8_t>(body[4]) << 24 |
                                static_cast<uint8_t>(body[5]) << 16 |
                                static_cast<uint8_t>(body[6]) << 8 | static_cast<uint8_t>(body[7]));
  }
  int major() const { return body.empty() ? 0 : body[0]; }
};

// What the responder sends back: the bytes, and how fast.
struct HttpReply {
  std::string bytes;
  bool trickle = false;  // one byte a second
};
using IppRule = std::function<HttpReply(const HttpRequest&)>;

inline HttpReply Ok(const std::string& body) {
  return {"HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: " +
          std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body};
}

// An HTTP server on the loopback address, one connection at a time.
class IppResponder {
 public:
  explicit IppResponder(IppRule rule) : rule_(std::move(rule)) {
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at);
    listen(listener_, 8);
    int size = sizeof at;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &size);
    port_ = ntohs(at.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~IppResponder() {
    stop_ = true;
    thread_.join();
    closesocket(listener_);
  }
  int port() const { return port_; }
  std::atomic<int> requests{0};

 private:
  bool Readable(SOCKET s) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval tick = {0, 20000};
    return select(0, &readable, nullptr, nullptr, &tick) > 0;
  }
  bool ReadRequest(SOCKET s, HttpRequest& request) {
    std::string data;
    char buffer[4096];
    size_t header_end = std::string::npos, length = 0;
    for (int idle = 0; !stop_ && idle < 100;) {
      if (!Readable(s)) {
        ++idle;
        continue;
      }
      const int got = recv(s, buffer, sizeof buffer, 0);
      if (got <= 0) return false;
      data.append(buffer, got);
      if (header_end == std::string::npos &&
          (header_end = data.find("\r\n\r\n")) != std::string::npos) {
        const size_t at = data.find("Content-Length:");
        length = at < header_end ? strtoul(data.c_str() + at + 15, nullptr, 10) : 0;
        const size_t first_space = data.find(' ');
        request.path =
            data.substr(first_space + 1, data.find(' ', first_space + 1) - first_space - 1);
      }
      if (header_end != std::string::npos && data.size() >= header_end + 4 + length) {
        request.body = data.substr(header_end + 4, length);
        return true;
      }
    }
    return false;
  }
  void Serve() {
    while (!stop_) {
      if (!Readable(listener_)) continue;
      SOCKET s = accept(listener_, nullptr, nullptr);
      if (s == INVALID_SOCKET) continue;
      HttpRequest request;
      if (ReadRequest(s, request)) {
        ++requests;
        const HttpReply reply = rule_(request);
        if (reply.trickle) {
          for (size_t i = 0; i < reply.bytes.size() && !stop_; ++i) {
            if (send(s, &reply.bytes[i], 1, 0) != 1) break;
            for (int wait = 0; wait < 50 && !stop_; ++wait) Sleep(20);
          }
        } else {
          send(s, reply.bytes.data(), static_cast<int>(reply.bytes.size()), 0);
        }
      }
      shutdown(s, SD_SEND);
      closesocket(s);
    }
  }

  IppRule rule_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kvtest
