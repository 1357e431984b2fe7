#include "net/price_relay.h"

#include <string_view>

namespace tavik {
namespace {

constexpr const char* kSocketFailed = "Failed socket 6123失败.";
constexpr const char* kBindFailed = "绑定6123失败.";
constexpr int kNotRelayPauseMs = 3000;
constexpr int kRelayDisabledPauseMs = 1000;
constexpr int kNextHostPauseMs = 10;
constexpr int kOpenRetryPauseMs = 300;
constexpr int kGreetingTimeoutMs = 500;
constexpr int kNoGreetingPauseMs = 200;
constexpr int kIdlePauseMs = 300;
constexpr int kFirstHalfPauseMs = 600;
constexpr int kUnchangedPauseMs = 100;
// A hello goes out again once more than this many seconds have passed since the last one.
constexpr int kHelloRepeatSec = 18;
// Relay hosts shorter than this end the list.
constexpr size_t kShortestHost = 5;

bool inRange(int32_t v, int32_t low, int32_t high) {
  return v >= low && v <= high;
}

// 1800 < remain < 3600: the first half, when no price at or above the warning price is shared.
bool firstHalf(int32_t remain) {
  return remain > 1800 && remain < 3600;
}

std::string_view asText(const uint8_t* data, int length) {
  return {reinterpret_cast<const char*>(data), size_t(length)};
}

}  // namespace

void RelayHosts::set(const std::vector<std::string>& hosts) {
  List list;
  for (size_t i = 0; i < kCount && i < hosts.size(); ++i)
    if (hosts[i].size() <= kMaxChars) list[i] = hosts[i];
  std::lock_guard lock(mutex_);
  hosts_ = std::move(list);
}

void RelayHosts::replaceLeading(const std::vector<std::string>& hosts) {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < kCount && i < hosts.size(); ++i)
    hosts_[i] = hosts[i].size() <= kMaxChars ? hosts[i] : std::string();
}

int RelayClient::OpenRelaySocket() {
  std::lock_guard lock(openMutex_);
  if (m_relaySocket.load(std::memory_order_acquire)) return 1;
  std::unique_ptr<UdpSocket> socket = udp_.open();
  if (!socket) {
    clock_.sleepMs(kOpenRetryPauseMs);
    socket = udp_.open();
  }
  if (!socket) return 0;
  owned_ = std::move(socket);
  m_relaySocket.store(owned_.get(), std::memory_order_release);
  return 1;
}

int32_t RelayClient::QueryRelayPrice(const std::string& host, int port, int32_t remain,
                                     AtomicInt& helloSec) {
  UdpSocket* const socket = m_relaySocket.load(std::memory_order_acquire);
  if (!socket || port < 1 || port > 65535) return 0;
  std::optional<uint32_t> address = ParseIpv4(host);
  if (!address) address = udp_.resolve(host);
  if (!address) return 0;
  if (int64_t(helloSec) - remain > kHelloRepeatSec) {
    const RelayHello hello = BuildRelayHello();
    const Ipv4Endpoint relay{*address, uint16_t(port)};
    if (socket->sendTo(relay, hello.data(), hello.size()) != int(hello.size())) return 0;
    helloSec = remain;
  }
  // The socket is not connected (it talks to several hosts), so anyone who learns its port can
  // write to it: only a datagram from the queried relay's address counts, others are dropped
  // and the wait goes on. (Any port of that address: a relay behind a NAT may answer from
  // another.) A forged price would otherwise raise the lowest price the bids are made at.
  const uint32_t start = clock_.tickCountMs();
  for (;;) {
    const int left = kRelayReplyTimeoutMs - int(clock_.tickCountMs() - start);
    if (left <= 0) return 0;
    std::array<uint8_t, kRelayReplyCapacity> reply{};
    Ipv4Endpoint from;
    const int length = socket->receiveFrom(reply.data(), reply.size(), left, from);
    if (length < 0) return 0;
    if (from.address != *address || size_t(length) > reply.size()) continue;
    return ParseRelayReply(asText(reply.data(), length));
  }
}

size_t SendRelayPrice(UdpSocket& socket, const RelayPeers& peers, int32_t price, size_t limit) {
  const std::string text = FormatRelayPrice(price);
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  size_t tried = 0;
  size_t served = 0;
  peers.forEach([&](const Ipv4Endpoint& peer) {
    if (tried == limit) return false;
    ++tried;
    if (socket.sendTo(peer, bytes, text.size()) == int(text.size())) ++served;
    return true;
  });
  return served;
}

PriceRelay::PriceRelay(const RelayInputs& in, RelayState& state, RelayClient& client, Clock& clock,
                       Logger& log, UdpTransport& udp, const Config& config, NotifyUser notifyUser)
    : in_(in),
      state_(state),
      client_(client),
      clock_(clock),
      log_(log),
      udp_(udp),
      notifyUser_(std::move(notifyUser)),
      relayPort_(config.relayPort),
      listenPortSetting_(config.relayListenPort) {
  state_.m_relayHosts.set(config.relayHosts);
}

