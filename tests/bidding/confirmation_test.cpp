// The confirmation timing in virtual time: when the captcha box's OK (or cancel) is clicked,
// to the millisecond, and the log lines that explain it. Each line is shown with the moment
// its status line was written, counted from the start of the case.

#include "bidding/confirmation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bid_world.h"
#include "core/gbk.h"
#include "support/temp_dir.h"
#include "testing/fake_desktop.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

using testing::TempDir;
using Lines = std::vector<std::string>;

constexpr int32_t kLowest = 90000;

// Notes when the box was clicked, and sets the engine state as the page action does.
class BoxRecorder final : public CaptchaBoxActions {
 public:
  BoxRecorder(VirtualClock& clock, BidState& bid) : clock_(clock), bid_(bid) {}
  void ConfirmCaptchaBox() override {
    calls.push_back("confirm@" + std::to_string(clock_.elapsedMs() - mark));
    bid_.m_systemState = 6;
  }
  void CancelCaptchaBox() override {
    calls.push_back("cancel@" + std::to_string(clock_.elapsedMs() - mark));
  }

  Lines calls;
  int64_t mark = 0;

 private:
  VirtualClock& clock_;
  BidState& bid_;
};

// Every option off; early confirmation within 400 from 8 s with a 500 ms budget.
Strategy BaseStrategy() {
  Strategy s;
  s.m_earlyMaxDiff = 400;
  s.m_earlySec = 8;
  s.m_earlyDelayMs = 500;
  s.m_forceSec = 4;
  s.m_forceDelayMs = 0;
  return s;
}

class ConfirmationTest : public ::testing::Test, protected testing::BidWorld {
 protected:
  // The log's lines carry the virtual milliseconds since the start; there is no auction window.
  ConfirmationTest() {
    statusLine = [this] { return "@" + std::to_string(clock.elapsedMs()); };
    auctionWnd = 0;
  }

  // A new case: the strategy, r seconds left, my price `diff` above the lowest price, Enter
  // pressed; the clock, the log and the recorder count from here.
  void Begin(const Strategy& s, int32_t r, int32_t diff) {
    for (int handle : timers_) clock.cancelTimer(handle);
    timers_.clear();
    store.publish(s);
    clockState.PublishRemain(r, 0);
    page.m_lowestPrice.Set(kLowest);
    bid.m_myPrice = kLowest + diff;
    bid.m_systemState = 3;
    mark_ = clock.elapsedMs();
    box.mark = mark_;
    box.calls.clear();
    lines();
  }

  // Runs `fn` on the driver when the case's clock reaches `ms`.
  void At(int64_t ms, std::function<void()> fn) {
    auto handle = std::make_shared<int>(0);
    *handle = clock.addTimer(mark_ + ms - clock.elapsedMs(), [this, handle, fn] {
      clock.cancelTimer(*handle);
      fn();
    });
    timers_.push_back(*handle);
  }
  // The auction clock from here: a tick every 200 ms, a second every five.
  void Ticking(int32_t r, int32_t ticks) {
    clockState.PublishRemain(r, ticks);
    timers_.push_back(clock.addTimer(200, [this] {
      int32_t t = clockState.m_subSecondTicks + 1;
      int32_t r = clockState.m_remainSec;
      if (t == 5) {
        t = 0;
        --r;
      }
      clockState.PublishRemain(r, t);
    }));
  }
  void RaiseLowest(int32_t by) { page.m_lowestPrice.Set(page.m_lowestPrice + by); }
  int64_t now() const { return clock.elapsedMs() - mark_; }

  // The log's lines since the last call, each as "@<ms> text".
  Lines lines() {
    const std::string all = TempDir::readFile(dir.file("my.Log"));
    Lines texts;
    for (size_t at = read_; at < all.size();) {
      const size_t end = all.find("\r\n", at);
      texts.push_back(gbkToUtf8(all.substr(at + 22, end - at - 22)));
      at = end + 2;
    }
    read_ = all.size();
    Lines got;
    for (size_t i = 0; i < texts.size(); ++i) {
      const bool timed = i + 1 < texts.size() && texts[i + 1].rfind("@", 0) == 0;
      got.push_back(timed ? "@" + std::to_string(std::stoll(texts[i + 1].substr(1)) - mark_) + " " +
                                texts[i]
                          : texts[i]);
      i += timed ? 1 : 0;
    }
    return got;
  }
  static Lines Confirmed(int64_t ms) {
    const std::string at = "@" + std::to_string(ms) + " ";
    return {at + "**准备点击确认出价 1 ***", at + "***确认出价***"};
  }
  static Lines Join(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }

