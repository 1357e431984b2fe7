// The auction clock in virtual time: the local clock is a VirtualClock set to the wanted time of
// day (China time), the page clock a scripted reader.

#include "clock/auction_clock.h"

#include <gtest/gtest.h>

#include "app/run_state.h"
#include "clock/temp_log.h"
#include "net/net_state.h"
#include "page/page_state.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

constexpr const char* kNetTimeWrong = "NTP网络时间错误，读界面时间";
// 2025-12-09 00:00:00 in UTC+8.
constexpr int64_t kLocalMidnightUtcMs = 1'765'209'600'000;

int64_t msOfDay(int h, int m, int s, int ms = 0) {
  return ((h * 60LL + m) * 60 + s) * 1000 + ms;
}

struct PageReading {
  int ok = 0;
  int hour = 0, minute = 0, second = 0;
  std::string text;
};

class AuctionClockTest : public ::testing::Test {
 protected:
  AuctionClockTest() : clock(kLocalMidnightUtcMs) {
    run.m_logEnabled = 1;
    clockState.m_endTime = TimeOfDay{11, 30, 0};
  }

  void setLocal(int64_t localMsOfDay) {
    clock.runFor(localMsOfDay - (clock.utcNowMs() - kLocalMidnightUtcMs));
  }
  void update() { auction.UpdateAuctionClock(reader()); }
  PageTimeReader reader() {
    return [this](int& h, int& m, int& s, std::string& text) {
      ++pageReads;
      h = page.hour;
      m = page.minute;
      s = page.second;
      text = page.text;
      return page.ok;
    };
  }
  std::string shown() const {
    const TimeOfDay t = clockState.m_curTime.load();
    return clockState.m_clockText.get() + " " + std::to_string(t.hour) + ":" +
           std::to_string(t.minute) + ":" + std::to_string(t.second);
  }

  VirtualClock clock;
  RunState run;
  ClockState clockState;
  PageState pageState;
  NetState net;
  ProcessFlags flags;
  NetworkTimeState time;
  testing::TempLog log{clock};
  Logger logger{log.file, run.m_logEnabled};
  AuctionClock auction{
      clockState,
      ClockInputs{run.m_running, run.m_realMode, run.m_compatMode, net.m_netMode,
                  pageState.m_auctionStage, run.m_pageTitle, flags.g_uploadDelaySec},
      time, clock, logger};
  PageReading page;
  int pageReads = 0;
};

// Real mode, network time first (the defaults): what each local time and offset shows.
TEST_F(AuctionClockTest, NetworkTimeInsideTheWindowAndTheLocalFallback) {
  const std::string untouched = std::string(kClockTextInitial) + " 0:0:0";
  const struct {
    int64_t local;
    int32_t offset;
    std::string shown;
    bool logged;
  } cases[] = {
      {msOfDay(10, 0, 0), 0, untouched, false},                    // before the window
      {msOfDay(10, 29, 59, 500), 600, "10:30:00 10:30:0", false},  // the offset moves it in
      {msOfDay(10, 59, 58, 700), 1500, "11:00:00 11:0:0", false},  // t = 39,600,200
      {msOfDay(11, 15, 0), 70'000'000, "11:15:00 11:15:0", true},  // unusable offset
      {msOfDay(11, 16, 0), -70'000'000, "11:16:00 11:16:0", true},
      {msOfDay(11, 17, 0), 69'999'999, "11:17:00 11:17:0", true},  // usable, lands outside
      {msOfDay(11, 30, 0, 9), 0, "11:30:00 11:30:0", false},       // 10 ms upper margin
      {msOfDay(11, 30, 5), 0, "11:30:05 11:30:5", true},           // 10 s margin of the local test
      {msOfDay(11, 30, 10), 0, "11:30:05 11:30:5", false},         // past both: not refreshed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.local);
    setLocal(c.local);
    time.m_ntpOffsetMs = c.offset;
    const int before = log.count(kNetTimeWrong);
    update();
    EXPECT_EQ(shown(), c.shown);
    EXPECT_EQ(log.count(kNetTimeWrong) - before, c.logged ? 1 : 0);
  }
  EXPECT_EQ(pageReads, int(std::size(cases)));  // read every time, shown never
}

