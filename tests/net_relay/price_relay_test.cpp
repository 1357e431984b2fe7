// The relay client and the relay copy on real UDP sockets on 127.0.0.1.

#include <future>

#include "net_relay/relay_fixture.h"

namespace tavik {
namespace {

using namespace relay_testing;
using namespace std::string_literals;

TEST(RelayHosts, FiveAtMostAndANameTooLongIsDroppedNotCut) {
  RelayHosts hosts;
  hosts.set({"a.example", "twenty-characters.net", "c.example", "d", "e", "f.example"});
  const RelayHosts::List expected = {"a.example", "", "c.example", "d", "e"};
  EXPECT_EQ(hosts.get(), expected);
}

TEST(RelayClientLoopback, RepliesOfAnyContentGiveAPriceOnlyWhenWellFormed) {
  InstantClock clock;
  PosixUdpTransport udp;
  RelayClient client(clock, udp);
  ASSERT_EQ(client.OpenRelaySocket(), 1);
  PosixUdpTransport relayUdp;
  const auto relay = relayUdp.open();
  ASSERT_TRUE(relay->bind(0));
  const int port = relay->localPort();

  const struct {
    std::string reply;
    int32_t price;
  } cases[] = {
      {"#AA90100*AA", 90100},
      {"#AA90050*AA", 0},   // not a whole hundred
      {"#AA90100", 90100},  // no closing marker
      {"#AA149900*AA", 149900},
      {"#AA150000*AA", 0},
      {"#AA80000*AA", 0},
      {"relay:#AA95500*AA#AA96000*AA", 95500},  // the first price
      {"#AA90100\0#AA1"s, 90100},               // the text ends at the NUL
      {"\0#AA90100*AA"s, 0},
      {"#AA+90100*AA", 0},
      {"#AA 90100*AA", 0},
      {"#AA90100\r\n", 0},
      {"#AA4294967296*AA", 0},                        // 2^32, which would wrap to 0
      {"#AA00000000000000090100*AA", 90100},          // leading zeros are still the number
      {"#AA90100*AA" + std::string(89, ' '), 90100},  // 100 bytes
      {"#AA90100*AA" + std::string(90, ' '), 0},      // 101 bytes: refused whole, not cut
      {"#AA9", 0},
      {"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    AtomicInt helloSec{3600};
    auto query = std::async(std::launch::async, [&] {
      return client.QueryRelayPrice("127.0.0.1", port, 1000, helloSec);
    });
    uint8_t got[512];
    Ipv4Endpoint from;
    ASSERT_EQ(relay->receiveFrom(got, sizeof got, 5000, from), 100);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(got), 100), helloBytes());
    relay->sendTo(from, reinterpret_cast<const uint8_t*>(c.reply.data()), c.reply.size());
    EXPECT_EQ(query.get(), c.price);
    EXPECT_EQ(helloSec, 1000);
  }
}

TEST(RelayClientLoopback, CancelWaitsEndsABlockedReceiveAtOnce) {
  InstantClock clock;
  PosixUdpTransport udp;
  RelayClient client(clock, udp);
  ASSERT_EQ(client.OpenRelaySocket(), 1);
  PosixUdpTransport silentUdp;
  const auto silent = silentUdp.open();
  ASSERT_TRUE(silent->bind(0));

  AtomicInt helloSec{3600};
  auto query = std::async(std::launch::async, [&] {
    return client.QueryRelayPrice("127.0.0.1", silent->localPort(), 1000, helloSec);
  });
  uint8_t got[128];
  Ipv4Endpoint from;
  ASSERT_EQ(silent->receiveFrom(got, sizeof got, 5000, from), 100);  // the client now waits
  ASSERT_EQ(query.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  const auto cancelled = Steady::now();
  udp.cancelWaits();
  ASSERT_EQ(query.wait_for(std::chrono::seconds(2)), std::future_status::ready)
      << "still waiting for the 20 s timeout";
  EXPECT_EQ(query.get(), 0);
  EXPECT_LT(Steady::now() - cancelled, std::chrono::milliseconds(500));
}

TEST_F(RelayCopyTest, SendsEachNewPriceOnceToEveryRegisteredPeer) {
  startRelay();
  Peer a(peersUdp), b(peersUdp);
  greetAndWait(a);
  greetAndWait(b);
  greetAndWait(a);  // greeting again registers nobody new

  // The third peer is another copy's relay client, polling the relay as worker 6 does.
  PosixUdpTransport copyUdp;
  RelayClient copyClient(clock, copyUdp);
  ASSERT_EQ(copyClient.OpenRelaySocket(), 1);
  Config copyConfig;
  copyConfig.relayHosts = {"127.0.0.1"};
  copyConfig.relayPort = relay.listenPort();
  LowestPrice copyLowest;
  AtomicInt copyRemain{1000};
  GuardedText copyBid{"12345678"};
  RelayState copyState;
  PriceRelay copy(RelayInputs{copyLowest, warning, copyRemain, realMode, copyBid}, copyState,
                  copyClient, clock, logger, copyUdp, copyConfig, {});
  auto polled = std::async(std::launch::async, [&] { copy.PollRelayPrice(); });
  ASSERT_TRUE(waitFor([&] { return relay.peerCount() == 3; }));

  lowest.Set(90100);
  ASSERT_EQ(polled.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(copyState.m_udpNetPrice, 90100);
  EXPECT_EQ(copyState.g_udpPriceHits, 1);
  EXPECT_EQ(a.next(2000), "#AA90100*AA");
  EXPECT_EQ(b.next(2000), "#AA90100*AA");

  // The same price, and a lower one, do not go out again; the next higher one does, once. A
  // pass may wait 500 ms for a greeting before it looks at the price.
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  lowest.Set(90000);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  lowest.Set(90300);
  for (Peer* peer : {&a, &b}) {
    EXPECT_EQ(peer->next(2000), "#AA90300*AA");
    EXPECT_EQ(peer->next(300), std::nullopt) << "a price sent twice";
  }
  EXPECT_EQ(log.count("UDP价格90100发送了:3用户,3总次数,用时间"), 1);
  EXPECT_EQ(log.count("UDP价格90300发送了:3用户,3总次数,用时间"), 1);
  EXPECT_EQ(log.count("UDP价格90000发送了"), 1) << "only the first, to nobody";
}

// The warning price stands in for the broken value here, but it is no reading: it is not sent.
TEST_F(RelayCopyTest, OffStepPriceIsReplacedByTheWarningPriceAndNeverSent) {
  warning = 95000;
  startRelay();
  Peer a(peersUdp);
  greetAndWait(a);
  lowest.Set(91234);
  EXPECT_EQ(a.next(2000), std::nullopt);
  EXPECT_EQ(lowest, 95000);
  EXPECT_GE(log.count("严重错误!!!UDP价格91234不对,修正到警示价"), 1);
  EXPECT_EQ(log.count("UDP价格91234发送了"), 0);
}

TEST_F(RelayCopyTest, NoPriceAtOrAboveTheWarningPriceInTheFirstHalf) {
  remain = 2000;
  lowest.Set(88000);
  startRelay();
  Peer a(peersUdp);
  greetAndWait(a);
  lowest.Set(88100);
  EXPECT_EQ(a.next(300), std::nullopt);
  remain = 1800;
  EXPECT_EQ(a.next(2000), "#AA88100*AA");
}

}  // namespace
}  // namespace tavik