  BoxRecorder box{clock, bid};
  ConfirmationTiming timing{context, store, box};

 private:
  int64_t mark_ = 0;
  size_t read_ = 0;
  std::vector<int> timers_;
};

TEST_F(ConfirmationTest, WithEveryOptionOffAReachedPriceIsConfirmedAtOnceAndNothingElseIs) {
  struct Case {
    int32_t diff;
    ConfirmResult result;
  } cases[] = {{300, ConfirmResult::Confirmed},
               {-500, ConfirmResult::Confirmed},
               {400, ConfirmResult::None},
               {5000, ConfirmResult::None}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.diff);
    Begin(BaseStrategy(), 20, c.diff);
    EXPECT_EQ(timing.DecideConfirmation(), c.result);
    const bool confirmed = c.result == ConfirmResult::Confirmed;
    EXPECT_EQ(lines(), confirmed ? Confirmed(0) : Lines{});
    EXPECT_EQ(box.calls, confirmed ? Lines{"confirm@0"} : Lines{});
    EXPECT_EQ(bid.m_systemState.load(), confirmed ? 6 : 3);
    EXPECT_EQ(now(), 0);
  }
}

TEST_F(ConfirmationTest, WithEveryOptionOffTheStepAfterThePriceIsReachedConfirms) {
  Begin(BaseStrategy(), 20, 500);
  At(350, [this] { RaiseLowest(200); });
  ConfirmResult result = ConfirmResult::None;
  for (int step = 0; step < 10 && result == ConfirmResult::None; ++step) {
    result = timing.DecideConfirmation();
    if (result == ConfirmResult::None) clock.sleepMs(100);  // the engine's next step
  }
  EXPECT_EQ(result, ConfirmResult::Confirmed);
  EXPECT_EQ(box.calls, Lines{"confirm@400"});
  EXPECT_EQ(lines(), Confirmed(400));
}

