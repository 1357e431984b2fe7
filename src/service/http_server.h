#pragma once
// The service on HTTP: cpp-httplib on the configured address (127.0.0.1 by default), GET only,
// every request handed to VendorService. A flood is answered or refused, never queued without
// bound: a fixed number of workers, a bounded queue of accepted connections, short read and write
// timeouts, a cap on requests per connection and on request bodies.

#include <memory>
#include <string>

#include "service/service_config.h"
#include "service/vendor_service.h"

namespace httplib {
class Server;
}

namespace tavik::service {

class HttpServer {
 public:
  HttpServer(VendorService& service, const ServiceConfig& config);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds the configured address and port (0: a free one). The port, or -1 when it cannot.
  int bind();
  // Serves until stop(); returns false when it could not listen.
  bool run();
  // From any thread; run() returns once the requests in progress are done.
  void stop();
  // True once run() accepts connections (they are queued by the kernel from bind() on).
  bool running() const;

 private:
  std::unique_ptr<httplib::Server> server_;
  std::string address_;
  int port_;
};

}  // namespace tavik::service
