// The bidding engine's step in virtual time on the fake desktop, with the real page actions and
// confirmation timing: which step enters a bid, waits for the captcha box, takes Enter or Space,
// cancels or re-enters, and when. Lines are shown with the moment their status line was written
// ("@ms text", counted from the start of the case); the page's answers are the clicks on its bid
// button, the captcha box's OK and cancel, and the clipboard texts set.

#include "bidding/bidding_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bid_world.h"
#include "core/gbk.h"
#include "sim/auction_page.h"
#include "support/temp_dir.h"
#include "testing/fake_desktop.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

using testing::TempDir;
using Lines = std::vector<std::string>;

constexpr int32_t kLowest = 90000;
// Click points with the page origin at (35, 72).
constexpr Point kOrigin{35, 72};
constexpr Point kBidButton{35 + 799, 72 + 403};
constexpr Point kOk{35 + 556, 72 + 487};
constexpr Point kCancel{35 + 745, 72 + 487};

// Second bid at 48 s, 700 above the lowest price; third bid at 10 s, 600 above; smart row 1
// gives 600 up to 60 s; no remedy, no top-up, every advanced option off.
Strategy BaseStrategy() {
  Strategy s;
  s.m_bid2Sec = 48;
  s.m_bid2AddPrice = 700;
  s.m_bid2TopUp = 0;
  s.m_bid3AddFlag = 1;
  s.m_bid3AddPrice = 600;
  s.m_bid3Sec = 10;
  s.m_smartSec[1] = 60;
  s.m_smartAdd[1] = 600;
  s.m_jumpFastThreshold = 400;
  s.m_jumpSlowThreshold = 100;
  s.DeriveModes();
  return s;
}

class EngineTest : public ::testing::Test, protected testing::BidWorld {
 protected:
  EngineTest() {
    page.g_pageOrigin = kOrigin;
    page.m_auctionStage = 2;
    page.m_lowestPrice.Set(kLowest);
    page.g_bidButtonSeen = 1;
    clockState.PublishRemain(60);
    bid.m_bidPhase = 1;
    store.publish(BaseStrategy());
    Begin();
  }

  // A new case from here: the clock, the log and the page's answers count from now. The price
  // history holds a lower price 70 s before the end, so the price has moved in the last 49 s.
  void Begin() {
    for (int handle : timers_) clock.cancelTimer(handle);
    timers_.clear();
    bid.m_priceHistory.reset();
    RecordPriceHistory(bid.m_priceHistory, 70, kLowest - 1000);
    startUtc_ = clock.utcNowMs();
    actionMark_ = desktop.actions().size();
    lines();
  }
  void Use(const std::function<void(Strategy&)>& edit) {
    Strategy s = BaseStrategy();
    edit(s);
    store.publish(s);
  }
  void Step() { engine.BiddingEngineStep(); }
  // Worker 3 after a step: its 100 ms, the next step... until `done` or `maxMs` passed.
  void StepUntil(const std::function<bool()>& done, int64_t maxMs) {
    while (!done() && now() < maxMs) {
      clock.sleepMs(100);
      Step();
    }
  }
  int64_t now() { return clock.utcNowMs() - startUtc_; }

  // Runs `fn` on the driver when the case's clock reaches `ms`.
  void At(int64_t ms, std::function<void()> fn) {
    auto handle = std::make_shared<int>(0);
    *handle = clock.addTimer(ms - now(), [this, handle, fn] {
      clock.cancelTimer(*handle);
      fn();
    });
    timers_.push_back(*handle);
  }
  // The remaining seconds from `r` on, one less every second.
  void Countdown(int32_t r) {
    clockState.PublishRemain(r);
    timers_.push_back(
        clock.addTimer(1000, [this] { clockState.PublishRemain(clockState.m_remainSec - 1); }));
  }
  // The page tracker's part every 100 ms on the driver: the captcha box as the page shows it,
  // the bid button while it is away, and a state of 2 or 3 back to 0 once it is gone.
  void Track() {
    timers_.push_back(clock.addTimer(100, [this] {
      auction.update();
      page.g_captchaState = auction.captchaShown() ? 1 : 0;
      if (auction.captchaShown()) return;
      page.g_bidButtonSeen = 1;
      if (bid.m_systemState == 2 || bid.m_systemState == 3) bid.m_systemState = 0;
    }));
  }
  // The page shows the captcha box for my price, and the tracker has seen it.
  void BoxUpForMyPrice() {
    auction.update();
    auction.showCaptchaBox(bid.m_myPrice);
    page.g_captchaState = 1;
    Track();
  }

