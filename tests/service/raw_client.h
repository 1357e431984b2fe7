#pragma once
// A plain TCP client of the service on 127.0.0.1, for what the assistant's HTTP client never
// sends: partial requests, floods of header lines, pipelined requests.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>

namespace tavik::service::testing {

class RawClient {
 public:
  explicit RawClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  ~RawClient() { ::close(fd_); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return connected_; }
  bool send(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(size_t(n));
    }
    return true;
  }
  // What the server sends until it closes the connection (closed() true then), or until
  // `timeoutMs` passes.
  std::string readToClose(int timeoutMs) { return read(timeoutMs, ""); }
  // What the server sends until `marker` has come, the connection closes or `timeoutMs` passes.
  std::string read(int timeoutMs, std::string_view marker) {
    using Steady = std::chrono::steady_clock;
    const auto end = Steady::now() + std::chrono::milliseconds(timeoutMs);
    std::string got;
    while (marker.empty() || got.find(marker) == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(end - Steady::now()).count();
      pollfd p{fd_, POLLIN, 0};
      if (left <= 0 || ::poll(&p, 1, int(left)) <= 0) break;
      char chunk[4096];
      const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
      if (n <= 0) {
        closed_ = true;
        break;
      }
      got.append(chunk, size_t(n));
    }
    return got;
  }
  bool closed() const { return closed_; }

 private:
  int fd_;
  bool connected_ = false;
  bool closed_ = false;
};

inline size_t Count(std::string_view text, std::string_view what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace tavik::service::testing
