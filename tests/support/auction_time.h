#pragma once
// Puts the auction clock of a run where `remainSec` seconds are left before an 11:30 end, as
// the page readers and the clock would have shown it.

#include "clock/clock_state.h"

namespace tavik::testing {

inline void ShowTimeBeforeEnd(ClockState& clock, int remainSec) {
  clock.m_endTime = TimeOfDay{11, 30, 0};
  clock.m_curTime = TimeOfDay::fromSeconds((11 * 60 + 30) * 60 - remainSec);
}

}  // namespace tavik::testing