  // The log's lines since the last call, each as "@<ms> text" when a status line followed it.
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
      got.push_back(timed ? "@" + std::to_string(std::stoll(texts[i + 1].substr(1)) - startUtc_) +
                                " " + texts[i]
                          : texts[i]);
      i += timed ? 1 : 0;
    }
    return got;
  }
  // The lines of `got` that contain one of `parts`.
  static Lines Having(const Lines& got, const std::vector<std::string>& parts) {
    Lines out;
    for (const std::string& line : got) {
      for (const std::string& part : parts) {
        if (line.find(part) != std::string::npos) {
          out.push_back(line);
          break;
        }
      }
    }
    return out;
  }
  // What reached the page since Begin: clicks on the bid button, OK and cancel, and clipboard
  // texts, as "@<ms> bid", "@<ms> ok", "@<ms> cancel", "@<ms> clipboard <text>".
  Lines Events() const {
    Lines out;
    Point cursor;
    const auto all = desktop.actions();
    for (size_t i = actionMark_; i < all.size(); ++i) {
      const std::string at = "@" + std::to_string(all[i].atMs - startUtc_) + " ";
      const std::string& what = all[i].what;
      int x = 0, y = 0;
      if (std::sscanf(what.c_str(), "move %d,%d", &x, &y) == 2) cursor = {x, y};
      if (what.rfind("clipboard ", 0) == 0) out.push_back(at + what);
      if (what != "left_up") continue;
      if (cursor == kBidButton) out.push_back(at + "bid");
      if (cursor == kOk) out.push_back(at + "ok");
      if (cursor == kCancel) out.push_back(at + "cancel");
    }
    return out;
  }

  PageActions actions{context};
  ConfirmationTiming timing{context, store, actions};
  BiddingEngine engine{context, actions, timing};
  // The page behind the desktop; it takes its lowest price from the readers' field.
  AuctionPage auction{desktop, clock, [this] {
                        AuctionScenario s;
                        s.lowestPrice = [this](int64_t) { return page.m_lowestPrice.load(); };
                        s.captchaDelayMs = 800;
                        return s;
                      }()};

 private:
  int64_t startUtc_ = 0;
  size_t actionMark_ = 0;
  size_t read_ = 0;
  std::vector<int> timers_;
};

// --- When a step acts at all ---

TEST_F(EngineTest, WithoutATimeOrOutsideTheSecondHalfTheStepEndsEarly) {
  struct Case {
    int32_t r, stage, clientFound;
    bool sampled, functionKeyCleared, bid;
  } cases[] = {
      {0, 2, 1, false, false, false},  // no time yet (or after the end): nothing at all
      {40, 0, 1, false, true, false},  // no stage read yet
      {40, 1, 0, false, true, false},  // no auction window
      {40, 1, 1, true, true, false},   // first half: only the price sample
      {40, 2, 1, true, false, true},   // second half: the sample and the due second bid
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "r " << c.r << " stage " << c.stage);
    Begin();
    clockState.PublishRemain(c.r);
    page.m_auctionStage = c.stage;
    clientFound = c.clientFound;
    bid.m_systemState = 0;
    keys.g_functionKey = 2;
    Step();
    EXPECT_EQ(bid.m_priceHistory.at(c.r), c.sampled ? kLowest : 0);
    EXPECT_EQ(keys.g_functionKey, c.functionKeyCleared ? 0 : 2);
    EXPECT_EQ(bid.m_systemState, c.bid ? 1 : 0);
    EXPECT_EQ(Events().empty(), !c.bid);
    if (!c.bid) {
      EXPECT_EQ(lines(), Lines{});
      EXPECT_EQ(now(), 0);
    }
  }
}

// --- Entering the bids ---

