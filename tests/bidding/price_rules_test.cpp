// The bid price rules on a fixed strategy: prices and the log lines that explain them.

#include "bidding/price_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "bidding/bid_state.h"
#include "core/gbk.h"
#include "support/temp_dir.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

using testing::TempDir;
using Lines = std::vector<std::string>;

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr const char* kStatus = "状态";

// Smart rows 1 (30 s, +600) and 2 (20 s, +500); rows 3..11 match no second above 0; row 12
// adds 800 with the top-up.
Strategy BaseStrategy() {
  Strategy s;
  s.m_smartSec[1] = 30;
  s.m_smartAdd[1] = 600;
  s.m_smartSec[2] = 20;
  s.m_smartAdd[2] = 500;
  s.m_smartAdd[12] = 800;
  s.m_smartTopUp[12] = 1;
  s.m_bid2AddPrice = 500;
  s.m_bid2DirPrice = 91000;
  return s;
}

class PriceRulesTest : public ::testing::Test {
 protected:
  // The log's lines since the last call, as UTF-8 texts without their time stamps.
  Lines lines() {
    const std::string all = TempDir::readFile(path);
    Lines got;
    for (size_t at = read; at < all.size();) {
      const size_t end = all.find("\r\n", at);
      got.push_back(gbkToUtf8(all.substr(at + 22, end - at - 22)));
      at = end + 2;
    }
    read = all.size();
    return got;
  }
  // The line `text` followed by the status line.
  static Lines withStatus(const std::string& text) { return {text, kStatus}; }

  TempDir dir;
  std::string path = dir.file("my.Log");
  size_t read = 0;
  VirtualClock clock;
  LogFile file{clock, path};
  AtomicInt logEnabled{1};
  Logger log{file, logEnabled, [] { return std::string(kStatus); }};
  Strategy strategy = BaseStrategy();
  PriceInputs in{.m_lowestPrice = 89100, .m_remainSec = 40, .m_featureSwitches = "11111111"};
  PriceHistory history;
};

TEST_F(PriceRulesTest, SmartRowIsTheFirstRowCoveringTheSecondElseRow12) {
  strategy.m_smartAdd[2] = 200;
  strategy.m_smartTopUp[2] = 1;
  struct Case {
    int32_t r, add, topUp;
  } cases[] = {{25, 600, 0}, {10, 600, 0}, {30, 600, 0}, {31, 800, 1}, {1000, 800, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.r);
    const SmartRow row = LookupSmartRow(strategy, c.r);
    EXPECT_EQ(row.add, c.add);
    EXPECT_EQ(row.topUp, c.topUp);
  }
  // Row 2 is reached once row 1 no longer covers the second; its 200 is raised to 300.
  strategy.m_smartSec[1] = 5;
  EXPECT_EQ(LookupSmartRow(strategy, 10).add, 300);
  EXPECT_EQ(LookupSmartRow(strategy, 10).topUp, 1);
}

TEST_F(PriceRulesTest, TopUpAlignsToThe300GridFromTheWarningPrice) {
  struct Case {
    int32_t price, warning, topUp;
    const char* line;  // the shown amount, or nullptr when nothing is logged
  } cases[] = {
      {88200, 88100, 200, "200"}, {88300, 88100, 100, "100"}, {88400, 88100, 0, "0"},
      {88250, 88100, 0, "150"},   {88150, 88100, 0, nullptr}, {93150, 88100, 0, nullptr},
      {93000, 88100, 200, "200"}, {88000, 88100, 0, nullptr}, {kMax, kMin, 0, nullptr},
      {kMin, kMax, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.price);
    EXPECT_EQ(TopUpAmount(c.price, c.warning), c.topUp);
    EXPECT_EQ(lines(), Lines{});
    EXPECT_EQ(TopUpAmount(c.price, c.warning, log), c.topUp);
    const Lines expected =
        c.line ? withStatus("补档:当前价格:" + std::to_string(c.price) +
                            ",警示价:" + std::to_string(c.warning) + ",补价格:" + c.line)
               : Lines{};
    EXPECT_EQ(lines(), expected);
  }
}

