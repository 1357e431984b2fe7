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

void AuctionClock::show(int hour, int minute, int second) {
  char text[40];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
  run_.m_clockText.set(text);
  run_.m_curHour = hour;
  run_.m_curMinute = minute;
  run_.m_curSecond = second;
}

void AuctionClock::showPage(const PageTime& page) {
  run_.m_clockText.set(page.text);
  run_.m_curHour = page.hour;
  run_.m_curMinute = page.minute;
  run_.m_curSecond = page.second;
}

// The page clock has proven itself when it read inside the auction window more than ten times
// in the current half.
bool AuctionClock::pageTimeProven() const {
  const int32_t stage = run_.m_auctionStage;
  return (stage == 1 && time_.m_pageTimeHits1 > 10) || (stage == 2 && time_.m_pageTimeHits2 > 10);
}

void AuctionClock::UpdateAuctionClock(const PageTimeReader& readPageTime) {
  // Practice pages without a clock of their own run on the local clock.
  if (run_.m_realMode == 0 && run_.m_compatMode == 1 &&
      run_.m_pageTitle.get().find("51") == std::string::npos) {
    const CalendarTime local = clock_.localTime();
    show(local.hour, local.minute, local.second);
    return;
  }

  PageTime page;
  page.ok = readPageTime ? readPageTime(page.hour, page.minute, page.second, page.text) : 0;

  // Network time first when the service mode asks for it. Practice pages never use network
  // time, so there the page's own clock is always read: skipping it would leave them blank.
  const int32_t netMode = run_.m_netMode;
  const bool networkFirst = run_.m_realMode == 1 && run_.m_compatMode != 0 &&
                            (netMode == 2 || netMode == 3) &&
                            time_.m_ntpFailCycles < kFailCyclesLimit;
  if (!networkFirst) {
    if (page.ok == 1) {
      showPage(page);
      if (time_.m_ntpFailCycles < kFailCyclesLimit) return;
    }
    if (run_.m_compatMode == 0 && pageTimeProven()) return;
    // Network time has failed but the page clock is not trusted yet: allow one more sync.
    if (time_.m_ntpFailCycles >= kFailCyclesLimit && time_.m_pageTimeHits2 < 30)
      time_.m_ntpFailCycles = 4;
  }
  networkTime(page);
}

void AuctionClock::networkTime(const PageTime& page) {
  if (run_.m_realMode != 1) return;
  const CalendarTime local = clock_.localTime();
  if (time_.m_ntpFailCycles >= kFailCyclesLimit && pageTimeProven()) {
    if (page.ok == 1) {
      log_.LogStatus(kNetTimeWrong, true);
      showPage(page);
    }
    return;
  }

  const int64_t startMs = int64_t(run_.m_auctionStartSec) * 1000;
  const int64_t endMs = int64_t(run_.m_auctionEndSec) * 1000;
  const int32_t offset = time_.m_ntpOffsetMs;
  // Network time of day in ms, not wrapped at midnight: the window test sorts out the rest.
  if (-kUsableOffsetMs < offset && offset < kUsableOffsetMs) {
    const int64_t t = int64_t(local.secondsOfDay()) * 1000 + offset + local.millisecond;
    if (startMs < t && t < endMs + 10) {
      const int64_t inHour = t % 3'600'000;
      show(int(t / 3'600'000), int(inHour / 60'000), int(inHour % 60'000 / 1000));
      return;
    }
  }
  const int localSec = local.secondsOfDay();
  if (run_.m_auctionStartSec < localSec && localSec < run_.m_auctionEndSec + 10) {
    log_.LogStatus(kNetTimeWrong, true);
    show(local.hour, local.minute, local.second);
  }
  // Outside the auction window the shown time is not refreshed from the network.
}

void AuctionClock::UpdateRemainSec(WindowTimers& timers, const std::function<void()>& toggleRun) {
  run_.m_prevSubSecondTicks = run_.m_subSecondTicks.load();
  const int32_t remain = (run_.m_endHour * 60 + run_.m_endMinute) * 60 -
                         (run_.m_curHour * 3600 + run_.m_curMinute * 60 + run_.m_curSecond);
  if (0 <= remain && remain < kMaxRemainSec) {
    run_.m_prevRemainSec = run_.m_remainSec.load();
    run_.m_remainSec = remain;
    const int32_t prev = run_.m_prevRemainSec;
    // The page clock may stand still on the last second; hold it for at most four ticks.
    if (prev == 1) {
      const int32_t heldTicks = run_.m_lastSecondTicks;
      run_.m_lastSecondTicks = heldTicks + 1;
      if (heldTicks > 2) run_.m_remainSec = 0;
    }
    if (1 <= prev && prev <= 30 && run_.m_endTimerArmed == 0) {
      run_.m_endTimerArmed = 1;
      if (flags_.g_uploadDelaySec < 0 || flags_.g_uploadDelaySec > 10) flags_.g_uploadDelaySec = 5;
      timers.start(kResultUploadTimerId, (run_.m_remainSec + flags_.g_uploadDelaySec + 5) * 1000);
    }
    if (1 <= prev && prev <= 10 && run_.m_remainSec == 0 && run_.m_running == 1) toggleRun();
  }

  // Sub-second counter: 200 ms ticks spent on the same remaining second.
  if (run_.m_remainSec == run_.m_prevRemainSec)
    ++run_.m_subSecondTicks;
  else
    run_.m_subSecondTicks = 0;
  if (run_.m_remainSec == 0) run_.m_subSecondTicks = 4;
}

}  // namespace tavik
