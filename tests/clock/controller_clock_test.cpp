// Network time and the auction clock inside the running controller, in virtual time: the PC's
// clock is 1.5 s slow, the time servers answer in process, and the run ends by itself when the
// auction clock reaches the end.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

#include "app/controller.h"
#include "clock/ntp_packets.h"
#include "clock/temp_log.h"
#include "testing/fake_desktop.h"
#include "testing/headless_view.h"
#include "testing/in_process_udp.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

constexpr int64_t kLocalMidnightUtcMs = 1'765'209'600'000;  // 2025-12-09 00:00 UTC+8
constexpr int64_t kPcSlowMs = 1500;

int64_t localAt(int h, int m, int s, int ms = 0) {
  return kLocalMidnightUtcMs + ((h * 60LL + m) * 60 + s) * 1000 + ms;
}

// The window's timers, noting the virtual time of each firing of timer 9.
class UploadTimerLog final : public WindowTimers {
 public:
  explicit UploadTimerLog(VirtualClock& clock) : clock_(clock), timers_(clock) {}
  void setHandler(Handler handler) override {
    timers_.setHandler([this, handler = std::move(handler)](int id) {
      if (id == timer::kUpload) firedAtMs.push_back(clock_.elapsedMs());
      handler(id);
    });
  }
  void start(int id, int periodMs) override { timers_.start(id, periodMs); }
  void stop(int id) override { timers_.stop(id); }
  bool isActive(int id) const override { return timers_.isActive(id); }

  std::vector<int64_t> firedAtMs;  // on the driver thread only

 private:
  VirtualClock& clock_;
  VirtualTimers timers_;
};

class ControllerClockTest : public ::testing::Test {
 protected:
  ControllerClockTest() { std::filesystem::create_directories(exeDir); }
  ~ControllerClockTest() override {
    controller.Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(exeDir, ec);
  }

  std::optional<InProcessUdp::Reply> serve(const Ipv4Endpoint& to) {
    servedTo.push_back(FormatIpv4(to.address));
    if (silentOnce.erase(FormatIpv4(to.address))) return std::nullopt;
    const int64_t atServer = clock.utcNowMs() + kNtpToUnixEpochMs + kPcSlowMs + 10;
    const SntpPacket p = testing::ServerReplyMs(atServer, atServer);
    return InProcessUdp::Reply{{p.begin(), p.end()}, 20};
  }

