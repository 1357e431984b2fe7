// A whole run against a page that shows the auction: the controller's workers find the page,
// read its stage, end time, clock and price, and the window shows the clock counting down.

#include <gtest/gtest.h>

#include "app/controller_fixture.h"
#include "testing/page_renderer.h"

namespace tavik::testing {
namespace {

TEST_F(ControllerTest, ARunAgainstTheAuctionPageHasAClockAnEndTimeAndAPrice) {
  std::string error;
  ASSERT_TRUE(PageGlyphDictionary().save(dir.file("sscai.dll"), error));
  const WindowId page = desktop.addWindow("上海市个人非营业性客车额度投标拍卖 - Chromium",
                                          "Chromium", {10, 10, 10 + 950, 10 + 850});
  desktop.setForeground(page);
  PageScene scene;
  scene.half = AuctionHalf::second;
  scene.halfMark = "4500";
  scene.clock = "11:29:00";
  scene.lowestPrice = "89300";
  ASSERT_TRUE(PageRenderer().render(scene, desktop.framebuffer()));

  clock.runUntilLocal(11, 28, 57);  // the page and the PC agree on the time
  ASSERT_EQ(startUp(), 0);
  controller->SetBidNumber("12345678");  // a real bid number: network time, real schedule
  controller->ToggleRun();
  clock.runFor(3200);  // to 11:29:00.2: the 200 ms tick has seen the clock of 11:29:00

  Controller& c = *controller;
  EXPECT_EQ(c.run.m_clientFound, 1);
  EXPECT_EQ(c.page.g_pageOrigin.load(), scene.origin);
  EXPECT_EQ(c.page.m_auctionStage, 2);
  EXPECT_EQ(c.bid.m_bidPhase, 1);
  EXPECT_EQ(c.clockState.m_endTimeText.get(), "11:30:00");
  EXPECT_EQ(c.page.m_lowestPrice, 89300);
  // Network time comes first in real mode; no time server answers here, so the PC's clock (which
  // agrees with the page) is shown: 11:29:00, 60 s left.
  EXPECT_EQ(c.clockState.m_clockText.get(), "11:29:00");
  EXPECT_EQ(c.clockState.m_remainSec, 60);
  EXPECT_EQ(view.text(ctl::kRemainBox).substr(0, 2), "60");
  EXPECT_EQ(view.text(ctl::kLowestPrice), "89300");
}

}  // namespace
}  // namespace tavik::testing
