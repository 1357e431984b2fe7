#include "clock/sntp_client.h"

#include <limits>

namespace tavik {
namespace {

uint32_t readBigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void writeBigEndian32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

constexpr size_t kReceiveTimestamp = 32;
constexpr size_t kTransmitTimestamp = 40;
// NTP seconds are 32 bits and wrap to zero at 2036-02-07 06:28:16 UTC.
constexpr uint64_t kNtpEraSeconds = uint64_t(1) << 32;

}  // namespace

SntpPacket BuildSntpRequest(int64_t sendMsSince1900) {
  SntpPacket p{};
  p[0] = 0xDB;  // leap 3 (unsynchronised), version 3, mode 3 (client)
  p[2] = 0;     // poll
  p[3] = 0xFA;  // precision
  p[4] = 0x50;  // root delay
  p[5] = 0xE6;
  // After the 2036 wrap the seconds go on counting from zero.
  writeBigEndian32(&p[16], uint32_t(uint64_t(sendMsSince1900 / 1000) % kNtpEraSeconds));
  return p;
}

int64_t NtpTimestampMs(const uint8_t* timestamp) {
  // Which era a time stamp belongs to follows from its top bit: set means 1968..2036 (era 0),
  // clear means 2036..2104 (era 1), where the seconds have wrapped past zero.
  const uint32_t raw = readBigEndian32(timestamp);
  const uint64_t seconds = (raw & 0x80000000u) ? raw : raw + kNtpEraSeconds;
  const uint64_t fraction = readBigEndian32(timestamp + 4);
  // The fraction in 100 ns units first, then whole milliseconds, both truncated.
  const uint64_t hundredNs = (fraction * 10'000'000) >> 32;
  return int64_t(seconds * 1000 + hundredNs / 10'000);
}

std::optional<uint32_t> CSNTPClient::addressOf(const std::string& server) {
  if (const auto address = ParseIpv4(server)) return address;
  return udp_.resolve(server);
}

int CSNTPClient::QueryTime(const std::string& server, int port) {
  const std::unique_ptr<UdpSocket> socket = udp_.open();
  if (!socket) return 0;
  const std::optional<uint32_t> address = addressOf(server);
  if (!address || port <= 0 || port > 65535) return 0;
  // Connecting the socket makes the kernel drop datagrams from any other address, so a
  // stranger cannot answer in the server's place.
  if (!socket->connect(Ipv4Endpoint{*address, uint16_t(port)})) return 0;

  const int64_t t1 = clock_.utcNowMs() + kNtpToUnixEpochMs;
  const SntpPacket request = BuildSntpRequest(t1);
  if (socket->send(request.data(), request.size()) != int(kSntpPacketSize)) return 0;

  SntpPacket reply{};
  if (socket->receive(reply.data(), reply.size(), kSntpReplyTimeoutMs) != int(kSntpPacketSize))
    return 0;
  const int64_t t4 = clock_.utcNowMs() + kNtpToUnixEpochMs;

  const int64_t t2 = NtpTimestampMs(&reply[kReceiveTimestamp]);
  const int64_t t3 = NtpTimestampMs(&reply[kTransmitTimestamp]);
  const int64_t offset = ((t2 - t1) + (t3 - t4)) / 2;  // truncates toward zero
  // A zero or garbage timestamp gives an offset of decades; wrapped into 32 bits it would look
  // like a plausible one, so such a reply counts as a failed exchange.
  if (offset < std::numeric_limits<int32_t>::min() || offset > std::numeric_limits<int32_t>::max())
    return 0;

  m_packet = reply;
  m_sendTime = t1;
  m_recvTime = t4;
  m_serverRecvTime = t2;
  m_serverSendTime = t3;
  m_offsetMs = int32_t(offset);
  return 1;
}

}  // namespace tavik
