// The relay copy under a flood of greetings from thousands of addresses (127.1.x.y, which
// POSIX systems route to the loopback), on raw POSIX sockets; and the client against a datagram
// from another of those addresses.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <future>

#include "net_relay/relay_fixture.h"

namespace tavik {
namespace {

using namespace relay_testing;
using namespace std::string_literals;

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

  lowest.Set(90100);
  for (Peer* peer : {&a, &b, &c}) EXPECT_EQ(peer->next(2000), "#AA90100*AA");
  EXPECT_EQ(late.next(300), std::nullopt) << "a newcomer displaced a live peer";
  EXPECT_EQ(log.count("UDP价格90100发送了:2001用户,2001总次数"), 1);
}

// The client's socket takes datagrams from anyone: a price from another address than the
// queried relay's is dropped, and the relay's own comes through.
TEST(RelayClientLoopback, APriceFromAnotherAddressIsDropped) {
  InstantClock clock;
  PosixUdpTransport udp;
  RelayClient client(clock, udp);
  ASSERT_EQ(client.OpenRelaySocket(), 1);
  PosixUdpTransport relayUdp;
  const auto relay = relayUdp.open();
  ASSERT_TRUE(relay->bind(0));
  const int forger = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in other{};
  other.sin_family = AF_INET;
  other.sin_addr.s_addr = htonl(0x7F010009u);  // 127.1.0.9
  ASSERT_EQ(::bind(forger, reinterpret_cast<const sockaddr*>(&other), sizeof other), 0);

  AtomicInt helloSec{3600};
  auto query = std::async(std::launch::async, [&] {
    return client.QueryRelayPrice("127.0.0.1", relay->localPort(), 1000, helloSec);
  });
  uint8_t got[512];
  Ipv4Endpoint from;
  ASSERT_EQ(relay->receiveFrom(got, sizeof got, 5000, from), 100);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(from.port);
  to.sin_addr.s_addr = htonl(from.address);
  const std::string forged = "#AA109900*AA";
  ASSERT_EQ(::sendto(forger, forged.data(), forged.size(), 0,
                     reinterpret_cast<const sockaddr*>(&to), sizeof to),
            ssize_t(forged.size()));
  ::close(forger);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const std::string reply = "#AA90100*AA";
  relay->sendTo(from, reinterpret_cast<const uint8_t*>(reply.data()), reply.size());
  EXPECT_EQ(query.get(), 90100);
}

// On the real clock, a flood from one machine: 64 sockets of 127.1.0.1 greet the relay copy
// about 2000 times a second for 3 s. The copy takes every waiting greeting each pass, so a
// newcomer greeting once in the middle of the flood is read at once, and the flooding address
// holds no more than its share of places.
TEST(RelayCopyOnTheRealClock, ANewcomerIsHeardDuringAGreetingFlood) {
  RealClock clock;
  PosixUdpTransport udp;
  PosixUdpTransport peersUdp;
  AtomicInt logEnabled{1};
  testing::TempLog log{clock};
  Logger logger{log.file, logEnabled};
  LowestPrice lowest{90000};
  AtomicInt warning{88100}, remain{1000}, realMode{1};
  GuardedText bidNumber{kRelayBidNumber};
  RelayState state;
  RelayClient client{clock, udp};
  Config config;
  config.relayListenPort = 0;
  PriceRelay relay{RelayInputs{lowest, warning, remain, realMode, bidNumber},
                   state,
                   client,
                   clock,
                   logger,
                   udp,
                   config,
                   {}};
  std::thread copy([&] { relay.RunPriceRelay(); });
  ASSERT_TRUE(waitFor([&] { return relay.listenPort() != 0 && state.m_relayLastPrice == 90000; }));

  std::atomic<bool> flooding{true};
  std::thread flooder([&] {
    std::vector<int> sockets;
    for (int i = 0; i < 64; ++i) {
      const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
      const sockaddr_in from = loopbackAddress(0x7F010001u, 0);
      ::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from);
      sockets.push_back(fd);
    }
    const sockaddr_in to = loopbackAddress(kLoopback, relay.listenPort());
    const std::string hello = helloBytes();
    const auto end = Steady::now() + std::chrono::seconds(3);
    for (size_t i = 0; flooding && Steady::now() < end; ++i) {
      ::sendto(sockets[i % sockets.size()], hello.data(), hello.size(), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof to);
      if (i % 4 == 3) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (const int fd : sockets) ::close(fd);
  });

  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  Peer newcomer(peersUdp);
  newcomer.greet(relay.listenPort());
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  lowest.Set(90100);
  EXPECT_EQ(newcomer.next(2000), "#AA90100*AA");
  lowest.Set(90200);
  EXPECT_EQ(newcomer.next(2000), "#AA90200*AA");
  EXPECT_GT(relay.greetingCount(), 1000u) << "the flood was read, not left in the queue";
  EXPECT_LE(relay.peerCount(), kRelayPeersPerAddress + 1);

  flooding = false;
  flooder.join();
  relay.requestStop();
  udp.cancelWaits();
  copy.join();
}

}  // namespace
}  // namespace tavik
