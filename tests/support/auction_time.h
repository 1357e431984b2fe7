#pragma once
// Puts the auction clock of a run where `remainSec` seconds are left before an 11:30 end, as
// the page readers and the clock would have shown it.

#include "core/run_state.h"

namespace tavik::testing {

inline void ShowTimeBeforeEnd(RunState& run, int remainSec) {
  run.m_endHour = 11;
  run.m_endMinute = 30;
  const int now = (11 * 60 + 30) * 60 - remainSec;
  run.m_curHour = now / 3600;
  run.m_curMinute = now % 3600 / 60;
  run.m_curSecond = now % 60;
}

}  // namespace tavik::testing
