#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h.
#include <windows.h>

#include "service/sockets.h"

namespace tavik::service {
namespace {

SOCKET Native(SocketHandle s) {
  return SOCKET(s);
}

bool MakeNonBlocking(SOCKET s) {
  u_long on = 1;
  return ioctlsocket(s, FIONBIO, &on) == 0;
}

// Sockets are inheritable by default on Windows; a program the service's process starts must not
// hold its connections open.
void KeepToThisProcess(SOCKET s) {
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
}

bool WouldBlock(int error) {
  return error == WSAEWOULDBLOCK || error == WSAEINTR || error == WSAEINPROGRESS;
}

}  // namespace

bool StartSockets() {
  // Started once and kept for the process's life: the service may be started and stopped
  // several times by one tavik.
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

SocketHandle Listen(const std::string& address, int port, int backlog, int& boundPort) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(uint16_t(port));
  if (!StartSockets() || inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1) return kNoSocket;
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return kNoSocket;
  KeepToThisProcess(s);
  // Without this, another program could bind the same port beside ours (SO_REUSEADDR on
  // Windows takes a port that is in use), and requests would go to either.
  const BOOL one = TRUE;
  setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof one);
  int length = sizeof a;
  if (!MakeNonBlocking(s) || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::listen(s, backlog) != 0 || getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
    closesocket(s);
    return kNoSocket;
  }
  boundPort = ntohs(a.sin_port);
  return SocketHandle(s);
}

AcceptResult Accept(SocketHandle listener, SocketHandle& accepted, uint32_t& peer) {
  sockaddr_in a{};
  int length = sizeof a;
  const SOCKET s = ::accept(Native(listener), reinterpret_cast<sockaddr*>(&a), &length);
  if (s == INVALID_SOCKET) {
    const int error = WSAGetLastError();
    if (error == WSAEMFILE || error == WSAENOBUFS) return AcceptResult::kOutOfDescriptors;
    if (error == WSAEINTR || error == WSAECONNRESET) return AcceptResult::kAgain;
    return AcceptResult::kNone;
  }
  KeepToThisProcess(s);
  if (!MakeNonBlocking(s)) {
    closesocket(s);
    return AcceptResult::kAgain;
  }
  const BOOL one = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  accepted = SocketHandle(s);
  peer = a.sin_addr.s_addr;
  return AcceptResult::kAccepted;
}

long Receive(SocketHandle s, char* buffer, size_t size) {
  const int n = ::recv(Native(s), buffer, int(size), 0);
  if (n > 0) return n;
  if (n < 0 && WouldBlock(WSAGetLastError())) return 0;
  return -1;
}

long Send(SocketHandle s, const char* data, size_t size) {
  const int n = ::send(Native(s), data, int(size), 0);
  if (n >= 0) return n;
  return WouldBlock(WSAGetLastError()) ? 0 : -1;
}

void CloseSocket(SocketHandle s) {
  if (s != kNoSocket) closesocket(Native(s));
}

bool PollSockets(std::vector<PollEntry>& entries, int timeoutMs) {
  std::vector<WSAPOLLFD> fds;
  std::vector<size_t> index;
  for (size_t i = 0; i < entries.size(); ++i) {
    entries[i].ready = false;
    if (entries[i].socket == kNoSocket) continue;
    // POLLRDNORM and POLLWRNORM: WSAPoll refuses the priority bands some POSIX values include.
    const short events =
        short((entries[i].read ? POLLRDNORM : 0) | (entries[i].write ? POLLWRNORM : 0));
    fds.push_back({Native(entries[i].socket), events, 0});
    index.push_back(i);
  }
  if (fds.empty()) {
    Sleep(DWORD(timeoutMs));
    return true;
  }
  const int n = WSAPoll(fds.data(), ULONG(fds.size()), timeoutMs);
  if (n < 0) return WSAGetLastError() == WSAEINTR;
  for (size_t k = 0; k < fds.size(); ++k) entries[index[k]].ready = fds[k].revents != 0;
  return true;
}

Waker::Waker() {
  if (!StartSockets()) return;
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return;
  KeepToThisProcess(s);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof a;
  // Bound to a free loopback port and connected to itself: what it sends, it reads.
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) != 0 ||
      ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || !MakeNonBlocking(s)) {
    closesocket(s);
    return;
  }
  readEnd_ = writeEnd_ = SocketHandle(s);
}

Waker::~Waker() {
  CloseSocket(readEnd_);
}

void Waker::wake() {
  if (!ok()) return;
  const char byte = 1;
  ::send(Native(writeEnd_), &byte, 1, 0);  // a full buffer is awake already
}

void Waker::drain() {
  if (!ok()) return;
  char bytes[256];
  while (::recv(Native(readEnd_), bytes, sizeof bytes, 0) > 0) {
  }
}

}  // namespace tavik::service
