// The guided calibration and the view of what tavik sees, driven as a user drives them: on a
// page in a font the dictionary in use does not know, the view says in red that it sees no
// page; one drag around the anchor on the guided window's picture and the clock's ticks make
// the dictionary, and Save writes it with the previous one kept as sscai.dll.bak.

#include <gtest/gtest.h>

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QThread>

#include "recognition/dictionary.h"
#include "support/bold_page.h"
#include "ui/calibration_window.h"
#include "ui/page_view_window.h"
#include "ui/ui_fixture.h"

namespace tavik::test {
namespace {

// Runs the window's events until `done` or about `ms` milliseconds.
template <typename Done>
bool ProcessUntil(Done done, int ms = 3000) {
  for (int i = 0; i < ms / 10 && !done(); ++i) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(10);
  }
  return done();
}

void Mouse(QWidget* on, QEvent::Type type, QPointF at) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, on->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(on, &event);
}

TEST(PageViewWindow, SaysInRedThatItSeesNoPageInAFontTheDictionaryDoesNotKnow) {
  testing::TempDir dir;
  UiProgram p(dir);
  testing::BoldPage page(p.desktop, p.clock);
  p.controller.run.m_auctionWnd = page.window();
  p.window.openPageView();
  auto* view = p.window.findChild<PageViewWindow*>();
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(ProcessUntil([&] { return view->seen() != nullptr; }));
  EXPECT_TRUE(view->seen()->windowFound);
  EXPECT_TRUE(view->seen()->originFrom.empty());
  // The header band: red text, no green.
  const QImage image = view->grab().toImage();
  int red = 0, green = 0;
  for (int y = 0; y < 22; ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      red += c.red() > c.green() + 60;
      green += c.green() > c.red() + 40;
    }
  EXPECT_GT(red, 20);
  EXPECT_EQ(green, 0);
  view->close();
}

TEST(CalibrationWindow, OneDragAndTheClockMakeTheDictionaryAndSaveKeepsTheOldOne) {
  testing::TempDir dir;
  UiProgram p(dir);
  const std::string old = testing::TempDir::readFile(dir.file("sscai.dll"));
  testing::BoldPage page(p.desktop, p.clock);
  p.window.openCalibration();
  auto* window = p.window.findChild<CalibrationWindow*>();
  ASSERT_NE(window, nullptr);
  auto* picture = window->findChild<QLabel*>("picture");
  auto* save = window->findChild<QPushButton*>("save");
  ASSERT_TRUE(picture && save);
  ASSERT_TRUE(ProcessUntil([&] { return !picture->pixmap().isNull(); }));  // a capture is shown
  EXPECT_TRUE(window->statusText().contains("drag a box around the anchor"));
  EXPECT_FALSE(save->isEnabled());

  // The drag, on the picture where it shows the anchor.
  const double s = double(picture->pixmap().width()) / page.scene().browserSize.width;
  const Rect box = page.anchorBox();
  const auto at = [&](int x, int y) {
    return QPointF((x - page.scene().browser.x) * s, (y - page.scene().browser.y) * s);
  };
  Mouse(picture, QEvent::MouseButtonPress, at(box.left, box.top));
  Mouse(picture, QEvent::MouseMove, at(box.right, box.bottom));
  Mouse(picture, QEvent::MouseButtonRelease, at(box.right, box.bottom));
  EXPECT_FALSE(window->statusText().contains("drag a box around the anchor"))
      << window->statusText().toStdString();
  EXPECT_FALSE(window->saveDictionary());  // not complete: nothing written
  EXPECT_EQ(testing::TempDir::readFile(dir.file("sscai.dll")), old);

  // The page's clock ticks with the virtual clock; the window keeps capturing.
  for (int second = 0; second < 40 && !save->isEnabled(); ++second) {
    p.clock.runFor(1000);
    page.show();
    ProcessUntil([&] { return save->isEnabled(); }, 600);
  }
  ASSERT_TRUE(save->isEnabled()) << window->statusText().toStdString();
  save->click();
  EXPECT_EQ(window->statusText().toStdString(), kCalibrationSaved);
  EXPECT_EQ(testing::TempDir::readFile(dir.file("sscai.dll.bak")), old);
  Dictionary learned;
  std::string error;
  ASSERT_TRUE(Dictionary::Load(dir.file("sscai.dll"), learned, error)) << error;
  for (const char* name : {"0", "1", "5", "9", "dd_201"})
    EXPECT_FALSE(learned.indicesOf(name).empty()) << name;
  window->close();
}

}  // namespace
}  // namespace tavik::test
