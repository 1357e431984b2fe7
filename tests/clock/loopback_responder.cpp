#include "clock/loopback_responder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "clock/ntp_packets.h"
#include "clock/sntp_client.h"
#include "platform/clock.h"

namespace tavik::testing {
namespace {

int bindLoopback(int port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(uint16_t(port));
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int boundPort(int fd) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
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
  port_ = boundPort(int(fd_));
  thread_ = std::thread([this] { serve(); });
}

LoopbackResponder::~LoopbackResponder() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (fd_ >= 0) ::close(int(fd_));
  if (otherFd_ >= 0) ::close(int(otherFd_));
}

std::vector<std::vector<uint8_t>> LoopbackResponder::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void LoopbackResponder::serve() {
  size_t next = 0;
  while (!stop_) {
    pollfd pfd{int(fd_), POLLIN, 0};
    if (::poll(&pfd, 1, 20) <= 0) continue;
    uint8_t buffer[512];
    sockaddr_in peer{};
    socklen_t peerLength = sizeof peer;
    const ssize_t n = ::recvfrom(int(fd_), buffer, sizeof buffer, 0,
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
  const int fd = int(step.fromOtherSocket ? otherFd_ : fd_);
  ::sendto(fd, reply.data(), size_t(step.length), 0, static_cast<const sockaddr*>(peer),
           socklen_t(peerLength));
}

}  // namespace tavik::testing
