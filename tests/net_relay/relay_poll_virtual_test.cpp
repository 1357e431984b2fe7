// The relay client's walk over the hosts, its greetings and its waits, and the relay copy's
// failures, in virtual time: the in-process transport answers each hello as the scripted host
// would, and a host that stays silent costs the whole 20 s wait.

#include <gtest/gtest.h>

#include <map>

#include "clock/temp_log.h"
#include "net/price_relay.h"
#include "testing/in_process_udp.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

std::vector<uint8_t> bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

class RelayPollTest : public ::testing::Test {
 protected:
  RelayPollTest() { udp.addHost("relay-a.example", 0x0A000001); }

  struct Sent {
    std::string host;
    int port;
    int64_t atMs;
    int32_t remain;
    bool hello;
    friend bool operator==(const Sent&, const Sent&) = default;
  };
  friend std::ostream& operator<<(std::ostream& out, const Sent& s) {
    return out << s.host << ":" << s.port << " at " << s.atMs << " remain " << s.remain
               << (s.hello ? " hello" : " other");
  }

  std::optional<InProcessUdp::Reply> respond(const Ipv4Endpoint& to,
                                             const std::vector<uint8_t>& data) {
    std::vector<uint8_t> hello(100, 0);
    std::copy_n("aabbccdd", 8, hello.begin());
    sent.push_back({FormatIpv4(to.address), to.port, clock.elapsedMs(), remain, data == hello});
    const auto answer = answers.find(FormatIpv4(to.address));
    if (answer == answers.end()) return std::nullopt;
    return InProcessUdp::Reply{bytes(answer->second), 5};
  }

  std::vector<std::string> takeNotices() { return std::exchange(notices, {}); }

  VirtualClock clock;
  AtomicInt logEnabled{1};
  testing::TempLog log{clock};
  Logger logger{log.file, logEnabled};
  LowestPrice lowest{90000};
  AtomicInt warning{88100};
  AtomicInt remain{1000};
  AtomicInt realMode{1};
  GuardedText bidNumber{"12345678"};
  RelayState state;
  std::map<std::string, std::string> answers;  // host address -> reply to a datagram
  std::vector<Sent> sent;
  std::vector<std::string> notices;
  InProcessUdp udp{clock, [this](const Ipv4Endpoint& to, const std::vector<uint8_t>& data) {
                     return respond(to, data);
                   }};
  RelayClient client{clock, udp};
  Config config = [] {
    Config c;
    c.relayHosts = {"relay-a.example", "10.0.0.2"};
    return c;
  }();
  PriceRelay relay{RelayInputs{lowest, warning, remain, realMode, bidNumber},
                   state,
                   client,
                   clock,
                   logger,
                   udp,
                   config,
                   [this](const std::string& text) { notices.push_back(text); }};
};

