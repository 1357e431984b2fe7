// The repository's scenarios, run whole: the assistant's controller with all its workers against
// the simulated page, vendor, time servers and user, and the story each must tell.

#include <gtest/gtest.h>

#include "sim/simulation.h"
#include "sim_story.h"

namespace tavik::testing {
namespace {

constexpr int kWindow = 300;

// The second bid is entered when its second comes, at the lowest price plus its increment,
// confirmed once reached and accepted; the third bid follows the same way. The run is the
// same byte for byte the second time.
TEST(SimulationTest, CalmAuctionBothBidsAtTheirSecondsAndPrices) {
  const SimScenario s = RepoScenario("calm");
  const SimOutcome out = RunSimulation(s);

  const auto entered = Of(out, "bid_button");
  const auto accepted = Of(out, "bid_accepted");
  ASSERT_EQ(entered.size(), 2u);
  ASSERT_EQ(accepted.size(), 2u);
  // The price goes into the page (1 s of clicks and paste before the bid button) at 48 s and
  // 20 s, at the lowest price of that moment + 700 and + 600.
  const struct { int sec, add; } rules[] = {{48, 700}, {20, 600}};
  for (int i = 0; i < 2; ++i) {
    const int64_t enteredAt = entered[size_t(i)].auctionMs - 800;
    EXPECT_EQ(RemainAt(s, enteredAt), rules[i].sec) << "bid " << i + 2;
    EXPECT_EQ(Price(entered[size_t(i)]), LowestAt(out, enteredAt) + rules[i].add);
    // Confirmed when reached: within 300 at the click, and not yet reached 300 ms before it.
    const SimEvent& ok = accepted[size_t(i)];
    EXPECT_EQ(Price(ok), Price(entered[size_t(i)]));
    EXPECT_LE(Price(ok), LowestAt(out, ok.auctionMs) + kWindow);
    EXPECT_GT(Price(ok), LowestAt(out, ok.auctionMs - 300) + kWindow);
    EXPECT_EQ(ok.fields["bid"], i + 2);
  }
  EXPECT_TRUE(out.wins());

  const SimOutcome again = RunSimulation(s);
  EXPECT_EQ(again.eventLines, out.eventLines);
  EXPECT_EQ(again.log, out.log);
}

// A slow user: the OK waits for the user's Enter, then for the price.
TEST(SimulationTest, SlowTypistIsConfirmedAfterEnterOnceReached) {
  const SimOutcome out = RunSimulation(RepoScenario("slow_typist"));
  const auto accepted = Of(out, "bid_accepted");
  ASSERT_EQ(accepted.size(), 2u);
  int64_t lastEnter = 0;
  for (const SimEvent& e : Of(out, "user_key"))
    if (e.fields["key"] == "Enter" && e.auctionMs < accepted[1].auctionMs) lastEnter = e.auctionMs;
  EXPECT_GT(accepted[1].auctionMs, lastEnter);
  EXPECT_LE(Price(accepted[1]), LowestAt(out, accepted[1].auctionMs) + kWindow);
}

// The page refuses a bid whose price jumped out of its window on the way; the engine closes the
// information window and bids again, and the new bid counts as the third.
TEST(SimulationTest, RefusedBidIsRecoveredByTheEngine) {
  const SimScenario s = RepoScenario("bid_outside_window");
  const SimOutcome out = RunSimulation(s);
  const auto refused = Of(out, "bid_refused");
  const auto accepted = Of(out, "bid_accepted");
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].fields["why"], "outside the window");
  ASSERT_EQ(Of(out, "info_closed").size(), 1u);
  EXPECT_GT(Of(out, "info_closed")[0].auctionMs, refused[0].auctionMs);
  ASSERT_EQ(accepted.size(), 2u);
  EXPECT_GT(accepted[1].auctionMs, refused[0].auctionMs);
  EXPECT_EQ(accepted[1].fields["bid"], 3);
  EXPECT_TRUE(out.wins());
}

// The remedy checks the bid at its second (40), finds it 800 or more above the lowest price,
// cancels the box and bids the lowest price + 500, which is then confirmed as the second bid.
TEST(SimulationTest, RemedyCancelsAndBidsAgainAtItsSecond) {
  const SimScenario s = RepoScenario("remedy");
  const SimOutcome out = RunSimulation(s);
  const auto cancels = Of(out, "cancel_clicked");
  ASSERT_EQ(cancels.size(), 1u);
  EXPECT_EQ(RemainAt(s, cancels[0].auctionMs), 40);
  EXPECT_GT(Price(cancels[0]) - LowestAt(out, cancels[0].auctionMs), 800);
  const auto entered = Of(out, "bid_button");
  ASSERT_GE(entered.size(), 2u);
  EXPECT_EQ(Price(entered[1]), LowestAt(out, cancels[0].auctionMs) + 500);
  const auto accepted = Of(out, "bid_accepted");
  ASSERT_EQ(accepted.size(), 2u);
  EXPECT_EQ(Price(accepted[0]), Price(entered[1]));
  EXPECT_EQ(accepted[0].fields["bid"], 2);
}

// Not reached at the forced second (4): the OK is clicked all the same, and the log says why.
TEST(SimulationTest, ForcedConfirmationAtItsSecond) {
  const SimScenario s = RepoScenario("forced_confirmation");
  const SimOutcome out = RunSimulation(s);
  const auto oks = Of(out, "ok_clicked");
  ASSERT_EQ(oks.size(), 2u);
  EXPECT_EQ(RemainAt(s, oks[1].auctionMs), 4);
  EXPECT_GT(Price(oks[1]), LowestAt(out, oks[1].auctionMs) + kWindow) << "not reached";
  EXPECT_NE(out.log.find("***检查到回车,最后强行出价-A:在4秒内不管区间强行出价***"),
            std::string::npos);
  EXPECT_EQ(Of(out, "bid_accepted").size(), 2u);
}

