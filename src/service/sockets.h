#pragma once
// The few socket calls of the HTTP server, the same on both systems: POSIX sockets and poll()
// on Linux, Winsock 2 and WSAPoll() on Windows (sockets_posix.cpp, sockets_win32.cpp). Every
// socket is non-blocking. Nothing above this file names a system call or an errno.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavik::service {

// A socket: a descriptor on POSIX, a SOCKET on Windows. kNoSocket is none.
using SocketHandle = intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// Winsock is started once for the process (a no-op on POSIX); false when it cannot be.
bool StartSockets();

// A TCP socket listening on `address`:`port` (0: a free port) with `backlog`, its port in
// `boundPort`; kNoSocket when it cannot. The port is ours alone: on Windows no other program may
// bind it beside us (SO_EXCLUSIVEADDRUSE), and on Linux a port in TIME_WAIT is reused.
SocketHandle Listen(const std::string& address, int port, int backlog, int& boundPort);

enum class AcceptResult { kAccepted, kNone, kAgain, kOutOfDescriptors };
// Takes one waiting connection, non-blocking and without Nagle's delay, with its peer's IPv4
// address (network order). kNone: nothing waits (or another error); kAgain: try again now (an
// interrupted call, a connection aborted before it was taken); kOutOfDescriptors: the process
// cannot hold another socket.
AcceptResult Accept(SocketHandle listener, SocketHandle& accepted, uint32_t& peer);

// Bytes moved by one call, 0 when the socket would block (or the call was interrupted), -1 when
// the connection is gone (for Receive also when the peer closed it). Send never raises SIGPIPE.
long Receive(SocketHandle s, char* buffer, size_t size);
long Send(SocketHandle s, const char* data, size_t size);

void CloseSocket(SocketHandle s);

// One socket of a poll: the caller sets what to wait for; ready is true when it may proceed
// (readable, writable, or in error, which the next call reports).
struct PollEntry {
  SocketHandle socket = kNoSocket;
  bool read = false;
  bool write = false;
  bool ready = false;
};
// Waits up to `timeoutMs` for any entry; entries without a socket are left out. False on an
// error other than an interrupted call.
bool PollSockets(std::vector<PollEntry>& entries, int timeoutMs);

// Wakes a poll from another thread: a pipe on POSIX, a loopback datagram socket that sends to
// itself on Windows (WSAPoll takes sockets only). Its socket is polled for reading; wake() may be
// called from any thread, drain() by the polling thread.
class Waker {
 public:
  Waker();
  ~Waker();
  Waker(const Waker&) = delete;
  Waker& operator=(const Waker&) = delete;

  bool ok() const { return readEnd_ != kNoSocket; }
  SocketHandle socket() const { return readEnd_; }
  void wake();
  void drain();

 private:
  SocketHandle readEnd_ = kNoSocket;
  SocketHandle writeEnd_ = kNoSocket;  // the same socket on Windows
};

}  // namespace tavik::service
