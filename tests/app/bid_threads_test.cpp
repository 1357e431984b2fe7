// The bidding threads together in real time, for ThreadSanitizer: the engine on worker 3, the
// tracker with outcome detection on worker 1, the readers on worker 2, the window's thread with
// its timers, the keyboard hook called from a thread of its own, and the page changing under
// all of them. A whole controller with the real clock and a real window thread on the fake
// desktop; the page is the page model, redrawn by a thread of its own.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/controller.h"
#include "platform/keys.h"
#include "settings/control_ids.h"
#include "settings/scheme.h"
#include "support/temp_dir.h"
#include "sim/auction_page.h"
#include "testing/fake_desktop.h"
#include "testing/headless_view.h"
#include "testing/in_process_udp.h"
#include "testing/loop_window.h"
#include "testing/page_renderer.h"

namespace tavik {
namespace {

using Steady = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The fake desktop with a screen of its own: the page thread swaps whole frames in while the
// workers capture, each under the lock (the fake desktop's framebuffer is for one thread at a
// time). Everything else is the fake desktop's.
class SharedScreenDesktop final : public Desktop {
 public:
  explicit SharedScreenDesktop(FakeDesktop& d) : d_(d), frame_(d.framebuffer()) {}

  void show(const Image& frame) {
    std::lock_guard lock(mutex_);
    frame_ = frame;
  }

  bool captureScreen(const Rect& r, Image& out) override {
    std::lock_guard lock(mutex_);
    const Rect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, frame_.width),
                 std::min(r.bottom, frame_.height)};
    if (c.empty()) return false;
    out = Image(c.width(), c.height());
    for (int y = 0; y < c.height(); ++y)
      for (int x = 0; x < c.width(); ++x) out.at(x, y) = frame_.at(c.left + x, c.top + y);
    return true;
  }
  bool available() override { return d_.available(); }
  WindowId foregroundWindow() override { return d_.foregroundWindow(); }
  WindowId windowBelow(WindowId w) override { return d_.windowBelow(w); }
  WindowId windowAbove(WindowId w) override { return d_.windowAbove(w); }
  std::string windowTitle(WindowId w) override { return d_.windowTitle(w); }
  std::string windowClass(WindowId w) override { return d_.windowClass(w); }
  bool windowRect(WindowId w, Rect& out) override { return d_.windowRect(w, out); }
  bool windowExists(WindowId w) override { return d_.windowExists(w); }
  bool windowVisible(WindowId w) override { return d_.windowVisible(w); }
  bool moveWindow(WindowId w, const Rect& r) override { return d_.moveWindow(w, r); }
  Size screenSize() override { return d_.screenSize(); }
  Point cursorPos() override { return d_.cursorPos(); }
  void setCursorPos(Point p) override { d_.setCursorPos(p); }
  void leftButtonDown() override { d_.leftButtonDown(); }
  void leftButtonUp() override { d_.leftButtonUp(); }
  void keyDown(int vk) override { d_.keyDown(vk); }
  void keyUp(int vk) override { d_.keyUp(vk); }
  bool setClipboardText(const std::string& text) override { return d_.setClipboardText(text); }
  bool clipboardText(std::string& out) override { return d_.clipboardText(out); }
  bool installKeyboardHook(KeyboardHook hook) override { return d_.installKeyboardHook(hook); }
  void removeKeyboardHook() override { d_.removeKeyboardHook(); }
  bool launchProgram(const std::vector<std::string>& argv) override {
    return d_.launchProgram(argv);
  }
  OsVersion osVersion() override { return d_.osVersion(); }

 private:
  FakeDesktop& d_;
  std::mutex mutex_;
  Image frame_;
};

// Second bid at 46 s, a few seconds after the page is found (the first sight of the page clicks
// into it and presses Ctrl+0, which would disturb an entry made at the same time); 300 above the
// lowest price, so it is reached when Enter comes; the third bid right after, on the smart row's
// 300.
Strategy QuickStrategy() {
  Strategy s;
  s.m_bid2Sec = 46;
  s.m_bid2AddPrice = 300;
  s.m_bid2TopUp = 0;
  s.m_bid3Now = 1;
  s.m_smartSec[1] = 1800;
  s.m_smartAdd[1] = 300;
  s.DeriveModes();
  return s;
}

