#pragma once
// The auction clock: worker 2 keeps the current auction time of day from the page's own clock,
// from network time or from the local clock; the window's 200 ms tick turns it into the
// remaining seconds, arms the result-upload timer near the end and stops the run at the end.

#include <functional>
#include <string>

#include "clock/clock_state.h"
#include "clock/time_state.h"
#include "core/atomic_int.h"
#include "core/guarded_text.h"
#include "log/logger.h"
#include "platform/clock.h"
#include "platform/timers.h"

namespace tavik {

// The window timer that requests the result upload shortly after the end.
inline constexpr int kResultUploadTimerId = 9;

// The page-time reader: 1 when the page's clock was read and lies inside the auction window,
// -1 when unreadable or outside it, 0 when there is nothing to read yet. It delivers the
// hour, minute, second and the text as the page shows it.
using PageTimeReader = std::function<int(int& hour, int& minute, int& second, std::string& text)>;

// What the clock reads of fields that other subsystems own.
struct ClockInputs {
  const AtomicInt& m_running;
  const AtomicInt& m_realMode;
  const AtomicInt& m_compatMode;
  const AtomicInt& m_netMode;
  const AtomicInt& m_auctionStage;
  const GuardedText& m_pageTitle;
  // The per-installation delay of the result upload, 0..9 s (drawn at start-up).
  AtomicInt& g_uploadDelaySec;
};

class AuctionClock {
 public:
  AuctionClock(ClockState& state, const ClockInputs& in, NetworkTimeState& time, Clock& clock,
               Logger& log)
      : state_(state), in_(in), time_(time), clock_(clock), log_(log) {}

  // Worker 2's clock step (every 100 ms while running with the auction window found).
  void UpdateAuctionClock(const PageTimeReader& readPageTime);
  // The remaining-time step of the 200 ms tick, on the window's thread. `toggleRun` stops the
  // run when the last second has passed.
  void UpdateRemainSec(WindowTimers& timers, const std::function<void()>& toggleRun);

 private:
  struct PageTime {
    int ok = 0;
    int hour = 0, minute = 0, second = 0;
    std::string text;
  };
  void show(const TimeOfDay& t);
  void showPage(const PageTime& page);
  bool pageTimeProven() const;
  void networkTime(const PageTime& page);

  ClockState& state_;
  ClockInputs in_;
  NetworkTimeState& time_;
  Clock& clock_;
  Logger& log_;
};

}  // namespace tavik
