#pragma once
// The service on HTTP/1.1: one thread waits in poll() (WSAPoll() on Windows, service/sockets.h)
// on every connection and reads and writes
// them without blocking, a few workers run the requests (VendorService, which may wait for the
// database). A connection costs a slot and its buffers, never a thread, so slow or idle clients
// cannot hold the workers; every request must arrive whole within a deadline, its head within
// a size and line limit, and each client address may hold only so many connections. Beyond the
// connection limit the server stops accepting and new connections wait in the kernel's backlog,
// sized for a flood. GET only.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "service/service_config.h"
#include "service/service_log.h"
#include "service/sockets.h"
#include "service/vendor_service.h"

namespace tavik::service {

// Connections the kernel queues for accept() (it caps this at net.core.somaxconn, 4096 on
// current Linux): a thousand opened at once wait there rather than being refused.
inline constexpr int kListenBacklog = 1024;
// A request's line and its headers together; the request line alone. A result upload of 4096
// bytes percent-encoded fits the line. Beyond either the request is refused (431 / 414).
inline constexpr size_t kMaxRequestHeadBytes = 32 * 1024;
inline constexpr size_t kMaxRequestLineBytes = 16 * 1024;
inline constexpr size_t kMaxHeaderLines = 64;
// GET requests carry no body; one up to this size is read and dropped, a larger one refused.
inline constexpr size_t kMaxRequestBodyBytes = 4096;
// The whole request must have arrived this long after the connection was accepted or its
// previous reply sent (idle keep-alive time included), and a reply must be taken by the client
// within as long; a connection that misses either is closed.
inline constexpr int kRequestDeadlineMs = 5000;
// Requests on one keep-alive connection; the last reply says "Connection: close".
inline constexpr int kMaxRequestsPerConnection = 100;

class HttpServer {
 public:
  HttpServer(VendorService& service, const ServiceConfig& config, Clock& clock, ServiceLog& log);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds the configured address and port (0: a free one) and listens. The port, or -1 when it
  // cannot.
  int bind();
  // Serves until stop(); returns false when it was not bound.
  bool run();
  // From any thread; run() returns once the requests being handled are done.
  void stop();
  // True once run() accepts connections (they are queued by the kernel from bind() on).
  bool running() const;

 private:
  class Loop;
  VendorService& service_;
  const ServiceConfig& config_;
  Clock& clock_;
  ServiceLog& log_;
  SocketHandle listener_ = kNoSocket;
  Waker waker_;  // stop() and finished requests wake the poll
  std::atomic<bool> stopping_{false};
  std::atomic<bool> running_{false};
};

}  // namespace tavik::service