TEST_F(ConfirmationTest, EarlyConfirmationWaitsOutItsBudgetUnlessThePriceComesFirst) {
  const std::string ready = "@0 ***提早出价:在8秒内,和最低成交价差<=400,准备出价***";
  struct Case {
    const char* name;
    int32_t earlyDelayMs, addmiao, r;
    int64_t reachAt;  // the lowest price rises to reach my price; 0 never
    Lines lines;
  } cases[] = {
      // 500 ms: n = 5, k from 4, four sleeps; the line counts n - k units.
      {"budget 5", 500, 1, 8, 0,
       Join({ready, "@410 ***提早出价:延迟500毫秒,总需延迟500毫秒,确认出价***"}, Confirmed(410))},
      {"reached after 200 ms", 500, 1, 8, 200,
       Join({ready, "@210 ***提早出价:价格已到,确认出价,AM=1***",
             "@210 ***提早出价:延迟300毫秒,总需延迟500毫秒,确认出价***"},
            Confirmed(210))},
      {"price not trusted, reached", 500, 0, 8, 200,
       Join({ready, "@210 ***提早出价:价格已到,确认出价,AM=0***",
             "@210 ***提早出价:延迟300毫秒,总需延迟500毫秒,确认出价***"},
            Confirmed(210))},
      // Any other g_addmiao only sleeps, reached or not.
      {"unknown addmiao", 500, 2, 8, 200,
       Join({ready, "@410 ***提早出价:延迟500毫秒,总需延迟500毫秒,确认出价***"}, Confirmed(410))},
      {"budget 0", 50, 1, 8, 0,
       Join({ready, "@10 ***提早出价:延迟0毫秒,总需延迟50毫秒,确认出价***"}, Confirmed(10))},
      {"budget 1", 100, 1, 8, 0,
       Join({ready, "@10 ***提早出价:延迟100毫秒,总需延迟100毫秒,确认出价***"}, Confirmed(10))},
      {"budget 30", 3000, 1, 7, 0,
       Join({ready, "@2910 ***提早出价:延迟3000毫秒,总需延迟3000毫秒,确认出价***"},
            Confirmed(2910))},
      // Above 30 units the budget is 25.
      {"budget 31", 3100, 1, 8, 0,
       Join({ready, "@2410 ***提早出价:延迟2500毫秒,总需延迟3100毫秒,确认出价***"},
            Confirmed(2410))},
      // While the page price is not trusted, a long budget is cut to 10 units above 6 s...
      {"cut to 10", 3000, 0, 7, 0,
       Join({ready, "@1010 ***提早出价:延迟3000毫秒,总需延迟3000毫秒,确认出价***"},
            Confirmed(1010))},
      // ... and to 2 at 5 or 6 s; not below.
      {"cut to 2 at 6 s", 3000, 0, 6, 0,
       Join({ready, "@210 ***提早出价:延迟3000毫秒,总需延迟3000毫秒,确认出价***"}, Confirmed(210))},
      {"cut to 2 at 5 s", 3000, 0, 5, 0,
       Join({ready, "@210 ***提早出价:延迟3000毫秒,总需延迟3000毫秒,确认出价***"}, Confirmed(210))},
      {"no cut at 4 s", 3000, 0, 4, 0,
       Join({ready, "@2910 ***提早出价:延迟3000毫秒,总需延迟3000毫秒,确认出价***"},
            Confirmed(2910))},
      {"last seconds end it", 3000, 0, 2, 0,
       Join({ready, "@10 ***提早出价:价格已到,确认出价,AM=0***",
             "@10 ***提早出价:延迟100毫秒,总需延迟3000毫秒,确认出价***"},
            Confirmed(10))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Strategy s = BaseStrategy();
    s.m_advOption[17] = 1;
    s.m_earlyDelayMs = c.earlyDelayMs;
    Begin(s, c.r, 350);
    net.g_addmiao = c.addmiao;
    if (c.reachAt > 0) At(c.reachAt, [this] { RaiseLowest(100); });
    EXPECT_EQ(timing.DecideConfirmation(), ConfirmResult::Confirmed);
    EXPECT_EQ(lines(), c.lines);
  }
}

TEST_F(ConfirmationTest, EarlyConfirmationNeedsItsSwitchItsSecondsAndItsMargin) {
  struct Case {
    const char* name;
    int32_t option17, r, diff;
  } cases[] = {{"switch off", 0, 8, 350}, {"too early", 1, 9, 350}, {"outside margin", 1, 8, 450}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Strategy s = BaseStrategy();
    s.m_advOption[17] = c.option17;
    Begin(s, c.r, c.diff);
    EXPECT_EQ(timing.DecideConfirmation(), ConfirmResult::None);
    EXPECT_EQ(lines(), Lines{});
    EXPECT_EQ(now(), 0);
  }
}

TEST_F(ConfirmationTest, EarlyLimitsAreWrittenBackAndUsedInTheSameDecision) {
  struct Case {
    int32_t maxDiff, sec, storedMaxDiff, storedSec;
  } cases[] = {
      {250, 2, 400, 4}, {1200, 5000, 500, 3600}, {300, 4, 300, 4}, {1000, 3600, 1000, 3600}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.maxDiff);
    Strategy s = BaseStrategy();
    s.m_advOption[17] = 1;
    s.m_earlyMaxDiff = c.maxDiff;
    s.m_earlySec = c.sec;
    s.m_earlyDelayMs = 0;
    s.m_forceSec = 12;  // limits that are only applied, never stored
    s.m_forceDelayMs = 50;
    Begin(s, 4, 300);
    const auto before = store.snapshot();
    timing.DecideConfirmation();
    const auto after = store.snapshot();
    EXPECT_EQ(after->m_earlyMaxDiff, c.storedMaxDiff);
    EXPECT_EQ(after->m_earlySec, c.storedSec);
    EXPECT_EQ(after->m_forceSec, 12);
    EXPECT_EQ(after->m_forceDelayMs, 50);
    // A strategy within its limits is not published again.
    EXPECT_EQ(after == before, c.maxDiff == c.storedMaxDiff && c.sec == c.storedSec);
    EXPECT_EQ(lines().front(), "@0 ***提早出价:在" + std::to_string(c.storedSec) +
                                   "秒内,和最低成交价差<=" + std::to_string(c.storedMaxDiff) +
                                   ",准备出价***");
  }
}

