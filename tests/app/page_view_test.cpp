// The snapshot behind the view of what tavik sees, on a rendered page: the boxes lie where the
// page drew what they label, the values are the last ones read, and the feed stops at once.

#include "app/page_view.h"

#include <gmock/gmock.h>

#include "page/page_fixture.h"
#include "recognition/colour_spec.h"
#include "recognition/ocr.h"

namespace tavik::testing {
namespace {

class PageViewTest : public PageFixture {
 protected:
  PageViewTest() {
    PageScene s = sceneAt({40, 30});
    s.half = AuctionHalf::second;
    s.clock = "11:29:40";
    s.endTime = "11:30";
    s.lowestPrice = "89300";
    s.bidButton = true;
    s.bidCount = 1;
    show(s);
  }
  const SeenBox& box(const SeenPage& seen, const std::string& label) {
    for (const SeenBox& b : seen.boxes)
      if (b.label == label) return b;
    ADD_FAILURE() << "no box " << label;
    static const SeenBox none;
    return none;
  }
  // What the page drew inside the box, in `colours`, read with the page's glyphs.
  std::string drawnIn(const SeenPage& seen, const Rect& r, const std::string& colours) {
    Image area(r.width(), r.height());
    for (int y = 0; y < r.height(); ++y)
      for (int x = 0; x < r.width(); ++x)
        area.at(x, y) = seen.image.at(r.left - seen.imageAt.x + x, r.top - seen.imageAt.y + y);
    const Dictionary dict = PageGlyphDictionary();
    return OcrTextOf(Recognise(ColourMask(area, ColourSpec::Parse(colours)), dict), dict);
  }

  SeenPageSources sources{page, clockState, table, auctionWnd, pageTitle, realMode, desktop, clock};
};

TEST_F(PageViewTest, BoxesLieWhereThePageDrewWhatTheyLabel) {
  SeenPage seen = TakeSeenPage(sources);
  EXPECT_TRUE(seen.windowFound);
  EXPECT_EQ(seen.originFrom, "");  // nothing located yet: the view says so
  EXPECT_FALSE(box(seen, "nowprice").read);

  locator.TrackPage();
  page.m_auctionStage = 2;
  readers.ReadLowestPrice();
  clockState.m_clockText.set("11:29:40");
  clockState.m_remainSec = 20;
  EXPECT_EQ(locator.LocateBidCountMarker(), 1);
  seen = TakeSeenPage(sources);
  EXPECT_EQ(seen.imageAt, scene_.browser);
  EXPECT_EQ(seen.image.width, 950);
  EXPECT_EQ(seen.origin, scene_.origin);
  EXPECT_EQ(seen.originFrom, "dd_201");

  const ElementTable& t = ElementTable::Defaults();
  const SeenBox& price = box(seen, "nowprice");
  EXPECT_TRUE(price.read);
  EXPECT_EQ(price.value, "89300");
  EXPECT_EQ(drawnIn(seen, price.rect, t.colours(RectRow::net_rec_nowprice)), "89300");
  const SeenBox& clockBox = box(seen, "clock");
  EXPECT_EQ(clockBox.value, "11:29:40, 20 s left");
  EXPECT_EQ(drawnIn(seen, clockBox.rect, t.row(FixedRow::clock_second_seconds).colours), "40");
  const SeenBox& marker = box(seen, "bidtimesrec_practice");
  EXPECT_TRUE(marker.read);
  EXPECT_EQ(drawnIn(seen, marker.rect, t.row(FixedRow::bidtimesrec_practice).colours), "501");
  EXPECT_FALSE(box(seen, "end time").read);
  const SeenBox& anchor = box(seen, "dd_201");
  EXPECT_EQ((Point{anchor.rect.left, anchor.rect.top}), page.g_anchor201Pos.load());
  const SeenBox& ok = box(seen, "priceconfirmbutton");
  const ElementPoint at = t.point(ClickPoint::priceconfirmbutton);
  EXPECT_TRUE(ok.point);
  EXPECT_EQ((Point{ok.rect.left, ok.rect.top}),
            (Point{scene_.origin.x + at.x, scene_.origin.y + at.y}));
}

// The feed captures on its own thread, one snapshot each time the window asks and none while
// stopped; it never sleeps on the clock, so it runs beside the virtual clock's driver.
TEST_F(PageViewTest, TheFeedTakesOneSnapshotPerAskOnlyWhileStarted) {
  RealClock real;
  SeenPageFeed feed(
      SeenPageSources{page, clockState, table, auctionWnd, pageTitle, realMode, desktop, clock});
  const auto next = [&](const std::shared_ptr<const SeenPage>& after) {
    for (int i = 0; i < 200 && feed.latest() == after; ++i) real.sleepMs(5);
    return feed.latest();
  };
  feed.request();  // not started: dropped
  real.sleepMs(50);
  EXPECT_EQ(feed.latest(), nullptr);
  feed.start();
  const auto first = next(nullptr);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->tickMs, clock.tickCountMs());  // read on the virtual clock, time unmoved
  real.sleepMs(50);
  EXPECT_EQ(feed.latest(), first);  // no ask, no capture
  feed.request();
  EXPECT_NE(next(first), first);
  const uint32_t before = real.tickCountMs();
  feed.stop();
  EXPECT_LT(real.tickCountMs() - before, 200u);
  const auto last = feed.latest();
  feed.request();
  real.sleepMs(50);
  EXPECT_EQ(feed.latest(), last);
}

}  // namespace
}  // namespace tavik::testing
