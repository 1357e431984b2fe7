#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "clock/udp_exchange.h"

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
  explicit PosixUdpSocket(int fd) : fd_(fd) {}
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
    timeval tv{};
    tv.tv_sec = timeoutMs / 1000;
    tv.tv_usec = (timeoutMs % 1000) * 1000;
    if (::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) return -1;
    // recvmsg reports a datagram longer than the buffer through MSG_TRUNC, where plain recv
    // would silently cut it to size.
    iovec iov{buffer, capacity};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    const ssize_t n = ::recvmsg(fd_, &msg, 0);
    if (n < 0) return -1;
    if (msg.msg_flags & MSG_TRUNC) return int(capacity) + 1;
    return int(n);
  }

 private:
  int fd_;
};

}  // namespace

std::string FormatIpv4(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::optional<uint32_t> ParseIpv4(const std::string& text) {
  uint32_t address = 0;
  const char* p = text.data();
  const char* const end = p + text.size();
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (p == end || *p != '.') return std::nullopt;
      ++p;
    }
    if (p == end || *p < '0' || *p > '9') return std::nullopt;
    unsigned value = 0;
    const auto [next, ec] = std::from_chars(p, end, value);
    if (ec != std::errc() || value > 255 || next - p > 3) return std::nullopt;
    address = (address << 8) | value;
    p = next;
  }
  if (p != end) return std::nullopt;
  return address;
}

std::unique_ptr<UdpSocket> PosixUdpTransport::open() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixUdpSocket>(fd);
}

std::optional<uint32_t> PosixUdpTransport::resolve(const std::string& host) {
  if (host.empty()) return std::nullopt;
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

}  // namespace tavik
