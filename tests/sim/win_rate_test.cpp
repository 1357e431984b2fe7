// Win rates over many finishes: how a finish is classed, the interval and median, the draws of
// each finish, and a report that does not depend on the number of workers.

#include <gtest/gtest.h>

#include "sim/win_rate.h"
#include "sim_story.h"

namespace tavik::testing {
namespace {

SimEvent Event(const char* t, const char* kind, nlohmann::ordered_json fields = {}) {
  if (fields.is_null()) fields = nlohmann::ordered_json::object();
  return {*ParseTimeOfDay(t), kind, std::move(fields)};
}

// A finish is classed by its last try; a win is a win whatever came after.
TEST(WinRateTest, FinishesAreClassedByTheirLastTry) {
  SimScenario s;
  const SimEvent entered = Event("11:29:40.000", "bid_button", {{"price", 91000}});
  const SimEvent accepted = Event("11:29:45.500", "bid_accepted", {{"price", 91000}});
  const auto refused = [](const char* why) {
    return Event("11:29:50.000", "bid_refused", {{"price", 92000}, {"why", why}});
  };
  const struct {
    std::vector<SimEvent> events;
    std::vector<AuctionPage::Bid> bids;
    int32_t finalLowest;
    FinishResult result;
  } cases[] = {
      {{}, {}, 91000, FinishResult::noBidPlaced},
      {{entered}, {}, 91000, FinishResult::notConfirmedInTime},
      {{entered, Event("11:30:00.200", "no_captcha")}, {}, 91000, FinishResult::notConfirmedInTime},
      {{entered, refused("auction over")}, {}, 91000, FinishResult::notConfirmedInTime},
      {{entered, refused("outside the window")}, {}, 91000, FinishResult::refusedOutsideWindow},
      {{entered, refused("wrong captcha")}, {}, 91000, FinishResult::refusedOtherwise},
      {{entered, accepted}, {{91000, "", true}}, 91100, FinishResult::outbidAtTheEnd},
      {{entered, accepted, entered, refused("outside the window")},
       {{91000, "", true}, {92000, "", false}},
       91000,
       FinishResult::win},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SimOutcome out;
    out.events = cases[i].events;
    out.bids = cases[i].bids;
    out.finalLowest = cases[i].finalLowest;
    const FinishRecord r = Classify(s, out);
    EXPECT_EQ(r.result, cases[i].result) << "case " << i;
    if (r.result == FinishResult::win) {
      EXPECT_EQ(r.acceptedLeftMs, 14'500);
    }
  }
}

TEST(WinRateTest, IntervalAndMedian) {
  std::vector<FinishRecord> records(20, {FinishResult::outbidAtTheEnd, 0});
  for (int i = 0; i < 15; ++i) records[size_t(i)] = {FinishResult::win, 1000 * (i + 1)};
  const WinRate w = Summarise(records);
  EXPECT_EQ(w.wins, 15);
  EXPECT_EQ(w.counts[size_t(FinishResult::outbidAtTheEnd)], 5);
  // Wilson's interval for 15 of 20.
  EXPECT_NEAR(w.low, 0.531, 0.001);
  EXPECT_NEAR(w.high, 0.888, 0.001);
  ASSERT_TRUE(w.medianLeftSec);
  EXPECT_DOUBLE_EQ(*w.medianLeftSec, 8.0);
  EXPECT_FALSE(Summarise({{FinishResult::noBidPlaced, 0}}).medianLeftSec);
  EXPECT_EQ(Summarise({}).runs, 0);
}

// Each finish is drawn from the seed and its index alone: the same index gives the same finish,
// others give other courses and delays within their spreads.
TEST(WinRateTest, FinishesAreDrawnFromTheSeedAndTheirIndex) {
  const SimScenario s = RepoScenario("fast_finish_runs");
  const SimScenario a = DrawFinish(s, 5, 0);
  EXPECT_EQ(DrawFinish(s, 5, 0).lowestPrice.points(), a.lowestPrice.points());
  bool differs = false;
  for (int i = 1; i < 20; ++i) {
    const SimScenario b = DrawFinish(s, 5, i);
    differs = differs || b.lowestPrice.points() != a.lowestPrice.points();
    EXPECT_GE(b.judgeDelayMs, 0);
    EXPECT_LE(b.judgeDelayMs, 800);
    EXPECT_GE(b.captchaDelayMs, 800);
    EXPECT_LE(b.captchaDelayMs, 1800);
    EXPECT_GE(b.typing.typingMs, 500);
    EXPECT_LE(b.typing.typingMs, 1500);
  }
  EXPECT_TRUE(differs);
}

// The report is the same with one worker and with two.
TEST(WinRateTest, SameReportWithOneWorkerOrTwo) {
  SimScenario s = RepoScenario("fast_finish_runs");
  s.startMs = *ParseTimeOfDay("11:29:05");  // the bids from 48 s on; shorter runs
  const auto one = RunFinishes(s, 4, 11, 1);
  const auto two = RunFinishes(s, 4, 11, 2);
  const std::string report = FormatWinRate(s, Summarise(one), 11);
  EXPECT_EQ(FormatWinRate(s, Summarise(two), 11), report);
  for (size_t i = 0; i < one.size(); ++i) {
    EXPECT_EQ(one[i].result, two[i].result) << i;
    EXPECT_EQ(one[i].acceptedLeftMs, two[i].acceptedLeftMs) << i;
  }
  EXPECT_NE(report.find("4 finishes drawn from seed 11"), std::string::npos) << report;
}

}  // namespace
}  // namespace tavik::testing
