#pragma once
// When the captcha box's OK is clicked. The user types the captcha and presses Enter; these
// rules pick the moment: as soon as the bid price is reached (my price <= lowest + 300),
// earlier when the early-confirmation rule allows it, and whatever the price at the forced
// second of the strategy and in the last two seconds.
//
// Both rules run on the engine's thread inside its step and wait there in 100 ms sleeps on the
// clock, re-reading the remaining seconds, the lowest price and my price on every pass, so that
// a price that becomes reached or a second that passes ends a wait at the next pass. Every line
// goes to the log with the status line.

#include <cstdint>
#include <string>

#include "bidding/bid_context.h"
#include "settings/strategy.h"

namespace tavik {

enum class ConfirmResult { None, Confirmed, Cancelled };

// The confirmation settings with their limits applied.
struct ConfirmationLimits {
  int32_t earlyMaxDiff = 0;     // 300..1000; below → 400, above → 500
  int32_t earlySec = 0;         // 4..3600
  int32_t earlyDelayUnits = 0;  // m_earlyDelayMs in 100 ms units, 0..30; otherwise 25
  int32_t forceSec = 0;         // 2..9; otherwise 4
  int32_t forceDelayMs = 0;     // 100..999; otherwise 0 (no delay)
};
ConfirmationLimits LimitConfirmation(const Strategy& strategy);

class ConfirmationTiming {
 public:
  // `strategy` is the store that `c.strategy` reads, here open for writing: the limits of
  // m_earlyMaxDiff and m_earlySec are written back to the setting in force.
  ConfirmationTiming(BidContext& c, StrategyStore& strategy, CaptchaBoxActions& box)
      : c_(c), strategy_(strategy), box_(box) {}

  // One decision while the user has pressed Enter (engine state 3): confirm, cancel a third bid
  // that is reached too early, or nothing yet. It may wait up to about 4 s on the clock.
  ConfirmResult DecideConfirmation();

  // With 1 or 2 seconds left, whatever the engine state: confirms a captcha box on screen once
  // the captcha looks typed, once the box has been up for 3 s, or in the final second.
  ConfirmResult LastSecondsConfirm();

 private:
  struct Reading;
  struct Decision;

  Reading Read() const;
  void AutoAdjust(const Reading& now, Decision& d);
  void ForcedA(const Reading& now, const Decision& d);
  void EarlyConfirm(const Strategy& s, const ConfirmationLimits& limits, const Decision& d);
  void ForcedB(const Reading& now, const Decision& d);
  void ForcedDelay(int passes, bool ruleA);
  void WriteBackLimits(const Strategy& snapshot, const ConfirmationLimits& limits);
  void Log(const std::string& text);
  bool Sleep(int ms);

  BidContext& c_;
  StrategyStore& strategy_;
  CaptchaBoxActions& box_;
};

}  // namespace tavik
