#pragma once
// Servers on loopback that never answer, for shutdown tests: they show that a wait on the
// network is cut short. And the count of open handles, for leak checks. POSIX sockets or Winsock
// (silent_servers_posix.cpp, _win32.cpp).

#include <cstdint>
#include <string>

namespace tavik::testing {

// A UDP socket on loopback that receives and never answers.
class SilentServer {
 public:
  SilentServer();
  ~SilentServer();
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  int port() const { return port_; }
  // Whether a datagram arrives within timeoutMs; it is taken off the socket.
  bool asked(int timeoutMs);

 private:
  intptr_t socket_ = -1;
  int port_ = 0;
};

// A TCP port that takes connections (the system completes them) and never answers.
class SilentHttpServer {
 public:
  SilentHttpServer();
  ~SilentHttpServer();
  SilentHttpServer(const SilentHttpServer&) = delete;
  SilentHttpServer& operator=(const SilentHttpServer&) = delete;
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // Whether a connection is waiting within timeoutMs.
  bool connected(int timeoutMs);

 private:
  intptr_t socket_ = -1;
  int port_ = 0;
};

// How many files and sockets the process holds open: descriptors on POSIX, kernel handles on
// Windows. For leak checks: compare before and after, never the number itself.
int OpenHandleCount();

}  // namespace tavik::testing