TEST_F(EngineTest, SecondBidOnTheFirstStepAtOrBelowItsSecondAndAboveOne) {
  struct Case {
    int32_t bid2Sec, fromR;
    int32_t enteredAt;  // 0: never
  } cases[] = {
      {48, 50, 48},  // counting down: the step that first sees 48
      {48, 30, 30},  // started late: at once
      {48, 2, 2},    // the last second that still bids
      {48, 1, 0},    // r must be above 1
      {1, 5, 0},     // a second bid at 1 s is never placed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "bid2Sec " << c.bid2Sec << " from " << c.fromR);
    Use([&](Strategy& s) { s.m_bid2Sec = c.bid2Sec; });
    bid.m_systemState = 0;
    int32_t enteredAt = 0;
    for (int32_t r = c.fromR; r >= 1 && enteredAt == 0; --r) {
      Begin();
      clockState.PublishRemain(r);
      Step();
      if (bid.m_systemState == 1) enteredAt = r;
    }
    EXPECT_EQ(enteredAt, c.enteredAt);
    if (enteredAt == 0) continue;
    const Lines got = lines();
    EXPECT_EQ(got.front(), "@0 准备第二次出价");
    EXPECT_EQ(got.back(), "@" + std::to_string(now()) + " ***第2次出价,叫验证码完成***");
    EXPECT_EQ(Events().back(), "@800 bid");
  }
}

TEST_F(EngineTest, ThirdBidAtOnceWithBid3NowOtherwiseAtItsSecond) {
  struct Case {
    int32_t bid3Now, r, allowed;
    bool entered;
  } cases[] = {
      {1, 100, 1, true},   // right after the second bid succeeded, whatever r is
      {1, 2, 1, true},     //
      {1, 1, 1, false},    // but not in the last second
      {0, 11, 1, false},   // otherwise it waits for m_bid3Sec (10)
      {0, 10, 1, true},    //
      {1, 100, 0, false},  // no third bid after a typed entry
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "bid3Now " << c.bid3Now << " r " << c.r);
    Use([&](Strategy& s) { s.m_bid3Now = c.bid3Now; });
    Begin();
    bid.m_bidPhase = 2;
    bid.m_systemState = 0;
    bid.m_bid3Allowed = c.allowed;
    bid.m_submittedPrice = kLowest + 700;
    clockState.PublishRemain(c.r);
    Step();
    EXPECT_EQ(bid.m_systemState, c.entered ? 1 : 0);
    const Lines got = Having(lines(), {"第三次", "第3次", "第二次"});
    if (!c.entered) {
      EXPECT_EQ(got, Lines{});
      continue;
    }
    // The third bid's price: smart (600) at once, its own increment (600) at its second; never
    // at or below the second bid's price.
    EXPECT_EQ(got.front(), "@0 准备第三次出价");
    EXPECT_EQ(got.back(), "@" + std::to_string(now()) + " ***第3次出价,叫验证码完成***");
    EXPECT_GT(bid.m_myPrice, bid.m_submittedPrice);
    EXPECT_EQ(Events().back(), "@900 bid");  // after the price rule's 100 ms pause
  }
}