TEST_F(AuctionClockTest, WhenThePageClockIsUsed) {
  const struct {
    const char* name;
    int compatMode, netMode, failCycles, stage, hits1, hits2, pageOk;
    std::string shown;
    int failCyclesAfter;
    bool logged;
  } cases[] = {
      {"network first", 1, 2, 4, 2, 0, 50, 1, "11:15:00 11:15:0", 4, false},
      {"page first", 1, 0, 0, 2, 0, 0, 1, "11:11:11 11:11:11", 0, false},
      {"page unreadable", 1, 0, 0, 2, 0, 0, -1, "11:15:00 11:15:0", 0, false},
      {"network failed, page unproven", 1, 2, 5, 2, 0, 11, 1, "11:15:00 11:15:0", 4, false},
      {"network failed, page proven", 1, 2, 5, 2, 0, 30, 1, "11:11:11 11:11:11", 5, true},
      {"network failed, proven, unread", 1, 2, 5, 2, 0, 30, -1, "--", 5, false},
      {"compat off, proven in stage 1", 0, 2, 0, 1, 11, 0, -1, "--", 0, false},
      {"compat off, unproven", 0, 2, 0, 1, 10, 0, -1, "11:15:00 11:15:0", 0, false},
      {"compat off, proven elsewhere", 0, 2, 0, 2, 11, 0, -1, "11:15:00 11:15:0", 0, false},
  };
  setLocal(msOfDay(11, 15, 0));
  page = {0, 11, 11, 11, "11:11:11"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    clockState.m_clockText.set("--");
    clockState.m_curTime = TimeOfDay{};
    run.m_compatMode = c.compatMode;
    net.m_netMode = c.netMode;
    pageState.m_auctionStage = c.stage;
    time.m_ntpFailCycles = c.failCycles;
    time.m_pageTimeHits1 = c.hits1;
    time.m_pageTimeHits2 = c.hits2;
    page.ok = c.pageOk;
    const int before = log.count(kNetTimeWrong);
    update();
    EXPECT_EQ(c.shown == "--" ? clockState.m_clockText.get() : shown(), c.shown);
    EXPECT_EQ(time.m_ntpFailCycles, c.failCyclesAfter);
    EXPECT_EQ(log.count(kNetTimeWrong) - before, c.logged ? 1 : 0);
  }
}

TEST_F(AuctionClockTest, PracticePagesUseTheLocalClockUnlessTheyShowTheirOwn) {
  setLocal(msOfDay(9, 5, 7));  // practice runs at any hour
  run.m_realMode = 0;
  page = {1, 11, 29, 40, "11:29:40"};
  const struct {
    const char* title;
    int compatMode, netMode;
    std::string shown;
  } cases[] = {
      {"练习 - 浏览器", 1, 2, "09:05:07 9:5:7"},
      {"51 练习", 1, 2, "11:29:40 11:29:40"},
      {"51 练习", 1, 0, "11:29:40 11:29:40"},
      {"练习 - 浏览器", 0, 0, "11:29:40 11:29:40"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.title << c.compatMode << c.netMode);
    run.m_pageTitle.set(c.title);
    run.m_compatMode = c.compatMode;
    net.m_netMode = c.netMode;
    update();
    EXPECT_EQ(shown(), c.shown);
  }
  // A practice page whose clock cannot be read shows nothing new: no network time in practice.
  page.ok = -1;
  clockState.m_clockText.set("--");
  update();
  EXPECT_EQ(clockState.m_clockText.get(), "--");
}

class RemainSecTest : public AuctionClockTest {
 protected:
  RemainSecTest() {
    timers.setHandler([this](int id) { fired.push_back({id, clock.elapsedMs()}); });
    run.m_running = 1;
  }
  void tick(int h, int m, int s) {
    clockState.m_curTime = TimeOfDay{h, m, s};
    auction.UpdateRemainSec(timers, [this] {
      ++stops;
      run.m_running = 0;
    });
  }

  VirtualTimers timers{clock};
  std::vector<std::pair<int, int64_t>> fired;
  int stops = 0;
};