TEST_F(RelayPollTest, HostsAreAskedInOrderEachGreetedWhenItsTurnComes) {
  ASSERT_EQ(client.OpenRelaySocket(), 1);
  clock.addTimer(1000, [this] { remain = remain - 1; });  // the auction clock
  answers["10.0.0.2"] = "#AA90100*AA";
  relay.PollRelayPrice();
  // The first host stays silent for the whole wait; 10 ms later the second is asked, and by
  // then 20 s have passed since the hello, so it is greeted too.
  const std::vector<Sent> expected = {{"10.0.0.1", 123, 0, 1000, true},
                                      {"10.0.0.2", 123, 20'010, 980, true}};
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(clock.elapsedMs(), 20'015);
  EXPECT_EQ(state.m_udpNetPrice, 90100);
  EXPECT_EQ(state.g_udpPriceHits, 1);
  EXPECT_EQ(state.m_udpHelloSec, 980);

  // A host entry shorter than five characters ends the list.
  sent.clear();
  state.m_relayHosts.set({"10.0.0.9", "abcd", "10.0.0.2"});
  state.m_udpHelloSec = 3600;
  relay.PollRelayPrice();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].host, "10.0.0.9");
  EXPECT_EQ(state.g_udpPriceHits, 1);
}

TEST_F(RelayPollTest, OnlyPricesBelow110000AreKept) {
  ASSERT_EQ(client.OpenRelaySocket(), 1);
  state.m_relayHosts.set({"10.0.0.2"});
  const struct {
    std::string reply;
    int32_t kept;  // 0: m_udpNetPrice unchanged
  } cases[] = {{"#AA109900*AA", 109900},
               {"#AA110000*AA", 0},
               {"#AA80100*AA", 80100},
               {"#AA149900*AA", 0},
               {"#AA90050*AA", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    answers["10.0.0.2"] = c.reply;
    state.m_udpNetPrice = 88100;
    state.m_udpHelloSec = 3600;
    const int32_t hits = state.g_udpPriceHits;
    relay.PollRelayPrice();
    EXPECT_EQ(state.m_udpNetPrice, c.kept ? c.kept : 88100);
    EXPECT_EQ(state.g_udpPriceHits, hits + (c.kept ? 1 : 0));
  }
}

TEST_F(RelayPollTest, PollRunsOnlyForARealCopyInTheSecondHalfWhileEnabled) {
  ASSERT_EQ(client.OpenRelaySocket(), 1);
  state.m_relayHosts.set({"10.0.0.2"});
  answers["10.0.0.2"] = "#AA90100*AA";
  const struct {
    const char* bidNumber;
    int realMode, remain, enabled;
    int64_t waitMs;
    bool asks;
  } cases[] = {
      {kRelayBidNumber, 1, 1000, 1, 3000, false},  // the relay copy itself
      {"12345678", 0, 1000, 1, 3000, false},       // practice mode
      {"12345678", 1, 2, 1, 0, false},
      {"12345678", 1, 1770, 1, 0, false},
      {"12345678", 1, 1000, 0, 1000, false},  // switched off by the main parameters
      {"12345678", 1, 3, 1, 5, true},
      {"12345678", 1, 1769, 1, 5, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.bidNumber << " " << c.realMode << " " << c.remain << " " << c.enabled);
    bidNumber.set(c.bidNumber);
    realMode = c.realMode;
    remain = c.remain;
    state.m_udpEnabled = c.enabled;
    state.m_udpHelloSec = 3600;
    sent.clear();
    const int64_t start = clock.elapsedMs();
    relay.PollRelayPrice();
    EXPECT_EQ(clock.elapsedMs() - start, c.waitMs);
    EXPECT_EQ(!sent.empty(), c.asks);
  }
}

TEST_F(RelayPollTest, SocketOpensOnceAndHelloRepeatsAfterNineteenSeconds) {
  AtomicInt helloSec{3600};
  EXPECT_EQ(client.QueryRelayPrice("10.0.0.2", 123, 1000, helloSec), 0) << "no socket yet";
  EXPECT_TRUE(sent.empty());

  udp.setOpenFails(true);
  EXPECT_EQ(client.OpenRelaySocket(), 0);
  EXPECT_EQ(clock.elapsedMs(), 300) << "one more try after 300 ms";
  udp.setOpenFails(false);
  EXPECT_EQ(client.OpenRelaySocket(), 1);
  EXPECT_EQ(client.OpenRelaySocket(), 1);
  EXPECT_EQ(udp.openSockets(), 1) << "the socket is kept, not opened again";

  answers["10.0.0.2"] = "#AA90100*AA";
  const struct {
    int32_t remain;
    bool hello;
    int32_t price;  // only a hello is answered here
  } steps[] = {{1000, true, 90100}, {982, false, 0}, {981, true, 90100}, {981, false, 0}};
  int32_t lastHello = 3600;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.remain);
    sent.clear();
    EXPECT_EQ(client.QueryRelayPrice("10.0.0.2", 123, step.remain, helloSec), step.price);
    ASSERT_EQ(sent.size(), step.hello ? 1u : 0u);
    if (step.hello) {
      EXPECT_TRUE(sent[0].hello);
      lastHello = step.remain;
    }
    EXPECT_EQ(helloSec, lastHello);
  }
  EXPECT_EQ(helloSec, 981);
  EXPECT_EQ(client.QueryRelayPrice("unknown.example", 123, 100, helloSec), 0);
  EXPECT_EQ(client.QueryRelayPrice("10.0.0.2", 0, 100, helloSec), 0);
}

TEST_F(RelayPollTest, RelayFailuresTellTheUserOnceAndRetryLater) {
  relay.RunPriceRelay();  // not the relay copy
  EXPECT_EQ(clock.elapsedMs(), 3000);
  EXPECT_TRUE(takeNotices().empty());

  bidNumber.set(kRelayBidNumber);
  udp.setOpenFails(true);
  for (int turn = 0; turn < 3; ++turn) relay.RunPriceRelay();
  EXPECT_EQ(takeNotices(), std::vector<std::string>{"Failed socket 6123失败."});
  EXPECT_EQ(clock.elapsedMs(), 4 * 3000);

  // This transport cannot listen on a port: every bind fails, and the socket is closed.
  udp.setOpenFails(false);
  for (int turn = 0; turn < 3; ++turn) relay.RunPriceRelay();
  EXPECT_EQ(takeNotices(), std::vector<std::string>{"绑定6123失败."});
  EXPECT_EQ(udp.openSockets(), 0);
  EXPECT_EQ(clock.elapsedMs(), 7 * 3000);
}

}  // namespace
}  // namespace tavik
