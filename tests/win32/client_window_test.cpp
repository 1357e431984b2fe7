// The auction page in Chrome or Edge on Windows: a top-level window of their class with the
// page's title is found as the auction client, in front or not.

#include <windows.h>

#include <gtest/gtest.h>

#include "app/client_detection.h"
#include "platform/win32/win32_desktop.h"
#include "testing/headless_view.h"
#include "testing/virtual_clock.h"
#include "win32/test_window.h"

namespace tavik::testing {
namespace {

// A window as Chrome and Edge make them: class "Chrome_WidgetWin_1", the page's title.
class ChromeWindow {
 public:
  explicit ChromeWindow(const wchar_t* title) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Chrome_WidgetWin_1";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                            640, 480, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~ChromeWindow() { DestroyWindow(hwnd_); }
  ChromeWindow(const ChromeWindow&) = delete;
  ChromeWindow& operator=(const ChromeWindow&) = delete;
  WindowId id() const { return WindowId(reinterpret_cast<uintptr_t>(hwnd_)); }
  void toFront() const { SetForegroundWindow(hwnd_); }

 private:
  HWND hwnd_ = nullptr;
};

TEST(Win32ClientWindow, ChromeAndEdgeAreFoundByClassAndTitleInFrontOrNot) {
  VirtualClock clock;
  LogFile logFile(clock, "");
  RunState run;
  ProcessFlags flags;
  Config config;
  HeadlessView view;
  Logger logger(logFile, run.m_logEnabled);
  auto desktop = createWin32Desktop();
  const ClientContext c{run, flags, config, *desktop, view, logger};
  run.m_realMode = 0;

  ChromeWindow page(L"51沪牌模拟拍牌系统 - Google Chrome");
  {
    TestWindow other(L"another program", Rect{300, 300, 700, 600});
    ASSERT_EQ(desktop->foregroundWindow(), other.id());
    ASSERT_TRUE(DetectAuctionClient(c)) << "behind another window";
    EXPECT_EQ(run.m_auctionWnd.load(), page.id());
  }
  run.m_auctionWnd = 0;
  page.toFront();
  ASSERT_EQ(desktop->foregroundWindow(), page.id());
  ASSERT_TRUE(DetectAuctionClient(c)) << "in front";
  EXPECT_EQ(run.m_auctionWnd.load(), page.id());
  EXPECT_EQ(run.m_pageTitle.get(), "51沪牌模拟拍牌系统 - Google Chrome");
}

}  // namespace
}  // namespace tavik::testing
