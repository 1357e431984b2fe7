#pragma once
// HTTP answered inside the process, in the caller's Clock: each GET is handed to a responder
// function, and its reply arrives after the delay the responder chose, slept on the Clock. The
// simulator serves the vendor's web service this way, and tests run 30-second timeouts in
// virtual time without a socket.

#include <atomic>
#include <climits>
#include <functional>
#include <optional>
#include <string>

#include "net/http_transport.h"
#include "platform/clock.h"

namespace tavik {

class InProcessHttp final : public HttpTransport {
 public:
  // A delay that never ends: a server that accepts and never answers.
  static constexpr int kNever = INT_MAX;

  struct Reply {
    std::string body;
    int delayMs = 0;  // from the request to the end of the reply
    // False: the connection broke after `body` arrived.
    bool complete = true;
    int status = 200;
  };
  // Called on the requesting thread with the URL; nothing = connection refused (fails at once).
  using Responder = std::function<std::optional<Reply>(const std::string& url)>;

  InProcessHttp(Clock& clock, Responder responder)
      : clock_(clock), responder_(std::move(responder)) {}

  // A reply later than the total timeout costs the timeout and fails with no body.
  HttpResult get(const std::string& url, const HttpTimeouts& timeouts) override;
  // Later requests fail at once; a wait in progress is a sleep on the clock, which the clock's
  // own interruption ends.
  void cancelWaits() override { cancelled_ = true; }

  // Requests made so far.
  int requests() const { return requests_.load(); }

 private:
  Clock& clock_;
  Responder responder_;
  std::atomic<bool> cancelled_{false};
  std::atomic<int> requests_{0};
};

}  // namespace tavik