// The user drags the browser away before the bids, at once or in steps as a hand does: the
// tracker follows the page and the bids land on the page at its new place.
TEST(SimulationTest, BidsFollowTheBrowserWhenItMoves) {
  for (const int steps : {1, 4}) {
    SimScenario s = RepoScenario("calm");
    UserAction drag{ParseTimeOfDay("11:29:00").value(), "", Point{70, 40}};
    drag.steps = steps;
    drag.stepMs = 150;
    s.actions = {drag};
    const SimOutcome out = RunSimulation(s);
    const auto moves = Of(out, "browser_moved");
    ASSERT_EQ(moves.size(), size_t(steps));
    EXPECT_EQ(moves.back().fields["x"], 70);
    EXPECT_EQ(moves.back().auctionMs - moves.front().auctionMs, (steps - 1) * 150);
    EXPECT_EQ(Of(out, "bid_accepted").size(), 2u) << steps << " steps";
  }
}

// On the practice page (its title "51沪牌") the anchors sit off the real page's places; the
// assistant finds the page all the same and sees each bid count, the third one too.
TEST(SimulationTest, PracticePageBidsAreSeenToTheThird) {
  SimScenario s = RepoScenario("calm");
  s.realMode = false;
  const SimOutcome out = RunSimulation(s);
  EXPECT_EQ(Of(out, "bid_accepted").size(), 2u);
  EXPECT_NE(out.log.find("***第3次出价成功***"), std::string::npos);
}

// A captcha picture that comes late: the user types once the digits show, and the bid counts.
TEST(SimulationTest, LateCaptchaPictureIsTypedWhenItComes) {
  SimScenario s = RepoScenario("calm");
  s.captchaPictureDelayMs = 1500;
  const SimOutcome out = RunSimulation(s);
  const auto pictures = Of(out, "captcha_picture");
  ASSERT_FALSE(pictures.empty());
  const int64_t boxAt = Of(out, "captcha_shown")[0].auctionMs;
  EXPECT_EQ(pictures[0].auctionMs, boxAt + 1500);
  for (const SimEvent& key : Of(out, "user_key")) {
    if (key.auctionMs > boxAt) {
      EXPECT_GE(key.auctionMs, pictures[0].auctionMs + s.typing.reactMs) << "typed unseen digits";
      break;
    }
  }
  EXPECT_EQ(Of(out, "bid_accepted").size(), 2u);
}

// F2 during the run switches it off: the second bid is the last.
TEST(SimulationTest, F2StopsTheRun) {
  SimScenario s = RepoScenario("calm");
  s.actions = {{ParseTimeOfDay("11:29:30").value(), "f2", std::nullopt}};
  const SimOutcome out = RunSimulation(s);
  EXPECT_EQ(Of(out, "bid_accepted").size(), 1u);
  EXPECT_EQ(Of(out, "bid_button").size(), 1u);
}

// The machine's clock runs 2.5 s fast. With the time servers answering, the assistant takes its
// time from them and bids at the same moments as with a right clock; without them it bids by the
// machine's clock, 2.5 s too early.
TEST(SimulationTest, NetworkTimeCorrectsAFastMachineClock) {
  SimScenario s = RepoScenario("calm");
  s.localOffsetMs = 2500;
  const auto okTimes = [](const SimOutcome& out) {
    std::vector<int64_t> t;
    for (const SimEvent& e : Of(out, "ok_clicked")) t.push_back(e.auctionMs);
    return t;
  };
  const auto right = okTimes(RunSimulation(RepoScenario("calm")));
  EXPECT_EQ(okTimes(RunSimulation(s)), right);
  s.networkTimeAnswers = false;
  const auto early = okTimes(RunSimulation(s));
  ASSERT_EQ(early.size(), right.size());
  EXPECT_LT(early[0], right[0] - 2000);
}

// The vendor's price service and relay know each price 2 s before the page shows it: both
// reach the assistant and raise its lowest price ahead of the page.
TEST(SimulationTest, VendorPricesReachTheAssistant) {
  SimScenario s = RepoScenario("calm");
  std::vector<PricePoint> ahead = s.lowestPrice.points();
  for (PricePoint& p : ahead)
    if (p.remainSec < 3600) p.remainSec += 2;
  s.netPrice = PriceCourse(ahead);
  const SimOutcome out = RunSimulation(s);
  EXPECT_NE(out.log.find("tcp网络价格大于本地价格"), std::string::npos);
  EXPECT_NE(out.log.find("udp网络价格大于本地价格"), std::string::npos);
  EXPECT_GT(out.priceReports, 0) << "and this copy shares the prices it reads";
  EXPECT_EQ(Of(out, "bid_accepted").size(), 2u);
}

// A price that rises faster than the strategy expects: both bids count, but the final lowest
// price passes them, and the summary says so.
TEST(SimulationTest, FastRiseOutrunsTheBidsAndTheSummarySaysSo) {
  const SimScenario s = RepoScenario("fast_rise");
  const SimOutcome out = RunSimulation(s);
  ASSERT_EQ(out.accepted().size(), 2u);
  EXPECT_LT(out.bestPrice(), out.finalLowest);
  const std::string summary = FormatSummary(s, out);
  EXPECT_NE(summary.find("final lowest price: " + std::to_string(out.finalLowest)),
            std::string::npos)
      << summary;
  EXPECT_NE(summary.find("your bid wins: no"), std::string::npos) << summary;
}

}  // namespace
}  // namespace tavik::testing
