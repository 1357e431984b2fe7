// The view of what tavik sees draws each box where its snapshot puts it on the scaled capture,
// green when read and red when not; and the menu opens it.

#include <gtest/gtest.h>

#include <QImage>
#include <QMenuBar>

#include "ui/calibration_window.h"
#include "ui/page_view_window.h"
#include "ui/ui_fixture.h"

namespace tavik::test {
namespace {

// Whether `colour` is drawn within a pixel of `at`.
bool DrawnNear(const QImage& image, QPointF at, const QColor& colour) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const QPoint p(int(at.x()) + dx, int(at.y()) + dy);
      if (image.rect().contains(p) && image.pixelColor(p) == colour) return true;
    }
  return false;
}

TEST(PageViewWindow, DrawsEachBoxAtItsPlaceInItsColour) {
  App();
  PageViewWindow window(nullptr);
  window.resize(475, 447);  // half the window's size, and the header
  auto seen = std::make_shared<SeenPage>();
  seen->windowFound = true;
  seen->image = Image(950, 850, 0xE6E6E6);
  seen->imageAt = {100, 50};
  seen->origin = {125, 112};
  seen->originFrom = "dd_201";
  seen->boxes = {{"nowprice", {277, 502, 325, 516}, "89300", true, false},
                 {"end time", {249, 439, 264, 453}, "no end time", false, false}};
  window.showSeen(seen);
  const QImage image = window.grab().toImage();
  for (const SeenBox& b : seen->boxes) {
    SCOPED_TRACE(b.label);
    const QColor colour = b.read ? PageViewWindow::readColour() : PageViewWindow::unreadColour();
    const QPointF tl = window.toWindow({b.rect.left, b.rect.top});
    const QPointF br = window.toWindow({b.rect.right, b.rect.bottom});
    EXPECT_NEAR(tl.x(), (b.rect.left - 100) * 0.5, 0.01);
    EXPECT_TRUE(DrawnNear(image, tl, colour));
    EXPECT_TRUE(DrawnNear(image, br, colour));
    EXPECT_TRUE(DrawnNear(image, (tl + br) / 2 + QPointF(0, (tl.y() - br.y()) / 2), colour));
  }
}

TEST(PageViewWindow, OpensFromTheMenu) {
  testing::TempDir dir;
  UiProgram p(dir);
  p.window.openPageView();
  auto* view = p.window.findChild<PageViewWindow*>();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isVisible());
  view->close();
  EXPECT_FALSE(view->isVisible());
}

// Without an auction window on the desktop the guided calibration says so and saves nothing.
TEST(CalibrationWindow, WithoutAnAuctionWindowSaysSoAndSavesNothing) {
  testing::TempDir dir;
  UiProgram p(dir);
  CalibrationWindow window(p.controller);
  EXPECT_TRUE(window.statusText().contains("no auction window"));
  EXPECT_FALSE(window.saveDictionary());
  EXPECT_EQ(testing::TempDir::readFile(dir.file("sscai.dll.bak")), "");
}

}  // namespace
}  // namespace tavik::test
