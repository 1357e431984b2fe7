// One SNTP exchange against a scripted server on a real loopback socket. The client reads its
// clock from a VirtualClock that does not move during the exchange, so T1 = T4 and the offsets
// come out exactly.

#include <gtest/gtest.h>

#include <chrono>

#include "clock/loopback_responder.h"
#include "clock/ntp_packets.h"
#include "clock/sntp_client.h"
#include "support/silent_servers.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

using testing::LoopbackResponder;
using testing::ResponderStep;

class SntpClientTest : public ::testing::Test {
 protected:
  std::function<int64_t()> virtualNowUs() {
    return [this] { return clock.utcNowMs() * 1000; };
  }
  VirtualClock clock;
  PosixUdpTransport udp;
  CSNTPClient client{clock, udp};
};

TEST_F(SntpClientTest, SendsTheRequestBytesAndNothingElse) {
  LoopbackResponder server({{}}, virtualNowUs());
  ASSERT_TRUE(server.ok());
  ASSERT_EQ(client.QueryTime("127.0.0.1", server.port()), 1);

  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const uint32_t seconds = uint32_t((clock.utcNowMs() + kNtpToUnixEpochMs) / 1000);
  std::vector<uint8_t> expected(48, 0);
  expected[0] = 0xDB;
  expected[3] = 0xFA;
  expected[4] = 0x50;
  expected[5] = 0xE6;
  for (int b = 0; b < 4; ++b) expected[16 + b] = uint8_t(seconds >> (24 - 8 * b));
  EXPECT_EQ(requests[0], expected);
}

TEST_F(SntpClientTest, OffsetIsTheMeanOfBothLegsTruncatedTowardZero) {
  struct Case {
    int64_t receiveAheadMs, transmitAheadMs;
    int32_t offset;
  };
  const Case cases[] = {
      {150, 50, 100},                        // T2 - T1 = 150, T3 - T4 = 50
      {-1, -2, -1},                          // -3 / 2
      {3, 0, 1},                             // 3 / 2
      {1500, 1500, 1500},                    // server ahead
      {-1500, -1500, -1500},                 // server behind
      {86'400'001, 86'400'001, 86'400'001},  // a wrong date is the cycle's business
  };
  std::vector<ResponderStep> script;
  for (const Case& c : cases)
    script.push_back({.receiveAheadMs = c.receiveAheadMs, .transmitAheadMs = c.transmitAheadMs});
  LoopbackResponder server(script, virtualNowUs());
  ASSERT_TRUE(server.ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.receiveAheadMs);
    ASSERT_EQ(client.QueryTime("127.0.0.1", server.port()), 1);
    EXPECT_EQ(client.m_offsetMs, c.offset);
    EXPECT_EQ(client.m_sendTime, clock.utcNowMs() + kNtpToUnixEpochMs);
    EXPECT_EQ(client.m_serverRecvTime, client.m_sendTime + c.receiveAheadMs);
  }
}

// NTP seconds wrap to zero at 2036-02-07 06:28:16 UTC. Time stamps on either side of the wrap,
// on the client's side or the server's, count from their own era: one second on from the wrap
// is 2^32 + 1 seconds since 1900, not 1.
TEST(SntpClientEras, TimeStampsOnEitherSideOfThe2036WrapCountFromTheirEra) {
  constexpr int64_t kWrapUnixMs = 2'085'978'496'000;
  const struct {
    int64_t clientUnixMs, serverAheadMs;
  } cases[] = {
      {1'765'245'600'000, 1500},   // 2025, both in the first era
      {kWrapUnixMs - 1000, 1500},  // the server's stamps already wrapped, the request's not
      {kWrapUnixMs + 500, -1500},  // the request's stamp wrapped, the server's not
      {2'208'988'800'000, 42},     // 2040, both in the second era
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clientUnixMs);
    VirtualClock clock(c.clientUnixMs);
    PosixUdpTransport udp;
    CSNTPClient client(clock, udp);
    LoopbackResponder server(
        {{.receiveAheadMs = c.serverAheadMs, .transmitAheadMs = c.serverAheadMs}},
        [&clock] { return clock.utcNowMs() * 1000; });
    ASSERT_TRUE(server.ok());
    EXPECT_EQ(client.QueryTime("127.0.0.1", server.port()), 1);
    EXPECT_EQ(client.m_offsetMs, c.serverAheadMs);
    EXPECT_EQ(client.m_sendTime, c.clientUnixMs + kNtpToUnixEpochMs);
    EXPECT_EQ(client.m_serverRecvTime, client.m_sendTime + c.serverAheadMs);
    EXPECT_EQ(client.m_serverSendTime, client.m_sendTime + c.serverAheadMs);

    // The request carries the send time's seconds modulo 2^32.
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const int64_t sendSeconds = (c.clientUnixMs + kNtpToUnixEpochMs) / 1000;
    const uint32_t seconds = uint32_t(sendSeconds % (int64_t(1) << 32));
    for (int b = 0; b < 4; ++b) EXPECT_EQ(requests[0][16 + b], uint8_t(seconds >> (24 - 8 * b)));
  }
}

