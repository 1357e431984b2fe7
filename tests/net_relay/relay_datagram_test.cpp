// The relay's peer list, the corpus of hostile datagrams, and the relay's installation settings.

#include <gtest/gtest.h>

#include <filesystem>

#include "core/config.h"
#include "net/relay_datagram.h"
#include "net_relay/relay_invariants.h"
#include "support/temp_dir.h"

namespace tavik {
namespace {

using Outcome = RelayPeers::Outcome;

Ipv4Endpoint peer(uint32_t n) {
  return {0x7F000000u + n, uint16_t(40000 + n)};
}

TEST(RelayPeers, FullListRefusesNewcomersUntilAPeerFallsSilent) {
  RelayPeers peers(3, 1000);
  // Start just before the tick count wraps, so the ages are taken across it.
  const uint32_t t0 = 0xFFFFFF00u;
  EXPECT_EQ(peers.Register(peer(1), t0), Outcome::kAdded);
  EXPECT_EQ(peers.Register(peer(2), t0 + 100), Outcome::kAdded);
  EXPECT_EQ(peers.Register(peer(3), t0 + 200), Outcome::kAdded);
  // A flood of newcomers while every peer is fresh changes nothing.
  for (uint32_t n = 10; n < 500; ++n)
    EXPECT_EQ(peers.Register(peer(n), t0 + 300), Outcome::kRefused) << n;
  EXPECT_EQ(peers.size(), 3u);

  // Peer 1 greets again; peer 2 is now the one silent longest.
  EXPECT_EQ(peers.Register(peer(1), t0 + 900), Outcome::kRefreshed);
  EXPECT_EQ(peers.Register(peer(7), t0 + 1099), Outcome::kRefused) << "peer 2 silent 999 ms";
  EXPECT_EQ(peers.Register(peer(7), t0 + 1100), Outcome::kReplaced);
  EXPECT_FALSE(peers.contains(peer(2)));
  for (uint32_t n : {1u, 3u, 7u}) EXPECT_TRUE(peers.contains(peer(n))) << n;
  EXPECT_EQ(peers.size(), 3u);
}

// One address (a machine flooding from many ports) holds only its share of places.
TEST(RelayPeers, OneAddressHoldsAtMostItsShare) {
  RelayPeers peers(10, 1000, 2);
  EXPECT_EQ(peers.Register({0x7F000001u, 1}, 0), Outcome::kAdded);
  EXPECT_EQ(peers.Register({0x7F000001u, 2}, 0), Outcome::kAdded);
  EXPECT_EQ(peers.Register({0x7F000001u, 3}, 0), Outcome::kRefused);
  EXPECT_EQ(peers.Register({0x7F000001u, 1}, 5), Outcome::kRefreshed);
  EXPECT_EQ(peers.Register({0x7F000002u, 1}, 5), Outcome::kAdded);
  EXPECT_EQ(peers.Register({0x7F000000u, 65535}, 5), Outcome::kAdded);  // a neighbour's key
  EXPECT_EQ(peers.size(), 4u);
}

TEST(RelayPeers, KeptByAddressAndPortOnlyAndNeverAnUnreachableOne) {
  RelayPeers peers(10, 1000);
  EXPECT_EQ(peers.Register({0x7F000001u, 5000}, 0), Outcome::kAdded);
  EXPECT_EQ(peers.Register({0x7F000001u, 5000}, 5), Outcome::kRefreshed);
  EXPECT_EQ(peers.Register({0x7F000001u, 5001}, 5), Outcome::kAdded);
  EXPECT_EQ(peers.Register({0x7F000002u, 5000}, 5), Outcome::kAdded);
  EXPECT_EQ(peers.Register({0x7F000001u, 0}, 5), Outcome::kRefused);
  EXPECT_EQ(peers.Register({0, 5000}, 5), Outcome::kRefused);
  std::vector<Ipv4Endpoint> order;
  peers.forEach([&](const Ipv4Endpoint& e) {
    order.push_back(e);
    return true;
  });
  const std::vector<Ipv4Endpoint> expected = {
      {0x7F000001u, 5000}, {0x7F000001u, 5001}, {0x7F000002u, 5000}};
  EXPECT_EQ(order, expected);
}

TEST(RelayDatagram, CorpusKeepsEveryPromise) {
  size_t files = 0;
  for (const auto& file : std::filesystem::directory_iterator(TAVIK_RELAY_CORPUS)) {
    SCOPED_TRACE(file.path().filename().string());
    EXPECT_EQ(testing::CheckRelayDatagram(testing::TempDir::readFile(file.path())), "");
    ++files;
  }
  EXPECT_GE(files, 10u);
}

TEST(RelayConfig, HostsAndPortsFromTheFileAndRefusedValuesKeepTheDefaults) {
  const Config defaults;
  EXPECT_EQ(defaults.relayHosts, std::vector<std::string>{"r.tavik.example.net"});
  EXPECT_EQ(defaults.relayPort, 123);
  EXPECT_EQ(defaults.relayListenPort, 6123);

  testing::TempDir dir;
  dir.write("good.conf",
            "relay_hosts = 127.0.0.1 relay2.example\nrelay_port = 40123\n"
            "relay_listen_port = 46123\n");
  Config good;
  std::vector<std::string> warnings;
  ASSERT_TRUE(good.load(dir.file("good.conf"), &warnings));
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(good.relayHosts, (std::vector<std::string>{"127.0.0.1", "relay2.example"}));
  EXPECT_EQ(good.relayPort, 40123);
  EXPECT_EQ(good.relayListenPort, 46123);

  dir.write("bad.conf",
            "relay_hosts = a.example b c d e f\nrelay_hosts = twenty-characters.net\n"
            "relay_hosts =\nrelay_port = 0\nrelay_port = 65536\nrelay_listen_port = 6123x\n");
  Config bad;
  warnings.clear();
  ASSERT_TRUE(bad.load(dir.file("bad.conf"), &warnings));
  EXPECT_EQ(warnings.size(), 6u);
  EXPECT_EQ(bad.relayHosts, defaults.relayHosts);
  EXPECT_EQ(bad.relayPort, 123);
  EXPECT_EQ(bad.relayListenPort, 6123);
}

}  // namespace
}  // namespace tavik
