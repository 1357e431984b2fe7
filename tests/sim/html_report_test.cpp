// The pictures of simulated auctions: the marks on a run's chart are the run's events, and the
// pages stand alone (nothing fetched).

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "app/run_log_reader.h"
#include "app/run_report.h"
#include "sim/html_report.h"
#include "sim_story.h"

namespace tavik::testing {
namespace {

using Point2 = std::pair<std::string, int64_t>;  // kind, page-clock ms

std::multiset<Point2> MarksOf(const std::string& html) {
  std::multiset<Point2> marks;
  const std::regex mark(R"re(data-kind="([a-z_]+)" data-ms="([0-9]+)")re");
  for (std::sregex_iterator it(html.begin(), html.end(), mark), end; it != end; ++it)
    marks.insert({(*it)[1].str(), std::stoll((*it)[2].str())});
  return marks;
}

void ExpectStandsAlone(const std::string& html) {
  EXPECT_EQ(html.find("http://www.w3.org/2000/svg"), html.find("http://"))
      << "nothing but the SVG namespace names another place";
  EXPECT_EQ(html.find("https://"), std::string::npos);
  EXPECT_EQ(html.find("src="), std::string::npos);
}

// Every bid entered, captcha box, Enter, OK, cancel and verdict of the run's last minutes is on
// the chart at its time, and nothing else is.
TEST(HtmlReportTest, RunChartMarksAreTheRunsEvents) {
  const SimScenario s = RepoScenario("bid_outside_window");
  const SimOutcome out = RunSimulation(s);
  const int64_t shown = std::max(s.startMs, s.endMs - 180'000);  // the last minutes shown
  std::multiset<Point2> expected;
  const std::set<std::string> kinds{"bid_button",   "captcha_shown", "ok_clicked", "cancel_clicked",
                                    "bid_accepted", "bid_refused",   "no_captcha"};
  for (const SimEvent& e : out.events) {
    const bool enter = e.kind == "user_key" && e.fields["key"] == "Enter";
    if ((kinds.count(e.kind) || enter) && e.auctionMs >= shown)
      expected.insert({e.kind, e.auctionMs});
  }
  ASSERT_GE(expected.count({"bid_refused", Of(out, "bid_refused").at(0).auctionMs}), 1u);
  const std::string html = RunReportHtml(s, out);
  EXPECT_EQ(MarksOf(html), expected);
  // The price line has one step for each price of the last minutes.
  const std::string tag = "class=\"lowest\" points=\"";
  const size_t line = html.find(tag);
  ASSERT_NE(line, std::string::npos);
  const size_t from = line + tag.size();
  const std::string points = html.substr(from, html.find('"', from) - from);
  size_t changes = 0;
  for (const SimEvent& e : Of(out, "lowest_price"))
    changes += e.auctionMs > shown && e.auctionMs <= s.endMs + 3000;
  EXPECT_EQ(size_t(std::count(points.begin(), points.end(), ' ')), 2 * (changes + 1));
  ExpectStandsAlone(html);
}

// The report the assistant writes after a run, from its own log: each bid entered, captcha box,
// Enter, OK, acceptance and refusal (an information window) is on the chart, within the log's
// precision of the moment the page saw it.
TEST(HtmlReportTest, PostRunChartMarksAreTheRunsEventsFromTheLog) {
  const SimScenario s = RepoScenario("bid_outside_window");
  const SimOutcome out = RunSimulation(s);
  const RunTimeline t = ReadRunLog(out.log, s.endMs);
  EXPECT_EQ(t.skipped, 0u);
  EXPECT_TRUE(t.pageFound);
  RunEndFacts facts;
  facts.auctionEndMs = s.endMs;
  facts.logEnabled = true;
  facts.endedAt = CalendarTime{2025, 12, 2, 9, 11, 30, 3, 0};
  const std::string html = PostRunReportHtml(facts, t, false);
  // The README's picture of a report after a run is this page (docs/simulator.md).
  if (const char* keep = std::getenv("TAVIK_POST_RUN_REPORT")) std::ofstream(keep) << html;

  // The first bid, placed before the run, is only seen at its start: from the second bid on.
  const int64_t from = Of(out, "bid_button").at(0).auctionMs - 2000;
  const std::map<std::string, std::string> asLogged{
      {"bid_button", "bid_button"},   {"captcha_shown", "captcha_shown"},
      {"ok_clicked", "ok_clicked"},   {"bid_accepted", "bid_accepted"},
      {"bid_refused", "info_window"}, {"user_key", "enter"}};
  std::map<std::string, std::vector<int64_t>> expected, marked;
  for (const SimEvent& e : out.events) {
    const auto kind = asLogged.find(e.kind);
    if (kind == asLogged.end() || e.auctionMs < from) continue;
    if (e.kind == "user_key" && e.fields["key"] != "Enter") continue;
    expected[kind->second].push_back(e.auctionMs);
  }
  for (const auto& [kind, ms] : MarksOf(html))
    if (kind != "captcha_gone" && ms >= from) marked[kind].push_back(ms);
  ASSERT_EQ(expected.size(), 6u) << "the run has every kind of step";
  ASSERT_EQ(marked.size(), expected.size());
  // The log's stamps are whole seconds and its status lines count fifths of a second; a step
  // is logged after the engine's pass that took it.
  constexpr int64_t kLogPrecisionMs = 1500;
  for (const auto& [kind, times] : expected) {
    ASSERT_EQ(marked[kind].size(), times.size()) << kind;
    for (size_t i = 0; i < times.size(); ++i)
      EXPECT_NEAR(double(marked[kind][i]), double(times[i]), kLogPrecisionMs)
          << kind << " " << i << " at " << AuctionTimeText(times[i]);
  }
  ExpectStandsAlone(html);
}

TEST(HtmlReportTest, SweepChartHasAPointForEachValue) {
  SimScenario s;
  s.name = "a<b";
  const SweepRange range{"Pre Price 3", 600, 800, 200};
  std::vector<SweepRates> rows{{600, Summarise({{FinishResult::win, 9000}})},
                               {800, Summarise({{FinishResult::outbidAtTheEnd, 0}})}};
  const std::string html = SweepRateReportHtml(s, range, rows, 1, 1);
  EXPECT_NE(html.find("data-value=\"600\" data-wins=\"1\" data-runs=\"1\""), std::string::npos);
  EXPECT_NE(html.find("data-value=\"800\" data-wins=\"0\" data-runs=\"1\""), std::string::npos);
  EXPECT_NE(html.find("a&lt;b"), std::string::npos);
  ExpectStandsAlone(html);
}

}  // namespace
}  // namespace tavik::testing
