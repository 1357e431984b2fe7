// The Qt window's mailbox and timers with real threads: what a worker asks of the window's
// thread (timer 9, a message box) happens there, and the worker does not wait for it.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <thread>

#include "ui/qt_timers.h"
#include "ui_fixture.h"

namespace tavik {
namespace {

TEST(QtWindowThread, TimerNineAndAMessageBoxFromAWorkerArriveOnTheWindowsThread) {
  test::App();
  testing::TempDir dir;
  RealClock clock;
  FakeDesktop desktop(clock);
  QtMailbox mailbox;
  QtTimers timers(mailbox);
  LogFile logFile(clock, dir.file("my.Log"));
  MainWindow window;
  std::vector<std::string> messages;
  std::thread::id boxThread;
  window.setMessageHandler([&](const std::string& text) {
    messages.push_back(text);
    boxThread = std::this_thread::get_id();
  });
  Controller controller(
      ControllerDeps{clock, desktop, timers, mailbox, window, logFile, Config{}, dir.dir()});
  window.bind(&controller);
  ASSERT_TRUE(testing::WriteTestDictionary(dir.file("sscai.dll")));
  ASSERT_EQ(controller.OnInitDialog(), 0);

  std::thread worker([&] {
    controller.ArmResultUpload(30);
    controller.NotifyUser("从工作线程发出的提示");
  });
  worker.join();
  EXPECT_TRUE(messages.empty()) << "the worker only posted the message box";

  bool timerSeen = false;
  QElapsedTimer waited;
  waited.start();
  while (controller.net.m_resultUploadDue == 0 && controller.net.m_resultUploadCount == 0 &&
         waited.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    timerSeen = timerSeen || timers.isActive(9);
  }
  EXPECT_TRUE(timerSeen) << "timer 9 ran on the window's thread";
  EXPECT_TRUE(controller.net.m_resultUploadDue == 1 || controller.net.m_resultUploadCount == 1);
  EXPECT_FALSE(timers.isActive(9)) << "and fired once";
  EXPECT_EQ(messages, std::vector<std::string>{"从工作线程发出的提示"});
  EXPECT_EQ(boxThread, std::this_thread::get_id());
  controller.Shutdown();
}

}  // namespace
}  // namespace tavik
