#pragma once
// The auction clock's shared fields: the time of day it shows, the end time the page reader
// delivers, the remaining seconds that the window's 200 ms tick derives from the two, and the
// auction schedule. Owner: the clock layer (clock/); the end-time reader and the page locator
// deliver the end time and the practice page's schedule through ClockState's named operations. The
// shown time and the end time are each one atomic word, so a reader on another thread never pairs
// the minute of one update with the second of the next.

#include <string>

#include "core/atomic_int.h"
#include "core/guarded_text.h"
#include "core/packed_values.h"

namespace tavik {

inline constexpr const char* kClockTextInitial = "拍卖未开始";

struct ClockState {
  // The current auction time of day (m_curHour, m_curMinute, m_curSecond in one word).
  AtomicTimeOfDay m_curTime;
  // The auction end time of day (m_endHour, m_endMinute in one word; seconds are 0), written
  // by the end-time reader.
  AtomicTimeOfDay m_endTime;
  GuardedText m_clockText{kClockTextInitial};
  GuardedText m_endTimeText;

  // Whole seconds until the end (0..4799; 0 means no value yet) and the tick bookkeeping.
  AtomicInt m_remainSec{0};
  AtomicInt m_prevRemainSec{0};
  AtomicInt m_subSecondTicks{0};
  AtomicInt m_prevSubSecondTicks{0};
  AtomicInt m_lastSecondTicks{0};
  AtomicInt m_endTimerArmed{0};
  // m_remainSec with its m_subSecondTicks, published together at the end of every tick (x the
  // remaining seconds, y the ticks): what reads the two as a pair reads this.
  AtomicPoint m_remainTicks;

  // The auction schedule: start, start of the second half, end.
  GuardedText m_auctionStartText{"10:30:00"};
  GuardedText m_auctionHalfText{"11:00:00"};
  GuardedText m_auctionEndText{"11:30:00"};
  AtomicInt m_auctionStartSec{37800};
  AtomicInt m_auctionHalfSec{39600};
  AtomicInt m_auctionEndSec{41400};

  // The end time as the page or the schedule gives it (the end-time reader, the practice page's
  // title): the time of day and its text together.
  void DeliverEndTime(TimeOfDay end, const std::string& text) {
    m_endTime = end;
    m_endTimeText.set(text);
  }
  // The auction's usual schedule: 10:30:00 to 11:30:00, second half from 11:00:00.
  void UseStandardSchedule() {
    m_auctionStartText.set("10:30:00");
    m_auctionHalfText.set("11:00:00");
    m_auctionEndText.set("11:30:00");
    m_auctionStartSec = 37800;
    m_auctionHalfSec = 39600;
    m_auctionEndSec = 41400;
  }

  // The tick's result: the remaining second with its ticks, the pair stored last (and tests
  // arranging a moment).
  void PublishRemain(int32_t remain, int32_t ticks) {
    m_remainSec = remain;
    m_subSecondTicks = ticks;
    m_remainTicks = Point{remain, ticks};
  }
  void PublishRemain(int32_t remain) { PublishRemain(remain, m_subSecondTicks.load()); }

  void reset() {
    m_curTime = TimeOfDay{};
    m_endTime = TimeOfDay{};
    m_clockText.set(kClockTextInitial);
    m_endTimeText.clear();
    m_remainSec = 0;
    m_prevRemainSec = 0;
    m_subSecondTicks = 0;
    m_prevSubSecondTicks = 0;
    m_lastSecondTicks = 0;
    m_endTimerArmed = 0;
    m_remainTicks = Point{};
  }
};

}  // namespace tavik
