#pragma once
// The relay client and the relay copy on real UDP sockets on 127.0.0.1. The relay's pauses run
// on a clock whose waits take no time (its tick count is real), so that the copy reads
// greetings as fast as they come; every receive waits in real time.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "clock/temp_log.h"
#include "net/price_relay.h"

namespace tavik {
// A named namespace, so that both test files share one fixture class (gtest requires it).
namespace relay_testing {

using Steady = std::chrono::steady_clock;

inline constexpr uint32_t kLoopback = 0x7F000001;

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

inline bool waitFor(const std::function<bool()>& done, int ms = 5000) {
  const auto deadline = Steady::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (Steady::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// The hello as the wire format has it, written out independently of the code under test.
inline std::string helloBytes() {
  return std::string("aabbccdd") + std::string(92, '\0');
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
  LowestPrice lowest{90000};
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

}  // namespace relay_testing
}  // namespace tavik
