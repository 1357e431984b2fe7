// The view of what tavik sees and the guided calibration in the Win32 window, on Wine's
// desktop: the view draws each box where its snapshot puts it, green when read and red when
// not, and opens from the menu over the live page; the guided window learns a page in a font
// the dictionary does not know from one drag and the clock's ticks, and Save writes the
// dictionary with the previous one kept.

#include "ui_win32/page_view_window.h"

#include <gtest/gtest.h>

#include "app/controller.h"
#include "recognition/dictionary.h"
#include "support/bold_page.h"
#include "support/temp_dir.h"
#include "support/test_dictionary.h"
#include "testing/fake_desktop.h"
#include "testing/page_renderer.h"
#include "testing/virtual_clock.h"
#include "ui_win32/calibration_window.h"
#include "ui_win32/main_window.h"

namespace tavik::win32ui {
namespace {

// Dispatches this thread's messages until `done` or about `ms` milliseconds.
template <typename Done>
bool PumpUntil(Done done, int ms = 3000) {
  for (int i = 0; i < ms / 10 && !done(); ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return done();
}

// Whether `colour` is drawn within a pixel of `at`.
bool DrawnNear(const Image& image, POINT at, uint32_t colour) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int x = at.x + dx, y = at.y + dy;
      if (x >= 0 && y >= 0 && x < image.width && y < image.height && image.at(x, y) == colour)
        return true;
    }
  return false;
}

// Whether the header band holds text in a red (more red than green) or green hue.
bool HeaderIn(const Image& image, bool red) {
  for (int y = 0; y < Scaled(22); ++y)
    for (int x = 0; x < image.width; ++x) {
      const uint32_t p = image.at(x, y);
      const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF;
      if (red ? r > g + 60 : g > r + 40) return true;
    }
  return false;
}

TEST(Win32PageView, DrawsEachBoxAtItsPlaceInItsColourAndSaysWhenNoPageIsSeen) {
  PageViewWindow window(nullptr, nullptr);
  SetWindowPos(window.hwnd(), nullptr, 0, 0, 500, 500, SWP_NOMOVE | SWP_NOZORDER);
  auto seen = std::make_shared<SeenPage>();
  seen->windowFound = true;
  seen->image = Image(950, 850, 0xE6E6E6);
  seen->imageAt = {100, 50};
  seen->origin = {125, 112};
  seen->originFrom = "dd_201";
  seen->boxes = {{"nowprice", {277, 502, 325, 516}, "89300", true, false},
                 {"end time", {249, 439, 264, 453}, "no end time", false, false},
                 {"bidbutton", {700, 300, 700, 300}, "", false, true}};
  window.showSeen(seen);
  Image image = window.picture();
  EXPECT_TRUE(HeaderIn(image, false));
  EXPECT_FALSE(HeaderIn(image, true));
  for (const SeenBox& b : seen->boxes) {
    SCOPED_TRACE(b.label);
    const POINT tl = window.toWindow({b.rect.left, b.rect.top});
    const POINT br = window.toWindow({b.rect.right, b.rect.bottom});
    EXPECT_TRUE(DrawnNear(image, tl, SeenColour(b)));
    EXPECT_TRUE(DrawnNear(image, br, SeenColour(b)));
    EXPECT_TRUE(DrawnNear(image, {(tl.x + br.x) / 2, tl.y}, SeenColour(b)));
  }

  // No anchor found: the header says so in red.
  auto blind = std::make_shared<SeenPage>(*seen);
  blind->originFrom.clear();
  window.showSeen(blind);
  image = window.picture();
  EXPECT_TRUE(HeaderIn(image, true));
  EXPECT_FALSE(HeaderIn(image, false));
}

// The main window with a controller over the fake desktop and the virtual clock, in a program
// folder of its own with a healthy dictionary.
struct Program {
  Program()
      : desktop(clock),
        timers(clock),
        mailbox(clock),
        logFile(clock, dir.file("my.Log")),
        controller(
            ControllerDeps{clock, desktop, timers, mailbox, window, logFile, Config{}, dir.dir()}) {
    window.bind(&controller);
    window.setMessageHandler([](const std::string&) {});
    testing::WriteTestDictionary(dir.file("sscai.dll"));
    started = controller.OnInitDialog();
    window.show();
  }
  ~Program() { controller.Shutdown(); }

