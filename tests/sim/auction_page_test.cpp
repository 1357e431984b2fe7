// The auction page model where it behaves as the auction's page does rather than kindly: the
// verdict comes after the judging delay, an empty price brings no captcha box, no box comes
// after the end, a captcha picture may come after its box, and the judging delay may grow as
// the end nears.

#include <gtest/gtest.h>

#include "platform/keys.h"
#include "sim/auction_page.h"

namespace tavik::testing {
namespace {

constexpr int64_t kDayMs = 86'400'000;
constexpr int64_t kHourMs = 3'600'000;
// The virtual clock starts at 10:00:00 local time; the page's auction ends 60 s later.
constexpr int64_t kStartMs = 10 * kHourMs;
constexpr int64_t kEndMs = kStartMs + 60'000;

class PageTest : public ::testing::Test {
 protected:
  AuctionScenario script() {
    AuctionScenario a;
    a.lowestPrice = [](int64_t) { return 90000; };
    a.halfMs = kStartMs - 1000;
    a.endMs = kEndMs;
    a.captchaDelayMs = 500;
    a.events = &events;
    return a;
  }
  void open(AuctionScenario a) { page = std::make_unique<AuctionPage>(desktop, clock, a); }

  void click(ClickPoint p) {
    const ElementPoint at = ElementTable::Defaults().point(p);
    const Point origin = AuctionScenario::SecondHalfLayout().origin;
    desktop.setCursorPos({origin.x + at.x, origin.y + at.y});
    desktop.leftButtonDown();
    desktop.leftButtonUp();
    page->update();
  }
  // Types the price into the price box and clicks the bid button.
  void bid(const std::string& price) {
    click(ClickPoint::bidpriceselfedit);
    for (char ch : price) {
      desktop.keyDown(vk::kDigit(ch - '0'));
      desktop.keyUp(vk::kDigit(ch - '0'));
    }
    click(ClickPoint::bidbutton);
  }
  void wait(int64_t ms) {
    clock.runFor(ms);
    page->update();
  }
  int64_t pageNow() { return ((clock.utcNowMs() + 8 * kHourMs) % kDayMs); }
  std::vector<SimEvent> of(const std::string& kind) {
    std::vector<SimEvent> found;
    for (const SimEvent& e : events.events())
      if (e.kind == kind) found.push_back(e);
    return found;
  }

  // Between the OK click and the judging nothing shows: neither the count nor the information
  // window. The verdict comes at the judging moment, against the price then.
  void verdictAfterTheJudgingDelay(const std::string& price, bool accepted) {
    AuctionScenario a = script();
    a.judgeDelayMs = 800;
    open(a);
    bid(price);
    wait(500);
    ASSERT_TRUE(page->captchaShown());
    click(ClickPoint::priceconfirmbutton);
    const int64_t okAt = pageNow();
    EXPECT_FALSE(page->captchaShown());
    wait(790);
    EXPECT_EQ(page->bidCount(), 1);
    EXPECT_FALSE(page->infoWindowShown());
    EXPECT_TRUE(page->bids().empty());
    wait(10);
    EXPECT_EQ(page->bidCount(), accepted ? 2 : 1);
    EXPECT_EQ(page->infoWindowShown(), !accepted);
    const auto verdict = of(accepted ? "bid_accepted" : "bid_refused");
    ASSERT_EQ(verdict.size(), 1u);
    EXPECT_EQ(verdict[0].auctionMs, okAt + 800);
  }

  VirtualClock clock;
  FakeDesktop desktop{clock};
  EventLog events{[](int64_t utc) { return (utc + 8 * kHourMs) % kDayMs; }};
  std::unique_ptr<AuctionPage> page;
};

TEST_F(PageTest, AcceptedAfterTheJudgingDelay) {
  verdictAfterTheJudgingDelay("90200", true);
}
TEST_F(PageTest, RefusedAfterTheJudgingDelay) {
  verdictAfterTheJudgingDelay("90400", false);
}

// An empty price box brings the information window and no box; a box that would come after the
// end does not come.
TEST_F(PageTest, NoBoxWithoutAPriceOrAfterTheEnd) {
  open(script());
  bid("");
  wait(600);
  EXPECT_FALSE(page->captchaShown());
  EXPECT_TRUE(page->infoWindowShown());
  ASSERT_EQ(of("bid_refused").size(), 1u);
  EXPECT_EQ(of("bid_refused")[0].fields["why"], "no price");
  click(ClickPoint::errorinfobutton);

  wait(kEndMs - 300 - pageNow());
  bid("90000");
  wait(600);
  EXPECT_FALSE(page->captchaShown());
  EXPECT_TRUE(of("captcha_shown").empty());
  ASSERT_EQ(of("no_captcha").size(), 1u);
  EXPECT_EQ(of("no_captcha")[0].auctionMs, kEndMs + 200);
}

// The box comes first, its digits later: until they come there is nothing to type.
TEST_F(PageTest, CaptchaPictureMayComeAfterItsBox) {
  AuctionScenario a = script();
  a.captchaPictureDelayMs = 700;
  open(a);
  bid("90000");
  wait(500);
  EXPECT_TRUE(page->captchaShown());
  EXPECT_EQ(page->captchaText(), "");
  wait(700);
  EXPECT_EQ(page->captchaText().size(), 4u);
  ASSERT_EQ(of("captcha_picture").size(), 1u);
  EXPECT_EQ(of("captcha_picture")[0].auctionMs - of("captcha_shown")[0].auctionMs, 700);
}

// The delay grows by ms_per_sec for each second past from_sec before the end, up to max_ms.
TEST_F(PageTest, JudgingDelayGrowsInTheLastSeconds) {
  AuctionScenario a = script();
  a.judgeDelayMs = 200;
  a.queueFromSec = 10;
  a.queueMsPerSec = 300;
  a.queueMaxMs = 2000;
  open(a);
  const int64_t origin = clock.utcNowMs() - (pageNow() - kStartMs);  // utc at kStartMs
  const struct {
    int64_t remainMs;
    int delay;
  } cases[] = {{30'000, 200}, {10'000, 200}, {9000, 500}, {5500, 1550}, {1000, 2200}, {0, 2200}};
  for (const auto& c : cases)
    EXPECT_EQ(page->judgeDelayAt(origin + (kEndMs - kStartMs) - c.remainMs), c.delay) << c.remainMs;
}

}  // namespace
}  // namespace tavik::testing
