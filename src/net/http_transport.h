#pragma once
// One HTTP GET, the seam under the vendor requests: libcurl in the program (SystemHttpTransport;
// WinHTTP on Windows);
// an in-process transport (testing/) answers in virtual time for the simulator and for tests.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "core/config.h"

namespace tavik {

struct HttpTimeouts {
  int connectMs = 10'000;  // to set up the connection
  int totalMs = 30'000;    // for the whole exchange, connection included
};

// The timeouts of the installation settings.
HttpTimeouts HttpTimeoutsFrom(const Config& config);

struct HttpResult {
  // The exchange completed: a reply arrived whole (as long as the length it declared), without
  // a transport error and within the limits, whatever its status.
  bool ok = false;
  // The body bytes as received; on failure, what arrived before it.
  std::string body;
  // The reply's status code; 0 when none arrived.
  int status = 0;

  // A reply to act on: complete, with a success status.
  bool complete() const { return ok && status >= 200 && status < 300; }
};

// A body larger than this is cut here and the request fails: no reply the program reads is
// near this size, and a hostile server must not fill the memory.
inline constexpr size_t kMaxHttpBodyBytes = size_t{1} << 20;

class HttpTransport {
 public:
  virtual ~HttpTransport() = default;
  // One GET of an http URL. Safe from several threads at once.
  virtual HttpResult get(const std::string& url, const HttpTimeouts& timeouts) = 0;
  // Shutdown: every request in progress and every later one ends at once with a failure, so
  // that the threads blocked in them can be joined.
  virtual void cancelWaits() = 0;
  // From now on, requests to `host` (any port) connect to the IPv4 address `ipv4` instead of
  // the addresses the name resolves to; the request still names `host`, so the server answers
  // as itself. Replaces an earlier pin of the same host. Safe from any thread. Transports that
  // do not resolve names ignore it.
  virtual void pinHost(const std::string& /*host*/, const std::string& /*ipv4*/) {}
};

// The machine's network through libcurl. Each request runs its own transfer and waits in
// curl_multi_poll on the transfer's sockets and on a cancel event, so cancelWaits() ends every
// wait at once (name lookups included: libcurl resolves on a thread of its own). Redirects are
// followed (up to 5, http and https only); the system's proxy variables apply.
class SystemHttpTransport final : public HttpTransport {
 public:
  SystemHttpTransport();
  ~SystemHttpTransport() override;
  SystemHttpTransport(const SystemHttpTransport&) = delete;
  SystemHttpTransport& operator=(const SystemHttpTransport&) = delete;

  HttpResult get(const std::string& url, const HttpTimeouts& timeouts) override;
  void cancelWaits() override;
  void pinHost(const std::string& host, const std::string& ipv4) override;

 private:
  std::atomic<bool> cancelled_{false};
  // An eventfd, readable once cancelled; on Windows the WinHTTP session with the requests in
  // flight (a pointer). -1 when none could be made.
  intptr_t cancelHandle_;
  std::mutex pinsMutex_;
  std::map<std::string, std::string> pins_;  // host -> IPv4 address
};

// The name the program and the tests have used for the machine's HTTP.
using CurlHttpTransport = SystemHttpTransport;

}  // namespace tavik
