// Reading the assistant's own log back into a run's timeline: the steps of a bid at the times
// their status lines give, and a log from outside that is broken in every way read without
// harm, each line it cannot read counted.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "app/run_log_reader.h"
#include "app/status_model.h"

namespace tavik::testing {
namespace {

constexpr int64_t kEndMs = (11 * 3600 + 30 * 60) * 1000;  // 11:30:00

std::string Status(int remain, int tenths, int lowest, int mine, int state, int captcha,
                   int submitted = 0) {
  char text[1000];
  std::snprintf(text, sizeof text, kStatusLineFormat, remain, tenths, lowest, mine, submitted, 0,
                state, captcha, 0);
  return text;
}

std::string Line(const char* stamp, const std::string& text) {
  return std::string("2026-12-09 ") + stamp + "---" + text + "\r\n";
}

// The second bid of a run as the assistant logs it.
std::string SecondBidLog() {
  return Line("11:29:12", "90700") + Line("11:29:12", Status(48, 2, 90700, 0, 0, 0)) +
         Line("11:29:12", "2026-12-09 garbage") + Line("11:29:14", "***第2次出价,叫验证码完成***") +
         Line("11:29:14", Status(46, 2, 90700, 91400, 1, 0)) +
         Line("11:29:14", "***验证码框跳出***") +
         Line("11:29:14", Status(46, 4, 90700, 91400, 2, 1)) + Line("11:29:16", "***回车确认***") +
         Line("11:29:16", Status(44, 0, 90800, 91400, 3, 1)) +
         Line("11:29:24", "**准备点击确认出价 1 ***") +
         Line("11:29:24", Status(37, 8, 91100, 91400, 3, 1)) +
         Line("11:29:24", Status(36, 0, 91100, 91400, 6, 0)) +
         Line("11:29:25", "***第2次出价成功***") +
         Line("11:29:25", Status(35, 0, 91100, 91400, 0, 0, 91400)) +
         Line("11:29:49", "***找到信息提示窗口***");
}

TEST(RunLogReaderTest, StepsOfABidTakeTheTimesOfTheirStatusLines) {
  const RunTimeline t = ReadRunLog(SecondBidLog(), kEndMs);
  std::vector<std::tuple<std::string, int64_t, int32_t>> got;
  for (const ChartEvent& e : t.events) got.emplace_back(e.kind, e.ms - kEndMs, e.price);
  const std::vector<std::tuple<std::string, int64_t, int32_t>> expected{
      {"lowest_price", -47'800, 90700},
      {"bid_button", -45'800, 91400},
      {"captcha_shown", -45'600, 91400},
      {"enter", -44'000, 0},  // the step the line names, then what its status line shows
      {"lowest_price", -44'000, 90800},
      {"ok_clicked", -36'200, 91400},
      {"lowest_price", -36'200, 91100},
      {"captcha_gone", -36'000, 0},
      {"bid_accepted", -35'000, 91400},
      // No status line follows: placed by its stamp, 24 s after the last one's.
      {"info_window", -11'000, 0}};
  EXPECT_EQ(got, expected);
  EXPECT_EQ(t.skipped, 0u);
  EXPECT_EQ(t.lines, 15u);
  EXPECT_FALSE(t.pageFound);
  ASSERT_TRUE(t.machineAheadMs);
  // Whole-second stamps against the auction clock: 11:29:24 against 11:29:23.8 puts the machine
  // at least 200 ms ahead, 11:29:14 against 11:29:14.4 at most 600 ms.
  EXPECT_EQ(*t.machineAheadMs, std::make_pair(int64_t(200), int64_t(600)));
}

TEST(RunLogReaderTest, StatusLineReadsBackWhatItWasWrittenWith) {
  const auto s = ParseStatusLine(Status(46, 4, 90700, 91400, 2, 1, 88000));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->remainSec, 46);
  EXPECT_EQ(s->tenths, 4);
  EXPECT_EQ(s->lowestPrice, 90700);
  EXPECT_EQ(s->myPrice, 91400);
  EXPECT_EQ(s->submittedPrice, 88000);
  EXPECT_EQ(s->systemState, 2);
  EXPECT_EQ(s->captchaState, 1);
}

// Each line is broken in one way: none becomes an event, each is counted, none stops the rest.
TEST(RunLogReaderTest, BrokenLinesAreSkippedAndCounted) {
  const std::string good = Status(46, 2, 90700, 91400, 1, 0);
  std::string withNul = "***验证码框跳出***";
  withNul.insert(3, 1, '\0');
  const std::vector<std::string> broken{
      "",
      "2026-12-09 11:29:1",                               // cut in the stamp
      "2026-12-09 11:29:14--" + good,                     // separator short
      "2026-12-09 25:29:14---" + good,                    // no such hour
      "2026-1x-09 11:29:14---" + good,                    // not a date
      Line("11:29:14", good.substr(0, good.size() - 3)),  // status line cut short
      Line("11:29:14", good + ",9"),                      // status line with more
      Line("11:29:14", Status(46, 2, 90700, 91400, 1, 0) + "0000000000"),
      Line("11:29:14", "剩余时间:99999999999(-0.2秒)"),      // a value too long
      Line("11:29:14", Status(-3, 2, 90700, 91400, 1, 0)),   // remaining time out of range
      Line("11:29:14", Status(46, 2, -5, 91400, 1, 0)),      // a negative price
      Line("11:29:14", std::string(kMaxLogLineBytes, 'x')),  // longer than any the log writes
  };
  std::string log;
  for (const std::string& line : broken) log += line.ends_with('\n') ? line : line + "\n";
  log += Line("11:29:14", withNul) + Line("11:29:14", good);
  const RunTimeline t = ReadRunLog(log, kEndMs);
  EXPECT_EQ(t.skipped, broken.size());
  EXPECT_EQ(t.lines, broken.size() + 2);
  ASSERT_EQ(t.events.size(), 1u) << "the last good status line gives the price";
  EXPECT_EQ(t.events[0].kind, "lowest_price");
}

// Random damage to a real log and random bytes: the reader never fails, never counts more
// skipped lines than it read, and keeps its events in time order.
TEST(RunLogReaderTest, DamagedLogsNeverBreakTheReader) {
  const std::string log = SecondBidLog();
  std::mt19937 random(22);
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = log;
    if (round % 3 == 2) {
      damaged.assign(size_t(random() % 2000), '\0');
      for (char& c : damaged) c = char(random());
    } else {
      for (int k = 0; k < 1 + int(random() % 12); ++k) {
        const size_t at = random() % damaged.size();
        switch (random() % 3) {
          case 0:
            damaged[at] = char(random());
            break;
          case 1:
            damaged.erase(at, random() % 40);
            break;
          default:
            damaged.insert(at, damaged.substr(random() % damaged.size(), random() % 80));
        }
        if (damaged.empty()) damaged = "x";
      }
    }
    const RunTimeline t = ReadRunLog(damaged, round % 5 == 0 ? 0 : kEndMs);
    ASSERT_LE(t.skipped, t.lines);
    ASSERT_TRUE(
        std::is_sorted(t.events.begin(), t.events.end(),
                       [](const ChartEvent& a, const ChartEvent& b) { return a.ms < b.ms; }));
  }
}

TEST(RunLogReaderTest, ScreenshotsByTheirNamesOthersCounted) {
  RunTimeline t;
  AddRecording(t,
               {"img_59_4.bmp", "img_1_0.bmp", "img_60_0.bmp", "img_5_9.bmp", "img_5_0.bmp.part",
                "notes.txt", "img_-1_0.bmp", "img_5_.bmp"},
               "file:///rec/", kEndMs);
  EXPECT_EQ(t.screenshots, 2u);
  EXPECT_EQ(t.skippedFiles, 6u);
  ASSERT_EQ(t.events.size(), 2u);
  EXPECT_EQ(t.events[0].ms, kEndMs - 59'000);
  EXPECT_EQ(t.events[0].detail, "file:///rec/img_59_4.bmp");
  EXPECT_EQ(t.events[1].ms, kEndMs - 1000 + 800);
}

}  // namespace
}  // namespace tavik::testing
