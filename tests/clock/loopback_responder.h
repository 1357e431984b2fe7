#pragma once
// A scripted SNTP server on a real UDP socket on 127.0.0.1. Each request takes the next step of
// the script (the last step repeats): the server's clock ahead or behind the given time base,
// a pause between receiving and sending, a reply cut short or padded, a reply sent from another
// socket, or silence. Steps marked `full` answer as a proper NTP server (originate timestamp
// echoed, stratum and reference set), so that reference clients accept them too.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tavik::testing {

struct ResponderStep {
  int64_t receiveAheadMs = 0;   // T2 = base time + this
  int64_t transmitAheadMs = 0;  // T3 = base time (after the pause) + this
  int pauseMs = 0;              // real time between receiving and sending
  int length = 48;              // bytes sent
  bool silent = false;
  bool fromOtherSocket = false;
  bool full = false;
  bool zeroTimestamps = false;  // T2 and T3 all zero bytes
};

class LoopbackResponder {
 public:
  // port 0 picks a free port. `nowUs` is the server's time base in microseconds since 1970.
  LoopbackResponder(std::vector<ResponderStep> script, std::function<int64_t()> nowUs,
                    int port = 0);
  ~LoopbackResponder();
  LoopbackResponder(const LoopbackResponder&) = delete;
  LoopbackResponder& operator=(const LoopbackResponder&) = delete;

  // False when the port could not be bound.
  bool ok() const { return fd_ >= 0; }
  int port() const { return port_; }
  // The requests received so far.
  std::vector<std::vector<uint8_t>> requests() const;

 private:
  void serve();
  void answer(const ResponderStep& step, const std::vector<uint8_t>& request, const void* peer,
              unsigned peerLength, int64_t receivedUs);

  std::vector<ResponderStep> script_;
  std::function<int64_t()> nowUs_;
  intptr_t fd_ = -1;  // a socket: POSIX descriptor or Winsock SOCKET
  intptr_t otherFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::vector<uint8_t>> requests_;
  std::thread thread_;
};

}  // namespace tavik::testing