TEST_F(ConfirmationTest, DelayAndForcedSettingsOutsideTheirRangesAreReplaced) {
  struct Case {
    int32_t delayMs, units, forceSec, limitedSec, forceDelay, limitedDelay;
  } cases[] = {{-200, 25, 1, 4, 99, 0},
               {-50, 0, 2, 2, 100, 100},
               {3000, 30, 9, 9, 999, 999},
               {3099, 30, 10, 4, 1000, 0},
               {3100, 25, 12, 4, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.delayMs);
    Strategy s = BaseStrategy();
    s.m_earlyDelayMs = c.delayMs;
    s.m_forceSec = c.forceSec;
    s.m_forceDelayMs = c.forceDelay;
    const ConfirmationLimits l = LimitConfirmation(s);
    EXPECT_EQ(l.earlyDelayUnits, c.units);
    EXPECT_EQ(l.forceSec, c.limitedSec);
    EXPECT_EQ(l.forceDelayMs, c.limitedDelay);
  }
}

TEST_F(ConfirmationTest, ForceSecond12ActsAs4WhileEnterIsPressedButAs12InTheLastSeconds) {
  Strategy s = BaseStrategy();
  s.m_advOption[18] = 1;
  s.m_forceSec = 12;

  Begin(s, 12, 1000);
  EXPECT_EQ(timing.DecideConfirmation(), ConfirmResult::None);
  EXPECT_EQ(lines(), Lines{});

  Begin(s, 4, 1000);
  EXPECT_EQ(timing.DecideConfirmation(), ConfirmResult::Confirmed);
  EXPECT_EQ(lines(), Join({"@0 ***检查到回车,强制出价-A:在4秒内计划延迟0毫秒不管区间强行出价***",
                           "@0 ***检查到回车,最后强行出价-A:在4秒内不管区间强行出价***"},
                          Confirmed(0)));

  Begin(s, 2, 1000);
  bid.m_bidSentSec = 3;
  page.g_captchaState = 1;
  keys.g_keyCount = 8;
  EXPECT_EQ(timing.LastSecondsConfirm(), ConfirmResult::Confirmed);
  EXPECT_EQ(lines(),
            (Lines{"@0 **准备点击确认出价 7 ***",
                   "@0 ***最后12秒强行出价,没检测到回车,本月验证码4位,检测到输入完成***"}));
}

