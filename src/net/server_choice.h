#pragma once
// Which of the vendor's three servers a request goes to, and the failure counts that move the
// main parameters away from a failing server 1.

#include <array>
#include <cstdint>
#include <mutex>

#include "core/atomic_int.h"
#include "log/logger.h"

namespace tavik {

inline constexpr int32_t kParamPeriod = 1200;
inline constexpr int32_t kSlowParamPeriod = 2400;
// More failures than this slow the main-parameter poll down.
inline constexpr int32_t kFailuresBeforeSlowdown = 6;

// m_paramFailTotal and m_serverFails (servers 1..3), read together by the server choice and
// therefore changed and read as one value.
class ServerFailures {
 public:
  struct Counts {
    int32_t m_paramFailTotal = 0;
    std::array<int32_t, 3> m_serverFails{};  // servers 1, 2, 3
  };

  Counts get() const {
    std::lock_guard lock(mutex_);
    return counts_;
  }
  // One more failure of `server` (1..3); returns the counts after it.
  Counts add(int server) {
    std::lock_guard lock(mutex_);
    ++counts_.m_serverFails[size_t(server - 1)];
    ++counts_.m_paramFailTotal;
    return counts_;
  }
  void reset() {
    std::lock_guard lock(mutex_);
    counts_ = {};
  }

 private:
  mutable std::mutex mutex_;
  Counts counts_;
};

struct ServerChoiceState {
  // Calls of the main-parameter poll, 0..5000.
  AtomicInt m_paramTick{800};
  // Main-parameter requests made since program start; never reset.
  AtomicInt m_paramAttempts{0};
  // Period of the main-parameter poll in calls: 2400 once more than six requests failed, for
  // the rest of the program's life.
  AtomicInt g_paramPeriod{kParamPeriod};
  // Server (1..3) of the network-price read; set by the main parameters.
  AtomicInt m_netPriceServer{1};
  ServerFailures failures;

  void reset() {
    m_paramTick = 800;
    failures.reset();
  }
};

// The server of the main-parameter request: server 1 unless it has failed more often than both
// others, then the one of servers 2 and 3 with fewer failures (2 on a tie). Logs the plan.
int SelectParamServer(const ServerChoiceState& state, Logger& log);

enum class FailedRequest { MainParams, RecognitionData };

// Counts a failed request of `server` (1..3; others are ignored). A failed main-parameter
// request is logged, and slows the poll down once the total exceeds six.
void CountServerFailure(ServerChoiceState& state, int server, FailedRequest request, Logger& log);

// The server of the network-price read: 2 and 3 as they are, anything else server 1.
int PriceReadServer(int32_t netPriceServer);

}  // namespace tavik
