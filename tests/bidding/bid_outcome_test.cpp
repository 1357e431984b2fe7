// Bid outcome detection on rendered pages: the bid-count marker moves the bidding phase on once
// per success, and the submitted price and time are read back into the result record.

#include "bidding/bid_outcome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "page/page_fixture.h"

namespace tavik {
namespace {

using Lines = std::vector<std::string>;

class BidOutcomeTest : public testing::PageFixture {
 protected:
  BidOutcomeTest() {
    page.g_pageOrigin = Point{35, 72};
    page.m_auctionStage = 2;
    clockState.PublishRemain(40);
  }

  // A page at the default place showing `count` successful bids and the last one's price and
  // time in the cells of the half being bid in.
  void showBids(int count, const std::string& price, const std::string& time,
                bool realPage = false) {
    PageScene s = sceneAt({10, 10});
    s.half = page.m_auctionStage == 1 ? AuctionHalf::first : AuctionHalf::second;
    s.realMode = realPage;
    s.bidCount = count;
    s.submittedPrice = price;
    s.submittedTime = time;
    show(s);
  }
  // The log's lines from here on.
  void mark() { logMark = logLines().size(); }
  Lines newLines() const {
    const Lines all = logLines();
    return {all.begin() + long(logMark), all.end()};
  }

  BidState bid;
  KeyFlags keys;
  StrategyStore strategy;
  std::vector<int> uploadTimers;
  BidInputs bidIn{realMode, clientFound, [this](int ms) { uploadTimers.push_back(ms); }};
  BidContext bc{bid, keys, context, locator, strategy, bidIn};
  BidOutcome outcome{bc, net};
  size_t logMark = 0;
};

TEST_F(BidOutcomeTest, FirstBidFoundAtStartMakesTheSecondDueOnce) {
  page.m_auctionStage = 1;
  bid.m_submittedPrice = 91000;  // from an earlier run
  showBids(1, "89300", "10:45:12");

  const WindowId wnd = auctionWnd;
  auctionWnd = 0;  // no auction window: nothing is looked at
  outcome.DetectBidOutcome();
  EXPECT_EQ(bid.m_bidPhase, 0);
  EXPECT_TRUE(logLines().empty());

  auctionWnd = wnd;
  outcome.DetectBidOutcome();
  EXPECT_EQ(bid.m_bidPhase, 1);
  EXPECT_EQ(bid.m_submittedPrice, 0);
  EXPECT_EQ(uploadTimers, std::vector<int>{25000});
  EXPECT_EQ(net.m_bidResultText.get(), "0,89300,10:45:12");
  const Point marker = page.g_nddPos.load();
  EXPECT_EQ(marker, (Point{35 + 433 + 2, 72 + 456 + 2}));
  EXPECT_EQ(logLines(), (Lines{"第一次成功出价Ndd位置信息变化,当前是:470,530",
                               "@@@@@@@@@范围检测出价次数成功@@@@@@@@@@",
                               "@@@@@@@@@进入,检测到第1次出价成功@@@@@@@@@@", "0,89300,10:45:12",
                               "<status>", "***第1次出价成功***", "<status>"}));

  mark();
  outcome.DetectBidOutcome();  // the same page again
  EXPECT_EQ(bid.m_bidPhase, 1);
  EXPECT_EQ(uploadTimers.size(), 1u);
  EXPECT_TRUE(newLines().empty());
}

TEST_F(BidOutcomeTest, SecondBidAfterOursOrFoundAlreadyMade) {
  struct Case {
    const char* what;
    int32_t phase, state, submittedBefore;
    int32_t phaseAfter, stateAfter, submittedAfter, submittedSecAfter;
    bool ourSuccessLogged;
  } cases[] = {
      {"ours, confirmed", 1, 6, 0, 2, 0, 90100, 40, true},
      {"made before the run", 0, 0, 0, 2, 0, 89300, 40, false},
      {"before the run, one recorded", 0, 0, 90500, 2, 0, 90500, 7, false},
      {"before the run, a confirmation pending", 0, 6, 0, 0, 6, 0, 7, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bid.m_bidPhase = c.phase;
    bid.m_systemState = c.state;
    bid.m_submittedPrice = c.submittedBefore;
    bid.m_submittedSec = 7;
    bid.m_myPrice = 90100;
    showBids(2, "89300", "11:29:45");
    mark();
    outcome.DetectBidOutcome();
    EXPECT_EQ(bid.m_bidPhase, c.phaseAfter);
    EXPECT_EQ(bid.m_systemState, c.stateAfter);
    EXPECT_EQ(bid.m_submittedPrice, c.submittedAfter);
    EXPECT_EQ(bid.m_submittedSec, c.submittedSecAfter);
    const Lines lines = newLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "***第2次出价成功***") == 1,
              c.ourSuccessLogged);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "@@@@@@@@@进入,,检测到第2次出价成功@@@@@@@@@@"),
              lines.end());
    EXPECT_EQ(net.m_bidResultText.get(),
              std::to_string(c.phaseAfter == 2 && c.phase == 1 ? 2 : 0) + ",89300,11:29:45");
    EXPECT_TRUE(uploadTimers.empty());
  }
}

TEST_F(BidOutcomeTest, ThirdBidEndsTheBidding) {
  bid.m_bidPhase = 2;
  bid.m_systemState = 6;
  showBids(3, "90800", "11:29:57");
  outcome.DetectBidOutcome();
  EXPECT_EQ(bid.m_bidPhase, 3);
  EXPECT_EQ(bid.m_systemState, 7);
  EXPECT_EQ(net.m_bidResultText.get(), "3,90800,11:29:57");
  EXPECT_EQ(logLines(), (Lines{"@@@@@@@@@进入,,检测到第3次出价成功@@@@@@@@@@",
                               "***第3次出价成功***", "<status>", "3,90800,11:29:57", "<status>"}));

  mark();
  outcome.DetectBidOutcome();
  EXPECT_TRUE(newLines().empty());
}

// The real page drawn while the practice page's cells are read: only the search around the
// bid-count row finds the marker, and the price is read where the marker puts it.
TEST_F(BidOutcomeTest, MarkerSearchCountsOnlyWithFeatureSwitch3) {
  page.m_auctionStage = 1;
  showBids(1, "89300", "10:45:12", /*realPage=*/true);

  net.m_featureSwitches.set("11101111111111111111");
  outcome.DetectBidOutcome();
  EXPECT_EQ(bid.m_bidPhase, 0);
  EXPECT_TRUE(logLines().empty());

  net.m_featureSwitches.set("11111111111111111111");
  outcome.DetectBidOutcome();
  EXPECT_EQ(bid.m_bidPhase, 1);
  EXPECT_EQ(net.m_bidResultText.get(), "0,89300,");
  EXPECT_EQ(logCount("Ndd读出出价:89300"), 1);
}

TEST_F(BidOutcomeTest, ReadBackPriceOnlyAsAWholeHundredOfAtMostSixCharacters) {
  bid.m_bidPhase = 2;
  const std::pair<const char*, int32_t> cases[] = {
      {"89300", 89300}, {"89350", 0}, {"1234500", 0}, {"", 0}};
  for (const auto& [text, price] : cases) {
    SCOPED_TRACE(text);
    showBids(2, text, "11:29:45");
    EXPECT_EQ(outcome.ReadBidBack(), price);
    EXPECT_EQ(net.m_bidResultText.get(), "2," + std::to_string(price) + ",11:29:45");
  }
}

}  // namespace
}  // namespace tavik