TEST_F(ConfirmationTest, AutomaticAdjustmentFollowsTheClimbSinceTenSecondsBeforeTheEnd) {
  auto a = [](int64_t at, int sec, int delayMs) {
    const std::string t = "@" + std::to_string(at) + " ";
    Lines out{"@0 ***检查到回车,强制出价-A:在" + std::to_string(sec) + "秒内计划延迟" +
              std::to_string(delayMs) + "毫秒不管区间强行出价***"};
    if (at > 0) out.push_back(t + "***A强制出价延迟" + std::to_string(at) + "毫秒***");
    out.push_back(t + "***检查到回车,最后强行出价-A:在" + std::to_string(sec) +
                  "秒内不管区间强行出价***");
    return Join(out, Confirmed(at));
  };
  struct Case {
    int32_t r, diff, rise, forcedOption;
    Lines lines;
  } cases[] = {
      {7, 400, 250, 1,
       Join(
           {"@0 "
            "***自动调整:倒数7秒,53秒:90000-50秒:89750=差:250,提早700,强制7秒并延迟200毫秒出价***"},
           a(200, 7, 200))},
      // Forced second 7 at 6 s: forced without the delay, which is for second 7 only.
      {6, 400, 200, 1,
       Join(
           {"@0 "
            "***自动调整:倒数6秒,53秒:90000-50秒:89800=差:200,提早700,强制7秒并延迟200毫秒出价***"},
           a(0, 7, 200))},
      {7, 400, 150, 1, {"@0 ***自动调整:倒数7秒,53秒:90000-50秒:89850=差:150,不提早出价***"}},
      {7, 500, 900, 1, {}},
      // u = 500 for a rise of 300..399: 600 is outside it, so the forced second moves to 5.
      {6,
       600,
       350,
       1,
       {"@0 ***自动调整:倒数6秒,54秒:90000-50秒:89650=差:350,提早500,强制5秒,延迟200出价***"}},
      {6,
       450,
       250,
       1,
       {"@0 ***自动调整:倒数6秒,54秒:90000-50秒:89750=差:250,提早400,强制5秒,延迟200出价***"}},
      {6, 600, 400, 1,
       Join({"@0 ***自动调整:倒数6秒,54秒:90000-50秒:89600=差:400,提早700,强制6秒,延迟500出价***"},
            a(500, 6, 500))},
      {6, 600, 100, 1, {"@0 ***自动调整:倒数6秒,54秒:90000-50秒:89900=差:100,不提早出价***"}},
      {5, 900, 200, 1,
       Join({"@0 ***自动调整:倒数5秒,55秒:90000-50秒:89800=差:200,提早700,延迟200出价***"},
            a(200, 5, 200))},
      {5, 900, 199, 1, {"@0 ***自动调整:倒数5秒,55秒:90000-50秒:89801=差:199,不提早出价***"}},
      {4, 900, 300, 1,
       Join({"@0 ***自动调整:倒数4秒,56秒:90000-50秒:89700=差:300,提早700,延迟0出价***"},
            a(0, 4, 0))},
      // No climb, but 4 s is the strategy's own forced second.
      {4, 900, 0, 1,
       Join({"@0 ***自动调整:倒数4秒,56秒:90000-50秒:90000=差:0,不提早出价***"}, a(0, 4, 0))},
      {8, 900, 900, 1, {}},
      // Without the forced rules the adjustment still opens early confirmation within 700.
      {5, 600, 300, 0,
       Join({"@0 ***自动调整:倒数5秒,55秒:90000-50秒:89700=差:300,提早700,延迟200出价***",
             "@0 ***提早出价:在8秒内,和最低成交价差<=700,准备出价***",
             "@410 ***提早出价:延迟500毫秒,总需延迟500毫秒,确认出价***"},
            Confirmed(410))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.r << " " << c.diff << " " << c.rise);
    Strategy s = BaseStrategy();
    s.m_advOption[3] = 1;
    s.m_advOption[17] = 1;  // ignored while the adjustment decides
    s.m_advOption[18] = c.forcedOption;
    Begin(s, c.r, c.diff);
    net.g_addmiao = 1;
    bid.m_priceHistory.entries[10] = kLowest - c.rise;
    const ConfirmResult result = timing.DecideConfirmation();
    const bool clicked = c.lines.size() > 2;
    EXPECT_EQ(result, clicked ? ConfirmResult::Confirmed : ConfirmResult::None);
    EXPECT_EQ(lines(), c.lines);
  }
}