TEST_F(RemainSecTest, OnlyZeroTo4799SecondsAreTaken) {
  const struct {
    int endH, endM, h, m, s, remain;
  } cases[] = {
      {11, 30, 11, 29, 59, 1}, {11, 30, 10, 10, 1, 4799}, {11, 30, 10, 10, 0, -1},
      {11, 30, 11, 30, 1, -1}, {11, 30, 11, 30, 0, 0},    {0, 0, 11, 0, 0, -1},
      {12, 5, 11, 59, 0, 360},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.h << ":" << c.m << ":" << c.s);
    clockState.m_endTime = TimeOfDay{c.endH, c.endM, 0};
    clockState.m_remainSec = 77;
    clockState.m_prevRemainSec = 55;
    run.m_running = 0;
    tick(c.h, c.m, c.s);
    // A time outside the range changes neither the remaining seconds nor their history.
    EXPECT_EQ(clockState.m_remainSec, c.remain < 0 ? 77 : c.remain);
    EXPECT_EQ(clockState.m_prevRemainSec, c.remain < 0 ? 55 : 77);
  }
}

TEST_F(RemainSecTest, TheLastSecondIsHeldAtMostFourTicksThenTheRunStops) {
  tick(11, 29, 58);
  std::vector<int> remain, subTicks;
  for (int i = 0; i < 7; ++i) {
    tick(11, 29, 59);
    remain.push_back(clockState.m_remainSec);
    subTicks.push_back(clockState.m_subSecondTicks);
  }
  EXPECT_EQ(remain, (std::vector<int>{1, 1, 1, 1, 0, 1, 0}));
  EXPECT_EQ(subTicks, (std::vector<int>{0, 1, 2, 3, 4, 0, 4}));
  EXPECT_EQ(clockState.m_prevSubSecondTicks, 0);
  EXPECT_EQ(stops, 1);  // the second drop finds the run already stopped

  run.m_running = 1;
  tick(11, 29, 59);
  tick(11, 29, 59);
  EXPECT_EQ(stops, 2);
}

TEST_F(RemainSecTest, ReachingZeroFromElevenSecondsDoesNotStop) {
  tick(11, 29, 49);
  tick(11, 30, 0);
  EXPECT_EQ(clockState.m_remainSec, 0);
  EXPECT_EQ(stops, 0);
  tick(11, 29, 50);
  tick(11, 30, 0);
  EXPECT_EQ(stops, 1);
}

TEST_F(RemainSecTest, TheUploadTimerIsArmedOnceInTheLastThirtySeconds) {
  flags.g_uploadDelaySec = 3;
  tick(11, 29, 29);  // 31
  tick(11, 29, 30);  // previous 31: not yet
  EXPECT_FALSE(timers.isActive(kResultUploadTimerId));
  tick(11, 29, 30);  // previous 30: armed for 30 + 3 + 5 seconds
  EXPECT_EQ(clockState.m_endTimerArmed, 1);
  EXPECT_TRUE(timers.isActive(kResultUploadTimerId));
  const int64_t armedAt = clock.elapsedMs();
  tick(11, 29, 31);
  clock.runFor(38'000);
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_EQ(fired[0], std::make_pair(kResultUploadTimerId, armedAt + 38'000));
}

// Armed at 10 s remaining: timer 9 fires once, 10 + delay + 5 seconds later, where a delay
// outside 0..10 counts as 5.
TEST_F(RemainSecTest, AnImplausibleUploadDelayIsReplacedByFive) {
  const struct { int delay, used; } cases[] = {{-1, 5}, {11, 5}, {10, 10}, {0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.delay);
    clockState.m_endTimerArmed = 0;
    fired.clear();
    flags.g_uploadDelaySec = c.delay;
    tick(11, 29, 50);
    tick(11, 29, 50);
    EXPECT_EQ(flags.g_uploadDelaySec, c.used);
    const int64_t due = clock.elapsedMs() + (10 + c.used + 5) * 1000;
    tick(11, 29, 51);  // armed already: no restart
    clock.runUntil(due - 1);
    EXPECT_TRUE(fired.empty());
    clock.runUntil(due);
    EXPECT_EQ(fired, (std::vector<std::pair<int, int64_t>>{{kResultUploadTimerId, due}}));
    timers.stop(kResultUploadTimerId);  // as the window's handler does
  }
}

}  // namespace
}  // namespace tavik
