#include "sim/sim_services.h"

#include <cstring>

#include "clock/sntp_client.h"
#include "net/relay_datagram.h"

namespace tavik {

namespace {

// The addresses the simulated names resolve to: time servers 10.0.0.1.., relay hosts 10.0.1.1..
constexpr uint32_t kTimeServerBase = 0x0A000001;
constexpr uint32_t kRelayBase = 0x0A000101;
// From a request to its answer, both ways: the time server's and the relay's.
constexpr int kUdpRoundTripMs = 40;

std::string Envelope(const std::string& payload) {
  return "#AA" + payload + "*AA";
}

// The "type" of a vendor query, and its path.
int QueryType(const std::string& url) {
  const size_t at = url.find("?type=");
  return at == std::string::npos ? -1 : std::atoi(url.c_str() + at + 6);
}

bool HasPath(const std::string& url, const char* path) {
  return url.find(path) != std::string::npos;
}

void PutTimestamp(uint8_t* p, int64_t msSince1900) {
  const uint64_t seconds = uint64_t(msSince1900 / 1000);
  const uint64_t fraction = ((uint64_t(msSince1900 % 1000) << 32) + 999) / 1000;
  const uint64_t both[2] = {seconds, fraction};
  for (int i = 0; i < 2; ++i)
    for (int b = 0; b < 4; ++b) p[i * 4 + b] = uint8_t(both[i] >> (24 - 8 * b));
}

}  // namespace

SimServices::SimServices(VirtualClock& clock, const SimScenario& scenario, const Config& config,
                         std::function<int64_t(int64_t)> pageUtcMs,
                         std::function<int64_t(int64_t)> remainMs)
    : clock_(clock),
      scenario_(scenario),
      pageUtcMs_(std::move(pageUtcMs)),
      remainMs_(std::move(remainMs)),
      udp_(clock, [this](const Ipv4Endpoint& to,
                         const std::vector<uint8_t>& data) { return answerUdp(to, data); }),
      http_(clock, [this](const std::string& url) { return answerHttp(url); }) {
  for (size_t i = 0; i < config.ntpServers.size(); ++i)
    udp_.addHost(config.ntpServers[i], kTimeServerBase + uint32_t(i));
  for (size_t i = 0; i < config.relayHosts.size(); ++i)
    udp_.addHost(config.relayHosts[i], kRelayBase + uint32_t(i));
}

int32_t SimServices::netPriceNow() {
  if (scenario_.netPrice.empty()) return 0;
  return scenario_.netPrice.priceAt(remainMs_(pageUtcMs_(clock_.utcNowMs())));
}

std::optional<InProcessHttp::Reply> SimServices::answerHttp(const std::string& url) {
  const int delay = scenario_.vendorDelayMs;
  const int type = QueryType(url);
  if (HasPath(url, "/mp.php") && type == 5) {
    ++priceReports_;
    return InProcessHttp::Reply{Envelope("ok"), delay};
  }
  if (HasPath(url, "/bidip.php")) return InProcessHttp::Reply{Envelope("127.0.0.1"), delay};
  if (!HasPath(url, "/rps.php")) return std::nullopt;
  switch (type) {
    case 3: {
      const int32_t price = netPriceNow();
      if (price == 0) return std::nullopt;
      return InProcessHttp::Reply{Envelope("price," + std::to_string(price)), delay};
    }
    case 8: {
      if (!scenario_.mainParams) return std::nullopt;
      std::string payload;
      for (const std::string& field : *scenario_.mainParams) payload += field + ",";
      return InProcessHttp::Reply{Envelope(payload), delay};
    }
    case 9: {
      std::lock_guard lock(mutex_);
      uploads_.push_back(url);
      return InProcessHttp::Reply{Envelope("ok"), delay};
    }
    case 12:
      if (scenario_.recognitionPayload.empty()) return std::nullopt;
      return InProcessHttp::Reply{Envelope(scenario_.recognitionPayload), delay};
    case 14:
      if (scenario_.dictionaryPayload.empty()) return std::nullopt;
      return InProcessHttp::Reply{Envelope(scenario_.dictionaryPayload), delay};
    default:
      return std::nullopt;
  }
}

std::optional<InProcessUdp::Reply> SimServices::answerUdp(const Ipv4Endpoint& to,
                                                          const std::vector<uint8_t>& data) {
  if (to.address >= kRelayBase) {
    const int32_t price = netPriceNow();
    if (price == 0 ||
        !IsRelayRegistration({reinterpret_cast<const char*>(data.data()), data.size()}))
      return std::nullopt;
    const std::string text = FormatRelayPrice(price);
    return InProcessUdp::Reply{{text.begin(), text.end()}, kUdpRoundTripMs};
  }
  if (!scenario_.networkTimeAnswers || data.size() != kSntpPacketSize) return std::nullopt;
  // Half the round trip after the request left, the server's clock reads the true time plus
  // its offset; the answer takes the other half back.
  const int64_t atServer = pageUtcMs_(clock_.utcNowMs()) + kUdpRoundTripMs / 2 +
                           scenario_.networkOffsetMs + kNtpToUnixEpochMs;
  std::vector<uint8_t> reply(kSntpPacketSize, 0);
  reply[0] = 0x1C;                        // no leap warning, version 3, mode 4 (server)
  reply[1] = 2;                           // stratum
  std::memcpy(&reply[24], &data[40], 8);  // originate = the client's transmit time
  PutTimestamp(&reply[32], atServer);
  PutTimestamp(&reply[40], atServer);
  return InProcessUdp::Reply{std::move(reply), kUdpRoundTripMs};
}

std::vector<std::string> SimServices::uploads() const {
  std::lock_guard lock(mutex_);
  return uploads_;
}

}  // namespace tavik
