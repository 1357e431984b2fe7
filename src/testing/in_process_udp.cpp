#include "testing/in_process_udp.h"

#include <algorithm>
#include <cstring>

namespace tavik {

class InProcessUdp::Socket final : public UdpSocket {
 public:
  explicit Socket(InProcessUdp& owner) : owner_(owner) { ++owner_.openSockets_; }
  ~Socket() override { --owner_.openSockets_; }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool connect(const Ipv4Endpoint& peer) override {
    peer_ = peer;
    return true;
  }

  int send(const uint8_t* data, size_t length) override {
    if (!peer_) return -1;
    return sendTo(*peer_, data, length);
  }

  int sendTo(const Ipv4Endpoint& to, const uint8_t* data, size_t length) override {
    pending_ = owner_.responder_(to, std::vector<uint8_t>(data, data + length));
    pendingFrom_ = to;
    return int(length);
  }

  // A reply comes from the endpoint its request went to.
  int receiveFrom(uint8_t* buffer, size_t capacity, int timeoutMs, Ipv4Endpoint& from) override {
    const Ipv4Endpoint sender = pendingFrom_;
    const int length = receive(buffer, capacity, timeoutMs);
    if (length >= 0) from = sender;
    return length;
  }

  int receive(uint8_t* buffer, size_t capacity, int timeoutMs) override {
    if (!pending_ || pending_->delayMs > timeoutMs) {
      pending_.reset();
      owner_.clock_.sleepMs(timeoutMs);
      return -1;
    }
    const Reply reply = std::move(*pending_);
    pending_.reset();
    owner_.clock_.sleepMs(reply.delayMs);
    std::memcpy(buffer, reply.bytes.data(), std::min(capacity, reply.bytes.size()));
    return int(reply.bytes.size());
  }

 private:
  InProcessUdp& owner_;
  std::optional<Ipv4Endpoint> peer_;
  std::optional<Reply> pending_;
  Ipv4Endpoint pendingFrom_;
};

std::unique_ptr<UdpSocket> InProcessUdp::open() {
  if (openFails_) return nullptr;
  return std::make_unique<Socket>(*this);
}

std::optional<uint32_t> InProcessUdp::resolve(const std::string& host) {
  const auto it = hosts_.find(host);
  if (it == hosts_.end()) return std::nullopt;
  return it->second;
}

}  // namespace tavik
