#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h.
#include <mswsock.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "net/lookup_or_abandon.h"
#include "net/udp_transport.h"

namespace tavik {
namespace {

// Winsock is counted: every transport holds one start-up for as long as it lives.
struct WinsockSession {
  bool ok;
  WinsockSession() {
    WSADATA data;
    ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (ok) WSACleanup();
  }
};

sockaddr_in toSockaddr(const Ipv4Endpoint& endpoint) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(endpoint.port);
  sa.sin_addr.s_addr = htonl(endpoint.address);
  return sa;
}

class WinsockUdpSocket final : public UdpSocket {
 public:
  WinsockUdpSocket(SOCKET s, SOCKET cancel) : s_(s), cancel_(cancel) {}
  ~WinsockUdpSocket() override { closesocket(s_); }
  WinsockUdpSocket(const WinsockUdpSocket&) = delete;
  WinsockUdpSocket& operator=(const WinsockUdpSocket&) = delete;

  bool connect(const Ipv4Endpoint& peer) override {
    const sockaddr_in sa = toSockaddr(peer);
    return ::connect(s_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
  }

  int send(const uint8_t* data, size_t length) override {
    const int n = ::send(s_, reinterpret_cast<const char*>(data), int(length), 0);
    return n < 0 ? -1 : n;
  }

  int sendTo(const Ipv4Endpoint& to, const uint8_t* data, size_t length) override {
    const sockaddr_in sa = toSockaddr(to);
    const int n = ::sendto(s_, reinterpret_cast<const char*>(data), int(length), 0,
                           reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    return n < 0 ? -1 : n;
  }

  int receive(uint8_t* buffer, size_t capacity, int timeoutMs) override {
    if (!readable(timeoutMs)) return -1;
    return receiveOne(buffer, capacity, nullptr);
  }

  bool bind(uint16_t port) override {
    const sockaddr_in sa = toSockaddr(Ipv4Endpoint{INADDR_ANY, port});
    return ::bind(s_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
  }

  uint16_t localPort() override {
    sockaddr_in sa{};
    int length = sizeof sa;
    if (::getsockname(s_, reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
    return ntohs(sa.sin_port);
  }

  bool setSendBuffer(int bytes) override {
    return ::setsockopt(s_, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes),
                        sizeof bytes) == 0;
  }

  int receiveFrom(uint8_t* buffer, size_t capacity, int timeoutMs, Ipv4Endpoint& from) override {
    if (!readable(timeoutMs)) return -1;
    sockaddr_in sa{};
    const int n = receiveOne(buffer, capacity, &sa);
    if (n >= 0) from = Ipv4Endpoint{ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
    return n;
  }

 private:
  // Waits until a datagram is there; false on timeout, error or cancellation.
  bool readable(int timeoutMs) const {
    using Steady = std::chrono::steady_clock;
    const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
      WSAPOLLFD fds[2] = {{s_, POLLRDNORM, 0}, {cancel_, POLLRDNORM, 0}};
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
      const int n = WSAPoll(fds, 2, int(left < 0 ? 0 : left));
      if (n < 0 && WSAGetLastError() == WSAEINTR) continue;
      if (n <= 0 || (fds[1].revents & POLLRDNORM)) return false;
      return (fds[0].revents & (POLLRDNORM | POLLERR)) != 0;
    }
  }

  // One waiting datagram, its sender into `from` when asked. Winsock fails a datagram longer
  // than the buffer with WSAEMSGSIZE (after filling the buffer): reported as too long, as on
  // POSIX.
  int receiveOne(uint8_t* buffer, size_t capacity, sockaddr_in* from) {
    int fromLength = from ? int(sizeof *from) : 0;
    const int n = ::recvfrom(s_, reinterpret_cast<char*>(buffer), int(capacity), 0,
                             reinterpret_cast<sockaddr*>(from), from ? &fromLength : nullptr);
    if (n < 0) return WSAGetLastError() == WSAEMSGSIZE ? int(capacity) + 1 : -1;
    if (from && (fromLength != sizeof *from || from->sin_family != AF_INET)) return -1;
    return n;
  }

  SOCKET s_;
  SOCKET cancel_;
};

// A loopback socket that the cancellation makes readable for good: it sends itself one
// datagram, which nobody ever reads.
SOCKET OpenCancelSocket() {
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return s;
  const sockaddr_in sa = toSockaddr(Ipv4Endpoint{INADDR_LOOPBACK, 0});
  if (::bind(s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

std::optional<uint32_t> lookupIpv4(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
    return std::nullopt;
  const auto* sa = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const uint32_t address = ntohl(sa->sin_addr.s_addr);
  ::freeaddrinfo(found);
  return address;
}

}  // namespace

// The cancel flag that lookups wait on; shared with lookup threads that may outlive a wait,
// which also keep Winsock started until they end.
struct SystemUdpTransport::Lookup {
  std::mutex mutex;
  std::condition_variable done;
  bool cancelled = false;
  WinsockSession winsock;
};

SystemUdpTransport::SystemUdpTransport() : cancelled_(std::make_shared<Lookup>()) {
  const SOCKET s = cancelled_->winsock.ok ? OpenCancelSocket() : INVALID_SOCKET;
  cancelHandle_ = s == INVALID_SOCKET ? -1 : intptr_t(s);
}

SystemUdpTransport::~SystemUdpTransport() {
  cancelWaits();
  if (cancelHandle_ >= 0) closesocket(SOCKET(cancelHandle_));
}

void SystemUdpTransport::cancelWaits() {
  {
    std::lock_guard lock(cancelled_->mutex);
    cancelled_->cancelled = true;
  }
  cancelled_->done.notify_all();
  if (cancelHandle_ >= 0) {
    const SOCKET s = SOCKET(cancelHandle_);
    sockaddr_in self{};
    int length = sizeof self;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&self), &length) == 0)
      ::sendto(s, "x", 1, 0, reinterpret_cast<const sockaddr*>(&self), length);
  }
}

std::unique_ptr<UdpSocket> SystemUdpTransport::open() {
  if (cancelHandle_ < 0) return nullptr;
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return nullptr;
  // Without this, an ICMP "port unreachable" for an earlier send fails the next receive with
  // WSAECONNRESET instead of leaving it waiting, as a POSIX unconnected socket does.
  BOOL off = FALSE;
  DWORD ignored = 0;
  WSAIoctl(s, SIO_UDP_CONNRESET, &off, sizeof off, nullptr, 0, &ignored, nullptr, nullptr);
  return std::make_unique<WinsockUdpSocket>(s, SOCKET(cancelHandle_));
}

std::optional<uint32_t> SystemUdpTransport::resolve(const std::string& host) {
  if (host.empty()) return std::nullopt;
  if (auto address = ParseIpv4(host)) return address;
  return LookupOrAbandon(cancelled_, host, lookupIpv4, kResolveTimeoutMs);
}

}  // namespace tavik
