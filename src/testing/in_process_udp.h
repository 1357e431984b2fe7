#pragma once
// A UDP transport answered inside the process, in the caller's Clock: each datagram sent is
// handed to a responder function, and its reply (or silence) arrives after the delay the
// responder chose, waited on the Clock. The simulator serves network time this way, and tests
// of the sync cycle run its 2000 ms timeouts and 1000 ms pauses in virtual time.

#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "net/udp_transport.h"
#include "platform/clock.h"

namespace tavik {

class InProcessUdp final : public UdpTransport {
 public:
  struct Reply {
    std::vector<uint8_t> bytes;
    int delayMs = 0;  // from the send to the reply's arrival
  };
  // Called on the sending thread with the destination and the datagram; nothing = no answer.
  using Responder =
      std::function<std::optional<Reply>(const Ipv4Endpoint& to, const std::vector<uint8_t>& data)>;

  InProcessUdp(Clock& clock, Responder responder)
      : clock_(clock), responder_(std::move(responder)) {}

  std::unique_ptr<UdpSocket> open() override;
  std::optional<uint32_t> resolve(const std::string& host) override;
  // Waits are sleeps on the clock, which the clock's own interruption ends.
  void cancelWaits() override {}

  // Host names that resolve() knows.
  void addHost(const std::string& name, uint32_t address) { hosts_[name] = address; }
  // When set, open() fails as a platform without sockets would.
  void setOpenFails(bool fails) { openFails_ = fails; }
  // Sockets opened and not yet closed.
  int openSockets() const { return openSockets_.load(); }

 private:
  class Socket;
  Clock& clock_;
  Responder responder_;
  std::map<std::string, uint32_t> hosts_;
  bool openFails_ = false;
  std::atomic<int> openSockets_{0};
};

}  // namespace tavik
