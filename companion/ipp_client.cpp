#include "companion/ipp_client.h"

#include <winhttp.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/bounded_work.h"
#include "platform/firewall.h"
#include "platform/handles.h"
#include "platform/system_library.h"

namespace kv::ipp {
namespace {

// The system's HTTP client, loaded the first time a printer is asked rather than imported: most
// updates are answered from memory, and this library is loaded and freed for every update.
// Once loaded it stays for the life of the process. Its own threads (a name lookup it gave up
// on at its timeout) may still be running when a request has ended, and freeing it would pull
// their code from under them; it is a system library that a process keeps once it has used it.
class WinHttp {
 public:
  // Systems without LOAD_LIBRARY_SEARCH_SYSTEM32 (Windows 7 without its update) refuse the
  // flag: the library is then loaded by its full path, never by its bare name.
  WinHttp() : module_(LoadLibraryExW(L"winhttp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    wchar_t path[MAX_PATH];
    if (!module_ && SystemLibraryPath(L"winhttp.dll", path)) module_.reset(LoadLibraryW(path));
    HMODULE pinned = nullptr;
    ok_ = module_ && GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, L"winhttp.dll", &pinned) &&
          Find(open, "WinHttpOpen") && Find(connect, "WinHttpConnect") &&
          Find(open_request, "WinHttpOpenRequest") && Find(set_timeouts, "WinHttpSetTimeouts") &&
          Find(send_request, "WinHttpSendRequest") &&
          Find(receive_response, "WinHttpReceiveResponse") &&
          Find(query_headers, "WinHttpQueryHeaders") && Find(read_data, "WinHttpReadData") &&
          Find(close_handle, "WinHttpCloseHandle");
  }
  [[nodiscard]] bool ok() const { return ok_; }

  decltype(&WinHttpOpen) open = nullptr;
  decltype(&WinHttpConnect) connect = nullptr;
  decltype(&WinHttpOpenRequest) open_request = nullptr;
  decltype(&WinHttpSetTimeouts) set_timeouts = nullptr;
  decltype(&WinHttpSendRequest) send_request = nullptr;
  decltype(&WinHttpReceiveResponse) receive_response = nullptr;
  decltype(&WinHttpQueryHeaders) query_headers = nullptr;
  decltype(&WinHttpReadData) read_data = nullptr;
  decltype(&WinHttpCloseHandle) close_handle = nullptr;

 private:
  template <class Function>
  bool Find(Function& function, const char* name) {
    function =
        reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
    return function != nullptr;
  }

