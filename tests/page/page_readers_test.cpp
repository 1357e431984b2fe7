// The readers on rendered pages: auction stage, end time, page clock and lowest price.

#include "page_fixture.h"

namespace tavik::testing {
namespace {

class Readers : public PageFixture {
 protected:
  // A page the locator has found, showing `s` (the first half unless the scene says otherwise).
  void found(PageScene s) {
    show(s);
    locator.TrackPage();
    ASSERT_EQ(page.g_pageOrigin.load(), s.origin);
  }
  PageScene second() {
    PageScene s = sceneAt({10, 10});
    s.half = AuctionHalf::second;
    return s;
  }
};

TEST_F(Readers, StageFromTheHalfMarkTheLastSecondsTheBidButtonAndTheLocalClock) {
  PageScene s = sceneAt({10, 10});
  s.halfMark = "4500";
  found(s);
  readers.ReadAuctionStage();
  EXPECT_EQ(page.m_auctionStage, 2);

  const struct {
    const char* what;
    int h, m, s;
    int remain;
    bool bidButton;
    int stage;
  } cases[] = {
      {"first half by the local clock", 10, 45, 0, 0, false, 1},
      {"the half-time second itself", 11, 0, 0, 0, false, 0},
      {"second half by the local clock", 11, 15, 0, 0, false, 2},
      {"the practice page's last two minutes", 10, 45, 0, 100, false, 2},
      {"the bid button shown", 10, 45, 0, 0, true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    page.m_auctionStage = 0;
    clockState.m_remainSec = c.remain;
    VirtualClock local(1'765'209'600'000 + ((c.h * 60LL + c.m) * 60 + c.s) * 1000);
    PageContext at{page, clockState, netTime, net, in, table, screen, desktop, local, logger};
    PageScene plain = sceneAt({10, 10});
    plain.bidButton = c.bidButton;
    show(plain);
    PageReaders(at).ReadAuctionStage();
    EXPECT_EQ(page.m_auctionStage, c.stage);
  }
}

TEST_F(Readers, EndTime) {
  realMode = 1;
  clockState.m_auctionEndText.set("11:30:00");
  EXPECT_EQ(readers.ReadEndTime(), 1);
  EXPECT_EQ(clockState.m_endTimeText.get(), "11:30:00");
  EXPECT_EQ(clockState.m_endTime.load(), (TimeOfDay{11, 30, 0}));

  realMode = 0;
  const struct {
    const char* shown;
    int curMinute;
    int result;
    const char* text;
  } cases[] = {
      {"11:30", 29, 1, "11:30:00"},
      {"11:05", 30, 1, "12:05:00"},  // earlier in the hour than the
                                     // clock: the next hour
      {"24:30", 29, -1, ""},
      {"11:61", 29, -1, ""},
      {"", 29, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    clockState.m_endTimeText.clear();
    clockState.m_curTime = TimeOfDay{11, c.curMinute, 0};
    PageScene s = sceneAt({10, 10});
    s.endTime = c.shown;
    found(s);
    page.m_auctionStage = 1;
    EXPECT_EQ(readers.ReadEndTime(), c.result);
    EXPECT_EQ(clockState.m_endTimeText.get(), c.text);
  }
  page.m_auctionStage = 0;
  clockState.m_endTimeText.clear();
  EXPECT_EQ(readers.ReadEndTime(), 0) << "nothing to read before the stage is known";
}

TEST_F(Readers, PageTime) {
  const struct {
    const char* what;
    const char* clock;
    bool markerMoved;
    int stage;
    int result;
    int hits;
  } cases[] = {
      {"second half", "11:29:12", false, 2, 1, 1},
      {"first half", "10:45:07", false, 1, 1, 1},
      {"read at the cells when the marker moved", "11:29:12", true, 2, 1, 1},
      {"before the auction window: values delivered, nothing counted", "10:25:00", false, 2, -1, 0},
      {"the end second itself still counts", "11:30:00", false, 2, 1, 1},
      {"a second after the end: values delivered, nothing counted", "11:30:01", false, 2, -1, 0},
      {"unreadable", "", false, 2, -1, 0},
  };
  realMode = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    netTime.m_pageTimeHits1 = netTime.m_pageTimeHits2 = 0;
    PageScene s = sceneAt({10, 10});
    s.half = c.stage == 2 ? AuctionHalf::second : AuctionHalf::first;
    s.clock = c.clock;
    if (c.markerMoved) s.nowTimeMarker = Point{200, 300};
    found(s);
    page.m_auctionStage = c.stage;
    int h = -1, m = -1, sec = -1;
    std::string text;
    EXPECT_EQ(readers.ReadPageTime(h, m, sec, text), c.result);
    if (*c.clock) {
      EXPECT_EQ(text, c.clock);
      char shown[16];
      std::snprintf(shown, sizeof shown, "%02d:%02d:%02d", h, m, sec);
      EXPECT_EQ(std::string(shown), c.clock);
    }
    EXPECT_EQ(netTime.m_pageTimeHits1 + netTime.m_pageTimeHits2, c.hits);
  }
  page.m_auctionStage = 0;
  int h, m, sec;
  std::string text;
  EXPECT_EQ(readers.ReadPageTime(h, m, sec, text), 0);
}

TEST_F(Readers, FirstHalfPrice) {
  realMode = 1;
  PageScene s = sceneAt({10, 10});
  s.lowestPrice = "88300";
  found(s);
  page.m_auctionStage = 1;
  EXPECT_EQ(readers.ReadLowestPrice(), 1);
  EXPECT_EQ(page.m_lowestPrice, 88300);
  EXPECT_EQ(readers.ReadLowestPrice(), -1) << "not raised";
  s.lowestPrice = "88350";
  show(s);
  EXPECT_EQ(readers.ReadLowestPrice(), -1);
  EXPECT_EQ(page.m_lowestPrice, 88300);
}

// Each method of the second half alone, with its correction; a reading off the 100-yuan step is
// ignored by every method; the price is never lowered.
TEST_F(Readers, SecondHalfPriceMethods) {
  const struct {
    const char* what;
    const char* cell;
    const char* rangeLow;
    const char* mqzd;
    const char* rangeHigh;
    int real;
    int result;
    int lowest;
    const char* logged;
  } cases[] = {
      {"the price cell", "89000", "", "", "", 1, 1, 89000, nullptr},
      {"the range's low end, +300", "", "89000", "", "", 1, 1, 89300, "读qujian价格正确"},
      {"the figure beside 908", "", "", "89000", "", 1, 1, 89000, "读mqzd价格正确"},
      {"the range's high end, -300, practice", "", "", "", "89000", 0, 1, 88700, "读zhi价格正确"},
      {"the range's high end, -300, real: no log", "", "", "", "89000", 1, 1, 88700, nullptr},
      {"off the step everywhere", "89050", "89050", "89050", "89050", 1, -1, 0, nullptr},
      {"below the real range", "", "", "", "70000", 1, -1, 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir::writeFile(dir.file("my.Log"), "");
    realMode = c.real;
    page.m_lowestPrice.Set(0);
    PageScene s = second();
    s.lowestPrice = c.cell;
    s.rangeLowPrice = c.rangeLow;
    s.mqzdPrice = c.mqzd;
    s.rangeHighPrice = c.rangeHigh;
    found(s);
    page.m_auctionStage = 2;
    EXPECT_EQ(readers.ReadLowestPrice(), c.result);
    EXPECT_EQ(page.m_lowestPrice, c.lowest);
    if (c.logged) {
      EXPECT_EQ(logCount(c.logged), 1);
    }
  }
  page.m_lowestPrice.Set(95000);
  EXPECT_EQ(readers.ReadLowestPrice(), -1);
  EXPECT_EQ(page.m_lowestPrice, 95000) << "never lowered";
}

TEST_F(Readers, ReadingsAreCountedAndMarkedPerSecond) {
  realMode = 1;
  PageScene s = second();
  s.lowestPrice = "89000";
  found(s);
  page.m_auctionStage = 2;
  clockState.m_remainSec = 45;
  readers.ReadLowestPrice();
  EXPECT_EQ(page.m_pagePriceReads, 1);
  EXPECT_EQ(page.m_priceReadMarks[45], 1);
  EXPECT_EQ(page.m_priceReadMarks[44], 0);
  clockState.m_remainSec = 61;
  readers.ReadLowestPrice();
  EXPECT_EQ(page.m_pagePriceReads, 2) << "counted, though not raised";
}

TEST_F(Readers, NothingToReadWithoutTheWindowOrTheStage) {
  PageScene s = sceneAt({10, 10});
  s.lowestPrice = "88300";
  found(s);
  page.m_auctionStage = 0;
  EXPECT_EQ(readers.ReadLowestPrice(), 0);
  page.m_auctionStage = 1;
  clientFound = 0;
  EXPECT_EQ(readers.ReadLowestPrice(), 0);
  clientFound = 1;
  page.g_pageOrigin = Point{-1, 5};
  EXPECT_EQ(readers.ReadLowestPrice(), 0);
}

}  // namespace
}  // namespace tavik::testing
