#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "net/lookup_or_abandon.h"
#include "net/udp_transport.h"

namespace tavik {
namespace {

sockaddr_in toSockaddr(const Ipv4Endpoint& endpoint) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(endpoint.port);
  sa.sin_addr.s_addr = htonl(endpoint.address);
  return sa;
}

class PosixUdpSocket final : public UdpSocket {
 public:
  PosixUdpSocket(int fd, int cancelFd) : fd_(fd), cancelFd_(cancelFd) {}
  ~PosixUdpSocket() override { ::close(fd_); }
  PosixUdpSocket(const PosixUdpSocket&) = delete;
  PosixUdpSocket& operator=(const PosixUdpSocket&) = delete;

  bool connect(const Ipv4Endpoint& peer) override {
    const sockaddr_in sa = toSockaddr(peer);
    return ::connect(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
  }

  int send(const uint8_t* data, size_t length) override {
    const ssize_t n = ::send(fd_, data, length, MSG_NOSIGNAL);
    return n < 0 ? -1 : int(n);
  }

  int sendTo(const Ipv4Endpoint& to, const uint8_t* data, size_t length) override {
    const sockaddr_in sa = toSockaddr(to);
    const ssize_t n = ::sendto(fd_, data, length, MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    return n < 0 ? -1 : int(n);
  }

  int receive(uint8_t* buffer, size_t capacity, int timeoutMs) override {
    if (!readable(timeoutMs)) return -1;
    return receiveOne(buffer, capacity, nullptr);
  }

  bool bind(uint16_t port) override {
    const sockaddr_in sa = toSockaddr(Ipv4Endpoint{INADDR_ANY, port});
    return ::bind(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
  }

  uint16_t localPort() override {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
    return ntohs(sa.sin_port);
  }

  bool setSendBuffer(int bytes) override {
    return ::setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes) == 0;
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
      pollfd fds[2] = {{fd_, POLLIN, 0}, {cancelFd_, POLLIN, 0}};
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
      const int n = ::poll(fds, 2, int(left < 0 ? 0 : left));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0 || (fds[1].revents & POLLIN)) return false;
      return (fds[0].revents & (POLLIN | POLLERR)) != 0;
    }
  }

  // One waiting datagram, its sender into `from` when asked. recvmsg reports a datagram longer
  // than the buffer through MSG_TRUNC, where plain recv would silently cut it to size.
  int receiveOne(uint8_t* buffer, size_t capacity, sockaddr_in* from) {
    iovec iov{buffer, capacity};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_name = from;
    msg.msg_namelen = from ? sizeof *from : 0;
    const ssize_t n = ::recvmsg(fd_, &msg, MSG_DONTWAIT);
    if (n < 0) return -1;
    if (from && (msg.msg_namelen != sizeof *from || from->sin_family != AF_INET)) return -1;
    if (msg.msg_flags & MSG_TRUNC) return int(capacity) + 1;
    return int(n);
  }

  int fd_;
  int cancelFd_;
};

}  // namespace

// The cancel flag that lookups wait on; shared with lookup threads that may outlive a wait.
struct SystemUdpTransport::Lookup {
  std::mutex mutex;
  std::condition_variable done;
  bool cancelled = false;
};

namespace {

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

SystemUdpTransport::SystemUdpTransport()
    : cancelHandle_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      cancelled_(std::make_shared<Lookup>()) {}

SystemUdpTransport::~SystemUdpTransport() {
  cancelWaits();
  if (cancelHandle_ >= 0) ::close(int(cancelHandle_));
}

void SystemUdpTransport::cancelWaits() {
  {
    std::lock_guard lock(cancelled_->mutex);
    cancelled_->cancelled = true;
  }
  cancelled_->done.notify_all();
  if (cancelHandle_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(int(cancelHandle_), &one, sizeof one);
  }
}

std::unique_ptr<UdpSocket> SystemUdpTransport::open() {
  if (cancelHandle_ < 0) return nullptr;
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixUdpSocket>(fd, int(cancelHandle_));
}

std::optional<uint32_t> SystemUdpTransport::resolve(const std::string& host) {
  if (host.empty()) return std::nullopt;
  if (auto address = ParseIpv4(host)) return address;
  return LookupOrAbandon(cancelled_, host, lookupIpv4, kResolveTimeoutMs);
}

}  // namespace tavik
