// One tick of the page locator and of the readers through the X11 backend: a rendered auction
// page shown in a real window on the X display, captured, recognised and clicked for real.

#include "x11/x11_fixture.h"  // first: gtest before Xlib

#include <string>

#include "core/gbk.h"
#include "page/page_context.h"
#include "page/page_locator.h"
#include "page/page_readers.h"
#include "support/temp_dir.h"
#include "testing/page_renderer.h"

namespace tavik::testing {
namespace {

using X11Page = X11Test;

TEST_F(X11Page, OneTickFindsTheOriginAndReadsClockEndTimeAndPrice) {
  const Size screen = desktop_->screenSize();
  PageScene s;
  s.browser = {20, 20};
  s.origin = {45, 82};
  s.half = AuctionHalf::second;
  s.clock = "11:29:12";
  s.endTime = "11:30";
  s.lowestPrice = "89300";
  Image page(screen.width, screen.height, 0xFFFFFF);
  ASSERT_TRUE(PageRenderer().render(s, page));
  const Rect browser{20, 20, 20 + 950, 20 + 850};
  TestWindow w({"额度投标拍卖", "TavikTest", browser});
  w.putImage(page, browser);

  TempDir dir;
  RealClock clock;
  std::string error;
  ASSERT_TRUE(PageGlyphDictionary().save(dir.file("glyphs.dict"), error));
  ScreenDriver driver(*desktop_);
  ASSERT_EQ(driver.LoadDictionary(0, dir.file("glyphs.dict")), 1);
  LogFile logFile(clock, dir.file("my.Log"));
  AtomicInt logEnabled{1};
  Logger logger(logFile, logEnabled, [] { return std::string("status"); });

  std::atomic<WindowId> auctionWnd{w.id()}, ownWnd{0};
  AtomicInt clientFound{1}, realMode{0}, compatMode{1}, keyCount{0};
  AtomicPoint screenSize;
  screenSize.storeSize(screen);
  GuardedText title{"额度投标拍卖"};
  PageInputs in{auctionWnd, clientFound, screenSize, realMode, compatMode,
                title,      ownWnd,      keyCount,   {}};
  PageState state;
  ClockState clockState;
  NetworkTimeState netTime;
  NetState net;
  ElementTableStore table;
  PageContext c{state, clockState, netTime, net, in, table, driver, *desktop_, clock, logger};

  PageLocator(c).TrackPage();
  EXPECT_EQ(state.g_browserPos.load(), (Point{20, 20}));
  EXPECT_EQ(state.g_pageOrigin.load(), (Point{45, 82}))
      << gbkToUtf8(TempDir::readFile(dir.file("my.Log")));

  PageReaders readers(c);
  state.m_auctionStage = 2;
  EXPECT_EQ(readers.ReadEndTime(), 1);
  EXPECT_EQ(clockState.m_endTimeText.get(), "11:30:00");
  int h = 0, m = 0, sec = 0;
  std::string text;
  EXPECT_EQ(readers.ReadPageTime(h, m, sec, text), 1);
  EXPECT_EQ(text, "11:29:12");
  EXPECT_EQ(readers.ReadLowestPrice(), 1);
  EXPECT_EQ(state.m_lowestPrice, 89300);
}

}  // namespace
}  // namespace tavik::testing