TEST_F(PriceRulesTest, HistoryNeverFallsAndFillsSkippedSeconds) {
  RecordPriceHistory(history, 40, 89000);
  RecordPriceHistory(history, 38, 89300);
  EXPECT_EQ(history.at(41), 0);  // before the first sample
  EXPECT_EQ(history.at(40), 89000);
  EXPECT_EQ(history.at(39), 89000);
  EXPECT_EQ(history.at(38), 89300);
  RecordPriceHistory(history, 37, 89100);
  EXPECT_EQ(history.at(37), 89300);

  // Only seconds 1..1799 are kept.
  RecordPriceHistory(history, 0, 95000);
  RecordPriceHistory(history, 1800, 95000);
  RecordPriceHistory(history, 1799, 95000);
  EXPECT_EQ(history.at(0), 0);
  EXPECT_EQ(history.at(1800), 0);
  EXPECT_EQ(history.at(1799), 95000);

  BidState bid;
  RecordPriceHistory(bid.m_priceHistory, 40, 89000);
  bid.reset(false);
  EXPECT_EQ(bid.m_priceHistory.at(40), 0);
}

TEST_F(PriceRulesTest, PriceMovedRecentlyLooksAt49SecondsBeforeNow) {
  struct Case {
    const char* name;
    int32_t lowest, r;
    int32_t sampleSec, sample;
    bool moved;
    const char* line;
  } cases[] = {
      {"nothing read", 0, 50, 60, 88000, false, "价格0"},
      {"not past the warning price", 88100, 50, 60, 88000, false, "价格小于当月警示价"},
      {"49 seconds before", 89000, 50, 99, 88900, true, "检查到最近50秒有跳价"},
      {"one second before", 89000, 50, 51, 88900, true, "检查到最近50秒有跳价"},
      {"50 seconds before", 89000, 50, 100, 88900, false, "检查到最近50没有跳价"},
      {"no rise", 89000, 50, 60, 89000, false, "检查到最近50没有跳价"},
      {"warning price with 90 s left", 88100, 90, 100, 88000, true, "检查到最近50秒有跳价"},
      {"past the table's end", 89000, 4790, 1799, 88000, false, "检查到最近50没有跳价"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PriceHistory h;
    RecordPriceHistory(h, c.sampleSec, c.sample);
    in.m_lowestPrice = c.lowest;
    in.m_remainSec = c.r;
    EXPECT_EQ(PriceMovedRecently(in, h, log), c.moved);
    EXPECT_EQ(lines(), Lines{c.line});  // never with the status line
  }
}

TEST_F(PriceRulesTest, SecondBidPriceByModeAndLateness) {
  // L = 89100 is 1000 above the warning price: the top-up is 200.
  strategy.m_bid2TopUp = 1;
  struct Case {
    int32_t mode, bid2Sec, lateSmart, r, price;
    bool late;
  } cases[] = {
      {0, 48, 0, 40, 90100, true},    // 48 >= 40 + 8: row 12, +800 and its top-up
      {0, 47, 0, 40, 89800, false},   // +500 and the top-up
      {0, 1780, 0, 80, 90100, true},  // from 80 s on, late only 1700 s after the bid's second
      {0, 1779, 0, 80, 89800, false},
      {0, 23, 0, 20, 89700, true},  // up to 20 s, late 3 s after; row 1 has no top-up
      {0, 22, 0, 20, 89800, false},
      {1, 30, 0, 25, 89700, false},
      {2, 48, 0, 40, 91000, false},
      {2, 48, 1, 40, 90100, false},
      {2, 47, 1, 40, 91000, false},
      {0, 48, 0, 4, 89400, false},  // 4 s or less: L + 300 whatever the mode
      {1, 48, 0, 4, 89400, false},
      {2, 48, 0, 4, 89400, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " at " << c.bid2Sec << " r " << c.r);
    strategy.m_bid2Mode = c.mode;
    strategy.m_bid2Sec = c.bid2Sec;
    strategy.m_bid2LateSmart = c.lateSmart;
    in.m_remainSec = c.r;
    EXPECT_EQ(SecondBidPrice(strategy, in, log), c.price);
    const Lines got = lines();
    EXPECT_EQ(std::count(got.begin(), got.end(), "重出第二次出价,智能出价重算"), c.late ? 1 : 0);
  }

  strategy.m_bid2Mode = 0;
  strategy.m_bid2Sec = 48;
  in.m_remainSec = 40;
  SecondBidPrice(strategy, in, log);
  EXPECT_EQ(lines(), (Lines{"补档:当前价格:89100,警示价:88100,补价格:200", kStatus,
                            "重出第二次出价,智能出价重算", kStatus}));

  // An increment near the 32-bit limit gives the largest price, not a negative one.
  strategy.m_bid2Sec = 30;
  strategy.m_bid2AddPrice = kMax;
  EXPECT_EQ(SecondBidPrice(strategy, in, log), kMax);
}

TEST_F(PriceRulesTest, ThirdBidPriceAndTheRuleAboveTheSecondBid) {
  in.m_lowestPrice = 89700;  // 1600 above the warning price: the top-up is 200
  in.m_remainSec = 25;
  const SmartRow row{600, 0};
  struct Case {
    const char* name;
    int32_t now, bid3Sec, bid2TopUp, bid3TopUp, submitted, price;
    Lines lines;
  } cases[] = {
      {"increment", 0, 32, 0, 1, 0, 90000, {}},
      {"increment tops up by the second bid's flag", 0, 32, 1, 0, 0, 90200,
       withStatus("补档:当前价格:89700,警示价:88100,补价格:200")},
      {"late", 0, 33, 0, 0, 0, 90300, withStatus("重出第三次出价,智能出价重算")},
      {"right after the second", 1, 0, 0, 0, 0, 90300, withStatus("完成第二次出价立即智能出价")},
      {"equal to the second bid", 0, 32, 0, 0, 90000, 90100,
       withStatus("第三次出价小于等于第二次出价，加100")},
      {"below the second bid", 0, 32, 0, 0, 90200, 90300,
       withStatus("第三次出价小于等于第二次出价，加100")},
      {"at the 32-bit limit", 0, 32, 0, 0, kMax, kMax,
       withStatus("第三次出价小于等于第二次出价，加100")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    strategy.m_bid3Now = c.now;
    strategy.m_bid3Sec = c.bid3Sec;
    strategy.m_bid2TopUp = c.bid2TopUp;
    strategy.m_bid3TopUp = c.bid3TopUp;
    in.m_submittedPrice = c.submitted;
    strategy.m_bid3AddPrice = 300;
    EXPECT_EQ(ThirdBidPrice(strategy, row, in, log), c.price);
    EXPECT_EQ(lines(), c.lines);
  }

  // Up to 20 s left the bid is late 3 s after its second.
  strategy.m_bid3Now = 0;
  strategy.m_bid2TopUp = 0;
  in.m_submittedPrice = 0;
  in.m_remainSec = 20;
  strategy.m_bid3Sec = 23;
  EXPECT_EQ(ThirdBidPrice(strategy, row, in, log), 90300);
  strategy.m_bid3Sec = 22;
  EXPECT_EQ(ThirdBidPrice(strategy, row, in, log), 90000);
}

TEST_F(PriceRulesTest, ThirdBidTakesTheRowBeforeThePauseAndThePriceAfter) {
  strategy.m_bid3Now = 1;
  PriceInputs before;  // row 12: +800 with the top-up
  before.m_lowestPrice = 89000;
  before.m_remainSec = 31;
  PriceInputs after = before;  // top-up 100
  after.m_lowestPrice = 89500;
  after.m_remainSec = 29;
  int reads = 0;
  const int64_t start = clock.elapsedMs();
  const int32_t price = ThirdBidPrice(
      strategy, [&] { return reads++ == 0 ? before : after; }, clock, log);
  EXPECT_EQ(price, 89500 + 800 + 100);
  EXPECT_EQ(reads, 2);
  EXPECT_EQ(clock.elapsedMs() - start, 100);
}

TEST_F(PriceRulesTest, RemedyPricesFromTheLowerOfNowAndItsSecond) {
  strategy.m_remedyAdd = 400;
  strategy.m_remedySec = 12;
  struct Case {
    const char* name;
    int32_t r, sampleAt12, lowest, topUp, submitted, price;
    const char* line;
  } cases[] = {
      {"recorded price lower", 7, 89000, 89500, 0, 0, 89400, "***补救进2,价格:89000+400=89400***"},
      {"nothing recorded", 7, 0, 89500, 0, 0, 89900, "***补救进2,价格:89500+400=89900***"},
      {"recorded price higher", 7, 90000, 89500, 0, 0, 89900, "***补救进2,价格:89500+400=89900***"},
      {"its second too close", 8, 89000, 89500, 0, 0, 89900, "***补救进2,价格:89500+400=89900***"},
      {"top-up on the base", 7, 89100, 89500, 1, 0, 89700, "***补救进2,价格:89100+400=89700***"},
      {"not above the second bid", 7, 89000, 89500, 0, 89400, 89500,
       "***补救进2,价格:89000+400=89400***"},
      {"last seconds", 4, 89000, 89500, 0, 0, 89800, nullptr},
      {"last seconds below the second bid", 4, 89000, 89500, 0, 89800, 89900, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PriceHistory h;
    RecordPriceHistory(h, 12, c.sampleAt12);
    strategy.m_remedyTopUp = c.topUp;
    in.m_remainSec = c.r;
    in.m_lowestPrice = c.lowest;
    in.m_submittedPrice = c.submitted;
    EXPECT_EQ(RemedyPrice(strategy, in, h, log), c.price);
    Lines expected = c.topUp ? withStatus("补档:当前价格:89100,警示价:88100,补价格:200") : Lines{};
    if (c.line) expected.insert(expected.end(), {c.line, kStatus});
    EXPECT_EQ(lines(), expected);
  }
}

class FloatingAdjustTest : public PriceRulesTest {
 protected:
  FloatingAdjustTest() {
    strategy.m_advOption[12] = 1;
    strategy.m_jumpFastThreshold = 400;
    strategy.m_jumpSlowThreshold = 100;
    strategy.m_jumpFastAdd[1] = 200;
    strategy.m_jumpSlowSub[1] = 100;
    in.m_remainSec = 15;
  }
  // The lowest price was `at32` from 32 s to 16 s before the end and `at15` at 15 s.
  void jump(int32_t at32, int32_t at15) {
    history.reset();
    RecordPriceHistory(history, 32, at32);
    RecordPriceHistory(history, 15, at15);
  }
  static std::string chart(int32_t jump, int32_t at32, int32_t at15) {
    std::string text = "跳价图:[倒数32-15秒,跳价" + std::to_string(jump) + "],[32]";
    for (int s = 32; s >= 16; --s) {
      text += (s == 24 ? ",[24]" : s == 32 ? "" : ",") + std::to_string(at32);
    }
    return text + ",[15]" + std::to_string(at15);
  }
};

TEST_F(FloatingAdjustTest, FastSlowOrNormalByTheJumpFrom32To15) {
  struct Case {
    int32_t at15, price;
    const char* line;
  } cases[] = {
      {90000, 90500, "浮动调价:跳价速度过快,跳价700>=设定值400,加价200"},
      {89700, 90500, "浮动调价:跳价速度过快,跳价400>=设定值400,加价200"},
      {89400, 90200, "浮动调价:跳价速度过慢,跳价100<=设定值100,减价100"},
      {89500, 90300, "浮动调价:跳价速度正常,跳价200"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    jump(89300, c.at15);
    EXPECT_EQ(FloatingAdjust(strategy, in, history, 90300, log), c.price);
    EXPECT_EQ(lines(), (Lines{chart(c.at15 - 89300, 89300, c.at15), kStatus, c.line, kStatus}));
  }
}

TEST_F(FloatingAdjustTest, ChartShowsEachSecondFrom32To15) {
  for (int s = 32; s >= 15; --s) RecordPriceHistory(history, s, 89000 + (32 - s) * 100);
  FloatingAdjust(strategy, in, history, 90300, log);
  EXPECT_EQ(lines().at(0),
            "跳价图:[倒数32-15秒,跳价1700],[32]89000,89100,89200,89300,89400,89500,89600,"
            "89700,[24]89800,89900,90000,90100,90200,90300,90400,90500,90600,[15]90700");
}

TEST_F(FloatingAdjustTest, RowsAndLimits) {
  jump(89300, 90000);
  // The row is the first whose seconds cover r; an amount outside 0..300 counts as 0.
  strategy.m_smartSec[1] = 10;
  strategy.m_jumpFastAdd[2] = 300;
  EXPECT_EQ(FloatingAdjust(strategy, in, history, 90300, log), 90600);
  strategy.m_jumpFastAdd[2] = 400;
  EXPECT_EQ(FloatingAdjust(strategy, in, history, 90300, log), 90300);
  strategy.m_jumpFastAdd[2] = -100;
  EXPECT_EQ(FloatingAdjust(strategy, in, history, 90300, log), 90300);
  strategy.m_smartSec[2] = 0;  // no row 1..6 covers 15 s
  strategy.m_jumpFastAdd[2] = 300;
  EXPECT_EQ(FloatingAdjust(strategy, in, history, 90300, log), 90300);

  // A fast threshold of 100 or less is off; the slow one is off from 300 up.
  strategy = BaseStrategy();
  strategy.m_advOption[12] = 1;
  strategy.m_jumpFastAdd[1] = 200;
  strategy.m_jumpSlowSub[1] = 100;
  strategy.m_jumpFastThreshold = 100;
  strategy.m_jumpSlowThreshold = 300;
  jump(89300, 89400);
  lines();
  EXPECT_EQ(FloatingAdjust(strategy, in, history, 90300, log), 90300);
  EXPECT_EQ(lines().at(2), "浮动调价:跳价速度正常,跳价100");

  strategy.m_jumpFastThreshold = 400;
  jump(89300, 90000);
  EXPECT_EQ(FloatingAdjust(strategy, in, history, kMax, log), kMax);
  strategy.m_jumpSlowThreshold = 100;
  jump(89300, 89300);
  EXPECT_EQ(FloatingAdjust(strategy, in, history, kMin, log), kMin);
}

TEST_F(FloatingAdjustTest, OffOrOutside5To15SecondsLeavesThePrice) {
  jump(89300, 90000);
  lines();
  struct Case {
    const char* name;
    int32_t option, r;
    const char* switches;
    bool logged;
  } cases[] = {
      {"16 s", 1, 16, "11111111", true},           {"4 s", 1, 4, "11111111", true},
      {"option off", 0, 15, "11111111", false},    {"switch 5 off", 1, 15, "11111011", false},
      {"switch 5 missing", 1, 15, "11111", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    strategy.m_advOption[12] = c.option;
    in.m_remainSec = c.r;
    in.m_featureSwitches = c.switches;
    EXPECT_EQ(FloatingAdjust(strategy, in, history, 90300, log), 90300);
    EXPECT_EQ(lines(), c.logged ? withStatus("浮动调价:出价时间不在15秒内,正常出价") : Lines{});
  }
}

class ChooseEntryTest : public PriceRulesTest {
 protected:
  ChooseEntryTest() {
    strategy.m_bid2Mode = 0;
    strategy.m_bid3AddPrice = 350;
    strategy.m_remedyAdd = 400;
    in.m_lowestPrice = 89000;
  }
  // A lower price recorded 10 seconds before `r`, or none.
  void moved(bool yes, int32_t r) {
    history.reset();
    if (yes) RecordPriceHistory(history, r + 10, in.m_lowestPrice - 300);
  }
};

TEST_F(ChooseEntryTest, NoRiseInTheLast49SecondsBelow30SecondsBidsTheIncrement) {
  struct Case {
    BidKind kind;
    int32_t mode, r;
    bool rose;
    BidEntry entry;
    const char* line;
  } cases[] = {
      {BidKind::Second,
       0,
       20,
       false,
       {EntryKind::Increment, 500},
       "出价前50秒无价格变化，第2次加价出价"},
      {BidKind::Second,
       1,
       20,
       false,
       {EntryKind::Increment, 600},
       "出价前50秒无价格变化，第2次加价出价"},
      {BidKind::Third,
       0,
       20,
       false,
       {EntryKind::Increment, 350},
       "出价前50秒无价格变化，第3次加价出价"},
      {BidKind::Third,
       2,
       29,
       false,
       {EntryKind::Increment, 600},
       "出价前50秒无价格变化，第3次加价出价"},
      {BidKind::Remedy,
       0,
       20,
       false,
       {EntryKind::Increment, 400},
       "出价前30秒无价格变化，补救加价出价"},
      {BidKind::Second, 0, 20, true, {EntryKind::Price, 90000}, nullptr},
      {BidKind::Second, 0, 30, false, {EntryKind::Price, 90000}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(c.kind) << " mode " << c.mode << " r "
                                      << c.r << (c.rose ? " rose" : ""));
    strategy.m_bid2Mode = strategy.m_bid3Mode = c.mode;
    in.m_remainSec = c.r;
    moved(c.rose, c.r);
    EXPECT_EQ(ChooseEntry(strategy, in, history, 90000, c.kind, log), c.entry);
    const Lines got = lines();
    const std::string check = c.rose ? "检查到最近50秒有跳价" : "检查到最近50没有跳价";
    EXPECT_EQ(got.at(0), check);
    EXPECT_EQ(Lines(got.begin() + 1, got.end()), c.line ? withStatus(c.line) : Lines{});
  }

  // Nothing read yet counts as no rise.
  in.m_lowestPrice = 0;
  in.m_remainSec = 20;
  EXPECT_EQ(ChooseEntry(strategy, in, history, 90000, BidKind::Second, log),
            (BidEntry{EntryKind::Increment, 500}));
}

TEST_F(ChooseEntryTest, PricesBelowTheFloorOrAlreadyReachedBecomeSmartIncrements) {
  struct Case {
    const char* name;
    BidKind kind;
    int32_t realMode, lowest, price;
    BidEntry entry;
    const char* line;
  } cases[] = {
      {"below the real floor",
       BidKind::Second,
       1,
       87000,
       88300,
       {EntryKind::Increment, 800},
       "第二次出价:88300严重错误！！！第2次出价价格不正常,改成加价出价"},
      {"at the real floor", BidKind::Second, 1, 87000, 88400, {EntryKind::Price, 88400}, nullptr},
      {"practice floor", BidKind::Second, 0, 79000, 80000, {EntryKind::Price, 80000}, nullptr},
      {"below the practice floor",
       BidKind::Remedy,
       0,
       79000,
       79900,
       {EntryKind::Increment, 800},
       "严重错误！！！补救出价价格不正常,改成加价出价"},
      {"reached",
       BidKind::Third,
       1,
       89000,
       89200,
       {EntryKind::Increment, 800},
       "严重错误！！！第3次出价价格不正常,改成加价出价"},
      {"just at the window's edge",
       BidKind::Third,
       1,
       89000,
       89300,
       {EntryKind::Price, 89300},
       nullptr},
      {"window above the 32-bit limit",
       BidKind::Second,
       1,
       kMax - 100,
       kMax,
       {EntryKind::Increment, 800},
       "第二次出价:2147483647严重错误！！！第2次出价价格不正常,改成加价出价"},
  };
  in.m_remainSec = 40;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    in.m_realMode = c.realMode;
    in.m_lowestPrice = c.lowest;
    EXPECT_EQ(ChooseEntry(strategy, in, history, c.price, c.kind, log), c.entry);
    const Lines got = lines();
    EXPECT_EQ(Lines(got.begin() + 1, got.end()), c.line ? withStatus(c.line) : Lines{});
  }
}

TEST(PriceInputs, ReadFromTheOwnersFields) {
  PageState page;
  ClockState clockState;
  BidState bid;
  NetState net;
  AtomicInt realMode{0};
  page.m_lowestPrice.Set(89000);
  page.m_warningPrice = 88500;
  clockState.PublishRemain(17);
  bid.m_submittedPrice = 89400;
  net.m_featureSwitches.set("00000100");
  const PriceInputs in = ReadPriceInputs(page, clockState, bid, net, realMode);
  EXPECT_EQ(in.m_lowestPrice, 89000);
  EXPECT_EQ(in.m_remainSec, 17);
  EXPECT_EQ(in.m_warningPrice, 88500);
  EXPECT_EQ(in.m_submittedPrice, 89400);
  EXPECT_EQ(in.m_realMode, 0);
  EXPECT_EQ(in.m_featureSwitches, "00000100");
}

}  // namespace
}  // namespace tavik