void PriceRelay::PollRelayPrice() {
  if (in_.m_bidNumber.get() == kRelayBidNumber || in_.m_realMode == 0) {
    clock_.sleepMs(kNotRelayPauseMs);
    return;
  }
  const int32_t remain = in_.m_remainSec;
  if (remain <= 2 || remain >= 1770) return;
  if (state_.m_udpEnabled != 1) {
    clock_.sleepMs(kRelayDisabledPauseMs);
    return;
  }
  for (const std::string& host : state_.m_relayHosts.get()) {
    if (host.size() < kShortestHost || stop_) return;
    const int32_t price =
        client_.QueryRelayPrice(host, relayPort_, in_.m_remainSec, state_.m_udpHelloSec);
    if (price > 80000 && price < 110000) {
      ++state_.g_udpPriceHits;
      state_.m_udpNetPrice = price;
      return;
    }
    clock_.sleepMs(kNextHostPauseMs);
  }
}

void PriceRelay::RunPriceRelay() {
  if (in_.m_bidNumber.get() != kRelayBidNumber) {
    clock_.sleepMs(kNotRelayPauseMs);
    return;
  }
  std::unique_ptr<UdpSocket> socket = udp_.open();
  if (!socket) {
    tellUser(kSocketFailed);
    clock_.sleepMs(kNotRelayPauseMs);
    return;
  }
  const int port = listenPortSetting_;
  if (port < 0 || port > 65535 || !socket->bind(uint16_t(port))) {
    socket.reset();
    tellUser(kBindFailed);
    clock_.sleepMs(kNotRelayPauseMs);
    return;
  }
  lastNotice_.clear();
  // The platform may grant less; a smaller buffer only makes a burst wait for room.
  socket->setSendBuffer(kRelaySendBufferBytes);
  listenPort_ = socket->localPort();
  while (!stop_) relayPass(*socket);
  listenPort_ = 0;
}

// One pass of the relay copy's loop: check the price, read at most one greeting, and send the
// price when it is new.
void PriceRelay::relayPass(UdpSocket& socket) {
  if (in_.m_remainSec <= 0) return clock_.sleepMs(kIdlePauseMs);
  const int32_t seen = in_.m_lowestPrice;
  const bool offStep = seen % 100 != 0;
  if (seen == 0 || offStep) {
    log_.LogStatus("严重错误!!!UDP价格" + std::to_string(seen) + "不对,修正到警示价", true);
    // Only the broken value is replaced: a price the reader stored meanwhile stays.
    in_.m_lowestPrice.FallBackToWarning(seen, in_.m_warningPrice);
  }
  // A corrected price waits one more turn.
  if (offStep || !inRange(in_.m_lowestPrice, 82001, 119999)) return clock_.sleepMs(kIdlePauseMs);
  if (in_.m_remainSec > 20) receiveGreetings(socket);

  // The price sent is read once and checked whole: a value the reader stores between two
  // reads must not go out, nor become the last price sent and hold back the right one. Only a
  // price read off the page in this run goes out (0 otherwise, which is never sent).
  const int32_t price = in_.m_lowestPrice.SharedValue();
  if (price >= in_.m_warningPrice && firstHalf(in_.m_remainSec))
    return clock_.sleepMs(kFirstHalfPauseMs);
  if (price <= state_.m_relayLastPrice || !inRange(price, 80001, 149999) || price % 100 != 0)
    return clock_.sleepMs(kUnchangedPauseMs);
  broadcast(socket, price);
}

// Waits for a greeting, then takes every one already waiting, up to kRelayGreetingsPerPass: one
// datagram a pass left the socket's queue full under a flood, and a newcomer's greeting among
// the flood was seldom read.
void PriceRelay::receiveGreetings(UdpSocket& socket) {
  for (size_t taken = 0; taken < kRelayGreetingsPerPass; ++taken) {
    std::array<uint8_t, kRelayRegistrationCapacity> datagram{};
    Ipv4Endpoint from;
    const int waitMs = taken == 0 ? kGreetingTimeoutMs : 0;
    const int length = socket.receiveFrom(datagram.data(), datagram.size(), waitMs, from);
    if (length < 0) {
      if (taken == 0) clock_.sleepMs(kNoGreetingPauseMs);
      return;
    }
    // An oversized datagram is refused whole, as if it were no greeting.
    if (size_t(length) > datagram.size() || !IsRelayRegistration(asText(datagram.data(), length)))
      continue;
    ++greetingCount_;
    peers_.Register(from, clock_.tickCountMs());
    peerCount_ = peers_.size();
  }
}

void PriceRelay::broadcast(UdpSocket& socket, int32_t price) {
  state_.m_relayLastPrice = price;
  const uint32_t start = clock_.tickCountMs();
  const size_t served = SendRelayPrice(socket, peers_, price);
  const uint32_t elapsedMs = clock_.tickCountMs() - start;
  log_.LogStatus("UDP价格" + std::to_string(price) + "发送了:" + std::to_string(peers_.size()) +
                     "用户," + std::to_string(served) + "总次数,用时间" +
                     std::to_string(elapsedMs) + " ms",
                 true);
}

// The worker does not wait for the message box. While the same failure repeats every few
// seconds, the user is told once, not once per retry.
void PriceRelay::tellUser(const std::string& text) {
  if (text == lastNotice_) return;
  lastNotice_ = text;
  if (notifyUser_) notifyUser_(text);
}

}  // namespace tavik
