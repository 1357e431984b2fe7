#include <winsock2.h>
// After winsock2.h.
#include <windows.h>

#include "support/silent_servers.h"

namespace tavik::testing {
namespace {

// A socket bound to a free port on 127.0.0.1; the port into `port`. Winsock stays started
// for the test program's life.
SOCKET BindLoopback(int type, int& port) {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) return INVALID_SOCKET;
  const SOCKET s = ::socket(AF_INET, type, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof sa;
  ::bind(s, reinterpret_cast<sockaddr*>(&sa), len);
  if (type == SOCK_STREAM) ::listen(s, 8);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len);
  port = ntohs(sa.sin_port);
  return s;
}

bool Readable(SOCKET s, int timeoutMs) {
  WSAPOLLFD p{s, POLLRDNORM, 0};
  return WSAPoll(&p, 1, timeoutMs) == 1;
}

}  // namespace

SilentServer::SilentServer() {
  socket_ = intptr_t(BindLoopback(SOCK_DGRAM, port_));
}
SilentServer::~SilentServer() {
  closesocket(SOCKET(socket_));
}
bool SilentServer::asked(int timeoutMs) {
  if (!Readable(SOCKET(socket_), timeoutMs)) return false;
  char buffer[64];
  return ::recv(SOCKET(socket_), buffer, sizeof buffer, 0) >= 0;
}

SilentHttpServer::SilentHttpServer() {
  socket_ = intptr_t(BindLoopback(SOCK_STREAM, port_));
}
SilentHttpServer::~SilentHttpServer() {
  closesocket(SOCKET(socket_));
}
bool SilentHttpServer::connected(int timeoutMs) {
  return Readable(SOCKET(socket_), timeoutMs);
}

int OpenHandleCount() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return int(count);
}

}  // namespace tavik::testing
