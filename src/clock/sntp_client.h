#pragma once
// One SNTP exchange with one server: how far the local clock is behind the server's, in
// milliseconds.

#include <array>
#include <cstdint>
#include <string>

#include "net/udp_transport.h"
#include "platform/clock.h"

namespace tavik {

inline constexpr size_t kSntpPacketSize = 48;
// Milliseconds from the NTP epoch (1900-01-01 00:00 UTC) to the Unix epoch.
inline constexpr int64_t kNtpToUnixEpochMs = 2'208'988'800'000;
// How long one exchange waits for the reply.
inline constexpr int kSntpReplyTimeoutMs = 2000;

using SntpPacket = std::array<uint8_t, kSntpPacketSize>;

// The request as sent: a version 3 client packet whose only time is the send time, in whole
// seconds since 1900, in the reference timestamp; every other timestamp is zero.
SntpPacket BuildSntpRequest(int64_t sendMsSince1900);
// A 64-bit NTP timestamp (big-endian seconds since 1900, then a 2^-32 fraction) in whole
// milliseconds since 1900, the fraction truncated.
int64_t NtpTimestampMs(const uint8_t* timestamp);

class CSNTPClient {
 public:
  CSNTPClient(Clock& clock, UdpTransport& udp) : clock_(clock), udp_(udp) {}

  // One exchange with `server` (dotted IPv4 address or host name) on `port`. Returns 1 and sets
  // m_offsetMs on success; 0 on any failure, m_offsetMs unchanged. The socket is closed
  // before it returns, on every path.
  int QueryTime(const std::string& server, int port);

  // Server time minus local time of the last successful exchange, milliseconds.
  int32_t m_offsetMs = 0;
  // The last reply received.
  SntpPacket m_packet{};
  // T1 (request built), T4 (reply arrived), T2 (server received), T3 (server sent): all in
  // milliseconds since 1900, UTC.
  int64_t m_sendTime = 0;
  int64_t m_recvTime = 0;
  int64_t m_serverRecvTime = 0;
  int64_t m_serverSendTime = 0;

 private:
  std::optional<uint32_t> addressOf(const std::string& server);

  Clock& clock_;
  UdpTransport& udp_;
};

}  // namespace tavik
