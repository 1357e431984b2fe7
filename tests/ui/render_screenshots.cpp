// Renders the main window (idle and running), both settings dialogs and the help dialog into
// PNG files, for the documentation. Run it on an X display (Xvfb) so that the pictures show
// what the user's desktop shows:
//   scripts/with-display build/tests/ui/ui_screenshots docs/screenshots

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QThread>
#include <cstdio>
#include <string>

#include "app/controller.h"
#include "settings/controls.h"
#include "support/bold_page.h"
#include "support/seen_second_half.h"
#include "support/temp_dir.h"
#include "support/test_dictionary.h"
#include "testing/fake_desktop.h"
#include "testing/page_renderer.h"
#include "testing/virtual_clock.h"
#include "ui/calibration_window.h"
#include "ui/main_window.h"
#include "ui/page_view_window.h"
#include "ui/settings_dialogs.h"
#include "ui/small_dialogs.h"

namespace {

bool Save(QWidget& widget, const std::string& path) {
  widget.show();
  widget.raise();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  const bool ok = widget.grab().save(QString::fromStdString(path), "PNG");
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tavik;
  const std::string out = argc > 1 ? argv[1] : "docs/screenshots";
  QApplication app(argc, argv);
  InstallWindowFont();

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
  MainWindow window;
  Controller controller(
      ControllerDeps{clock, desktop, timers, mailbox, window, logFile, Config{}, dir.dir()});
  window.bind(&controller);
  window.setMessageHandler(
      [](const std::string& text) { std::printf("message: %s\n", text.c_str()); });
  testing::WriteTestDictionary(dir.file("sscai.dll"));  // a healthy installation
  if (controller.OnInitDialog() != 0) return 1;
  bool ok = Save(window, out + "/main_idle.png");

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
  ok = Save(window, out + "/main_running.png") && ok;
  controller.ToggleRun();

  Strategy strategy = controller.strategy.copy();
  const auto adv = AdvancedDialogBindings(strategy);
  Ctavikadv advanced(adv, CopyIn(adv), &window);
  ok = Save(advanced, out + "/advanced_dialog.png") && ok;
  const auto smart = SmartDialogBindings(strategy);
  CSmartdlg smartDialog(smart, CopyIn(smart), &window);
  ok = Save(smartDialog, out + "/smart_dialog.png") && ok;
  Ctavikhelp help(&window);
  ok = Save(help, out + "/help_dialog.png") && ok;

  // The guided calibration on a page in a font the dictionary does not know, after the drag
  // around the anchor: the digits are still being learned.
  {
    testing::BoldPage page(desktop, clock);
    CalibrationWindow calibration(controller, &window);
    calibration.show();
    auto* picture = calibration.findChild<QLabel*>("picture");
    for (int i = 0; i < 100 && picture->pixmap().isNull(); ++i) {
      QApplication::processEvents(QEventLoop::AllEvents, 30);
      QThread::msleep(30);
    }
    const double s = double(picture->pixmap().width()) / page.scene().browserSize.width;
    const Rect box = page.anchorBox();
    const auto mouse = [&](QEvent::Type type, int x, int y) {
      const QPointF at((x - page.scene().browser.x) * s, (y - page.scene().browser.y) * s);
      QMouseEvent event(type, at, picture->mapToGlobal(at), Qt::LeftButton,
                        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                        Qt::NoModifier);
      QApplication::sendEvent(picture, &event);
    };
    mouse(QEvent::MouseButtonPress, box.left, box.top);
    mouse(QEvent::MouseMove, box.right, box.bottom);
    mouse(QEvent::MouseButtonRelease, box.right, box.bottom);
    for (int second = 0; second < 4; ++second) {
      clock.runFor(1000);
      page.show();
      for (int i = 0; i < 10; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 30);
        QThread::msleep(30);
      }
    }
    ok = Save(calibration, out + "/calibration_window.png") && ok;
    calibration.hide();
  }

  controller.Shutdown();
  window.hide();

  // The view of what tavik sees on a second-half page (support/seen_second_half.h).
  {
    PageViewWindow view(nullptr);
    view.resize(760, 700);
    view.showSeen(std::make_shared<SeenPage>(testing::SeenSecondHalf(clock)));
    ok = Save(view, out + "/page_view.png") && ok;
    view.hide();
  }

  // A program folder without a recognition dictionary: the window says it cannot read the page.
  testing::TempDir bare;
  LogFile bareLog(clock, bare.file("my.Log"));
  MainWindow blind;
  Controller blindController(
      ControllerDeps{clock, desktop, timers, mailbox, blind, bareLog, Config{}, bare.dir()});
  blind.bind(&blindController);
  blind.setMessageHandler(
      [](const std::string& text) { std::printf("message: %s\n", text.c_str()); });
  if (blindController.OnInitDialog() != 0) return 1;
  clock.runFor(0);  // the message posted at start-up
  ok = Save(blind, out + "/main_no_dictionary.png") && ok;
  blindController.Shutdown();
  return ok ? 0 : 1;
}
