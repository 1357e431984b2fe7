#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "service/sockets.h"

namespace tavik::service {

bool StartSockets() {
  return true;
}

SocketHandle Listen(const std::string& address, int port, int backlog, int& boundPort) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(uint16_t(port));
  if (::inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1) return kNoSocket;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  const int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  socklen_t length = sizeof a;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, backlog) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
    ::close(fd);
    return kNoSocket;
  }
  boundPort = ntohs(a.sin_port);
  return fd;
}

AcceptResult Accept(SocketHandle listener, SocketHandle& accepted, uint32_t& peer) {
  sockaddr_in a{};
  socklen_t length = sizeof a;
  const int fd = ::accept4(int(listener), reinterpret_cast<sockaddr*>(&a), &length,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) {
    if (errno == EMFILE || errno == ENFILE) return AcceptResult::kOutOfDescriptors;
    if (errno == EINTR || errno == ECONNABORTED) return AcceptResult::kAgain;
    return AcceptResult::kNone;
  }
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  accepted = fd;
  peer = a.sin_addr.s_addr;
  return AcceptResult::kAccepted;
}

long Receive(SocketHandle s, char* buffer, size_t size) {
  const ssize_t n = ::recv(int(s), buffer, size, 0);
  if (n > 0) return long(n);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
  return -1;
}

long Send(SocketHandle s, const char* data, size_t size) {
  const ssize_t n = ::send(int(s), data, size, MSG_NOSIGNAL);
  if (n >= 0) return long(n);
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

void CloseSocket(SocketHandle s) {
  if (s != kNoSocket) ::close(int(s));
}

bool PollSockets(std::vector<PollEntry>& entries, int timeoutMs) {
  std::vector<pollfd> fds;
  fds.reserve(entries.size());
  for (const PollEntry& e : entries) {
    const short events = short((e.read ? POLLIN : 0) | (e.write ? POLLOUT : 0));
    fds.push_back({e.socket == kNoSocket ? -1 : int(e.socket), events, 0});
  }
  const int n = ::poll(fds.data(), fds.size(), timeoutMs);
  for (size_t i = 0; i < entries.size(); ++i) entries[i].ready = n > 0 && fds[i].revents != 0;
  return n >= 0 || errno == EINTR;
}

Waker::Waker() {
  int fds[2];
  if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return;
  readEnd_ = fds[0];
  writeEnd_ = fds[1];
}

Waker::~Waker() {
  CloseSocket(readEnd_);
  CloseSocket(writeEnd_);
}

void Waker::wake() {
  if (!ok()) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(int(writeEnd_), &byte, 1);  // full: awake already
}

void Waker::drain() {
  if (!ok()) return;
  char bytes[256];
  while (::read(int(readEnd_), bytes, sizeof bytes) > 0) {
  }
}

}  // namespace tavik::service
