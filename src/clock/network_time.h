#pragma once
// The network-time sync cycle of worker 5: decides when a cycle is due, asks up to five
// servers in a fixed order and stores the offset that the auction clock applies.

#include <atomic>
#include <string>
#include <vector>

#include "clock/sntp_client.h"
#include "clock/time_state.h"
#include "core/atomic_int.h"
#include "core/config.h"
#include "log/logger.h"
#include "net/udp_transport.h"
#include "platform/clock.h"

namespace tavik {

inline constexpr int32_t kMsPerDay = 86'400'000;
// Pause between a failed attempt and the next server.
inline constexpr int kNtpRetryPauseMs = 1000;

// An offset of more than a day (a PC whose date is wrong) keeps only its time-of-day part,
// with the offset's sign; exactly one day stays as it is.
int32_t WrapOffsetToDay(int32_t offsetMs);

// What the sync cycle reads of fields that other subsystems own.
struct TimeSyncInputs {
  const AtomicInt& m_realMode;
  const AtomicInt& m_remainSec;
  // Counts the runs started: a cycle's result only counts for the run that started it.
  const AtomicInt& m_runGeneration;
};

class NetworkTimeSync {
 public:
  // The public servers and the port come from the configuration (servers 1..4 of 4).
  NetworkTimeSync(const TimeSyncInputs& in, NetworkTimeState& time, Clock& clock, Logger& log,
                  UdpTransport& udp, const Config& config);

  // One call of worker 5's pass (every 100 ms while running).
  void SyncNetworkTime();
  // Shutdown: a cycle in progress asks no further server and stores nothing.
  void requestStop() { stop_ = true; }

 private:
  bool due() const;
  void runCycle();
  void store(int32_t offsetMs, const std::string& server);
  std::string publicServer(size_t index) const;

  TimeSyncInputs in_;
  std::atomic<bool> stop_{false};
  NetworkTimeState& time_;
  Clock& clock_;
  Logger& log_;
  UdpTransport& udp_;
  std::vector<std::string> servers_;
  int port_;
};

}  // namespace tavik
