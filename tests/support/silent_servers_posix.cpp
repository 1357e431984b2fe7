#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/silent_servers.h"

namespace tavik::testing {
namespace {

// A socket bound to a free port on 127.0.0.1; the port into `port`.
int BindLoopback(int type, int& port) {
  const int fd = ::socket(AF_INET, type, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sa;
  ::bind(fd, reinterpret_cast<sockaddr*>(&sa), len);
  if (type == SOCK_STREAM) ::listen(fd, 8);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  port = ntohs(sa.sin_port);
  return fd;
}

bool Readable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1;
}

}  // namespace

SilentServer::SilentServer() {
  socket_ = BindLoopback(SOCK_DGRAM, port_);
}
SilentServer::~SilentServer() {
  ::close(int(socket_));
}
bool SilentServer::asked(int timeoutMs) {
  if (!Readable(int(socket_), timeoutMs)) return false;
  char buffer[64];
  return ::recv(int(socket_), buffer, sizeof buffer, 0) >= 0;
}

SilentHttpServer::SilentHttpServer() {
  socket_ = BindLoopback(SOCK_STREAM, port_);
}
SilentHttpServer::~SilentHttpServer() {
  ::close(int(socket_));
}
bool SilentHttpServer::connected(int timeoutMs) {
  return Readable(int(socket_), timeoutMs);
}

int OpenHandleCount() {
  int count = 0;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (::readdir(dir)) ++count;
    ::closedir(dir);
  }
  return count;
}

}  // namespace tavik::testing