TEST_F(ConfirmationTest, ForcedDelayAEndsWhenReachedOrAt600MsIntoTheThirdLastSecond) {
  struct Case {
    const char* name;
    int32_t forceSec, forceDelay, r, ticks, diff;
    bool ticking;
    int64_t reachAt;
    Lines lines;
  } cases[] = {
      {"full delay", 5, 500, 5, 0, 500, false, 0,
       Join({"@0 ***检查到回车,强制出价-A:在5秒内计划延迟500毫秒不管区间强行出价***",
             "@500 ***A强制出价延迟500毫秒***",
             "@500 ***检查到回车,最后强行出价-A:在5秒内不管区间强行出价***"},
            Confirmed(500))},
      {"reached on the way", 5, 500, 5, 0, 500, false, 250,
       Join({"@0 ***检查到回车,强制出价-A:在5秒内计划延迟500毫秒不管区间强行出价***",
             "@300 ***A强制出价延迟300毫秒***",
             "@300 ***检查到回车,最后强行出价-A:在5秒内不管区间强行出价***"},
            Confirmed(300))},
      {"reached already", 5, 500, 5, 0, 300, false, 0,
       Join({"@0 ***检查到回车,强制出价-A:在5秒内计划延迟500毫秒不管区间强行出价***",
             "@0 ***检查到回车,最后强行出价-A:在5秒内不管区间强行出价***"},
            Confirmed(0))},
      {"last two seconds", 2, 500, 2, 0, 500, false, 0,
       Join({"@0 ***检查到回车,强制出价-A:在2秒内计划延迟500毫秒不管区间强行出价***",
             "@0 ***A强制出价延迟000毫秒***",
             "@0 ***检查到回车,最后强行出价-A:在2秒内不管区间强行出价***"},
            Confirmed(0))},
      // Six sleeps bring the third tick; exactly at it, 50 ms more.
      {"cut at tick 3", 3, 900, 3, 0, 500, true, 0,
       Join({"@0 ***检查到回车,强制出价-A:在3秒内计划延迟900毫秒不管区间强行出价***",
             "@600 ***A强制出价延迟毫秒gms>=3了", "@650 ***A强制出价延迟600毫秒***",
             "@650 ***检查到回车,最后强行出价-A:在3秒内不管区间强行出价***"},
            Confirmed(650))},
      {"cut at tick 4", 3, 900, 3, 4, 500, false, 0,
       Join({"@0 ***检查到回车,强制出价-A:在3秒内计划延迟900毫秒不管区间强行出价***",
             "@0 ***A强制出价延迟毫秒gms>=3了", "@0 ***A强制出价延迟000毫秒***",
             "@0 ***检查到回车,最后强行出价-A:在3秒内不管区间强行出价***"},
            Confirmed(0))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Strategy s = BaseStrategy();
    s.m_advOption[18] = 1;
    s.m_forceSec = c.forceSec;
    s.m_forceDelayMs = c.forceDelay;
    Begin(s, c.r, c.diff);
    clockState.PublishRemain(clockState.m_remainSec, c.ticks);
    if (c.ticking) Ticking(c.r, c.ticks);
    if (c.reachAt > 0) At(c.reachAt, [this] { RaiseLowest(200); });
    EXPECT_EQ(timing.DecideConfirmation(), ConfirmResult::Confirmed);
    EXPECT_EQ(lines(), c.lines);
  }
}

TEST_F(ConfirmationTest, ForcedSecondReachedDuringTheEarlyDelayEndsItThroughRuleB) {
  struct Case {
    const char* name;
    int32_t forceSec, forceDelay, r;
    Lines lines;
  } cases[] = {
      // Twenty sleeps at 7 and 6 s; at 5 s rule B waits its 300 ms.
      {"delay at the forced second", 5, 300, 7,
       Join({"@0 ***提早出价:在8秒内,和最低成交价差<=400,准备出价***",
             "@2010 ***检查到回车,最后强行出价-B:在5秒内计划延迟300毫秒不管区间强行出价***",
             "@2310 ***B强制出价延迟300毫秒***",
             "@2310 ***检查到回车,最后强行出价-B:在5秒内不管区间强行出价***",
             "@2310 ***提早出价:延迟2100毫秒,总需延迟3000毫秒,确认出价***"},
            Confirmed(2310))},
      // Rule B's cut at the third tick has no extra 50 ms.
      {"cut at tick 3", 3, 900, 4,
       Join({"@0 ***提早出价:在8秒内,和最低成交价差<=400,准备出价***",
             "@1010 ***检查到回车,最后强行出价-B:在3秒内计划延迟900毫秒不管区间强行出价***",
             "@1610 ***B强制出价延迟毫秒gms>=3了", "@1610 ***B强制出价延迟600毫秒***",
             "@1610 ***检查到回车,最后强行出价-B:在3秒内不管区间强行出价***",
             "@1610 ***提早出价:延迟1100毫秒,总需延迟3000毫秒,确认出价***"},
            Confirmed(1610))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Strategy s = BaseStrategy();
    s.m_advOption[17] = 1;
    s.m_advOption[18] = 1;
    s.m_earlyDelayMs = 3000;
    s.m_forceSec = c.forceSec;
    s.m_forceDelayMs = c.forceDelay;
    Begin(s, c.r, 350);
    net.g_addmiao = 1;
    Ticking(c.r, 0);
    EXPECT_EQ(timing.DecideConfirmation(), ConfirmResult::Confirmed);
    EXPECT_EQ(lines(), c.lines);
  }
}

TEST_F(ConfirmationTest, AThirdBidReachedWith12SecondsOrMoreLeftIsCancelled) {
  struct Case {
    const char* name;
    int32_t r, phase, option14, option17;
    Lines calls;
  } cases[] = {{"at 15 s", 15, 2, 1, 0, {"cancel@0"}},
               {"at 12 s", 12, 2, 1, 0, {"cancel@0"}},
               {"at 11 s", 11, 2, 1, 0, {"confirm@0"}},
               {"option off", 15, 2, 0, 0, {"confirm@0"}},
               {"second bid", 15, 1, 1, 0, {"confirm@0"}},
               // A confirmation the early rule chose is never cancelled.
               {"early rule", 15, 2, 1, 1, {"confirm@10"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Strategy s = BaseStrategy();
    s.m_advOption[14] = c.option14;
    s.m_advOption[17] = c.option17;
    s.m_earlySec = 20;
    s.m_earlyDelayMs = 0;
    Begin(s, c.r, 200);
    bid.m_bidPhase = c.phase;
    const bool cancelled = c.calls.front().rfind("cancel", 0) == 0;
    EXPECT_EQ(timing.DecideConfirmation(),
              cancelled ? ConfirmResult::Cancelled : ConfirmResult::Confirmed);
    EXPECT_EQ(box.calls, c.calls);
    const Lines got = lines();
    if (cancelled) {
      EXPECT_EQ(got, Lines{"@0 ***第三次出价价格到了，剩余时间大于12秒，取消当前出价***"});
      EXPECT_EQ(now(), 300);
      EXPECT_EQ(bid.m_systemState.load(), 3);
    }
  }
}

TEST_F(ConfirmationTest, LastSecondsConfirmAnyBoxOnScreenOnceTypedAfter3SecondsOrInTheLastOne) {
  const Lines typed{"@0 **准备点击确认出价 7 ***",
                    "@0 ***最后4秒强行出价,没检测到回车,本月验证码4位,检测到输入完成***"};
  const Lines long3{"@0 **准备点击确认出价 4 ***", "@0 ***最后2.5秒强行出价,验证码时间大于3秒***"};
  const Lines last1{"@0 **准备点击确认出价 9 ***", "@0 ***最后1.5秒强行出价,没检测到回车***"};
  struct Case {
    const char* name;
    int32_t r, sentSec, keyCount, captcha, state;
    Lines lines;
  } cases[] = {
      {"six key events", 2, 4, 6, 1, 2, {}},
      {"eight key events at 2 s", 2, 4, 8, 1, 2, typed},
      {"eight key events at 1 s", 1, 2, 8, 1, 3, typed},
      {"typed, box gone", 2, 4, 8, 0, 2, {}},
      {"up since 6 s", 2, 6, 0, 1, 2, long3},
      {"up since 5 s", 2, 5, 0, 1, 0, long3},
      {"up since 6 s, box gone", 2, 6, 0, 0, 2, {}},
      {"final second", 1, 3, 6, 1, 2, last1},
      {"three seconds left", 3, 9, 8, 1, 2, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Begin(BaseStrategy(), c.r, 1000);
    bid.m_systemState = c.state;
    bid.m_bidSentSec = c.sentSec;
    keys.g_keyCount = c.keyCount;
    page.g_captchaState = c.captcha;
    net.g_captchaDigits = 4;
    EXPECT_EQ(timing.LastSecondsConfirm(),
              c.lines.empty() ? ConfirmResult::None : ConfirmResult::Confirmed);
    EXPECT_EQ(lines(), c.lines);
    EXPECT_EQ(box.calls, c.lines.empty() ? Lines{} : Lines{"confirm@0"});
  }
}

TEST_F(ConfirmationTest, TheRemoteShiftMovesForcedSecond4OfTheAdjustment) {
  struct Case {
    int32_t adjust, forceSec, forceDelay, shift, shown;
  } cases[] = {
      {1, 4, 0, 10, 4},   {1, 4, 0, 5, 5},    {1, 4, 500, 5, 4},  {1, 4, 400, 5, 5},
      {1, 4, 0, 0, 5},    {1, 4, 1000, 9, 5},  // a delay outside 100..999 counts as 0
      {1, 4, 500, 15, 3}, {1, 4, 400, 15, 4}, {1, 4, 900, 11, 3}, {1, 4, 0, 20, 4},
      {1, 4, 0, -1, 4},   {0, 4, 0, 5, 4},    {1, 5, 0, 5, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.adjust << " " << c.forceSec << " " << c.forceDelay << " " << c.shift);
    Strategy s = BaseStrategy();
    s.m_advOption[3] = c.adjust;
    s.m_forceSec = c.forceSec;
    s.m_forceDelayMs = c.forceDelay;
    Begin(s, 2, 1000);
    net.m_forceShift = c.shift;
    page.g_captchaState = 1;
    keys.g_keyCount = 8;
    EXPECT_EQ(timing.LastSecondsConfirm(), ConfirmResult::Confirmed);
    EXPECT_EQ(lines().back(), "@0 ***最后" + std::to_string(c.shown) +
                                  "秒强行出价,没检测到回车,本月验证码4位,检测到输入完成***");
  }
}

}  // namespace
}  // namespace tavik
