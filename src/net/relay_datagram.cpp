#include "net/relay_datagram.h"

#include <charconv>
#include <iterator>

namespace tavik {
namespace {

constexpr std::string_view kOpen = "#AA";
constexpr std::string_view kClose = "*AA";
// Reply texts of five characters or fewer are dropped before any search.
constexpr size_t kMinReplyChars = 6;

// A datagram read as C text: it ends at its first NUL.
std::string_view asText(std::string_view datagram) {
  return datagram.substr(0, datagram.find('\0'));
}

}  // namespace

RelayHello BuildRelayHello() {
  RelayHello hello{};
  for (size_t i = 0; i < kRelayHelloTag.size(); ++i) hello[i] = uint8_t(kRelayHelloTag[i]);
  return hello;
}

std::string FormatRelayPrice(int32_t price) {
  return std::string(kOpen) + std::to_string(price) + std::string(kClose);
}

int32_t ParseRelayReply(std::string_view datagram) {
  const std::string_view text = asText(datagram);
  if (text.size() < kMinReplyChars) return 0;
  const size_t open = text.find(kOpen);
  if (open == std::string_view::npos) return 0;
  std::string_view field = text.substr(open + kOpen.size());
  field = field.substr(0, field.find(kClose));
  // from_chars takes no sign or space, and reports a number too large for the type instead of
  // wrapping it; the whole field has to be the number.
  uint32_t value = 0;
  const char* const end = field.data() + field.size();
  const auto [stop, ec] = std::from_chars(field.data(), end, value);
  if (field.empty() || ec != std::errc() || stop != end) return 0;
  if (value % 100 != 0 || value < uint32_t(kRelayReplyMinPrice) ||
      value > uint32_t(kRelayReplyMaxPrice))
    return 0;
  return int32_t(value);
}

bool IsRelayRegistration(std::string_view datagram) {
  return asText(datagram).find(kRelayHelloTag) != std::string_view::npos;
}

RelayPeers::Outcome RelayPeers::Register(const Ipv4Endpoint& peer, uint32_t nowMs) {
  if (peer.address == 0 || peer.port == 0 || capacity_ == 0) return Outcome::kRefused;
  const uint64_t key = keyOf(peer);
  if (const auto known = lastSeen_.find(key); known != lastSeen_.end()) {
    known->second = nowMs;
    return Outcome::kRefreshed;
  }
  if (placesOf(peer.address) >= perAddress_) return Outcome::kRefused;
  if (lastSeen_.size() < capacity_) {
    lastSeen_.emplace(key, nowMs);
    return Outcome::kAdded;
  }
  // Full: the peer silent longest gives way if it has been silent long enough. Unsigned
  // differences stay right across the tick count's wrap.
  auto stalest = lastSeen_.begin();
  for (auto it = lastSeen_.begin(); it != lastSeen_.end(); ++it)
    if (nowMs - it->second > nowMs - stalest->second) stalest = it;
  if (nowMs - stalest->second < staleMs_) return Outcome::kRefused;
  lastSeen_.erase(stalest);
  lastSeen_.emplace(key, nowMs);
  return Outcome::kReplaced;
}

// Keys of one address are neighbours in the map: address << 16 up to the next address.
size_t RelayPeers::placesOf(uint32_t address) const {
  const uint64_t first = uint64_t(address) << 16;
  return size_t(
      std::distance(lastSeen_.lower_bound(first), lastSeen_.lower_bound(first + 0x10000)));
}

}  // namespace tavik