// A captcha box that hides the bid button refuses the entry once (the page may still be busy
// with the last bid); the next step enters the bid.
TEST_F(EngineTest, ALeftoverBoxWithoutABidButtonRefusesTheEntryOnce) {
  struct Case {
    int32_t phase;
    Lines refusal;
    Lines entry;
  } cases[] = {
      {1,
       {"@0 准备第二次出价", "@0 ***取消验证码框,A方法 ***",
        "@610 ***验证码框还是存在,+-20取消验证码框,C方法 ***",
        "@1100 检测到验证码框存在，取消出价，重新出价",
        "@1100 ***第2次出价状态不对，没检测到有出价按钮***"},
       {"***第2次出价,叫验证码完成***", "***第2次出价未检查到出价按钮***"}},
      {2,
       {"@0 准备第三次出价", "@100 ***取消验证码框,A方法 ***",
        "@710 ***验证码框还是存在,+-20取消验证码框,C方法 ***",
        "@1200 检测到验证码框存在，取消出价，重新出价",
        "@1800 ***第3次出价出错，检测不到出价按钮***"},
       {"***第3次出价,叫验证码完成***", "***第3次出价未检查到出价按钮***"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phase);
    Use([](Strategy& s) { s.m_bid3Now = 1; });
    Begin();
    bid.m_bidPhase = c.phase;
    bid.m_systemState = 0;
    bid.m_noBidButtonRetries = 0;
    clockState.PublishRemain(40);
    page.g_captchaState = 1;  // and the page never takes it away
    page.g_bidButtonSeen = 0;
    Step();
    EXPECT_EQ(bid.m_systemState, 0);
    EXPECT_EQ(bid.m_noBidButtonRetries, 1);
    EXPECT_EQ(Having(lines(), {"准备第", "方法", "取消出价", "出价按钮", "出价出错"}), c.refusal);
    EXPECT_EQ(now(), c.phase == 1 ? 2300 : 1800);

    Begin();
    Step();
    EXPECT_EQ(bid.m_systemState, 1);
    EXPECT_EQ(bid.m_noBidButtonRetries, 0);
    EXPECT_EQ(Having(lines(), {"叫验证码完成", "未检查到"}),
              (Lines{"@" + std::to_string(now()) + " " + c.entry[0],
                     "@" + std::to_string(now()) + " " + c.entry[1]}));
    page.g_captchaState = 0;
  }
}

// --- Waiting for the captcha box, Enter ---

TEST_F(EngineTest, CaptchaBoxWaitIsTimedInPollsAfterTheFirstPause) {
  struct Case {
    const char* name;
    int64_t boxAt;  // -1: never; 0: already up
    int32_t bidButton, infoWindowSec;
    Lines lines;
    int32_t state;
    int64_t took;
  } cases[] = {
      {"up at the first look",
       0,
       1,
       0,
       {"@0 ***状态为1,寻找验证码窗口***", "@100 找到验证码框用时:0毫秒",
        "@100 ***验证码框跳出***"},
       2,
       100},
      {"after six pauses",
       650,
       1,
       0,
       {"@0 ***状态为1,寻找验证码窗口***", "@700 找到验证码框用时:600毫秒",
        "@700 ***验证码框跳出***"},
       2,
       700},
      {"never, bid offered",
       -1,
       1,
       0,
       {"@0 ***状态为1,寻找验证码窗口***", "@2000 ***20次没找到验证码框***",
        "@2100 ***出错！检测到出价状态,状态初始化***"},
       0,
       2100},
      {"never, no bid button",
       -1,
       0,
       0,
       {"@0 ***状态为1,寻找验证码窗口***", "@2000 ***20次没找到验证码框***"},
       1,
       2100},
      // An information window dismissed after the entry ends the polling at once.
      {"information window",
       -1,
       1,
       30,
       {"@0 ***状态为1,寻找验证码窗口***", "@200 ***出错！检测到出价状态,状态初始化***"},
       0,
       200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Begin();
    clockState.PublishRemain(40);
    bid.m_systemState = 1;
    page.g_captchaState = c.boxAt == 0 ? 1 : 0;
    page.g_bidButtonSeen = c.bidButton;
    bid.m_infoWindowsAtEntry = page.m_infoWindowCount.load();
    if (c.infoWindowSec > 0) {
      page.m_infoWindowSec = c.infoWindowSec;
      ++page.m_infoWindowCount;
      bid.m_infoWindowsHandled = page.m_infoWindowCount.load();
    }
    if (c.boxAt > 0) At(c.boxAt, [this] { page.g_captchaState = 1; });
    Step();
    EXPECT_EQ(lines(), c.lines);
    EXPECT_EQ(bid.m_systemState, c.state);
    EXPECT_EQ(now(), c.took);
  }
}

TEST_F(EngineTest, EnterCountsOnlyOnceTheBoxIsUp) {
  clockState.PublishRemain(40);
  bid.m_myPrice = kLowest + 700;
  bid.m_bidSentSec = 48;
  bid.m_systemState = 1;
  page.g_captchaState = 0;
  keys.g_enterPressed = 1;  // pressed while the box was still coming
  At(300, [this] { page.g_captchaState = 1; });
  Step();
  EXPECT_EQ(bid.m_systemState, 2);
  EXPECT_EQ(keys.g_enterPressed, 0);
  clock.sleepMs(100);
  Step();
  EXPECT_EQ(bid.m_systemState, 2) << "the early Enter does not confirm";

  clock.sleepMs(100);
  keys.g_enterPressed = 1;
  Step();
  EXPECT_EQ(bid.m_systemState, 3);
  EXPECT_EQ(keys.g_enterPressed, 0);
  EXPECT_EQ(Having(lines(), {"回车"}), Lines{"@500 ***回车确认***"});
  EXPECT_EQ(bid.m_enterLog.get(), "ppp:enter sec:40,nowprice=90000,sendprice=90700,send sec=48.");
  EXPECT_EQ(Events(), Lines{});
}

// --- A whole second bid ---

// Entered at 48 s; the box comes 800 ms after the click; the user presses Enter 2 s after it
// shows; the lowest price rises 100 every 2 s and reaches 90700 - 300 at 8 s: the next step
// clicks OK, and the page records the bid.
TEST_F(EngineTest, SecondBidFromItsSecondToTheConfirmation) {
  Countdown(49);
  Track();
  const int rising =
      clock.addTimer(2000, [this] { page.m_lowestPrice.Set(page.m_lowestPrice + 100); });
  Step();
  StepUntil([this] { return bid.m_systemState == 2; }, 5000);
  At(now() + 2000, [this] { keys.g_enterPressed = 1; });
  StepUntil([this] { return bid.m_systemState == 6; }, 15000);
  clock.cancelTimer(rising);

  // The sweep from below reaches the OK point 200 ms into the confirmation.
  EXPECT_EQ(Events(), (Lines{"@1000 clipboard 90700", "@1800 bid", "@8200 ok"}));
  EXPECT_EQ(
      lines(),
      (Lines{"@1000 准备第二次出价", "检查到最近50秒有跳价", "@3300 ***第2次出价,叫验证码完成***",
             "@3400 ***状态为1,寻找验证码窗口***", "@3500 找到验证码框用时:0毫秒",
             "@3500 ***验证码框跳出***", "@5500 ***回车确认***", "@8000 **准备点击确认出价 1 ***",
             "@8390 ***确认后无验证码框，状态正确***", "@8390 ***确认出价***"}));
  ASSERT_EQ(auction.bids().size(), 1u);
  EXPECT_EQ(auction.bids()[0].price, 90700);
  EXPECT_TRUE(auction.bids()[0].accepted);
  EXPECT_EQ(auction.bidCount(), 2);
}

// The page may count the bid before the confirmation has finished its sweep (the OK point is
// the sweep's tenth click, the state becomes 6 after the fifteenth): outcome detection has then
// moved the phase on and set the state (0 after the second bid, 7 after the third) before the
// confirmation writes 6. The engine must not stay in 6, or the third bid is never placed.
TEST_F(EngineTest, AnOutcomeSeenDuringTheConfirmationDoesNotHoldTheEngine) {
  struct Case {
    int32_t phase, phaseAfter, stateAfter;
  } cases[] = {{1, 2, 0}, {2, 3, 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phase);
    Begin();
    clockState.PublishRemain(30);
    bid.m_bidPhase = c.phase;
    bid.m_myPrice = kLowest + 300;  // reached: the OK is clicked at once
    bid.m_systemState = 3;
    BoxUpForMyPrice();
    // Outcome detection on worker 1, 50 ms after the OK click at 200 ms.
    At(250, [&] {
      bid.m_bidPhase = c.phaseAfter;
      bid.m_systemState = c.stateAfter;
    });
    Step();
    EXPECT_EQ(Events(), Lines{"@200 ok"});
    EXPECT_EQ(bid.m_systemState, c.stateAfter);
    if (c.phaseAfter != 2) continue;
    // The third bid follows at its second.
    clockState.PublishRemain(10);
    clock.sleepMs(100);
    Step();
    EXPECT_EQ(bid.m_systemState, 1);
  }
}

// --- Space, a price fallen below the lowest, the remedy ---

TEST_F(EngineTest, SpaceCancelsTheBoxAndStaysPendingUntilItIsGone) {
  struct Case {
    const char* name;
    int32_t r;
    bool box, pageCancels;
    int32_t spaceAfter;
    Lines lines, events;
  } cases[] = {
      {"box up",
       5,
       true,
       true,
       0,
       {"@0 @@@@@@@@@检测到空格键@@@@@@@@@@", "@0 @@@@@@@@@准备取消验证码框@@@@@@@@@@",
        "@0 ***取消验证码框,A方法 ***", "@210 @@@@@@@@@验证码框自动取消成功@@@@@@@@@"},
       {"@10 cancel"}},
      {"no box",
       5,
       false,
       true,
       0,
       {"@0 @@@@@@@@@检测到空格键@@@@@@@@@@", "@0 @@@@@@@@@验证码框自动取消成功@@@@@@@@@"},
       {}},
      // The box does not go: the key stays pending for the next step.
      {"box stays",
       5,
       true,
       false,
       9,
       {"@0 @@@@@@@@@检测到空格键@@@@@@@@@@", "@0 @@@@@@@@@准备取消验证码框@@@@@@@@@@",
        "@0 ***取消验证码框,A方法 ***", "@610 ***验证码框还是存在,+-20取消验证码框,C方法 ***"},
       {"@10 cancel"}},
      {"4 s left", 4, true, true, 9, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Begin();
    clockState.PublishRemain(c.r);
    bid.m_myPrice = kLowest + 700;
    bid.m_systemState = 2;
    page.g_captchaState = c.box ? 1 : 0;
    if (c.box && c.pageCancels) BoxUpForMyPrice();
    keys.g_spacePressed = 9;
    Step();
    EXPECT_EQ(keys.g_spacePressed, c.spaceAfter);
    EXPECT_EQ(lines(), c.lines);
    EXPECT_EQ(Events(), c.events);
  }
  // The box stayed up on the last try: once the tracker sees it gone, the next step takes the
  // pending key without clicking.
  clockState.PublishRemain(5);
  page.g_captchaState = 0;
  Begin();
  Step();
  EXPECT_EQ(keys.g_spacePressed, 0);
  EXPECT_EQ(lines(), (Lines{"@0 @@@@@@@@@检测到空格键@@@@@@@@@@",
                            "@0 @@@@@@@@@验证码框自动取消成功@@@@@@@@@"}));
}

TEST_F(EngineTest, APriceBelowTheLowestIsCancelledOnlyWithMoreThanEightSecondsLeft) {
  const Lines cancelled = {"@@@@@@@@@进入,检查出的价格是否低于最低可成交价@@@@@@@@@@",
                           "@0 ***取消验证码框,A方法 ***", "@710 状态初始化",
                           "@710 @@@@@@@@@出价低于最低可成交价@@@@@@@@@@，取消重来"};
  struct Case {
    int32_t r, option13;
    bool pageCancels;
    int32_t state;
    Lines lines;
  } cases[] = {
      {9, 1, true, 0, cancelled},
      {8, 1, true, 2, {}},
      {9, 0, true, 2, {}},
      // The box stays: the state is 0 all the same, and the next bid entry cancels it again.
      {9,
       1,
       false,
       0,
       {"@@@@@@@@@进入,检查出的价格是否低于最低可成交价@@@@@@@@@@", "@0 ***取消验证码框,A方法 ***",
        "@610 ***验证码框还是存在,+-20取消验证码框,C方法 ***",
        "@1550 ***出价低于最低可成交价,验证码框状态不为0，失败***"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "r " << c.r << " option " << c.option13);
    Use([&](Strategy& s) { s.m_advOption[13] = c.option13; });
    Begin();
    clockState.PublishRemain(c.r);
    bid.m_myPrice = kLowest - 100;
    bid.m_systemState = 2;
    page.g_captchaState = 1;
    if (c.pageCancels) BoxUpForMyPrice();
    Step();
    EXPECT_EQ(bid.m_systemState, c.state);
    EXPECT_EQ(lines(), c.lines);
  }
}

TEST_F(EngineTest, RemedyFiresAtItsSecondsWhenTheGapLeavesTheBand) {
  struct Case {
    int32_t r, state, gap;
    bool fires;
  } cases[] = {
      {20, 3, 700, true},   // above the band at the remedy's second
      {19, 3, 700, true},   // and the second before it
      {21, 3, 700, false},  //
      {18, 3, 700, false},  //
      {20, 3, 600, false},  // inside 200..600
      {20, 2, 200, false},  //
      {20, 2, 100, true},   // below the band (before Enter: with Enter it is reached first)
      {20, 0, 700, false},  // no bid being confirmed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "r " << c.r << " gap " << c.gap);
    Use([](Strategy& s) {
      s.m_remedyOn = 1;
      s.m_remedySec = 20;
      s.m_remedyMinDiff = 200;
      s.m_remedyMaxDiff = 600;
      s.m_remedyAdd = 500;
    });
    Begin();
    clockState.PublishRemain(c.r);
    bid.m_bidPhase = 2;  // the remedy's second applies in every phase
    bid.m_remedyEntered = 0;
    bid.m_myPrice = kLowest + c.gap;
    bid.m_systemState = c.state;
    page.g_captchaState = 0;
    if (c.state != 0) BoxUpForMyPrice();
    Step();
    EXPECT_EQ(bid.m_remedyEntered, c.fires ? 1 : 0);
    const Lines got = Having(lines(), {"补救"});
    if (!c.fires) {
      EXPECT_EQ(got, Lines{});
      EXPECT_EQ(bid.m_systemState, c.state);
      continue;
    }
    EXPECT_EQ(bid.m_systemState, 1);
    EXPECT_EQ(bid.m_myPrice, kLowest + 500);
    EXPECT_EQ(
        got, (Lines{"@0 ***补救进2,当前差价是" + std::to_string(c.gap) + ",不满足>=200并且<=600***",
                    "@0 ***补救策略计划取消验证码框***", "@210 ***补救进2,价格:90000+500=90500***",
                    "@" + std::to_string(now()) + " ***补救出价***"}));
    EXPECT_EQ(Events(), (Lines{"@10 cancel", "@210 clipboard 90500", "@1010 bid"}));
  }
}

// Once the remedy has fired, a fall back to state 0 while the second bid is still due enters the
// remedy price again, never the second bid's.
TEST_F(EngineTest, AfterARemedyTheSecondBidRuleStaysOff) {
  Use([](Strategy& s) {
    s.m_remedyOn = 1;
    s.m_remedySec = 20;
    s.m_remedyMinDiff = 200;
    s.m_remedyMaxDiff = 600;
    s.m_remedyAdd = 500;
  });
  Countdown(20);
  bid.m_myPrice = kLowest + 700;
  bid.m_systemState = 3;
  BoxUpForMyPrice();
  Step();  // the remedy: its box comes 800 ms after the click
  StepUntil([this] { return bid.m_systemState == 2; }, 5000);
  keys.g_spacePressed = 9;  // the user asks for a fresh captcha
  StepUntil([this] { return bid.m_systemState == 1; }, 10000);

  EXPECT_EQ(
      Having(lines(), {"补救进", "第二次", "第2次", "空格", "自动取消"}),
      (Lines{"@0 ***补救进2,当前差价是700,不满足>=200并且<=600***",
             "@210 ***补救进2,价格:90000+500=90500***", "@2810 @@@@@@@@@检测到空格键@@@@@@@@@@",
             "@3020 @@@@@@@@@验证码框自动取消成功@@@@@@@@@", "@3120 ***补救进1***",
             "@3120 ***补救进2,价格:90000+500=90500***"}));
  EXPECT_EQ(Events(), (Lines{"@10 cancel", "@210 clipboard 90500", "@1010 bid", "@2820 cancel",
                             "@3120 clipboard 90500", "@3920 bid"}));
}

// --- After the OK ---

TEST_F(EngineTest, AfterTheOkEveryStepPausesAndAStuckBoxIsConfirmedAgain) {
  struct Case {
    int32_t state, box;
    Lines lines, events;
    int64_t took;
  } cases[] = {
      {7, 0, {}, {}, 500},
      {6, 0, {}, {}, 500},
      // The box is still up after the OK: OK again (the sweep, then every fallback, since this
      // box never goes), and a second's pause.
      {6,
       1,
       {"@500 **准备点击确认出价 2 ***",
        "@1060 ***!!!严重错误！状态是6,并且验证码框存在，点击确定***"},
       {"@700 ok"},
       2060},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "state " << c.state << " box " << c.box);
    Begin();
    clockState.PublishRemain(20);
    bid.m_systemState = c.state;
    page.g_captchaState = c.box;
    Step();
    EXPECT_EQ(Having(lines(), {"确认出价 2", "严重错误"}), c.lines);
    EXPECT_EQ(Events(), c.events);
    EXPECT_EQ(now(), c.took);
  }
}

}  // namespace
}  // namespace tavik
