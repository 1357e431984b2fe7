#include "bidding/confirmation.h"
#include "bidding/price_inputs.h"
#include "core/fill_text.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string_view>

namespace tavik {
namespace {

constexpr int kAutoAdjustOption = 3;     // "智能判断": the adjustment table decides
constexpr int kThirdBidHoldOption = 14;  // cancel a third bid reached with 12 s or more left
constexpr int kEarlyOption = 17;         // early confirmation (without the adjustment)
constexpr int kForcedOption = 18;        // forced confirmations A and B
constexpr int32_t kThirdBidHoldSec = 12;
constexpr int32_t kClimbed = 200;  // the lowest price rose this much since 10 s before the end
constexpr int kStepMs = 100;

bool OptionOn(const Strategy& s, int option) {
  return s.m_advOption[option] == 1;
}

// The forced second of the last-seconds rule: m_forceSec as stored, except that with the
// automatic adjustment on a 4 is corrected by the remote m_forceShift ("4秒强制出价时间矫正",
// 10 = none): below 10 to 5, unless the forced delay and the shift make up a whole second;
// above 10 to 3, once the delay and the shift beyond 10 make up a whole second.
int32_t ForcedSecond(const Strategy& s, int32_t shift) {
  const int32_t fsec = s.m_forceSec;
  if (!OptionOn(s, kAutoAdjustOption) || fsec != 4 || shift == 10) return fsec;
  const int64_t delay = LimitConfirmation(s).forceDelayMs;
  if (shift >= 0 && shift < 10) return delay + int64_t{shift} * 100 >= 1000 ? 4 : 5;
  if (shift > 10 && shift < 20) return delay + (int64_t{shift} - 10) * 100 >= 1000 ? 3 : 4;
  return fsec;
}

}  // namespace

ConfirmationLimits LimitConfirmation(const Strategy& s) {
  ConfirmationLimits l;
  l.earlyMaxDiff = s.m_earlyMaxDiff < 300 ? 400 : s.m_earlyMaxDiff > 1000 ? 500 : s.m_earlyMaxDiff;
  l.earlySec = std::clamp<int32_t>(s.m_earlySec, 4, 3600);
  const int32_t units = s.m_earlyDelayMs / 100;
  l.earlyDelayUnits = units < 0 || units > 30 ? 25 : units;
  l.forceSec = s.m_forceSec < 2 || s.m_forceSec > 9 ? 4 : s.m_forceSec;
  l.forceDelayMs = s.m_forceDelayMs < 100 || s.m_forceDelayMs > 999 ? 0 : s.m_forceDelayMs;
  return l;
}

// The values other threads keep changing, read once for each test so that its branches agree.
struct ConfirmationTiming::Reading {
  int32_t r = 0;        // m_remainSec
  int32_t lowest = 0;   // m_lowestPrice
  int32_t myPrice = 0;  // m_myPrice
  int32_t ticks = 0;    // m_subSecondTicks

