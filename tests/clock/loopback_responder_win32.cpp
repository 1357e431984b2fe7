#include "clock/loopback_responder.h"

#include <winsock2.h>

#include <cstring>

#include "clock/ntp_packets.h"
#include "clock/sntp_client.h"
#include "platform/clock.h"

namespace tavik::testing {
namespace {

intptr_t bindLoopback(int port) {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) return -1;
  const SOCKET fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd == INVALID_SOCKET) return -1;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(uint16_t(port));
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    closesocket(fd);
    return -1;
  }
  return intptr_t(fd);
}

int boundPort(SOCKET fd) {
  sockaddr_in sa{};
  int len = sizeof sa;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  return ntohs(sa.sin_port);
}

}  // namespace

LoopbackResponder::LoopbackResponder(std::vector<ResponderStep> script,
                                     std::function<int64_t()> nowUs, int port)
    : script_(std::move(script)), nowUs_(std::move(nowUs)) {
  fd_ = bindLoopback(port);
  if (fd_ < 0) return;
  otherFd_ = bindLoopback(0);
  port_ = boundPort(SOCKET(fd_));
  thread_ = std::thread([this] { serve(); });
}

LoopbackResponder::~LoopbackResponder() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (fd_ >= 0) closesocket(SOCKET(fd_));
  if (otherFd_ >= 0) closesocket(SOCKET(otherFd_));
}

std::vector<std::vector<uint8_t>> LoopbackResponder::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void LoopbackResponder::serve() {
  size_t next = 0;
  while (!stop_) {
    WSAPOLLFD pfd{SOCKET(fd_), POLLRDNORM, 0};
    if (WSAPoll(&pfd, 1, 20) <= 0) continue;
    uint8_t buffer[512];
    sockaddr_in peer{};
    int peerLength = sizeof peer;
    const int n = ::recvfrom(SOCKET(fd_), reinterpret_cast<char*>(buffer), sizeof buffer, 0,
                             reinterpret_cast<sockaddr*>(&peer), &peerLength);
    if (n < 0) continue;
    const int64_t receivedUs = nowUs_();
    std::vector<uint8_t> request(buffer, buffer + n);
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    const ResponderStep& step = script_[std::min(next, script_.size() - 1)];
    ++next;
    answer(step, request, &peer, peerLength, receivedUs);
  }
}

void LoopbackResponder::answer(const ResponderStep& step, const std::vector<uint8_t>& request,
                               const void* peer, unsigned peerLength, int64_t receivedUs) {
  if (step.silent) return;
  if (step.pauseMs > 0) RealClock().sleepMs(step.pauseMs);
  std::vector<uint8_t> reply(std::max<size_t>(step.length, kSntpPacketSize), 0);
  const int64_t epochUs = kNtpToUnixEpochMs * 1000;
  if (step.full) {
    const uint8_t version = request.empty() ? 3 : (request[0] >> 3) & 7;
    reply[0] = uint8_t(version << 3 | 4);  // no leap warning, the client's version, server
    reply[1] = 2;                          // stratum
    reply[2] = request.size() > 2 ? request[2] : 0;
    reply[3] = 0xEC;                     // precision about 60 ns
    std::memcpy(&reply[12], "TEST", 4);  // reference id
    PutNtpTimestampUs(&reply[16], receivedUs + epochUs - 60'000'000);
    if (request.size() >= 48) std::memcpy(&reply[24], &request[40], 8);  // originate
  }
  if (!step.zeroTimestamps) {
    PutNtpTimestampUs(&reply[32], receivedUs + step.receiveAheadMs * 1000 + epochUs);
    PutNtpTimestampUs(&reply[40], nowUs_() + step.transmitAheadMs * 1000 + epochUs);
  }
  const SOCKET fd = SOCKET(step.fromOtherSocket ? otherFd_ : fd_);
  ::sendto(fd, reinterpret_cast<const char*>(reply.data()), step.length, 0,
           static_cast<const sockaddr*>(peer), int(peerLength));
}

}  // namespace tavik::testing
