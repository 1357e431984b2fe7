#pragma once
// The UDP side of the shared price network. Every copy in real mode greets the relay hosts and
// takes the prices they send back (PollRelayPrice, worker 6, through the RelayClient's socket);
// one copy, recognised by its bid number, is the relay itself (RunPriceRelay, worker 11): it
// remembers every copy that greets it and sends each new price to all of them. Everything goes
// through the UDP seam, every wait through the Clock.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/atomic_int.h"
#include "core/config.h"
#include "core/guarded_text.h"
#include "core/lowest_price.h"
#include "log/logger.h"
#include "net/relay_datagram.h"
#include "net/udp_transport.h"
#include "platform/clock.h"

namespace tavik {

// The bid number that makes a copy the relay.
inline constexpr const char* kRelayBidNumber = "40516237";
// A burst goes to at most this many peers, and the relay keeps no more peers than it can serve.
inline constexpr size_t kRelaySendLimit = 2001;
inline constexpr size_t kRelayPeerCapacity = kRelaySendLimit;
// A peer that has not greeted for this long may give its place to a newcomer. Running copies
// greet every 19 s of the second half and the relay reads every greeting waiting, so two
// minutes is six missed greetings in a row.
inline constexpr uint32_t kRelayPeerStaleMs = 120'000;
// Places one IPv4 address may hold (copies behind one NAT share an address), so that a flood
// from one machine, whatever its ports, leaves room for newcomers.
inline constexpr size_t kRelayPeersPerAddress = 16;
// Greetings the relay copy takes off its socket in one pass of its loop, at most.
inline constexpr size_t kRelayGreetingsPerPass = 4096;
// How long a client waits for the relay's next price.
inline constexpr int kRelayReplyTimeoutMs = 20'000;
// Room for a whole burst of prices in the relay's send buffer.
inline constexpr int kRelaySendBufferBytes = 10 * 1024 * 1024;

// The relay hosts, tried in order; replaced whole (by the remote main parameters), read whole.
class RelayHosts {
 public:
  static constexpr size_t kCount = 5;
  static constexpr size_t kMaxChars = 19;
  using List = std::array<std::string, kCount>;

  // Takes the first five entries. An entry longer than kMaxChars is left empty rather than cut
  // (a name cut short names another host), which ends the list there.
  void set(const std::vector<std::string>& hosts);
  // Replaces entries 1.. with `hosts` (at most five, in order) in one step; the entries after
  // the last one keep their text.
  void replaceLeading(const std::vector<std::string>& hosts);
  List get() const {
    std::lock_guard lock(mutex_);
    return hosts_;
  }

 private:
  mutable std::mutex mutex_;
  List hosts_;
};

// The shared fields of the relay price network. Worker 6 writes the client's fields, worker 11
// the relay copy's; worker 2 reads m_udpNetPrice, the remote main parameters write m_udpEnabled
// and m_relayHosts.
struct RelayState {
  // The last price received from a relay; kept across runs.
  AtomicInt m_udpNetPrice{88100};
  // m_remainSec when the last hello went to the relays; 3600 greets at the first query.
  AtomicInt m_udpHelloSec{3600};
  // 1 while the relay client may run.
  AtomicInt m_udpEnabled{1};
  RelayHosts m_relayHosts;
  // The last price the relay copy sent out; it sends only higher ones.
  AtomicInt m_relayLastPrice{0};
  // Valid prices received from relays (the HTTP price read slows down once there are some).
  AtomicInt g_udpPriceHits{0};

  // The remote main parameters name new relay hosts (field 19).
  void ReplaceLeadingHosts(const std::vector<std::string>& hosts) {
    m_relayHosts.replaceLeading(hosts);
  }

  void reset() {
    m_udpHelloSec = 3600;
    m_relayLastPrice = 0;
  }
};

// What the relay reads of fields that other subsystems own.
struct RelayInputs {
  // The page's lowest price; the relay copy replaces a broken one by the warning price.
  LowestPrice& m_lowestPrice;
  const AtomicInt& m_warningPrice;
  const AtomicInt& m_remainSec;
  const AtomicInt& m_realMode;
  const GuardedText& m_bidNumber;
};

// The client's socket: opened once at start-up and kept for the life of the program, so that a
// relay sees the same address and port on every hello. Only worker 6 queries through it.
class RelayClient {
 public:
  RelayClient(Clock& clock, UdpTransport& udp) : clock_(clock), udp_(udp) {}

  // Opens the socket, trying once more after 300 ms. 1 when open (also when it already was),
  // 0 when the platform refuses.
  int OpenRelaySocket();

  // Asks `host` (dotted IPv4 or a name) on `port` for the current price: greets it first when
  // more than 18 s (of `remain`) have passed since `helloSec`, which then becomes `remain`;
  // then waits up to kRelayReplyTimeoutMs for one datagram of at most kRelayReplyCapacity
  // bytes from the relay's address (datagrams from other addresses are dropped). The price
  // (ParseRelayReply), or 0 on any failure.
  int32_t QueryRelayPrice(const std::string& host, int port, int32_t remain, AtomicInt& helloSec);

 private:
  Clock& clock_;
  UdpTransport& udp_;
  std::mutex openMutex_;
  std::unique_ptr<UdpSocket> owned_;
  std::atomic<UdpSocket*> m_relaySocket{nullptr};
};

// Sends "#AA<price>*AA" to the peers in their order, to at most `limit` of them. Returns how
// many took the whole datagram.
size_t SendRelayPrice(UdpSocket& socket, const RelayPeers& peers, int32_t price,
                      size_t limit = kRelaySendLimit);

class PriceRelay {
 public:
  // Shows a message box without waiting for it (the controller posts it to the window).
  using NotifyUser = std::function<void(const std::string&)>;

  // The relay hosts and both ports come from the configuration; the hosts go into
  // state.m_relayHosts.
  PriceRelay(const RelayInputs& in, RelayState& state, RelayClient& client, Clock& clock,
             Logger& log, UdpTransport& udp, const Config& config, NotifyUser notifyUser);

  // Worker 6: asks the relay hosts in order and keeps the first price in range.
  void PollRelayPrice();
  // Worker 11: on the relay copy, binds the listening port and serves until requestStop();
  // elsewhere it waits 3000 ms and returns.
  void RunPriceRelay();
  // Shutdown: the relay loop ends after its current wait, the poll asks no further host.
  // The transport's cancelWaits() and the clock's interruptSleeps() end the waits themselves.
  void requestStop() { stop_ = true; }

  // The relay copy's listening port while it serves, else 0.
  int listenPort() const { return listenPort_.load(); }
  // Peers registered, and greetings read, at the relay copy.
  size_t peerCount() const { return peerCount_.load(); }
  size_t greetingCount() const { return greetingCount_.load(); }

 private:
  void relayPass(UdpSocket& socket);
  void receiveGreetings(UdpSocket& socket);
  void broadcast(UdpSocket& socket, int32_t price);
  void tellUser(const std::string& text);

  RelayInputs in_;
  RelayState& state_;
  RelayClient& client_;
  Clock& clock_;
  Logger& log_;
  UdpTransport& udp_;
  NotifyUser notifyUser_;
  int relayPort_;
  int listenPortSetting_;
  std::atomic<bool> stop_{false};
  std::atomic<int> listenPort_{0};
  std::atomic<size_t> peerCount_{0};
  std::atomic<size_t> greetingCount_{0};
  // Worker 11 only.
  RelayPeers peers_{kRelayPeerCapacity, kRelayPeerStaleMs, kRelayPeersPerAddress};
  std::string lastNotice_;
};

}  // namespace tavik
