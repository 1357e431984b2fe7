#include "bidding/bidding_engine.h"

#include <cstdio>
#include <string>

namespace tavik {

namespace {

std::string Format(const char* format, int a) {
  char text[200];
  std::snprintf(text, sizeof text, format, a);
  return text;
}

// The captcha box counts as gone once the tracker has missed it this long: one missed look (the
// browser dragged between a capture and the next) is not the box closing.
constexpr int64_t kBoxGoneAfterMs = 500;
// A failed read-back is entered again while this many seconds or more are left.
constexpr int32_t kReenterMinSec = 4;

bool Is(int32_t state, SystemState s) {
  return state == int32_t(s);
}

}  // namespace

BiddingEngine::BiddingEngine(BidContext& c, PageActions& actions, ConfirmationTiming& timing)
    : c_(c), actions_(actions), timing_(timing) {}

void BiddingEngine::logStatus(const std::string& text) {
  c_.page.log.LogStatus(text, true);
}

void BiddingEngine::sleep(int ms) {
  c_.run.Sleep(ms);
}

// The engine's state changes only here, in the engine's own step, and not once the step's run
// has ended (a Stop or a new Start reset the state meanwhile).
void BiddingEngine::setState(SystemState s) {
  if (c_.run.Live()) c_.bid.m_systemState = int32_t(s);
}

// What the page tracker saw since the last step: an information window it dismissed (the
// engine starts over), and a captcha box that went away while the user was typing for it.
void BiddingEngine::followPage() {
  PageState& page = c_.page.page;
  BidState& bid = c_.bid;
  const int32_t infos = page.m_infoWindowCount;
  if (infos != bid.m_infoWindowsHandled) {
    bid.m_infoWindowsHandled = infos;
    setState(SystemState::Ready);
    logStatus("状态初始化");
  }
  const int32_t state = bid.m_systemState;
  if (!Is(state, SystemState::CaptchaUp) && !Is(state, SystemState::EnterPressed)) return;
  const int64_t goneSince = page.m_captchaGoneMs;
  if (page.g_captchaState != 0 || goneSince == 0) return;
  if (c_.page.time.utcNowMs() - goneSince < kBoxGoneAfterMs) return;
  logStatus("出错,2,3状态，发现无验证码框在最前");
  setState(SystemState::Ready);
  logStatus("状态初始化");
}

// The second half has begun: the second bid is due, unless outcome detection has moved the
// phase further meanwhile.
void BiddingEngine::beginSecondHalf() {
  c_.bid.RaisePhase(BidPhase::SecondBid);
}

// An entry goes in only where this run has found the page and read a price off it: before
// that the origin is an earlier run's and the price the warning price standing in.
bool BiddingEngine::pageKnown() {
  const PageState& page = c_.page.page;
  if (page.m_pageLocatedInRun == 1 && page.m_lowestPrice.PageReadInRun()) return true;
  if (c_.bid.m_pageWaitLogged.exchange(1) == 0)
    logStatus("***等待本次运行定位页面并读到最低价后再出价***");
  return false;
}

PriceInputs BiddingEngine::inputs() const {
  return ReadPriceInputs(c_.page.page, c_.page.clock, c_.bid, c_.page.net, c_.in.m_realMode);
}

void BiddingEngine::BiddingEngineStep() {
  c_.run.Begin();
  // One time and one strategy for the whole pass.
  const int r = c_.page.clock.m_remainSec;
  if (r == 0) return;
  PageState& page = c_.page.page;
  BidState& bid = c_.bid;
  const int stage = page.m_auctionStage;
  if (stage != 2) {
    c_.keys.g_functionKey = 0;
    if (stage == 0 || c_.in.m_clientFound == 0) return;
  }
  RecordPriceHistory(bid.m_priceHistory, r, page.m_lowestPrice);
  if (stage != 2) return;
  beginSecondHalf();
  followPage();
  const auto strategy = c_.strategy.snapshot();
  if (bid.m_systemState > 4) sleep(500);

  const int state = bid.m_systemState;
  if (state == 0 && bid.m_bidPhase == 1 && bid.m_remedyEntered == 0 && strategy->m_bid2Sec >= r &&
      r > 1) {
    placeBid(*strategy, BidKind::Second);
    return;
  }
  if (state == 0 && bid.m_bidPhase == 2 && r > 1 && bid.m_bid3Allowed == 1 &&
      (strategy->m_bid3Now == 1 || strategy->m_bid3Sec >= r)) {
    placeBid(*strategy, BidKind::Third);
    return;
  }
  if (bid.m_systemState == 1 && captchaWait()) return;
  if (bid.m_systemState == 2 && c_.keys.g_enterPressed.exchange(0) != 0) {
    enterPressed(r);
    return;
  }
  const int phase = bid.m_bidPhase;
  if (bid.m_systemState == 3) {
    const ConfirmResult result = timing_.DecideConfirmation();
    if (result == ConfirmResult::Confirmed) keepEarlyOutcome(phase);
    if (result != ConfirmResult::None) return;
  }
  if (bid.m_systemState == 6 && page.g_captchaState == 1) {
    logStatus("**准备点击确认出价 2 ***");
    actions_.ConfirmCaptchaBox();
    keepEarlyOutcome(phase);
    logStatus("***!!!严重错误！状态是6,并且验证码框存在，点击确定***");
    sleep(1000);
    return;
  }
  if (1 <= r && r <= 2 && timing_.LastSecondsConfirm() == ConfirmResult::Confirmed) {
    keepEarlyOutcome(phase);
    return;
  }
  if (spacePressed(r)) return;
  if (priceBelowLowest(*strategy, r)) return;
  remedy(*strategy, r);
}

// Step 8: the captcha box is awaited after a bid entry. True when the step ends here. An
// information window counts only when it came after this entry.
bool BiddingEngine::captchaWait() {
  PageState& page = c_.page.page;
  logStatus("***状态为1,寻找验证码窗口***");
  sleep(100);
  int budget = 20;
  const auto infoSinceEntry = [&] { return page.m_infoWindowCount != c_.bid.m_infoWindowsAtEntry; };
  while (page.g_captchaState == 0 && !infoSinceEntry()) {
    if (--budget < 1) {
      logStatus("***20次没找到验证码框***");
      break;
    }
    if (!c_.run.Sleep(100)) return true;
  }
  if (page.g_captchaState == 1) {
    logStatus(Format("找到验证码框用时:%d毫秒", (20 - budget) * 100));
    setState(SystemState::CaptchaUp);
    dropEnterBeforeBox();
    logStatus("***验证码框跳出***");
    return true;
  }
  sleep(100);
  if (page.g_bidButtonSeen == 1 && page.g_captchaState == 0) {
    // The page still offers the bid button: the bid did not register.
    setState(SystemState::Ready);
    c_.keys.g_enterPressed = 0;
    logStatus("***出错！检测到出价状态,状态初始化***");
    return true;
  }
  return false;
}

// An Enter pressed before the box appeared does not confirm it; one pressed after it does,
// however late the engine noticed the box. A newer Enter stored meanwhile is kept.
void BiddingEngine::dropEnterBeforeBox() {
  const int64_t enterAt = c_.keys.g_enterPressed;
  const int64_t shownAt = c_.page.page.m_captchaShownMs;
  if (enterAt != 0 && (shownAt == 0 || enterAt < shownAt))
    c_.keys.g_enterPressed.compareExchange(enterAt, 0);
}

// The confirmation clicks the OK point in the middle of its sweep and sets the state to 6 only
// after it. A page that counts the bid at once lets outcome detection (worker 1) move the phase
// on and set the state (0 after the second bid, 7 after the third) in between; the late 6 would
// then hold the engine for the rest of the run and no third bid would follow. The outcome's
// state is put back.
void BiddingEngine::keepEarlyOutcome(int phaseBefore) {
  const int phase = c_.bid.m_bidPhase;
  if (phase == phaseBefore || !c_.run.Live()) return;
  if (phase >= 3) {
    c_.bid.m_systemState.compareExchange(6, 7);
  } else if (c_.bid.m_systemState.compareExchange(6, 0)) {
    logStatus("状态初始化");
  }
}

// Step 9: the user typed the captcha and pressed Enter.
void BiddingEngine::enterPressed(int r) {
  BidState& bid = c_.bid;
  setState(SystemState::EnterPressed);
  logStatus("***回车确认***");
  char entry[200];
  std::snprintf(entry, sizeof entry, "ppp:enter sec:%d,nowprice=%d,sendprice=%d,send sec=%d.", r,
                c_.page.page.m_lowestPrice.load(), bid.m_myPrice.load(), bid.m_bidSentSec.load());
  bid.m_enterLog.set(bid.m_enterLog.get() + entry);
}

// Step 13: Space asks for a fresh captcha: the box is cancelled; the key stays pending until the
// box is gone. True when the step ends here.
bool BiddingEngine::spacePressed(int r) {
  if (c_.keys.g_spacePressed != 9 || r <= 4) return false;
  PageState& page = c_.page.page;
  logStatus("@@@@@@@@@检测到空格键@@@@@@@@@@");
  if (page.g_captchaState == 1) {
    logStatus("@@@@@@@@@准备取消验证码框@@@@@@@@@@");
    actions_.CancelCaptchaBox();
  }
  if (page.g_captchaState != 0) return true;
  c_.keys.g_spacePressed = 0;
  logStatus("@@@@@@@@@验证码框自动取消成功@@@@@@@@@");
  return true;
}

// Step 14: a price that fell below the lowest acceptable price is cancelled and entered again,
// while there is time for it. True when the step ends here.
bool BiddingEngine::priceBelowLowest(const Strategy& s, int r) {
  BidState& bid = c_.bid;
  const int state = bid.m_systemState;
  if (!(bid.m_bidPhase < 3 && (state == 2 || state == 3) &&
        bid.m_myPrice < c_.page.page.m_lowestPrice && s.m_advOption[13] != 0 && r > 8))
    return false;
  c_.page.log.LogStatus("@@@@@@@@@进入,检查出的价格是否低于最低可成交价@@@@@@@@@@", false);
  setState(SystemState::Ready);
  actions_.CancelCaptchaBox();
  sleep(500);
  if (c_.page.page.g_captchaState != 0) {
    logStatus("***出价低于最低可成交价,验证码框状态不为0，失败***");
  } else {
    actions_.ResetSystemState();
    logStatus("@@@@@@@@@出价低于最低可成交价@@@@@@@@@@，取消重来");
  }
  return true;
}

// The leftover captcha box is cancelled, and a bid is refused once while the bid button is not
// recognised. True when the attempt is refused this time.
bool BiddingEngine::refusedForBidButton(BidKind kind) {
  PageState& page = c_.page.page;
  BidState& bid = c_.bid;
  if (page.g_captchaState == 1) {
    actions_.CancelCaptchaBox();
    sleep(50);
    logStatus("检测到验证码框存在，取消出价，重新出价");
  }
  if (page.g_captchaState == 0 || bid.m_noBidButtonRetries > 0 ||
      c_.page.net.m_skipBidButtonCheck == 1 || page.g_bidButtonSeen == 1)
    return false;
  switch (kind) {
    case BidKind::Second:
      logStatus("***第2次出价状态不对，没检测到有出价按钮***");
      sleep(1200);
      ++bid.m_noBidButtonRetries;
      break;
    case BidKind::Third:
      sleep(600);
      ++bid.m_noBidButtonRetries;
      logStatus("***第3次出价出错，检测不到出价按钮***");
      break;
    case BidKind::Remedy:
      logStatus("***补救出价出错，检测不到出价按钮***");
      sleep(1200);
      ++bid.m_noBidButtonRetries;
      break;
  }
  return true;
}

// Enters the price and presses bid. False when the entry is not a bid: the page's price box
// could not be read back, and there is time to enter it again (the box it brings up is
// cancelled and the next step enters again).
bool BiddingEngine::enter(const Strategy& s, int32_t price, BidKind kind) {
  c_.bid.m_infoWindowsAtEntry = c_.page.page.m_infoWindowCount.load();
  const BidEntry entry = ChooseEntry(s, inputs(), c_.bid.m_priceHistory, price, kind, c_.page.log);
  const EntryResult result = entry.kind == EntryKind::Price
                                 ? actions_.EnterPriceBid(entry.amount)
                                 : actions_.EnterIncrementBid(entry.amount);
  if (result != EntryResult::Unverified) return true;
  if (c_.page.clock.m_remainSec < kReenterMinSec) {
    logStatus("***读回出价价格失败,时间不够,按计算价格继续***");
    return true;
  }
  logStatus("***读回出价价格失败,取消验证码框,重新出价***");
  if (c_.page.page.g_captchaState == 1) actions_.CancelCaptchaBox();
  setState(SystemState::Ready);
  return false;
}

// Steps 6 and 7: the second or third bid's price entered and the bid button pressed.
void BiddingEngine::placeBid(const Strategy& s, BidKind kind) {
  if (!pageKnown()) return;
  const bool second = kind == BidKind::Second;
  logStatus(second ? "准备第二次出价" : "准备第三次出价");
  const int32_t price = second ? SecondBidPrice(s, inputs(), c_.page.log)
                               : ThirdBidPrice(
                                     s, [this] { return inputs(); }, c_.page.time, c_.page.log);
  if (refusedForBidButton(kind)) return;
  if (!enter(s, price, kind)) return;
  BidState& bid = c_.bid;
  setState(SystemState::BidEntered);
  logStatus(second ? "***第2次出价,叫验证码完成***" : "***第3次出价,叫验证码完成***");
  if (bid.m_noBidButtonRetries >= 1)
    logStatus(second ? "***第2次出价未检查到出价按钮***" : "***第3次出价未检查到出价按钮***");
  bid.m_noBidButtonRetries = 0;
}

// Step 15: at its second the remedy checks that the bid being confirmed still lies in the band,
// and enters a new price if not; once fired it takes the second bid's place for the run.
void BiddingEngine::remedy(const Strategy& s, int r) {
  if (s.m_remedyOn == 0) return;
  BidState& bid = c_.bid;
  const int state = bid.m_systemState;
  const int64_t d = int64_t(bid.m_myPrice) - c_.page.page.m_lowestPrice;
  if (s.m_remedySec - 1 <= r && r <= s.m_remedySec && (state == 2 || state == 3) &&
      (d > s.m_remedyMaxDiff || d < s.m_remedyMinDiff)) {
    char text[200];
    std::snprintf(text, sizeof text, "***补救进2,当前差价是%lld,不满足>=%d并且<=%d***",
                  (long long)d, s.m_remedyMinDiff, s.m_remedyMaxDiff);
    logStatus(text);
  } else if (bid.m_bidPhase == 1 && bid.m_remedyEntered == 1 && state == 0) {
    logStatus("***补救进1***");
  } else {
    return;
  }
  if (!pageKnown()) return;
  bid.m_remedyEntered = 1;
  if (state == 2 || state == 3) {
    logStatus("***补救策略计划取消验证码框***");
    actions_.CancelCaptchaBox();
  }
  const int32_t price = RemedyPrice(s, inputs(), bid.m_priceHistory, c_.page.log);
  if (refusedForBidButton(BidKind::Remedy)) return;
  if (!enter(s, price, BidKind::Remedy)) return;
  logStatus("***补救出价***");
  setState(SystemState::BidEntered);
  if (bid.m_noBidButtonRetries >= 1) logStatus("***补救出价未检查到出价按钮***");
  bid.m_noBidButtonRetries = 0;
}

}  // namespace tavik