// A thread that runs `pass` every `periodMs` until stopped.
class Loop {
 public:
  Loop(int periodMs, std::function<void()> pass)
      : thread_([this, periodMs, pass = std::move(pass)] {
          while (!stop_) {
            pass();
            std::this_thread::sleep_for(std::chrono::milliseconds(periodMs));
          }
        }) {}
  ~Loop() { stop(); }
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(BidThreads, EngineTrackerReadersAndKeysRunTogetherAndShutDownCleanly) {
  testing::TempDir dir;
  std::string error;
  ASSERT_TRUE(PageGlyphDictionary().save(dir.file("sscai.dll"), error));
  testing::TempDir::writeFile(dir.file("dt.dat"), "");
  ASSERT_TRUE(SaveSchemeFile(dir.dir(), 0, QuickStrategy(), 0));

  RealClock clock;
  FakeDesktop desktop(clock);
  SharedScreenDesktop screen(desktop);
  const WindowId wnd = desktop.addWindow("上海市个人非营业性客车额度投标拍卖 - Chromium",
                                         "Chromium", {10, 10, 10 + 950, 10 + 850});
  desktop.setForeground(wnd);

  // The page clock starts at 11:29:11 and runs with the real one; the lowest price rises by 100
  // every 2 seconds.
  const CalendarTime start = clock.localTime();
  const int64_t startMs = int64_t(start.secondsOfDay()) * 1000 + start.millisecond;
  AuctionScenario scenario;
  scenario.pageClockMs = [startMs](int64_t ms) {
    return (11 * 3600 + 29 * 60 + 11) * 1000LL + ms - startMs;
  };
  scenario.lowestPrice = [startMs](int64_t ms) {
    return int32_t(90000 + 100 * ((ms - startMs) / 2000));
  };
  scenario.captchaDelayMs = 300;
  AuctionPage page(desktop, clock, scenario);
  std::atomic<int> bidsCounted{1};
  Image frame = desktop.framebuffer();
  Loop pageThread(50, [&] {
    if (!page.update()) return;
    page.render(frame);
    screen.show(frame);
    bidsCounted = page.bidCount();
  });

  LoopWindow window;
  HeadlessView view;
  LogFile logFile(clock, dir.file("my.Log"));
  InProcessUdp udp(clock, [](const Ipv4Endpoint&, const std::vector<uint8_t>&) {
    return std::optional<InProcessUdp::Reply>();
  });
  auto controller = std::make_unique<Controller>(
      ControllerDeps{clock, screen, window, window, view, logFile, Config{}, dir.dir(), &udp});
  window.runSync([&] {
    ASSERT_EQ(controller->OnInitDialog(), 0);
    controller->SetBidNumber("12345678");
    view.setChecked(ctl::kRecording, false);
    view.setChecked(ctl::kCompatMode, false);  // the page's clock, not network time
    controller->ToggleRun();
  });

  // The user keeps typing: a digit and Enter, pressed and released, from the hook's thread.
  Loop keys(150, [&, n = 0]() mutable {
    const int vk = ++n % 5 == 0 ? vk::kReturn : vk::kDigit(n % 5);
    desktop.sendKey(vk, 0);
    desktop.sendKey(vk, vk::kFlagUp);
  });

  // Until the page has counted the third bid, or long enough for a slow (sanitised) build to
  // have counted the second.
  const auto deadline = Steady::now() + 40s;
  while (bidsCounted < 3 && Steady::now() < deadline) std::this_thread::sleep_for(50ms);
  keys.stop();

  const auto before = Steady::now();
  window.runSync([&] { controller.reset(); });
  EXPECT_LT(Steady::now() - before, 1s);
  pageThread.stop();
  EXPECT_GE(page.bidCount(), 2) << "the second bid went through the whole cycle";
}

}  // namespace
}  // namespace tavik
