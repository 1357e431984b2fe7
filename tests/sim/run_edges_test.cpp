// The run at its edges, played against the simulated page: a Start late in the second half, a
// captcha box the engine notices late, a browser dragged while the user types, an information
// window followed by typed entries, Stop and F2 during a confirmation wait, and a clipboard that
// cannot be set. Each is a variation of the calm finish.

#include <gtest/gtest.h>

#include "sim/simulation.h"
#include "sim_story.h"

namespace tavik::testing {
namespace {

constexpr int kWindow = 300;

int64_t At(const char* time) {
  return ParseTimeOfDay(time).value();
}

void SetKey(SimScenario& s, const std::string& key, int32_t value) {
  s.profileKeys.emplace_back(key, value);
}

// The user's Enter presses, in order.
std::vector<SimEvent> Enters(const SimOutcome& out) {
  std::vector<SimEvent> enters;
  for (const SimEvent& e : Of(out, "user_key"))
    if (e.fields["key"] == "Enter") enters.push_back(e);
  return enters;
}

// Started with 45 or 12 seconds left, the engine enters its first bid only once this run has
// found the page and read its price: the bid goes in at the lowest price of that moment plus the
// increment, and is accepted.
TEST(RunEdgesTest, ALateStartBidsOnlyOnceThePageIsFoundAndPriced) {
  const struct {
    const char* start;
    int add;
  } cases[] = {{"11:29:15", 700}, {"11:29:48", 300}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    SimScenario s = RepoScenario("calm");
    s.startMs = At(c.start);
    SetKey(s, "Add Price 2", c.add);
    const SimOutcome out = RunSimulation(s);
    const auto entered = Of(out, "bid_button");
    const auto accepted = Of(out, "bid_accepted");
    ASSERT_GE(entered.size(), 1u);
    ASSERT_GE(accepted.size(), 1u);
    const int64_t typedAt = entered[0].auctionMs - 800;
    EXPECT_EQ(Price(entered[0]), LowestAt(out, typedAt) + c.add) << "the intended price";
    EXPECT_EQ(Price(accepted[0]), Price(entered[0]));
    EXPECT_EQ(accepted[0].fields["bid"], 2);
    EXPECT_EQ(out.log.find("读回出价价格失败"), std::string::npos);
    EXPECT_NE(out.log.find("***等待本次运行定位页面并读到最低价后再出价***"), std::string::npos);
  }
}

// The captcha box takes 4 s, longer than the engine's 2 s of polling; the user types and
// presses Enter after the box shows, and the bid is confirmed at the Enter (its price is
// reached at once), not later by the last seconds' rule.
TEST(RunEdgesTest, AnEnterAfterASlowBoxConfirmsIt) {
  SimScenario s = RepoScenario("calm");
  s.captchaDelayMs = 4000;
  SetKey(s, "Add Price 2", 300);
  const SimOutcome out = RunSimulation(s);
  const auto shown = Of(out, "captcha_shown");
  const auto enters = Enters(out);
  const auto oks = Of(out, "ok_clicked");
  const auto accepted = Of(out, "bid_accepted");
  ASSERT_GE(shown.size(), 1u);
  ASSERT_GE(enters.size(), 1u);
  ASSERT_GE(oks.size(), 1u);
  ASSERT_GE(accepted.size(), 1u);
  EXPECT_GT(enters[0].auctionMs, shown[0].auctionMs);
  EXPECT_GE(oks[0].auctionMs, enters[0].auctionMs);
  EXPECT_LT(oks[0].auctionMs - enters[0].auctionMs, 1000) << "at the Enter";
  EXPECT_EQ(accepted[0].fields["bid"], 2);
  EXPECT_GT(RemainAt(s, oks[0].auctionMs), 10);
}

// The user drags the browser in small steps while the box is up and types meanwhile: the
// tracker misses the box now and then, but the Enter still belongs to it, no second bid is
// entered, and the bid is confirmed once reached.
TEST(RunEdgesTest, TheEnterSurvivesABrowserDraggedInSteps) {
  SimScenario s = RepoScenario("calm");
  // The second bid goes in at 48 s (11:29:12) and its box shows 1.5 s after the click.
  const int64_t from = At("11:29:14.600");
  for (int i = 0; i < 60; ++i)
    s.actions.push_back({from + 50 * i, "", Point{10 + 2 * (i + 1), 10 + (i + 1)}});
  const SimOutcome out = RunSimulation(s);
  const auto enters = Enters(out);
  const auto accepted = Of(out, "bid_accepted");
  ASSERT_GE(enters.size(), 1u);
  ASSERT_EQ(accepted.size(), 2u);
  EXPECT_EQ(Of(out, "bid_button").size(), 2u) << "one entry per bid";
  EXPECT_EQ(accepted[0].fields["bid"], 2);
  EXPECT_LE(Price(accepted[0]), LowestAt(out, accepted[0].auctionMs) + kWindow);
  EXPECT_TRUE(out.wins());
}

// The second bid is refused (the price jumps 700 in the second it is judged) and the page shows its
// information window; with the paste mode off every entry is typed, and the box of the entry
// after the window is confirmed rather than cancelled as a leftover.
TEST(RunEdgesTest, TypedEntriesAfterAnInformationWindowAreConfirmed) {
  SimScenario s = RepoScenario("calm");
  std::vector<PricePoint> course{{3600, 89300}};
  for (int i = 0; i < 30; ++i) {
    const int sec = 87 - 3 * i;
    course.push_back({sec, 89400 + 100 * i + (sec <= 35 ? 700 : 0)});
  }
  course.push_back({35, 91800});
  s.lowestPrice = PriceCourse(course);
  s.judgeDelayMs = 1000;
  s.mainParams = std::vector<std::string>{"2", "0", "0", "0", "0", "0", "4", "0,0", "0"};
  const SimOutcome out = RunSimulation(s);
  ASSERT_EQ(Of(out, "info_closed").size(), 1u);
  const int64_t closed = Of(out, "info_closed")[0].auctionMs;
  int typedAfter = 0;
  for (const SimEvent& e : Of(out, "bid_button")) {
    EXPECT_EQ(e.fields["how"], "typed");
    if (e.auctionMs > closed) ++typedAfter;
  }
  EXPECT_GE(typedAfter, 1);
  int cancelsAfter = 0;
  for (const SimEvent& e : Of(out, "cancel_clicked"))
    if (e.auctionMs > closed) ++cancelsAfter;
  EXPECT_EQ(cancelsAfter, 0);
  ASSERT_EQ(Of(out, "bid_refused").size(), 1u);
  const auto accepted = Of(out, "bid_accepted");
  ASSERT_EQ(accepted.size(), 1u);
  EXPECT_GT(accepted[0].auctionMs, closed);
  EXPECT_EQ(accepted[0].fields["bid"], 2);
}

// Stop (the button) or F2 during the early confirmation's wait: nothing is confirmed after it.
TEST(RunEdgesTest, StopOrF2DuringAConfirmationWaitSubmitsNothing) {
  for (const char* key : {"stop", "f2"}) {
    SCOPED_TRACE(key);
    SimScenario s = RepoScenario("calm");
    // Early confirmation from 60 s on for a bid within 1000 of the lowest price, after up to
    // 2.9 s; the user presses Enter at about 11:29:16.7.
    SetKey(s, "adv op 17", 1);
    SetKey(s, "adv op 17_1", 1000);
    SetKey(s, "adv op 17_2", 60);
    SetKey(s, "adv op 17_3", 3000);
    const int64_t stopAt = At("11:29:17.500");
    s.actions.push_back({stopAt, key, std::nullopt});
    const SimOutcome out = RunSimulation(s);
    const auto enters = Enters(out);
    ASSERT_GE(enters.size(), 1u);
    ASSERT_LT(enters[0].auctionMs, stopAt) << "the stop falls into the wait";
    for (const SimEvent& ok : Of(out, "ok_clicked")) EXPECT_LT(ok.auctionMs, stopAt);
    for (const SimEvent& b : Of(out, "bid_button")) EXPECT_LT(b.auctionMs, stopAt);
    EXPECT_TRUE(Of(out, "bid_accepted").empty());
  }
}

// The clipboard cannot be set for the second bid: its price is typed instead, and the third
// bid still follows.
TEST(RunEdgesTest, AClipboardFailureChangesOnlyHowThePriceGoesIn) {
  SimScenario s = RepoScenario("calm");
  s.clipboardFailures = 1;
  const SimOutcome out = RunSimulation(s);
  const auto entered = Of(out, "bid_button");
  const auto accepted = Of(out, "bid_accepted");
  ASSERT_EQ(entered.size(), 2u);
  EXPECT_EQ(entered[0].fields["how"], "typed");
  EXPECT_EQ(entered[1].fields["how"], "paste");
  ASSERT_EQ(accepted.size(), 2u);
  EXPECT_EQ(accepted[1].fields["bid"], 3);
}

}  // namespace
}  // namespace tavik::testing
