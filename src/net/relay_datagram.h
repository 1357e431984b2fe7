#pragma once
// The datagrams of the UDP price relay and the relay copy's list of peers: pure functions and
// a pure container, with no socket and no clock, so that hostile datagrams can be fuzzed here.
//
// A client greets a relay with a fixed 100-byte hello; the relay copy remembers who greeted it
// and sends every new price to them as the text "#AA<price>*AA".

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "net/udp_transport.h"

namespace tavik {

// The hello: these eight characters, then zero bytes up to kRelayHelloSize.
inline constexpr std::string_view kRelayHelloTag = "aabbccdd";
inline constexpr size_t kRelayHelloSize = 100;
// Longest datagram a client reads as a relay reply, and a relay copy as a registration.
// Anything longer is refused whole rather than cut.
inline constexpr size_t kRelayReplyCapacity = 100;
inline constexpr size_t kRelayRegistrationCapacity = 1024;
// The prices a relay reply may carry: whole hundreds within this range.
inline constexpr int32_t kRelayReplyMinPrice = 80001;
inline constexpr int32_t kRelayReplyMaxPrice = 149999;

using RelayHello = std::array<uint8_t, kRelayHelloSize>;

RelayHello BuildRelayHello();

// "#AA<price>*AA", no terminator.
std::string FormatRelayPrice(int32_t price);

// The price in a relay reply, or 0. The datagram is read as text up to its first NUL; a text
// of five characters or fewer, or without "#AA", gives 0. The field after the first "#AA" runs
// to the next "*AA" or to the end of the text, and must be decimal digits and nothing else: a
// sign, a space or any other character makes the reply malformed. The value counts only when it
// is a whole hundred within kRelayReplyMinPrice..kRelayReplyMaxPrice.
int32_t ParseRelayReply(std::string_view datagram);

// Whether a datagram greets the relay copy: its text (up to the first NUL) contains the tag.
bool IsRelayRegistration(std::string_view datagram);

// The peers a relay copy sends prices to, kept by address and port and nothing else, with the
// time each last greeted. The list is bounded: a flood of greetings from forged addresses cannot
// grow it without end. When it is full, a newcomer takes the place of the peer that has been
// silent longest, but only if that one has not greeted for `staleMs`; otherwise the newcomer is
// refused. One address holds at most `perAddress` places: beyond that its newcomers are refused,
// so a flood from one machine cannot take the places of others. Copies that are still running
// greet again every few seconds and so keep their places; copies that were closed free theirs.
class RelayPeers {
 public:
  enum class Outcome { kAdded, kRefreshed, kReplaced, kRefused };

  RelayPeers(size_t capacity, uint32_t staleMs, size_t perAddress = SIZE_MAX)
      : capacity_(capacity), staleMs_(staleMs), perAddress_(perAddress) {}

  // Records a greeting from `peer` at `nowMs` (a wrapping millisecond tick count). Port 0 and
  // address 0 cannot be sent to and are refused.
  Outcome Register(const Ipv4Endpoint& peer, uint32_t nowMs);

  size_t size() const { return lastSeen_.size(); }
  size_t capacity() const { return capacity_; }
  bool contains(const Ipv4Endpoint& peer) const { return lastSeen_.count(keyOf(peer)) != 0; }

  // Calls f(endpoint) in a fixed order (address, then port) until it returns false.
  template <class F>
  void forEach(F&& f) const {
    for (const auto& [key, seen] : lastSeen_)
      if (!f(Ipv4Endpoint{uint32_t(key >> 16), uint16_t(key & 0xFFFF)})) return;
  }

 private:
  static uint64_t keyOf(const Ipv4Endpoint& peer) {
    return uint64_t(peer.address) << 16 | peer.port;
  }

  size_t placesOf(uint32_t address) const;

  size_t capacity_;
  uint32_t staleMs_;
  size_t perAddress_;
  std::map<uint64_t, uint32_t> lastSeen_;  // key: address and port; value: tick of last greeting
};

}  // namespace tavik
