#include "clock/network_time.h"

#include <algorithm>
#include <limits>

namespace tavik {
namespace {

constexpr const char* kGiveUpNotice = "读取网络服务器时间失败5次";
constexpr const char* kSyncedNotice = "读取NTP-S1网络时间成功,ip=";
constexpr int kTickWrap = 5000;
constexpr int kFailCyclesLimit = 5;

}  // namespace

int32_t WrapOffsetToDay(int32_t offsetMs) {
  if (offsetMs > kMsPerDay || offsetMs < -kMsPerDay) return offsetMs % kMsPerDay;
  return offsetMs;
}

NetworkTimeSync::NetworkTimeSync(const TimeSyncInputs& in, NetworkTimeState& time, Clock& clock,
                                 Logger& log, UdpTransport& udp, const Config& config)
    : in_(in),
      time_(time),
      clock_(clock),
      log_(log),
      udp_(udp),
      servers_(config.ntpServers),
      port_(config.ntpPort) {}

std::string NetworkTimeSync::publicServer(size_t index) const {
  return index < servers_.size() ? servers_[index] : std::string();
}

void NetworkTimeSync::SyncNetworkTime() {
  if (++time_.g_ntpTick > kTickWrap) time_.g_ntpTick = 0;
  if (!due()) return;
  if (time_.m_ntpEnabled != 1 || time_.m_ntpFailCycles >= kFailCyclesLimit) {
    time_.m_ntpStatus = 2;
    log_.LogStatus(kGiveUpNotice, true);
    return;
  }
  runCycle();
}

// A cycle runs at the first call of a run and then about every 50 s, never in practice mode
// and never in the last 30 seconds, when a blocked worker would hold a stale clock.
bool NetworkTimeSync::due() const {
  if (in_.m_realMode != 1) return false;
  if (time_.g_ntpTick % 500 != 400 && time_.m_ntpStatus != 0) return false;
  const int32_t remain = in_.m_remainSec;
  return remain > 30 || remain == 0;
}

// A cycle may take up to 15 s. When the run it belongs to ends meanwhile (Stop, and perhaps
// Start again), its result is dropped: it must not mark the new run as synced.
void NetworkTimeSync::runCycle() {
  const int32_t generation = in_.m_runGeneration;
  time_.m_ntpStatus.compareExchange(0, 1);
  CSNTPClient client(clock_, udp_);
  const std::string order[] = {publicServer(0), publicServer(1), publicServer(0),
                               time_.m_ntpServer.get(), publicServer(3)};
  const auto current = [&] { return !stop_ && in_.m_runGeneration == generation; };
  for (const std::string& server : order) {
    if (!current()) return;
    if (client.QueryTime(server, port_) == 1) {
      if (!current()) return;
      time_.m_ntpFailCycles = 0;
      store(WrapOffsetToDay(client.m_offsetMs), server);
      return;
    }
    clock_.sleepMs(kNtpRetryPauseMs);
  }
  if (current()) ++time_.m_ntpFailCycles;
}

void NetworkTimeSync::store(int32_t offsetMs, const std::string& server) {
  const int64_t trimmed =
      std::clamp<int64_t>(int64_t(offsetMs) + time_.m_ntpTrimMs,
                          std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  if (trimmed == time_.m_ntpLastOffsetMs) return;
  time_.m_ntpLastOffsetMs = int32_t(trimmed);
  time_.m_ntpOffsetMs = int32_t(trimmed);
  time_.m_ntpStatus = 2;
  log_.LogStatus(std::string(kSyncedNotice) + server, true);
}

}  // namespace tavik