  unique_hmodule module_;
  bool ok_ = false;
};

// A WinHTTP handle's owner, closing it through the loaded library.
struct HttpCloser {
  decltype(&WinHttpCloseHandle) close;
  void operator()(HINTERNET handle) const noexcept { close(handle); }
};
using unique_hinternet = std::unique_ptr<void, HttpCloser>;

unique_hinternet Handle(const WinHttp& http, HINTERNET handle) {
  return unique_hinternet(handle, HttpCloser{http.close_handle});
}

enum class Posted {
  kBody,       // an HTTP 200 with its body
  kRefused,    // no connection to the printer
  kOtherPath,  // the printer's server answers, but not at this path (or not with IPP)
  kFailed,     // the connection broke, the body was too long, or time ran out
};

// Every WinHTTP wait is cut to what is left of the budget.
bool LimitWaits(const WinHttp& http, HINTERNET handle, const Deadline& deadline) {
  const int left = static_cast<int>(deadline.Remaining());
  return left > 0 && http.set_timeouts(handle, left, left, left, left);
}

Posted Post(const WinHttp& http, HINTERNET session, const std::wstring& address, uint16_t port,
            const std::wstring& path, const std::vector<uint8_t>& request, const Deadline& deadline,
            std::vector<uint8_t>& body) {
  body.clear();
  const unique_hinternet connection = Handle(http, http.connect(session, address.c_str(), port, 0));
  if (!connection) return Posted::kRefused;
  const unique_hinternet call =
      Handle(http, http.open_request(connection.get(), L"POST", path.c_str(), nullptr,
                                     WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
  if (!call || !LimitWaits(http, call.get(), deadline)) return Posted::kFailed;
  static const wchar_t kContentType[] = L"Content-Type: application/ipp\r\n";
  if (!http.send_request(call.get(), kContentType, static_cast<DWORD>(-1L),
                         const_cast<uint8_t*>(request.data()), static_cast<DWORD>(request.size()),
                         static_cast<DWORD>(request.size()), 0)) {
    return GetLastError() == ERROR_WINHTTP_CANNOT_CONNECT ? Posted::kRefused : Posted::kFailed;
  }
  if (!http.receive_response(call.get(), nullptr)) return Posted::kFailed;
  DWORD status = 0, size = sizeof status;
  if (!http.query_headers(call.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                          WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
    return Posted::kFailed;
  if (status != HTTP_STATUS_OK) return Posted::kOtherPath;
  uint8_t chunk[4096];
  for (;;) {
    if (deadline.Passed()) return Posted::kFailed;
    DWORD read = 0;
    if (!http.read_data(call.get(), chunk, sizeof chunk, &read)) return Posted::kFailed;
    if (read == 0) return Posted::kBody;
    if (body.size() + read > kMaxBody) return Posted::kFailed;
    body.insert(body.end(), chunk, chunk + read);
  }
}

// Request ids differ between updates, so that nothing stale is taken for this answer.
int32_t FirstRequestId() {
  const ULONGLONG mixed =
      GetTickCount64() * 2654435761u ^ (GetCurrentProcessId() << 12) ^ (GetCurrentThreadId() << 4);
  return static_cast<int32_t>((mixed & 0x3FFFFFFF) | 1);
}

// The whole exchange, on the work's own thread.
class Asking final : public BoundedWork {
 public:
  Asking(std::wstring address, Settings settings, std::vector<std::string> attributes,
         const Deadline& deadline)
      : address_(std::move(address)),
        settings_(std::move(settings)),
        attributes_(std::move(attributes)),
        deadline_(deadline) {}

  void Run() noexcept override {
    exchange_ = Firewall<Exchange>("the IPP exchange's thread", Exchange(), Exchange(),
                                   [&] { return Ask(); });
  }
  // Read only once the work has ended.
  [[nodiscard]] const Exchange& exchange() const { return exchange_; }

 private:
  Exchange Ask() {
    Exchange exchange;
    const WinHttp http;
    if (!http.ok()) return exchange;
    const unique_hinternet session =
        Handle(http, http.open(L"kvpsuN", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session || !LimitWaits(http, session.get(), deadline_)) return exchange;
    std::vector<std::wstring> paths = {settings_.path};
    if (settings_.path.empty()) paths = {L"/ipp/print", L"/ipp"};
    int32_t request_id = FirstRequestId();
    std::vector<uint8_t> body;
    for (const std::wstring& path : paths) {
      const std::string uri =
          "ipp://" + Narrow(address_) + ":" + std::to_string(settings_.port) + Narrow(path);
      for (const uint8_t major : {2, 1}) {
        const uint8_t minor = major == 2 ? 0 : 1;
        const int32_t id = request_id++;
        const std::vector<uint8_t> request =
            EncodeGetPrinterAttributes(major, minor, id, uri, attributes_);
        if (request.empty()) return exchange;  // a path too long for a URI
        ++exchange.requests;
        const ULONGLONG sent = GetTickCount64();
        const Posted posted =
            Post(http, session.get(), address_, settings_.port, path, request, deadline_, body);
        exchange.longest_ms =
            std::max(exchange.longest_ms, static_cast<DWORD>(GetTickCount64() - sent));
        if (deadline_.Passed()) {
          exchange.reached = Reached::kSilent;
          return exchange;
        }
        if (posted == Posted::kRefused) return exchange;
        if (posted == Posted::kOtherPath) break;
        Response response;
        if (posted != Posted::kBody ||
            !DecodeResponse(body.data(), body.size(), response, &attributes_) ||
            !Acceptable(response, id))
          continue;
        exchange.reached = Reached::kAnswered;
        exchange.response = std::move(response);
        return exchange;
      }
    }
    return exchange;
  }

  // Addresses and paths are ASCII; anything else cannot be in a URI as it stands.
  static std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) narrow += c > 0x20 && c < 0x7F ? static_cast<char>(c) : '_';
    return narrow;
  }

  const std::wstring address_;
  const Settings settings_;
  const std::vector<std::string> attributes_;
  const Deadline deadline_;
  Exchange exchange_;
};

}  // namespace

Exchange AskPrinter(const std::wstring& address, const Settings& settings,
                    const std::vector<std::string>& attributes, const Deadline& deadline) {
  if (!settings.enabled) return Exchange();
  auto asking = std::make_shared<Asking>(address, settings, attributes, deadline);
  if (RunBounded(asking, deadline.Remaining())) return asking->exchange();
  Exchange silent;
  silent.reached = Reached::kSilent;
  return silent;
}

}  // namespace kv::ipp
