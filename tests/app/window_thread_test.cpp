// Workers reach the window's thread only through its mailbox, and shutdown cuts every wait
// short: real threads, the real clock and real sockets.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "app/controller.h"
#include "support/silent_servers.h"
#include "support/temp_dir.h"
#include "support/test_dictionary.h"
#include "testing/fake_desktop.h"
#include "testing/headless_view.h"
#include "testing/loop_window.h"

namespace tavik {
namespace {

using Steady = std::chrono::steady_clock;
using testing::SilentHttpServer;
using testing::SilentServer;

// Remembers on which thread each message box was asked for.
class ThreadNotingView final : public HeadlessView {
 public:
  void messageBox(const std::string& text) override {
    HeadlessView::messageBox(text);
    boxThread = std::this_thread::get_id();
  }
  std::thread::id boxThread;
};

struct RealProgram {
  explicit RealProgram(Config config = Config{})
      : desktop(clock),
        logFile(clock, dir.file("my.Log")),
        controller(std::make_unique<Controller>(ControllerDeps{
            clock, desktop, window, window, view, logFile, std::move(config), dir.dir()})) {
    testing::WriteTestDictionary(dir.file("sscai.dll"));
    window.runSync([this] { EXPECT_EQ(controller->OnInitDialog(), 0); });
  }
  ~RealProgram() {
    window.runSync([this] { controller.reset(); });
  }

  testing::TempDir dir;
  RealClock clock;
  FakeDesktop desktop;
  LoopWindow window;
  ThreadNotingView view;
  LogFile logFile;
  std::unique_ptr<Controller> controller;
};

TEST(WindowThread, TimerNineAndAMessageBoxFromAWorkerArriveOnTheWindowsThread) {
  RealProgram p;
  std::thread worker([&] {
    p.controller->ArmResultUpload(30);
    p.controller->NotifyUser("从工作线程发出的提示");
  });
  worker.join();

  // Timer 9 fires on the window's thread and requests the upload; worker 7 then uploads.
  const auto deadline = Steady::now() + std::chrono::seconds(5);
  while (p.controller->net.m_resultUploadCount == 0 && Steady::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(p.controller->net.m_resultUploadCount, 1);

  std::thread::id windowThread;
  std::vector<std::string> messages;
  p.window.runSync([&] {
    windowThread = std::this_thread::get_id();
    messages = p.view.messages_;
    EXPECT_FALSE(p.window.isActive(9)) << "timer 9 fires once";
  });
  EXPECT_EQ(messages, std::vector<std::string>{"从工作线程发出的提示"});
  EXPECT_EQ(p.view.boxThread, windowThread);
}

// A time server that never answers holds worker 5 in a 2-second receive, five times per sync
// cycle; closing the window must not wait for any of it.
TEST(WindowThread, ShutdownDuringASyncWithASilentServerTakesUnderHalfASecond) {
  SilentServer server;
  Config config;
  config.ntpServers = {"127.0.0.1", "127.0.0.1", "127.0.0.1", "127.0.0.1"};
  config.ntpPort = server.port();
  auto p = std::make_unique<RealProgram>(config);
  p->window.runSync([&] { p->controller->ToggleRun(); });
  ASSERT_TRUE(server.asked(3000)) << "worker 5 is waiting for the silent server";

  const auto start = Steady::now();
  p->window.runSync([&] { p->controller.reset(); });
  const auto took = Steady::now() - start;
  EXPECT_LT(took, std::chrono::milliseconds(500));
  EXPECT_FALSE(server.asked(2500)) << "no server is asked after shutdown";
}

// The hosts-file command waits for the vendor's server on a thread of its own; closing the
// window while that server hangs does not wait for its 30 s timeout.
TEST(WindowThread, ShutdownDuringAHangingVendorRequestTakesUnderHalfASecond) {
  SilentHttpServer server;
  Config config;
  config.vendorServers = {server.url(), server.url(), server.url()};
  config.vendorWwwServers = config.vendorServers;
  auto p = std::make_unique<RealProgram>(config);
  p->window.runSync([&] { p->controller->OpenVendorDownloadPage(); });
  ASSERT_TRUE(server.connected(3000)) << "the request is waiting for the silent server";

  const auto start = Steady::now();
  p->window.runSync([&] { p->controller.reset(); });
  EXPECT_LT(Steady::now() - start, std::chrono::milliseconds(500));
}

}  // namespace
}  // namespace tavik