TEST_F(SntpClientTest, TimestampFractionIsTruncatedToTheMillisecond) {
  const struct {
    uint32_t fraction;
    int64_t ms;
  } cases[] = {{0, 0}, {0x80000000u, 500}, {0xFFFFFFFFu, 999}, {4294967u, 0}, {4294968u, 1}};
  for (const auto& c : cases) {
    // 0x80000007 seconds: a 1968 time stamp, top bit set, so counted from 1900.
    const uint8_t timestamp[8] = {0x80,
                                  0,
                                  0,
                                  7,
                                  uint8_t(c.fraction >> 24),
                                  uint8_t(c.fraction >> 16),
                                  uint8_t(c.fraction >> 8),
                                  uint8_t(c.fraction)};
    EXPECT_EQ(NtpTimestampMs(timestamp), 0x80000007LL * 1000 + c.ms) << c.fraction;
  }
}

TEST_F(SntpClientTest, HostileRepliesFailWithoutTouchingTheOffsetOrLeakingTheSocket) {
  const int64_t wrapsToOneSecond = (int64_t(1) << 32) + 1000;  // 1000 if cut to 32 bits
  const std::vector<ResponderStep> script = {
      {.receiveAheadMs = 42, .transmitAheadMs = 42},  // a good exchange first
      {.length = 47},
      {.length = 49},
      {.length = 400},
      {.length = 0},
      {.zeroTimestamps = true},
      {.receiveAheadMs = wrapsToOneSecond, .transmitAheadMs = wrapsToOneSecond},
  };
  LoopbackResponder server(script, virtualNowUs());
  ASSERT_TRUE(server.ok());
  ASSERT_EQ(client.QueryTime("127.0.0.1", server.port()), 1);
  ASSERT_EQ(client.m_offsetMs, 42);
  const int descriptors = testing::OpenHandleCount();
  for (size_t i = 1; i < script.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(client.QueryTime("127.0.0.1", server.port()), 0);
    EXPECT_EQ(client.m_offsetMs, 42);
    EXPECT_EQ(testing::OpenHandleCount(), descriptors);
  }
}

TEST_F(SntpClientTest, UnreachableServersFailAndCloseTheSocket) {
  int closedPort;
  {
    LoopbackResponder gone({{}}, virtualNowUs());
    closedPort = gone.port();
  }
  const int descriptors = testing::OpenHandleCount();
  EXPECT_EQ(client.QueryTime("127.0.0.1", closedPort), 0);
  EXPECT_EQ(client.QueryTime("127.0.0", 123), 0);
  EXPECT_EQ(client.QueryTime("", 123), 0);
  EXPECT_EQ(client.QueryTime("127.0.0.1", 0), 0);
  EXPECT_EQ(client.QueryTime("127.0.0.1", 70000), 0);
  EXPECT_EQ(testing::OpenHandleCount(), descriptors);
}

TEST_F(SntpClientTest, HostNamesAreResolved) {
  LoopbackResponder server({{.receiveAheadMs = 7, .transmitAheadMs = 7}}, virtualNowUs());
  ASSERT_TRUE(server.ok());
  ASSERT_EQ(client.QueryTime("localhost", server.port()), 1);
  EXPECT_EQ(client.m_offsetMs, 7);
}

// The one real-time wait of these tests: 2 s for a reply that comes from the wrong address.
TEST_F(SntpClientTest, AReplyFromAnotherAddressIsNotTakenAndTheWaitEndsAfterTwoSeconds) {
  LoopbackResponder server(
      {{.receiveAheadMs = 5000, .transmitAheadMs = 5000, .fromOtherSocket = true},
       {.receiveAheadMs = 9, .transmitAheadMs = 9}},
      virtualNowUs());
  ASSERT_TRUE(server.ok());
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(client.QueryTime("127.0.0.1", server.port()), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1900));
  EXPECT_EQ(client.m_offsetMs, 0);
  ASSERT_EQ(client.QueryTime("127.0.0.1", server.port()), 1);
  EXPECT_EQ(client.m_offsetMs, 9);
}

// The unconnected form, for a socket that serves several hosts: the reply comes back to it.
TEST_F(SntpClientTest, AnUnconnectedSocketSendsToAndHearsFromAnyHost) {
  LoopbackResponder server({{.receiveAheadMs = 3, .transmitAheadMs = 3, .full = true}},
                           virtualNowUs());
  ASSERT_TRUE(server.ok());
  const auto socket = udp.open();
  ASSERT_TRUE(socket);
  const SntpPacket request = BuildSntpRequest(0);
  const Ipv4Endpoint to{0x7F000001, uint16_t(server.port())};
  ASSERT_EQ(socket->sendTo(to, request.data(), request.size()), 48);
  SntpPacket reply{};
  EXPECT_EQ(socket->receive(reply.data(), reply.size(), 2000), 48);
  EXPECT_EQ(reply[0], 0x1C);
}

// On the machine's own clock, with the server holding the request for 300 ms before it
// answers: the offset is still the server's lead, to within scheduling noise.
TEST(SntpClientRealTime, ServerProcessingTimeDoesNotShiftTheOffset) {
  const auto realUs = [] {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  };
  LoopbackResponder server({{.receiveAheadMs = 1500, .transmitAheadMs = 1500, .pauseMs = 300}},
                           realUs);
  ASSERT_TRUE(server.ok());
  RealClock clock;
  PosixUdpTransport udp;
  CSNTPClient client(clock, udp);
  ASSERT_EQ(client.QueryTime("127.0.0.1", server.port()), 1);
  EXPECT_NEAR(client.m_offsetMs, 1500, 20);
  EXPECT_GE(client.m_recvTime - client.m_sendTime, 300);
}

}  // namespace
}  // namespace tavik