  VirtualClock clock{localAt(11, 28, 0)};
  FakeDesktop desktop{clock};
  UploadTimerLog timers{clock};
  VirtualMailbox mailbox{clock};
  HeadlessView view;
  testing::TempLog log{clock};
  static Config loopbackConfig() {
    Config c;
    c.ntpServers = {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"};
    return c;
  }
  Config config = loopbackConfig();
  std::string exeDir =
      ::testing::TempDir() + "clock_controller_" + std::to_string(::getpid()) + "/";
  std::vector<std::string> servedTo;
  std::set<std::string> silentOnce;  // servers that leave their next request unanswered
  InProcessUdp udp{clock, [this](const Ipv4Endpoint& to, const auto&) { return serve(to); }};
  Controller controller{
      ControllerDeps{clock, desktop, timers, mailbox, view, log.file, config, exeDir, &udp}};
};

TEST_F(ControllerClockTest, ARunKeepsNetworkTimeAndStopsAtTheEnd) {
  ASSERT_EQ(controller.OnInitDialog(), 0);
  EXPECT_EQ(controller.netTime.m_ntpServer.get(), "10.0.0.3");
  controller.flags.g_uploadDelaySec = 2;
  controller.SetBidNumber("12345678");
  RunState& run = controller.run;
  ClockState& clockState = controller.clockState;

  controller.ToggleRun();
  run.m_clientFound = 1;                        // as the 1 s detection would
  clockState.m_endTime = TimeOfDay{11, 30, 0};  // as the end-time reader does in real mode

  clock.runUntil(1000);
  EXPECT_EQ(controller.netTime.m_ntpOffsetMs, kPcSlowMs);
  EXPECT_EQ(controller.netTime.m_ntpStatus, 2);
  EXPECT_EQ(clockState.m_clockText.get(), "11:28:02");
  EXPECT_EQ(clockState.m_remainSec, 118);

  // The network clock shows 11:29:59 from 11:29:57.500 on the PC; the fifth display tick in
  // that second ends the run.
  clock.runUntilLocal(11, 29, 58, 300);
  EXPECT_EQ(run.m_running, 1);
  EXPECT_EQ(clockState.m_clockText.get(), "11:29:59");
  EXPECT_EQ(clockState.m_remainSec, 1);
  EXPECT_EQ(clockState.m_endTimerArmed, 1);
  clock.runUntilLocal(11, 29, 58, 400);
  EXPECT_EQ(run.m_running, 0);
  EXPECT_EQ(view.text(ctl::kStartStop), "开始");
  EXPECT_EQ(clockState.m_clockText.get(), kClockTextInitial);

  // Cycles at the first pass and 40 s later; the next falls into the last 30 seconds.
  EXPECT_EQ(servedTo, (std::vector<std::string>{"10.0.0.1", "10.0.0.1"}));

  // Timer 9 was armed by the second tick that showed 30 s remaining (11:29:28.800 on the PC)
  // for 30 + 2 + 5 s: it fires once after the end, and the upload follows.
  clock.runUntilLocal(11, 30, 40);
  const int64_t armedAt = localAt(11, 29, 28, 800) - localAt(11, 28, 0);
  EXPECT_EQ(timers.firedAtMs, std::vector<int64_t>{armedAt + 37'000});
  EXPECT_EQ(controller.net.m_resultUploadCount, 1);
  EXPECT_FALSE(timers.isActive(timer::kUpload));
}

TEST_F(ControllerClockTest, EveryStartBeginsWithASyncCycle) {
  ASSERT_EQ(controller.OnInitDialog(), 0);
  controller.SetBidNumber("12345678");
  controller.ToggleRun();
  clock.runFor(1000);
  controller.ToggleRun();
  controller.netTime.m_pageTimeHits2 = 12;
  clock.runFor(5000);
  EXPECT_EQ(servedTo.size(), 1u);  // nothing while idle
  controller.ToggleRun();
  EXPECT_EQ(controller.netTime.m_ntpStatus, 0);
  EXPECT_EQ(controller.netTime.m_pageTimeHits2, 0);
  clock.runFor(1000);
  EXPECT_EQ(servedTo.size(), 2u);
  EXPECT_EQ(controller.netTime.m_ntpOffsetMs, kPcSlowMs);  // kept across runs
  EXPECT_EQ(controller.netTime.m_ntpStatus, 1);            // unchanged offset: not stored again
}

// A sync cycle can take 15 s. One that began before Stop must not mark the next run as synced:
// its result counts only for the run that started it, and the new run syncs at once.
TEST_F(ControllerClockTest, ASyncCycleThatOutlivesItsRunCountsForNothing) {
  ASSERT_EQ(controller.OnInitDialog(), 0);
  controller.SetBidNumber("12345678");
  silentOnce = {"10.0.0.1"};
  controller.ToggleRun();
  clock.runFor(1000);  // the cycle waits for server 1, which does not answer
  ASSERT_EQ(servedTo, std::vector<std::string>{"10.0.0.1"});
  controller.ToggleRun();
  controller.ToggleRun();  // Stop and Start while the old cycle still runs
  EXPECT_EQ(controller.netTime.m_ntpStatus, 0);
  clock.runFor(3500);
  // The old cycle asks no further server once its run has ended; the new run's first pass then
  // starts a cycle of its own, which server 1 answers.
  EXPECT_EQ(servedTo, (std::vector<std::string>{"10.0.0.1", "10.0.0.1"}));
  EXPECT_EQ(controller.netTime.m_ntpStatus, 2);
  EXPECT_EQ(controller.netTime.m_ntpOffsetMs, kPcSlowMs);
}

}  // namespace
}  // namespace tavik
