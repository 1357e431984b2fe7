// The last 90 seconds of an auction, whole: the controller's workers read a page that the page
// model plays in virtual time, the engine places the second bid at its second, the user types
// the captcha and presses Enter, the OK is clicked when the price is reached, the page records
// the bid, and the same again for the third bid. docs/bid-story.md walks through the log of this
// run; set TAVIK_BID_STORY_LOG to a file name to have the run's log written there in UTF-8.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "app/controller_fixture.h"
#include "core/gbk.h"
#include "platform/keys.h"
#include "settings/control_ids.h"
#include "settings/scheme.h"
#include "sim/auction_page.h"
#include "testing/page_renderer.h"

namespace tavik {
inline void PrintTo(const AuctionPage::Bid& b, std::ostream* os) {
  *os << "{" << b.price << ", " << b.time << (b.accepted ? ", accepted}" : ", refused}");
}
}  // namespace tavik

namespace tavik::testing {
namespace {

using Lines = std::vector<std::string>;

constexpr int64_t kEndMs = (11 * 3600 + 30 * 60) * 1000LL;  // 11:30:00

// The lowest price: 89300 until 90 s before the end, then 100 more every 3 s.
int32_t StoryLowest(int64_t localMs) {
  const int64_t remainMs = kEndMs - localMs;
  if (remainMs >= 90'000) return 89300;
  return int32_t(89300 + 100 * ((90'000 - remainMs) / 3000));
}

// Second bid at 48 s, 700 above the lowest price; third bid at 20 s, 600 above; no top-up, no
// remedy, every advanced option off: the OK is clicked once the price is reached.
Strategy StoryStrategy() {
  Strategy s;
  s.m_bid2Sec = 48;
  s.m_bid2AddPrice = 700;
  s.m_bid2TopUp = 0;
  s.m_bid3AddFlag = 1;
  s.m_bid3AddPrice = 600;
  s.m_bid3Now = 0;
  s.m_bid3Sec = 20;
  s.m_smartSec[1] = 60;
  s.m_smartAdd[1] = 600;
  s.DeriveModes();
  return s;
}

class BidStoryTest : public ControllerTest {
 protected:
  // The user: 1.2 s after a new captcha box shows, four digits 250 ms apart, then Enter.
  void UserTypesTheCaptcha() {
    timers_.push_back(clock.addTimer(50, [this] {
      const bool shown = auction.captchaShown();
      if (shown && !boxWasShown_) typeAt_ = clock.elapsedMs() + 1200;
      boxWasShown_ = shown;
      if (typeAt_ == 0 || clock.elapsedMs() < typeAt_) return;
      const int step = int((clock.elapsedMs() - typeAt_) / 250);
      if (step < 4 && step >= typed_) {
        key(vk::kDigit(step + 1));
        typed_ = step + 1;
      } else if (step >= 5) {
        key(vk::kReturn);
        typeAt_ = 0;
        typed_ = 0;
      }
    }));
  }
  void key(int vk) {
    desktop.sendKey(vk, 0);
    desktop.sendKey(vk, vk::kFlagUp);
  }
  // The engine's phase and state each time either changes, as "phase,state".
  void WatchStates() {
    timers_.push_back(clock.addTimer(10, [this] {
      const std::string now = std::to_string(controller->bid.m_bidPhase.load()) + "," +
                              std::to_string(controller->bid.m_systemState.load());
      if (states.empty() || states.back() != now) states.push_back(now);
    }));
  }
  void StopWatching() {
    for (int t : timers_) clock.cancelTimer(t);
  }
  // The program's clipboard texts and its clicks on the bid button and the captcha box's OK
  // and cancel, at the local time of day.
  Lines PageEvents() {
    const ElementTable& t = ElementTable::Defaults();
    const Point o = AuctionScenario::SecondHalfLayout().origin;
    const auto at = [&](ClickPoint p) { return Point{o.x + t.point(p).x, o.y + t.point(p).y}; };
    Lines out;
    Point cursor;
    for (const FakeDesktop::Action& a : desktop.actions()) {
      const int64_t local = a.atMs + clock.localOffsetMs(a.atMs);
      char when[32];
      std::snprintf(when, sizeof when, "%02d:%02d:%02d.%03d ", int(local / 3'600'000 % 24),
                    int(local / 60'000 % 60), int(local / 1000 % 60), int(local % 1000));
      int x = 0, y = 0;
      if (std::sscanf(a.what.c_str(), "move %d,%d", &x, &y) == 2) cursor = {x, y};
      if (a.what.rfind("clipboard ", 0) == 0) out.push_back(when + a.what);
      if (a.what != "left_up") continue;
      if (cursor == at(ClickPoint::bidbutton)) out.push_back(when + std::string("bid"));
      if (cursor == at(ClickPoint::priceconfirmbutton)) out.push_back(when + std::string("ok"));
      if (cursor == at(ClickPoint::pricecancelbutton)) out.push_back(when + std::string("cancel"));
    }
    return out;
  }
  // The lines that tell the road of the bids, as "hh:mm:ss text".
  static Lines KeyLines(const Lines& log) {
    static const char* const kParts[] = {"出价", "验证码框", "回车", "2,9", "3,9"};
    Lines out;
    for (const std::string& line : log) {
      const std::string text = line.substr(22);
      if (text.rfind("剩余时间", 0) == 0 || text.find("范围检测") != std::string::npos ||
          text.find("检测到第") != std::string::npos)
        continue;
      for (const char* part : kParts) {
        if (text.find(part) == std::string::npos) continue;
        out.push_back(line.substr(11, 8) + " " + text);
        break;
      }
    }
    return out;
  }
  Lines logLines() const {
    const std::string text = gbkToUtf8(TempDir::readFile(dir.file("my.Log")));
    Lines out;
    for (size_t begin = 0; begin < text.size();) {
      const size_t end = text.find("\r\n", begin);
      out.push_back(text.substr(begin, end - begin));
      begin = end + 2;
    }
    return out;
  }

  AuctionPage auction{desktop, clock, [] {
                        AuctionScenario s;
                        s.lowestPrice = StoryLowest;
                        s.captchaDelayMs = 1500;
                        s.bidsMade = 1;
                        return s;
                      }()};
  Lines states;

 private:
  std::vector<int> timers_;
  bool boxWasShown_ = false;
  int64_t typeAt_ = 0;
  int typed_ = 0;
};

TEST_F(BidStoryTest, TheLastNinetySecondsOfAnAuction) {
  std::string error;
  ASSERT_TRUE(PageGlyphDictionary().save(dir.file("sscai.dll"), error));
  marker("dt.dat");
  ASSERT_TRUE(SaveSchemeFile(dir.dir(), 0, StoryStrategy(), 0));
  const WindowId page = desktop.addWindow("上海市个人非营业性客车额度投标拍卖 - Chromium",
                                          "Chromium", {10, 10, 10 + 950, 10 + 850});
  desktop.setForeground(page);

  config.sharePrices = false;  // the story of the bids alone, without the price reports
  clock.runUntilLocal(11, 28, 25);
  auction.playOnDriver(clock);
  ASSERT_EQ(startUp(), 0);
  controller->SetBidNumber("12345678");
  view.setChecked(ctl::kRecording, false);  // no screenshots of the last minute here
  controller->ToggleRun();
  UserTypesTheCaptcha();
  WatchStates();
  clock.runUntilLocal(11, 30, 2);
  StopWatching();

  // The page counted both bids, each within 300 of the lowest price when its OK came.
  EXPECT_EQ(auction.bids(),
            (std::vector<AuctionPage::Bid>{{91400, "11:29:24", true}, {92200, "11:29:48", true}}));
  EXPECT_EQ(auction.bidCount(), 3);
  // What the program did to the page: each price into the clipboard when its step began, the
  // bid button 800 ms later (two clicks into the price box and the paste), the OK 200 ms into
  // the confirmation (the tenth click of its sweep). The third bid's step starts with the price
  // rule's 100 ms pause.
  EXPECT_EQ(PageEvents(),
            (Lines{"11:29:12.200 clipboard 91400", "11:29:13.000 bid", "11:29:24.200 ok",
                   "11:29:40.390 clipboard 92200", "11:29:41.190 bid", "11:29:48.290 ok"}));
  // Phase and state: the second bid entered (1), its box (2), Enter (3), OK (6); the page's
  // "502" moves the phase on and the state back to 0; the same for the third bid, whose "503"
  // came before the OK sweep had ended: the late 6 is put back to 7. Stop resets both.
  EXPECT_EQ(states, (Lines{"0,0", "1,0", "1,1", "1,2", "1,3", "1,6", "2,0", "2,1", "2,2", "2,3",
                           "3,7", "3,6", "3,7", "0,0"}));
  EXPECT_EQ(controller->bid.m_enterLog.get(),
            "ppp:enter sec:44,nowprice=90800,sendprice=91400,send sec=48."
            "ppp:enter sec:16,nowprice=91800,sendprice=92200,send sec=20.");
  EXPECT_EQ(controller->run.m_running, 0) << "the run stops itself at the end";

  const Lines log = logLines();
  if (const char* path = std::getenv("TAVIK_BID_STORY_LOG")) {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : log) out << line << "\n";
  }
  EXPECT_EQ(KeyLines(log), (Lines{
                               "11:28:26 第一次成功出价Ndd位置信息变化,当前是:470,556",
                               "11:28:26 ***第1次出价成功***",
                               "11:29:12 准备第二次出价",
                               "11:29:14 ***第2次出价,叫验证码完成***",
                               "11:29:14 第一次验证码框在最前",
                               "11:29:14 找到验证码框用时:0毫秒",
                               "11:29:14 ***验证码框跳出***",
                               "11:29:17 ***回车确认***",
                               "11:29:24 **准备点击确认出价 1 ***",
                               "11:29:24 ***第2次出价成功***",
                               "11:29:24 2,91400,11:29:24",
                               "11:29:24 ***确认后无验证码框，状态正确***",
                               "11:29:24 ***确认出价***",
                               "11:29:40 准备第三次出价",
                               "11:29:42 ***第3次出价,叫验证码完成***",
                               "11:29:42 第一次验证码框在最前",
                               "11:29:42 找到验证码框用时:0毫秒",
                               "11:29:42 ***验证码框跳出***",
                               "11:29:45 ***回车确认***",
                               "11:29:48 **准备点击确认出价 1 ***",
                               "11:29:48 ***第3次出价成功***",
                               "11:29:48 3,92200,11:29:48",
                               "11:29:48 ***确认后无验证码框，状态正确***",
                               "11:29:48 ***确认出价***",
                           }));
}

}  // namespace
}  // namespace tavik::testing
