// The relay client and the relay copy on real UDP sockets on 127.0.0.1. The relay's pauses run
// on a clock whose waits take no time (its tick count is real), so that the copy reads
// greetings as fast as they come; every receive waits in real time.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <optional>
#include <thread>

#include "clock/temp_log.h"
#include "net/price_relay.h"

namespace tavik {
namespace {

using namespace std::string_literals;
using Steady = std::chrono::steady_clock;

constexpr uint32_t kLoopback = 0x7F000001;

class InstantClock final : public Clock {
 public:
  void sleepMs(int) override { std::this_thread::yield(); }
  uint32_t tickCountMs() override {
    return uint32_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now().time_since_epoch())
            .count());
  }
  int64_t utcNowMs() override { return int64_t(tickCountMs()); }
  int64_t localOffsetMs(int64_t) override { return 0; }
  void interruptSleeps() override {}
};

bool waitFor(const std::function<bool()>& done, int ms = 5000) {
  const auto deadline = Steady::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (Steady::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// The hello as the wire format has it, written out independently of the code under test.
std::string helloBytes() {
  return "aabbccdd"s + std::string(92, '\0');
}

// A copy that greets the relay and reads what it sends.
class Peer {
 public:
  explicit Peer(UdpTransport& udp) : socket_(udp.open()) {}
  void greet(int relayPort) {
    const std::string hello = helloBytes();
    ASSERT_EQ(socket_->sendTo({kLoopback, uint16_t(relayPort)},
                              reinterpret_cast<const uint8_t*>(hello.data()), hello.size()),
              100);
  }
  // The next datagram within `ms`, or nothing.
  std::optional<std::string> next(int ms) {
    uint8_t buffer[256];
    const int n = socket_->receive(buffer, sizeof buffer, ms);
    if (n < 0) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(buffer), size_t(n));
  }

 private:
  std::unique_ptr<UdpSocket> socket_;
};

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

class RelayCopyTest : public ::testing::Test {
 protected:
  ~RelayCopyTest() override {
    relay.requestStop();
    udp.cancelWaits();
    if (thread.joinable()) thread.join();
  }

  // Starts the relay copy and waits until it has sent the current price (to nobody yet), so
  // that peers greeting afterwards hear only what the test changes.
  void startRelay() {
    const int32_t first = lowest;
    thread = std::thread([this] { relay.RunPriceRelay(); });
    ASSERT_TRUE(
        waitFor([&] { return relay.listenPort() != 0 && state.m_relayLastPrice == first; }));
  }
  void greetAndWait(Peer& peer) {
    const size_t before = relay.greetingCount();
    peer.greet(relay.listenPort());
    ASSERT_TRUE(waitFor([&] { return relay.greetingCount() > before; }));
  }

  InstantClock clock;
  PosixUdpTransport udp;
  PosixUdpTransport peersUdp;
  AtomicInt logEnabled{1};
  testing::TempLog log{clock};
  Logger logger{log.file, logEnabled};
  AtomicInt lowest{90000};
  AtomicInt warning{88100};
  AtomicInt remain{1000};
  AtomicInt realMode{1};
  GuardedText bidNumber{kRelayBidNumber};
  RelayState state;
  RelayClient client{clock, udp};
  // Any free port, not the product's 6123.
  Config config = [] {
    Config c;
    c.relayListenPort = 0;
    return c;
  }();
  std::mutex noticesMutex;
  std::vector<std::string> notices;
  PriceRelay relay{RelayInputs{lowest, warning, remain, realMode, bidNumber},
                   state,
                   client,
                   clock,
                   logger,
                   udp,
                   config,
                   [this](const std::string& text) {
                     std::lock_guard lock(noticesMutex);
                     notices.push_back(text);
                   }};
  std::thread thread;
};

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
  AtomicInt copyLowest{0}, copyRemain{1000};
  GuardedText copyBid{"12345678"};
  RelayState copyState;
  PriceRelay copy(RelayInputs{copyLowest, warning, copyRemain, realMode, copyBid}, copyState,
                  copyClient, clock, logger, copyUdp, copyConfig, {});
  auto polled = std::async(std::launch::async, [&] { copy.PollRelayPrice(); });
  ASSERT_TRUE(waitFor([&] { return relay.peerCount() == 3; }));

  lowest = 90100;
  ASSERT_EQ(polled.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(copyState.m_udpNetPrice, 90100);
  EXPECT_EQ(copyState.g_udpPriceHits, 1);
  EXPECT_EQ(a.next(2000), "#AA90100*AA");
  EXPECT_EQ(b.next(2000), "#AA90100*AA");

  // The same price, and a lower one, do not go out again; the next higher one does, once. A
  // pass may wait 500 ms for a greeting before it looks at the price.
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  lowest = 90000;
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  lowest = 90300;
  for (Peer* peer : {&a, &b}) {
    EXPECT_EQ(peer->next(2000), "#AA90300*AA");
    EXPECT_EQ(peer->next(300), std::nullopt) << "a price sent twice";
  }
  EXPECT_EQ(log.count("UDP价格90100发送了:3用户,3总次数,用时间"), 1);
  EXPECT_EQ(log.count("UDP价格90300发送了:3用户,3总次数,用时间"), 1);
  EXPECT_EQ(log.count("UDP价格90000发送了"), 1) << "only the first, to nobody";
}

TEST_F(RelayCopyTest, OffStepPriceIsReplacedByTheWarningPriceAndNeverSent) {
  warning = 95000;
  startRelay();
  Peer a(peersUdp);
  greetAndWait(a);
  lowest = 91234;
  EXPECT_EQ(a.next(2000), "#AA95000*AA");
  EXPECT_EQ(lowest, 95000);
  EXPECT_GE(log.count("严重错误!!!UDP价格91234不对,修正到警示价"), 1);
  EXPECT_EQ(log.count("UDP价格91234发送了"), 0);
}

TEST_F(RelayCopyTest, NoPriceAtOrAboveTheWarningPriceInTheFirstHalf) {
  remain = 2000;
  lowest = 88000;
  startRelay();
  Peer a(peersUdp);
  greetAndWait(a);
  lowest = 88100;
  EXPECT_EQ(a.next(300), std::nullopt);
  remain = 1800;
  EXPECT_EQ(a.next(2000), "#AA88100*AA");
}

sockaddr_in loopbackAddress(uint32_t address, int port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(uint16_t(port));
  sa.sin_addr.s_addr = htonl(address);
  return sa;
}

// A port below the range the system hands out to sockets bound to port 0. The relay sends its
// price to every flood address on this port; on an ephemeral port the datagram would reach any
// socket of another test that happens to hold that port on all addresses.
int floodPort() {
  int low = 32768;
  if (std::FILE* f = std::fopen("/proc/sys/net/ipv4/ip_local_port_range", "r")) {
    if (std::fscanf(f, "%d", &low) != 1) low = 32768;
    std::fclose(f);
  }
  for (int port = low - 1; port > 1024; --port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in sa = loopbackAddress(0x7F010001u, port);
    const bool free = ::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
    ::close(fd);
    if (free) return port;
  }
  return 0;
}

// Greets the relay from `count` addresses of their own (127.1.x.y), in batches that the
// relay's receive queue holds, waiting for each batch to be read.
void flood(const PriceRelay& relay, int count) {
  const int port = floodPort();
  ASSERT_NE(port, 0);
  const sockaddr_in to = loopbackAddress(kLoopback, relay.listenPort());
  const std::string hello = helloBytes();
  for (int sent = 0; sent < count;) {
    const size_t before = relay.greetingCount();
    const int batch = std::min(100, count - sent);
    for (int i = 0; i < batch; ++i, ++sent) {
      const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
      ASSERT_GE(fd, 0);
      const sockaddr_in from = loopbackAddress(0x7F010001u + uint32_t(sent), port);
      ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from), 0);
      ASSERT_EQ(::sendto(fd, hello.data(), hello.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                         sizeof to),
                100);
      ::close(fd);
    }
    ASSERT_TRUE(waitFor([&] { return relay.greetingCount() >= before + size_t(batch); }));
  }
}

TEST_F(RelayCopyTest, PeerListStaysBoundedUnderAFloodAndKeepsItsFirstPeers) {
  startRelay();
  Peer a(peersUdp), b(peersUdp), c(peersUdp);
  for (Peer* peer : {&a, &b, &c}) greetAndWait(*peer);
  flood(relay, 2500);
  EXPECT_EQ(relay.peerCount(), kRelayPeerCapacity);
  Peer late(peersUdp);
  greetAndWait(late);
  EXPECT_EQ(relay.peerCount(), kRelayPeerCapacity);

  lowest = 90100;
  for (Peer* peer : {&a, &b, &c}) EXPECT_EQ(peer->next(2000), "#AA90100*AA");
  EXPECT_EQ(late.next(300), std::nullopt) << "a newcomer displaced a live peer";
  EXPECT_EQ(log.count("UDP价格90100发送了:2001用户,2001总次数"), 1);
}

}  // namespace
}  // namespace tavik
