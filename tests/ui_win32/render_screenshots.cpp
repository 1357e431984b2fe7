// Renders the Win32 main window (idle and running), the dialogs, the view of what tavik sees
// and the guided calibration into BMP files, for the documentation. Run it in a Wine virtual
// desktop, which draws the title bars:
//   wine explorer /desktop=shots,1000x1000 ui_win32_screenshots.exe OUTDIR
// (scripts/windows-screenshots does that and converts the pictures to PNG).

#include <windows.h>

#include <cstdio>
#include <string>

#include "app/controller.h"
#include "platform/win32/win32_desktop.h"
#include "recognition/bmp.h"
#include "settings/controls.h"
#include "support/bold_page.h"
#include "support/seen_second_half.h"
#include "support/temp_dir.h"
#include "support/test_dictionary.h"
#include "testing/fake_desktop.h"
#include "testing/page_renderer.h"
#include "testing/virtual_clock.h"
#include "ui_win32/calibration_window.h"
#include "ui_win32/dialogs.h"
#include "ui_win32/main_window.h"
#include "ui_win32/page_view_window.h"

namespace {

using namespace tavik;

void Pump(int ms) {
  const ULONGLONG end = GetTickCount64() + ULONGLONG(ms);
  while (GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
}

// The window as the screen shows it, title bar included.
bool Save(Desktop& screen, HWND window, const std::string& path) {
  SetWindowPos(window, HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump(400);
  RECT r;
  GetWindowRect(window, &r);
  Image image;
  std::string error;
  const bool ok = screen.captureScreen({r.left, r.top, r.right, r.bottom}, image) &&
                  WriteBmp(path, image, error);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
  ShowWindow(window, SW_HIDE);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string out = argc > 1 ? argv[1] : ".";
  auto screen = createWin32Desktop();

  testing::TempDir dir;
  dir.write("profile_1.ini",
            "[Settings]\nAuto Bid 2=1\nLast Sec 2=48\nBid Add 2=1\nAdd Price 2=700\n"
            "Dir Price 2=89000\nBu2=1\nPre Price 3=600\nbid3now=0\nbid3lastsec=40\n"
            "Bo 3=1\nBo Last 3=9\nBo Cha 3=800\nBo Cha 4=500\nBo Cha Add3=300\n"
            "Go Sec 1=55\nGo Add 1=900\nGo Sec 2=50\nGo Add 2=800\nGo Sec 3=45\nGo Add 3=700\n"
            "Go Sec 4=40\nGo Add 4=600\nGo Sec 5=35\nGo Add 5=500\nGo Sec 6=30\nGo Add 6=400\n"
            "Go Fast 1=100\nGo Slow 1=100\nadv op 3=1\nadv op 12=1\nadv op 17=1\nadv op 18=1\n"
            "adv op 17_1=400\nadv op 17_2=5\nadv op 17_3=300\nadv op 18_1=2\nadv op 18_3=500\n");
  VirtualClock clock;
  FakeDesktop desktop(clock);
  VirtualTimers timers(clock);
  VirtualMailbox mailbox(clock);
  LogFile logFile(clock, dir.file("my.Log"));
  win32ui::MainWindow window;
  Controller controller(
      ControllerDeps{clock, desktop, timers, mailbox, window, logFile, Config{}, dir.dir()});
  window.bind(&controller);
  window.setMessageHandler(
      [](const std::string& text) { std::printf("message: %s\n", text.c_str()); });
  testing::WriteTestDictionary(dir.file("sscai.dll"));  // a healthy installation
  if (controller.OnInitDialog() != 0) return 1;
  bool ok = Save(*screen, window.hwnd(), out + "/win32_main_idle.bmp");

  // A run in the last minute: the second bid's captcha typed, waiting for the price.
  controller.ToggleRun();
  RunState& run = controller.run;
  ClockState& clockState = controller.clockState;
  PageState& page = controller.page;
  BidState& bid = controller.bid;
  run.m_clientFound = 1;
  clockState.m_clockText.set("11:29:12");
  clockState.m_endTimeText.set("11:30:00");
  clockState.PublishRemain(48, 2);
  page.m_lowestPrice.Set(88300);
  run.m_loggedLowestPrice = 88300;
  bid.m_myPrice = 89000;
  bid.m_bidPhase = 1;
  controller.ShowStatusLabels();  // the second bid became due
  bid.m_systemState = 3;
  controller.page.g_captchaState = 1;
  for (int i = 0; i < 6; ++i) controller.ShowStatus();
  controller.ShowStatusLabels();
  ok = Save(*screen, window.hwnd(), out + "/win32_main_running.bmp") && ok;
  controller.ToggleRun();

  Strategy strategy = controller.strategy.copy();
  const auto adv = AdvancedDialogBindings(strategy);
  win32ui::AdvancedDialog advanced(adv, CopyIn(adv), window.hwnd());
  ok = Save(*screen, advanced.hwnd(), out + "/win32_advanced_dialog.bmp") && ok;
  const auto smart = SmartDialogBindings(strategy);
  win32ui::SmartDialog smartDialog(smart, CopyIn(smart), window.hwnd());
  ok = Save(*screen, smartDialog.hwnd(), out + "/win32_smart_dialog.bmp") && ok;
  win32ui::HelpDialog help(window.hwnd());
  ok = Save(*screen, help.hwnd(), out + "/win32_help_dialog.bmp") && ok;

  // The view of what tavik sees on a second-half page (support/seen_second_half.h).
  {
    win32ui::PageViewWindow view(nullptr, window.hwnd());
    SetWindowPos(view.hwnd(), nullptr, 0, 0, 760, 700, SWP_NOMOVE | SWP_NOZORDER);
    view.showSeen(std::make_shared<SeenPage>(testing::SeenSecondHalf(clock)));
    ok = Save(*screen, view.hwnd(), out + "/win32_page_view.bmp") && ok;
  }

  // The guided calibration on a page in a font the dictionary does not know, after the drag
  // around the anchor: the digits are still being learned.
  {
    testing::BoldPage page(desktop, clock);
    win32ui::CalibrationWindow calibration(controller, window.hwnd());
    calibration.open();
    for (int i = 0; i < 100 && calibration.scale() == 1.0; ++i) {
      Pump(30);
      calibration.refresh();
    }
    const RECT area = calibration.pictureArea();
    const Rect box = page.anchorBox();
    const double s = calibration.scale();
    const auto at = [&](int x, int y) {
      return MAKELPARAM(area.left + int((x - page.scene().browser.x) * s),
                        area.top + int((y - page.scene().browser.y) * s));
    };
    SendMessageW(calibration.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at(box.left, box.top));
    SendMessageW(calibration.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, at(box.right, box.bottom));
    SendMessageW(calibration.hwnd(), WM_LBUTTONUP, 0, at(box.right, box.bottom));
    for (int second = 0; second < 4; ++second) {
      clock.runFor(1000);
      page.show();
      Pump(300);
    }
    ok = Save(*screen, calibration.hwnd(), out + "/win32_calibration.bmp") && ok;
  }
  controller.Shutdown();
  return ok ? 0 : 1;
}
