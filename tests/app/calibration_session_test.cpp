// The guided calibration's session on a page in a font the dictionary does not know: it
// captures on its own thread, takes the user's box from its latest capture, and writes nothing
// while the calibration is not complete.

#include "app/calibration_session.h"

#include <gmock/gmock.h>

#include "page/page_fixture.h"

namespace tavik::testing {
namespace {

TEST_F(PageFixture, CalibrationSessionTakesTheBoxAndWritesNothingUntilComplete) {
  PageScene s = sceneAt({10, 10});
  s.half = AuctionHalf::second;
  s.clock = "11:29:40";  // not the machine's time: the digits are never learned here
  Image& fb = desktop.framebuffer();
  PageRenderer(ElementTable::Defaults(), BoldPageGlyphDictionary()).render(s, fb);
  RealClock real;
  AtomicInt offset{0};
  CalibrationSession session(desktop, real, auctionWnd, pageTitle.get(), false,
                             PageGlyphDictionary(), offset);
  EXPECT_FALSE(session.setAnchorBox({0, 0, 10, 10}));  // nothing captured yet
  session.start();
  for (int i = 0; i < 200 && !session.progress().frame; ++i) real.sleepMs(10);  // the first ask
  ASSERT_NE(session.progress().frame, nullptr);
  EXPECT_FALSE(session.progress().anchorKnown);

  const ElementRect& a = ElementTable::Defaults().rect(RectRow::net_rec_dd201);
  EXPECT_TRUE(session.setAnchorBox(
      {s.origin.x + a.x - 3, s.origin.y + a.y - 3, s.origin.x + a.x + 40, s.origin.y + a.y + 12}));
  const CalibrationProgress p = session.progress();
  EXPECT_TRUE(p.anchorKnown);
  EXPECT_FALSE(p.complete);
  EXPECT_THAT(p.missing, ::testing::Not(::testing::IsEmpty()));

  const std::string path = dir.file("sscai.dll");
  std::string error;
  EXPECT_FALSE(session.save(path, error));
  EXPECT_THAT(error, ::testing::HasSubstr("not complete"));
  EXPECT_FALSE(std::filesystem::exists(path));
  session.stop();
}

}  // namespace
}  // namespace tavik::testing
