#include "clock/auction_clock.h"

#include <cstdio>

namespace tavik {
namespace {

constexpr const char* kNetTimeWrong = "NTP网络时间错误，读界面时间";
constexpr int kFailCyclesLimit = 5;
// Offsets this large are garbage, not a wrong PC clock.
constexpr int32_t kUsableOffsetMs = 70'000'000;
// Remaining times from 80 minutes on are no auction of today.
constexpr int kMaxRemainSec = 4800;

}  // namespace

void AuctionClock::show(const TimeOfDay& t) {
  char text[40];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  state_.m_clockText.set(text);
  state_.m_curTime = t;
}

void AuctionClock::showPage(const PageTime& page) {
  state_.m_clockText.set(page.text);
  state_.m_curTime = TimeOfDay{page.hour, page.minute, page.second};
}

// The page clock has proven itself when it read inside the auction window more than ten times
// in the current half.
bool AuctionClock::pageTimeProven() const {
  const int32_t stage = in_.m_auctionStage;
  return (stage == 1 && time_.m_pageTimeHits1 > 10) || (stage == 2 && time_.m_pageTimeHits2 > 10);
}

void AuctionClock::UpdateAuctionClock(const PageTimeReader& readPageTime) {
  // Practice pages without a clock of their own run on the local clock.
  if (in_.m_realMode == 0 && in_.m_compatMode == 1 &&
      in_.m_pageTitle.get().find("51") == std::string::npos) {
    const CalendarTime local = clock_.localTime();
    show({local.hour, local.minute, local.second});
    return;
  }

  PageTime page;
  page.ok = readPageTime ? readPageTime(page.hour, page.minute, page.second, page.text) : 0;

  // Network time first when the service mode asks for it. Practice pages never use network
  // time, so there the page's own clock is always read: skipping it would leave them blank.
  const int32_t netMode = in_.m_netMode;
  const bool networkFirst = in_.m_realMode == 1 && in_.m_compatMode != 0 &&
                            (netMode == 2 || netMode == 3) &&
                            time_.m_ntpFailCycles < kFailCyclesLimit;
  if (!networkFirst) {
    if (page.ok == 1) {
      showPage(page);
      if (time_.m_ntpFailCycles < kFailCyclesLimit) return;
    }
    if (in_.m_compatMode == 0 && pageTimeProven()) return;
    // Network time has failed but the page clock is not trusted yet: allow one more sync.
    if (time_.m_ntpFailCycles >= kFailCyclesLimit && time_.m_pageTimeHits2 < 30)
      time_.m_ntpFailCycles = 4;
  }
  networkTime(page);
}

void AuctionClock::networkTime(const PageTime& page) {
  if (in_.m_realMode != 1) return;
  const CalendarTime local = clock_.localTime();
  if (time_.m_ntpFailCycles >= kFailCyclesLimit && pageTimeProven()) {
    if (page.ok == 1) {
      log_.LogStatus(kNetTimeWrong, true);
      showPage(page);
    }
    return;
  }

  const int32_t startSec = state_.m_auctionStartSec;
  const int32_t endSec = state_.m_auctionEndSec;
  const int64_t startMs = int64_t(startSec) * 1000;
  const int64_t endMs = int64_t(endSec) * 1000;
  const int32_t offset = time_.m_ntpOffsetMs;
  // Network time of day in ms, not wrapped at midnight: the window test sorts out the rest.
  if (-kUsableOffsetMs < offset && offset < kUsableOffsetMs) {
    const int64_t t = int64_t(local.secondsOfDay()) * 1000 + offset + local.millisecond;
    if (startMs < t && t < endMs + 10) {
      const int64_t inHour = t % 3'600'000;
      show({int(t / 3'600'000), int(inHour / 60'000), int(inHour % 60'000 / 1000)});
      return;
    }
  }
  const int localSec = local.secondsOfDay();
  if (startSec < localSec && localSec < endSec + 10) {
    log_.LogStatus(kNetTimeWrong, true);
    show({local.hour, local.minute, local.second});
  }
  // Outside the auction window the shown time is not refreshed from the network.
}

void AuctionClock::UpdateRemainSec(WindowTimers& timers, const std::function<void()>& toggleRun) {
  ClockState& c = state_;
  c.m_prevSubSecondTicks = c.m_subSecondTicks.load();
  // Each time is read once, whole: a reader never pairs two updates' parts.
  const int32_t remain = c.m_endTime.seconds() - c.m_curTime.seconds();
  if (0 <= remain && remain < kMaxRemainSec) {
    c.m_prevRemainSec = c.m_remainSec.load();
    c.m_remainSec = remain;
    const int32_t prev = c.m_prevRemainSec;
    // The page clock may stand still on the last second; hold it for at most four ticks.
    if (prev == 1) {
      const int32_t heldTicks = c.m_lastSecondTicks;
      c.m_lastSecondTicks = heldTicks + 1;
      if (heldTicks > 2) c.m_remainSec = 0;
    }
    if (1 <= prev && prev <= 30 && c.m_endTimerArmed == 0) {
      c.m_endTimerArmed = 1;
      AtomicInt& delay = in_.g_uploadDelaySec;
      if (delay < 0 || delay > 10) delay = 5;
      timers.start(kResultUploadTimerId, (c.m_remainSec + delay + 5) * 1000);
    }
    if (1 <= prev && prev <= 10 && c.m_remainSec == 0 && in_.m_running == 1) toggleRun();
  }

  // Sub-second counter: 200 ms ticks spent on the same remaining second.
  if (c.m_remainSec == c.m_prevRemainSec)
    ++c.m_subSecondTicks;
  else
    c.m_subSecondTicks = 0;
  if (c.m_remainSec == 0) c.m_subSecondTicks = 4;
  c.PublishRemain(c.m_remainSec.load(), c.m_subSecondTicks.load());
}

}  // namespace tavik
