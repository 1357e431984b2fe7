// Finding the auction window among real windows, by every path and in both modes, on a bare
// X server and under an EWMH window manager.

#include "x11/x11_fixture.h"  // first: gtest before Xlib

#include "app/client_detection.h"
#include "log/log_file.h"
#include "testing/headless_view.h"
#include "testing/virtual_clock.h"

namespace tavik::testing {
namespace {

constexpr const char* kRealTitle = "上海市个人非营业性客车额度投标拍卖 - Chromium";
constexpr const char* kPracticeTitle = "51沪牌 模拟拍牌 - Mozilla Firefox";

enum class Path { kFront, kBelow, kAbove, kFallback };

struct Case {
  const char* name;
  Path path;
  const char* title;
  const char* windowClass;
  bool foundReal;
  bool foundPractice;
};

class Detection : public X11Test, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (GetParam()) {
      ASSERT_TRUE(wm_.start()) << "openbox is part of scripts/setup";
    }
  }

  // Arranges the candidate relative to the foreground window as the path needs, then detects.
  void check(const Case& k, int realMode) {
    VirtualClock clock;
    LogFile logFile(clock, "/dev/null");
    RunState run;
    ProcessFlags flags;
    Config config;
    HeadlessView view;
    Logger logger(logFile, run.m_logEnabled);
    ClientContext c{run, flags, config, *desktop_, view, logger};
    run.m_realMode = realMode;

    std::unique_ptr<TestWindow> candidate;
    std::unique_ptr<TestWindow> other;
    auto makeCandidate = [&] {
      candidate =
          std::make_unique<TestWindow>(WindowSpec{k.title, k.windowClass, {60, 60, 460, 360}});
    };
    auto makeOther = [&] {
      other = std::make_unique<TestWindow>(
          WindowSpec{"notes.txt - Editor", "Gedit", {300, 200, 700, 500}});
    };
    TestWindow unrelated({"Terminal", "XTerm", {0, 0, 200, 100}});
    switch (k.path) {
      case Path::kFront:
      case Path::kFallback:
        makeOther();
        makeCandidate();
        candidate->focus();
        break;
      case Path::kBelow:
        makeCandidate();
        makeOther();
        other->focus();
        break;
      case Path::kAbove:
        makeOther();
        other->focus();
        makeCandidate();
        other->focus(false);  // the focus goes back, the candidate stays on top
        break;
    }
    const WindowId front =
        k.path == Path::kFront || k.path == Path::kFallback ? candidate->id() : other->id();
    ASSERT_TRUE(eventually([&] { return desktop_->foregroundWindow() == front; }));
    if (k.path == Path::kAbove) {
      ASSERT_TRUE(eventually([&] { return desktop_->windowAbove(front) == candidate->id(); }));
    }
    const bool expected = realMode == 1 ? k.foundReal : k.foundPractice;
    EXPECT_EQ(DetectAuctionClient(c), expected);
    EXPECT_EQ(run.m_auctionWnd.load(), expected ? candidate->id() : 0);
    if (expected) {
      EXPECT_EQ(run.m_pageTitle.get(), k.title);
    }
  }

  WindowManager wm_;
};

TEST_P(Detection, EveryPathInBothModes) {
  const Case cases[] = {
      {"front", Path::kFront, kRealTitle, "Chromium", true, true},
      {"front practice", Path::kFront, kPracticeTitle, "firefox", false, true},
      {"below", Path::kBelow, kRealTitle, "Google-chrome", true, true},
      {"below practice", Path::kBelow, kPracticeTitle, "firefox", false, true},
      {"above", Path::kAbove, kRealTitle, "firefox", true, true},
      {"above practice", Path::kAbove, kPracticeTitle, "Chromium", false, true},
      {"above, foreign class", Path::kAbove, kRealTitle, "XTerm", false, false},
      {"fallback", Path::kFallback, "额度投标 截图.png - Image Viewer", "Eog", true, true},
      {"fallback needs the words", Path::kFallback, kPracticeTitle, "Eog", false, false},
  };
  for (const Case& k : cases) {
    for (int realMode : {1, 0}) {
      SCOPED_TRACE(std::string(k.name) + (realMode ? " / real" : " / practice"));
      check(k, realMode);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(X11, Detection, ::testing::Values(false, true), [](const auto& info) {
  return info.param ? "Openbox" : "NoWindowManager";
});

}  // namespace
}  // namespace tavik::testing
