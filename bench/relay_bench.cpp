// The relay copy's burst: one price sent to 2001 registered peers, each a real UDP socket on
// 127.0.0.1, from a socket with the relay's 10 MiB send buffer. Only the sending is timed; the
// peers' queues are emptied between bursts.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "net/price_relay.h"

namespace tavik {
namespace {

constexpr uint32_t kLoopback = 0x7F000001;

void BM_RelayBurstTo2001Peers(benchmark::State& state) {
  PosixUdpTransport udp;
  const std::unique_ptr<UdpSocket> relay = udp.open();
  if (!relay || !relay->bind(0)) return state.SkipWithError("no relay socket");
  relay->setSendBuffer(kRelaySendBufferBytes);

  std::vector<std::unique_ptr<UdpSocket>> peers;
  RelayPeers list(kRelayPeerCapacity, kRelayPeerStaleMs);
  for (size_t i = 0; i < kRelaySendLimit; ++i) {
    auto peer = udp.open();
    if (!peer || !peer->bind(0)) return state.SkipWithError("no peer socket (open files limit?)");
    list.Register({kLoopback, peer->localPort()}, 0);
    peers.push_back(std::move(peer));
  }
  if (list.size() != kRelaySendLimit) return state.SkipWithError("peer ports collided");

  int32_t price = 90000;
  size_t served = 0;
  size_t received = 0;
  for (auto _ : state) {
    price += 100;
    served = SendRelayPrice(*relay, list, price);
    state.PauseTiming();
    uint8_t buffer[64];
    for (auto& peer : peers)
      while (peer->receive(buffer, sizeof buffer, 0) > 0) ++received;
    state.ResumeTiming();
  }
  state.counters["served"] = double(served);
  state.counters["received"] =
      benchmark::Counter(double(received), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RelayBurstTo2001Peers)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tavik

BENCHMARK_MAIN();