  bool reached() const { return int64_t{myPrice} <= int64_t{lowest} + kReachedMargin; }
  bool within(int64_t margin) const { return int64_t{myPrice} <= int64_t{lowest} + margin; }
};

// The locals of one decision.
struct ConfirmationTiming::Decision {
  int32_t forceSec = 4;
  int32_t forceDelay = 0;
  int32_t v = 0;  // early switch
  int32_t u = 0;  // early margin
  bool autoForce = false;
};

// The remaining second and its ticks are one published pair: a cut at "3 seconds, 600 ms
// gone" never pairs the second of one tick with the ticks of another.
ConfirmationTiming::Reading ConfirmationTiming::Read() const {
  const Point remain = c_.page.clock.m_remainTicks.load();
  return Reading{remain.x, c_.page.page.m_lowestPrice.load(), c_.bid.m_myPrice.load(), remain.y};
}

void ConfirmationTiming::Log(const std::string& text) {
  c_.page.log.LogStatus(text, true);
}

// False once the run has ended: a Stop, F2 or a new Start ends every wait at once, and
// nothing of the ended run is confirmed.
bool ConfirmationTiming::Sleep(int ms) {
  return c_.run.Sleep(ms);
}

ConfirmResult ConfirmationTiming::DecideConfirmation() {
  const std::shared_ptr<const Strategy> snapshot = strategy_.snapshot();
  const Strategy& s = *snapshot;
  const ConfirmationLimits limits = LimitConfirmation(s);
  WriteBackLimits(s, limits);

  Decision d{limits.forceSec, limits.forceDelayMs, 0, limits.earlyMaxDiff, false};
  const Reading now = Read();
  if (OptionOn(s, kAutoAdjustOption)) {
    AutoAdjust(now, d);
  } else {
    d.v = s.m_advOption[kEarlyOption];
  }

  bool forced = false;
  if (OptionOn(s, kForcedOption) && (d.autoForce || now.r == d.forceSec)) {
    ForcedA(now, d);
    forced = true;
  } else if (now.r <= limits.earlySec && d.v != 0 && now.within(d.u)) {
    EarlyConfirm(s, limits, d);
    forced = true;
  }

  // The run may have ended during the waits: a stopped run confirms nothing.
  if (!c_.run.Live()) {
    Log("***运行已停止,不确认出价***");
    return ConfirmResult::None;
  }
  // The waits above may have taken seconds: decide on the values of now.
  const Reading after = Read();
  if (!after.reached() && !forced) return ConfirmResult::None;
  if (after.r >= kThirdBidHoldSec && c_.bid.m_bidPhase.load() == 2 &&
      OptionOn(s, kThirdBidHoldOption) && !forced) {
    // Too early for the third bid: the engine enters it again at its price of the moment.
    Log("***第三次出价价格到了，剩余时间大于12秒，取消当前出价***");
    box_.CancelCaptchaBox();
    Sleep(300);
    return ConfirmResult::Cancelled;
  }
  Log("**准备点击确认出价 1 ***");
  box_.ConfirmCaptchaBox();
  Log("***确认出价***");
  return ConfirmResult::Confirmed;
}

// The two limits that are kept are stored into the setting in force, whichever scheme that is
// by now; other fields of it are left as they are.
void ConfirmationTiming::WriteBackLimits(const Strategy& snapshot,
                                         const ConfirmationLimits& limits) {
  if (snapshot.m_earlyMaxDiff == limits.earlyMaxDiff && snapshot.m_earlySec == limits.earlySec)
    return;
  strategy_.update([](Strategy& s) {
    const ConfirmationLimits l = LimitConfirmation(s);
    if (s.m_earlyMaxDiff == l.earlyMaxDiff && s.m_earlySec == l.earlySec) return false;
    s.m_earlyMaxDiff = l.earlyMaxDiff;
    s.m_earlySec = l.earlySec;
    return true;
  });
}

// From 7 to 4 seconds before the end the adjustment looks at how far the lowest price has
// climbed since 10 seconds before the end (rise) and how far my price is above it (diff). A
// fast climb means the price will likely reach mine: confirm early and force the click.
void ConfirmationTiming::AutoAdjust(const Reading& now, Decision& d) {
  const int64_t h10 = c_.bid.m_priceHistory.at(10);
  const int64_t lowest = now.lowest;
  const int64_t diff = int64_t{now.myPrice} - lowest;
  const int64_t rise = lowest - h10;
  const bool climbed = rise >= kClimbed;
  auto force = [&](int32_t u, int32_t sec, int32_t delay) {
    d.u = u;
    d.v = 1;
    d.autoForce = true;
    d.forceSec = sec;
    d.forceDelay = delay;
  };

  if ((now.r == 7 || now.r == 6) && diff <= 400) {
    if (!climbed) {
      Log(Fill("***自动调整:倒数%d秒,53秒:%d-50秒:%d=差:%d,不提早出价***",
               {now.r, lowest, h10, rise}));
      return;
    }
    force(700, 7, 200);
    Log(Fill("***自动调整:倒数%d秒,53秒:%d-50秒:%d=差:%d,提早%d,强制%d秒并延迟%d毫秒出价***",
             {now.r, lowest, h10, rise, 700, 7, 200}));
  } else if (now.r == 6) {
    if (!climbed) {
      Log(Fill("***自动调整:倒数6秒,54秒:%d-50秒:%d=差:%d,不提早出价***", {lowest, h10, rise}));
      return;
    }
    d.v = 1;
    d.u = rise < 300 ? 400 : rise < 400 ? 500 : 700;
    if (diff <= d.u) {
      d.autoForce = true;
      d.forceSec = 6;
      d.forceDelay = 500;
    } else {
      d.forceSec = 5;
      d.forceDelay = 200;
    }
    Log(Fill("***自动调整:倒数6秒,54秒:%d-50秒:%d=差:%d,提早%d,强制%d秒,延迟%d出价***",
             {lowest, h10, rise, d.u, d.forceSec, d.forceDelay}));
  } else if (now.r == 5) {
    if (!climbed) {
      Log(Fill("***自动调整:倒数5秒,55秒:%d-50秒:%d=差:%d,不提早出价***", {lowest, h10, rise}));
      return;
    }
    force(700, 5, 200);
    Log(Fill("***自动调整:倒数5秒,55秒:%d-50秒:%d=差:%d,提早%d,延迟%d出价***",
             {lowest, h10, rise, 700, 200}));
  } else if (now.r == 4) {
    if (!climbed) {
      Log(Fill("***自动调整:倒数4秒,56秒:%d-50秒:%d=差:%d,不提早出价***", {lowest, h10, rise}));
      return;
    }
    force(700, 4, 0);
    Log(Fill("***自动调整:倒数4秒,56秒:%d-50秒:%d=差:%d,提早%d,延迟%d出价***",
             {lowest, h10, rise, 700, 0}));
  }
}

// Waits up to `passes` steps of 100 ms while my price is not reached; the cut at 3 seconds
// left with 600 ms of that second gone ends it before the last-seconds rule takes over.
// Rule A also stops in the last two seconds, and sleeps 50 ms more when cut exactly at the
// third tick.
void ConfirmationTiming::ForcedDelay(int passes, bool ruleA) {
  int sleeps = 0;
  for (int pass = 0; pass < passes; ++pass) {
    const Reading now = Read();
    if ((ruleA && now.r <= 2) || now.reached()) break;
    if (now.r == 3 && now.ticks >= 3) {
      Log(ruleA ? "***A强制出价延迟毫秒gms>=3了" : "***B强制出价延迟毫秒gms>=3了");
      if (ruleA && now.ticks == 3) Sleep(50);
      break;
    }
    if (!Sleep(kStepMs)) break;
    ++sleeps;
  }
  Log(Fill(ruleA ? "***A强制出价延迟%d00毫秒***" : "***B强制出价延迟%d00毫秒***", {sleeps}));
}

void ConfirmationTiming::ForcedA(const Reading& now, const Decision& d) {
  Log(Fill("***检查到回车,强制出价-A:在%d秒内计划延迟%d毫秒不管区间强行出价***",
           {d.forceSec, d.forceDelay}));
  if (d.forceDelay > 0 && now.r == d.forceSec && !now.reached()) {
    ForcedDelay(d.forceDelay / 100, true);
  }
  Log(Fill("***检查到回车,最后强行出价-A:在%d秒内不管区间强行出价***", {d.forceSec}));
}

void ConfirmationTiming::ForcedB(const Reading& now, const Decision& d) {
  Log(Fill("***检查到回车,最后强行出价-B:在%d秒内计划延迟%d毫秒不管区间强行出价***",
           {d.forceSec, d.forceDelay}));
  if (d.forceDelay > 0 && now.r == d.forceSec && !now.reached()) {
    ForcedDelay(d.forceDelay / 100, false);
  }
  Log(Fill("***检查到回车,最后强行出价-B:在%d秒内不管区间强行出价***", {d.forceSec}));
}

// Waits out the early-confirmation budget, cut short when the price is reached or the forced
// second comes. While the page price is not yet trusted (g_addmiao 0) a long budget is cut to
// 1 s above 6 seconds left and to 200 ms at 5 or 6.
void ConfirmationTiming::EarlyConfirm(const Strategy& s, const ConfirmationLimits& limits,
                                      const Decision& d) {
  Log(Fill("***提早出价:在%d秒内,和最低成交价差<=%d,准备出价***", {limits.earlySec, d.u}));
  Sleep(10);
  const int32_t n = limits.earlyDelayUnits;
  int32_t k = n;
  if (n >= 1) {
    k = n - 1;
    while (k != 0) {
      const Reading now = Read();
      if (OptionOn(s, kForcedOption) && now.r <= d.forceSec) {
        ForcedB(now, d);
        break;
      }
      const int32_t addmiao = c_.page.net.g_addmiao.load();
      if (addmiao == 0 || addmiao == 1) {
        if (now.reached() || now.r <= 2) {
          Log(Fill("***提早出价:价格已到,确认出价,AM=%d***", {addmiao}));
          break;
        }
        if (addmiao == 0 && k > 10) {
          if (now.r > 6) {
            k = 10;
          } else if (now.r > 4) {
            k = 2;
          }
        }
      }
      if (!Sleep(kStepMs)) break;
      --k;
    }
  }
  Log(Fill("***提早出价:延迟%d毫秒,总需延迟%d毫秒,确认出价***",
           {int64_t{n - k} * 100, s.m_earlyDelayMs}));
}

ConfirmResult ConfirmationTiming::LastSecondsConfirm() {
  const int32_t r = c_.page.clock.m_remainSec.load();
  if (r < 1 || r > 2) return ConfirmResult::None;
  const std::shared_ptr<const Strategy> snapshot = strategy_.snapshot();
  const NetState& net = c_.page.net;

  // How long the captcha box has been up.
  const int64_t elapsed = int64_t{c_.bid.m_bidSentSec.load()} - r;
  const int32_t fsec = ForcedSecond(*snapshot, net.m_forceShift.load());
  const int32_t digits = net.g_captchaDigits.load();
  // A typed character is two key events, press and release; the keys count from the box's
  // appearance, or from the page actions' last clearing of the count when that came later.
  const int32_t keys = c_.keys.g_keyCount.load();
  const bool clearedSince = c_.bid.m_keyCountClearedMs >= c_.page.page.m_captchaShownMs;
  const int64_t typedKeys =
      clearedSince ? keys : int64_t{keys} - c_.page.page.m_keyCountAtBox.load();
  const bool typed = typedKeys >= 2 * int64_t{digits};
  const bool boxUp = c_.page.page.g_captchaState.load() == 1;

  if (r <= fsec && typed) {
    if (!boxUp) return ConfirmResult::None;
    Log("**准备点击确认出价 7 ***");
    box_.ConfirmCaptchaBox();
    Log(Fill("***最后%d秒强行出价,没检测到回车,本月验证码%d位,检测到输入完成***", {fsec, digits}));
    return ConfirmResult::Confirmed;
  }
  if (!boxUp) return ConfirmResult::None;
  if (elapsed >= 3) {
    Log("**准备点击确认出价 4 ***");
    box_.ConfirmCaptchaBox();
    Log("***最后2.5秒强行出价,验证码时间大于3秒***");
    return ConfirmResult::Confirmed;
  }
  if (r == 1) {
    Log("**准备点击确认出价 9 ***");
    box_.ConfirmCaptchaBox();
    Log("***最后1.5秒强行出价,没检测到回车***");
    return ConfirmResult::Confirmed;
  }
  return ConfirmResult::None;
}

}  // namespace tavik
