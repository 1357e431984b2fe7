#pragma once
// A server on 127.0.0.1 that answers every request with the same raw bytes and then, as an
// unlucky network would, closes the connection or holds it open without another byte. For
// replies cut short of their declared length.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tavik::testing {

class CuttingServer {
 public:
  enum class Then { Close, Stall };

  CuttingServer(std::string raw, Then then) : raw_(std::move(raw)), then_(then) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listen_, 8);
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~CuttingServer() {
    stop_ = true;
    thread_.join();
    for (const int fd : held_) ::close(fd);
    ::close(listen_);
  }
  CuttingServer(const CuttingServer&) = delete;
  CuttingServer& operator=(const CuttingServer&) = delete;

  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  void serve() {
    while (!stop_) {
      pollfd p{listen_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const int fd = ::accept(listen_, nullptr, nullptr);
      if (fd < 0) continue;
      std::string head;
      char chunk[1024];
      while (head.find("\r\n\r\n") == std::string::npos) {
        pollfd q{fd, POLLIN, 0};
        if (::poll(&q, 1, 2000) <= 0) break;
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        head.append(chunk, size_t(n));
      }
      [[maybe_unused]] const ssize_t n = ::send(fd, raw_.data(), raw_.size(), MSG_NOSIGNAL);
      if (then_ == Then::Close) {
        ::close(fd);
      } else {
        held_.push_back(fd);
      }
    }
  }

  std::string raw_;
  Then then_;
  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::vector<int> held_;  // the server thread's, closed after it ends
  std::thread thread_;
};

}  // namespace tavik::testing