  testing::TempDir dir;
  VirtualClock clock;
  FakeDesktop desktop;
  VirtualTimers timers;
  VirtualMailbox mailbox;
  MainWindow window;
  LogFile logFile;
  Controller controller;
  int started = -1;
};

TEST(Win32PageView, OpensFromTheMenuOverTheLivePageAndStopsWhenClosed) {
  Program p;
  ASSERT_EQ(p.started, 0);
  PageScene scene;
  scene.browser = {10, 10};
  scene.origin = {35, 72};
  scene.half = AuctionHalf::second;
  scene.lowestPrice = "89300";
  p.desktop.paint([&](Image& fb) { PageRenderer().render(scene, fb); });
  p.controller.run.m_auctionWnd =
      p.desktop.addWindow("额度投标拍卖", "Chromium", {10, 10, 10 + 950, 10 + 850});
  p.controller.page.g_pageOrigin = scene.origin;
  p.controller.page.m_auctionStage = 2;
  p.controller.page.m_lowestPrice.Set(89300);

  SendMessageW(p.window.hwnd(), WM_COMMAND, kMenuPageView, 0);
  PageViewWindow* view = p.window.pageView();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(IsWindowVisible(view->hwnd()));
  // The refresh timer asks the feed, whose thread captures the page.
  ASSERT_TRUE(PumpUntil([&] { return view->seen() != nullptr; }));
  const SeenPage& seen = *view->seen();
  EXPECT_TRUE(seen.windowFound);
  EXPECT_EQ(seen.image.width, 950);
  const Image image = view->picture();
  for (const SeenBox& b : seen.boxes) {
    if (b.label != "nowprice") continue;
    EXPECT_TRUE(b.read);
    EXPECT_TRUE(DrawnNear(image, view->toWindow({b.rect.left, b.rect.top}), kSeenReadColour));
  }

  SendMessageW(view->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(view->isOpen());
  EXPECT_FALSE(IsWindowVisible(view->hwnd()));
  SendMessageW(p.window.hwnd(), WM_COMMAND, kMenuPageView, 0);  // opens again
  EXPECT_TRUE(view->isOpen());
  EXPECT_EQ(p.window.pageView(), view);
}

// A page the dictionary in use does not read: one drag around the anchor on the window's
// picture, the clock's ticks for the digits, then Save.
TEST(Win32Calibration, LearnsFromOneDragAndTheClockThenSavesWithABackup) {
  Program p;
  ASSERT_EQ(p.started, 0);
  const std::string old = testing::TempDir::readFile(p.dir.file("sscai.dll"));
  testing::BoldPage page(p.desktop, p.clock);

  SendMessageW(p.window.hwnd(), WM_COMMAND, kMenuCalibration, 0);
  CalibrationWindow* window = p.window.calibration();
  ASSERT_NE(window, nullptr);
  HWND save = window->control(CalibrationWindow::kSave);
  EXPECT_FALSE(IsWindowEnabled(save));
  ASSERT_TRUE(PumpUntil([&] { return window->scale() != 1.0; }));  // a capture is shown
  EXPECT_NE(window->statusText().find("drag a box around the anchor"), std::string::npos);

  // The drag, on the picture where the capture shows the anchor.
  const RECT area = window->pictureArea();
  const Rect box = page.anchorBox();
  const double s = window->scale();
  const auto at = [&](int x, int y) {
    return MAKELPARAM(area.left + int((x - page.scene().browser.x) * s),
                      area.top + int((y - page.scene().browser.y) * s));
  };
  SendMessageW(window->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at(box.left, box.top));
  SendMessageW(window->hwnd(), WM_MOUSEMOVE, MK_LBUTTON, at(box.right, box.bottom));
  SendMessageW(window->hwnd(), WM_LBUTTONUP, 0, at(box.right, box.bottom));
  EXPECT_EQ(window->statusText().find("drag a box around the anchor"), std::string::npos)
      << window->statusText();

  // Nothing is saved before the calibration is complete.
  EXPECT_FALSE(window->saveDictionary());
  EXPECT_EQ(testing::TempDir::readFile(p.dir.file("sscai.dll")), old);

  // The page's clock ticks with the virtual clock; the window keeps capturing.
  for (int second = 0; second < 40 && !IsWindowEnabled(save); ++second) {
    p.clock.runFor(1000);
    page.show();
    PumpUntil([&] { return IsWindowEnabled(save); }, 600);
  }
  ASSERT_TRUE(IsWindowEnabled(save)) << window->statusText();
  SendMessageW(save, BM_CLICK, 0, 0);
  EXPECT_EQ(window->statusText(), kCalibrationSaved);
  EXPECT_EQ(testing::TempDir::readFile(p.dir.file("sscai.dll.bak")), old);
  Dictionary learned;
  std::string error;
  ASSERT_TRUE(Dictionary::Load(p.dir.file("sscai.dll"), learned, error)) << error;
  for (const char* name : {"0", "1", "5", "9", "dd_201"})
    EXPECT_FALSE(learned.indicesOf(name).empty()) << name;
  SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(window->isOpen());
}

}  // namespace
}  // namespace tavik::win32ui
