// The relay copy under a flood of greetings from thousands of addresses (127.1.x.y, which
// POSIX systems route to the loopback), on raw POSIX sockets.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

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

}  // namespace
}  // namespace tavik
