#pragma once
// The page locator and readers on a rendered auction page: the fake desktop shows the page that
// PageRenderer draws, with the auction window where the scene's browser is, and the screen
// driver reads it with the test glyph dictionary. Everything else is the product's own code.

#include <gtest/gtest.h>

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

#include "core/gbk.h"
#include "page/page_context.h"
#include "page/page_locator.h"
#include "page/page_readers.h"
#include "page/page_reads.h"
#include "support/temp_dir.h"
#include "testing/fake_desktop.h"
#include "testing/page_renderer.h"
#include "testing/virtual_clock.h"

namespace tavik {
inline void PrintTo(const Point& p, std::ostream* os) {
  *os << "(" << p.x << ", " << p.y << ")";
}
}  // namespace tavik

namespace tavik::testing {

class PageFixture : public ::testing::Test {
 protected:
  PageFixture() {
    logEnabled = 1;
    std::string error;
    PageGlyphDictionary().save(dir.file("glyphs.dict"), error);
    screen.LoadDictionary(0, dir.file("glyphs.dict"));
    auctionWnd = desktop.addWindow("上海市个人非营业性客车额度投标拍卖", "Chromium",
                                   {10, 10, 10 + 950, 10 + 850});
    clientFound = 1;
    screenSize.storeSize(desktop.screenSize());
  }

  // Draws the scene, with the auction window moved to its browser position.
  void show(const PageScene& scene) {
    scene_ = scene;
    const Rect at{scene.browser.x, scene.browser.y, scene.browser.x + scene.browserSize.width,
                  scene.browser.y + scene.browserSize.height};
    desktop.moveWindow(auctionWnd, at);
    Image& fb = desktop.framebuffer();
    std::fill(fb.pixels.begin(), fb.pixels.end(), 0xFFFFFF);
    PageRenderer().render(scene, fb);
  }
  // The scene of a page at `browser` with its origin where the default layout puts it.
  static PageScene sceneAt(Point browser) {
    PageScene s;
    s.browser = browser;
    s.origin = {browser.x + 25, browser.y + 62};
    return s;
  }

  // The log's lines (time stamps cut off), status lines as "<status>".
  std::vector<std::string> logLines() const {
    const std::string text = gbkToUtf8(TempDir::readFile(dir.file("my.Log")));
    std::vector<std::string> out;
    for (size_t begin = 0; begin < text.size();) {
      const size_t end = text.find("\r\n", begin);
      std::string line = text.substr(begin + 22, end - begin - 22);
      out.push_back(line == "status" ? "<status>" : line);
      begin = end + 2;
    }
    return out;
  }
  int logCount(const std::string& line) const {
    int n = 0;
    for (const auto& l : logLines()) n += l == line ? 1 : 0;
    return n;
  }
  std::vector<std::string> actions() const {
    std::vector<std::string> out;
    for (const auto& a : desktop.actions()) out.push_back(a.what);
    return out;
  }

  TempDir dir;
  VirtualClock clock;
  FakeDesktop desktop{clock};
  ScreenDriver screen{desktop};
  LogFile logFile{clock, dir.file("my.Log")};
  AtomicInt logEnabled{0};
  Logger logger{logFile, logEnabled, [] { return std::string("status"); }};

  std::atomic<WindowId> auctionWnd{0};
  std::atomic<WindowId> ownWnd{0};
  AtomicInt clientFound{0};
  AtomicPoint screenSize;
  AtomicInt realMode{0};
  AtomicInt compatMode{1};
  GuardedText pageTitle{"额度投标拍卖"};  // a practice page drawn like the real one
  AtomicInt keyCount{0};
  int outcomeChecks = 0;
  PageInputs in{auctionWnd, clientFound, screenSize,
                realMode,   compatMode,  pageTitle,
                ownWnd,     keyCount,    [this] { ++outcomeChecks; }};

  PageState page;
  ClockState clockState;
  NetworkTimeState netTime;
  NetState net;
  ElementTableStore table;
  PageContext context{page, clockState, netTime, net, in, table, screen, desktop, clock, logger};
  PageLocator locator{context};
  PageReaders readers{context};
  PageScene scene_;
};

}  // namespace tavik::testing
