#pragma once
// What must hold for any datagram whatever its content: the checks shared by the fuzz target
// and the corpus replay test. Each returns the first broken promise, or an empty text.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "net/relay_datagram.h"

namespace tavik::testing {

// The reply rule read plainly, as a second opinion on ParseRelayReply: the text before the
// first NUL, the first "#AA", the digits up to the next "*AA" or the end.
inline int32_t PlainRelayReply(std::string_view datagram) {
  const std::string_view text = datagram.substr(0, datagram.find('\0'));
  if (text.size() <= 5) return 0;
  size_t open = 0;
  while (open + 3 <= text.size() && text.substr(open, 3) != "#AA") ++open;
  if (open + 3 > text.size()) return 0;
  size_t end = open + 3;
  while (end < text.size() && text.substr(end, 3) != "*AA") ++end;
  if (end == open + 3) return 0;
  uint64_t value = 0;
  for (size_t i = open + 3; i < end; ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + uint64_t(text[i] - '0');
    if (value > 1'000'000) value = 1'000'000;  // out of range anyway; keeps it from overflowing
  }
  if (value % 100 != 0 || value < 80001 || value > 149999) return 0;
  return int32_t(value);
}

inline std::string CheckRelayReply(std::string_view datagram) {
  const int32_t price = ParseRelayReply(datagram);
  if (price != 0 &&
      (price % 100 != 0 || price < kRelayReplyMinPrice || price > kRelayReplyMaxPrice))
    return "price out of range or off the 100 step: " + std::to_string(price);
  if (price != PlainRelayReply(datagram)) return "reply read differently from the plain rule";
  if (ParseRelayReply(std::string(datagram)) != price) return "reply read differently twice";
  const std::string_view text = datagram.substr(0, datagram.find('\0'));
  if (ParseRelayReply(text) != price) return "bytes after the first NUL changed the price";
  if (price != 0 && ParseRelayReply(FormatRelayPrice(price)) != price)
    return "a formatted price does not read back";
  // What follows a complete price is never read.
  const int32_t sent = 80100 + int32_t(datagram.size() % 699) * 100;
  if (ParseRelayReply(FormatRelayPrice(sent) + std::string(datagram)) != sent)
    return "bytes after a complete price changed it";
  return {};
}

inline std::string CheckRelayRegistration(std::string_view datagram) {
  const std::string_view text = datagram.substr(0, datagram.find('\0'));
  if (IsRelayRegistration(datagram) != (text.find("aabbccdd") != std::string_view::npos))
    return "registration not decided by the text's tag";
  return {};
}

// The bytes as a stream of greetings (4 address bytes, 2 port bytes, 1 byte of time passing)
// to a small peer list that wraps its tick count early, each checked against a record of when
// every kept peer last greeted: the list never outgrows its capacity, a newcomer is refused
// only when it cannot be sent to or when every peer greeted within the stale time, and only
// the peer silent longest gives way.
inline std::string CheckRelayPeers(std::string_view bytes) {
  constexpr size_t kCapacity = 8;
  constexpr uint32_t kStaleMs = 1000;
  RelayPeers peers(kCapacity, kStaleMs);
  std::map<uint64_t, uint32_t> seen;  // address << 16 | port -> tick of the last greeting
  uint32_t now = 0xFFFFF000u;
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  for (size_t at = 0; at + 7 <= bytes.size(); at += 7) {
    const Ipv4Endpoint peer{
        uint32_t(p[at]) << 24 | uint32_t(p[at + 1]) << 16 | uint32_t(p[at + 2]) << 8 | p[at + 3],
        uint16_t(p[at + 4] << 8 | p[at + 5])};
    now += uint32_t(p[at + 6]) * 16;
    const uint64_t key = uint64_t(peer.address) << 16 | peer.port;
    uint32_t oldest = 0;
    for (const auto& [k, t] : seen) oldest = std::max(oldest, now - t);
    const bool known = seen.count(key) != 0;
    const bool valid = peer.address != 0 && peer.port != 0;
    const bool full = seen.size() == kCapacity;
    const RelayPeers::Outcome outcome = peers.Register(peer, now);
    using O = RelayPeers::Outcome;
    if (!valid || (!known && full && oldest < kStaleMs)) {
      if (outcome != O::kRefused) return "greeting accepted that should be refused";
    } else if (known) {
      if (outcome != O::kRefreshed) return "known peer not refreshed";
      seen[key] = now;
    } else if (!full) {
      if (outcome != O::kAdded) return "newcomer not added to a list with room";
      seen[key] = now;
    } else {
      if (outcome != O::kReplaced) return "stale peer not replaced";
      size_t gone = 0;
      for (auto it = seen.begin(); it != seen.end();) {
        const Ipv4Endpoint e{uint32_t(it->first >> 16), uint16_t(it->first & 0xFFFF)};
        if (peers.contains(e)) {
          ++it;
          continue;
        }
        if (now - it->second != oldest) return "a peer other than the stalest gave way";
        it = seen.erase(it);
        ++gone;
      }
      if (gone != 1) return "replacing removed other than one peer";
      seen[key] = now;
    }
    if (peers.size() != seen.size() || peers.size() > kCapacity) return "peer count wrong";
    if (valid && outcome != O::kRefused && !peers.contains(peer)) return "accepted peer missing";
  }
  size_t listed = 0;
  peers.forEach([&](const Ipv4Endpoint& e) {
    listed += seen.count(uint64_t(e.address) << 16 | e.port);
    return true;
  });
  if (listed != seen.size()) return "listed peers differ from the kept ones";
  return {};
}

inline std::string CheckRelayDatagram(std::string_view bytes) {
  for (auto check : {CheckRelayReply, CheckRelayRegistration, CheckRelayPeers}) {
    std::string fault = check(bytes);
    if (!fault.empty()) return fault;
  }
  return {};
}

}  // namespace tavik::testing
