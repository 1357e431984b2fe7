#include <gtest/gtest.h>

#include <mutex>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <thread>

#include "app/controller_fixture.h"
#include "app/recording.h"
#include "platform/keys.h"
#include "support/test_dictionary.h"

namespace tavik {
namespace {

using testing::ControllerTest;
using testing::TempDir;

TEST_F(ControllerTest, StartUpWithoutAUsableDesktopFailsWithTheMessage) {
  desktop.setAvailable(false);
  EXPECT_EQ(startUp(), 1);
  EXPECT_EQ(view.messages_, (std::vector<std::string>{"初始化失败,请更换电脑!"}));
  controller->run.m_running = 1;
  clock.runFor(2000);
  EXPECT_TRUE(passTimes(4).empty()) << "no worker may be started";
}

TEST_F(ControllerTest, StartUpSetsDefaultsMarkersAndWindow) {
  marker("dt.dat");
  marker("nm.dat");
  marker("lx.txt");
  ASSERT_EQ(startUp(), 0);
  const RunState& run = controller->run;
  EXPECT_EQ(view.title_, "tavikV9.1.4");
  EXPECT_EQ(view.position_, (std::pair<int, int>{30, 30}));
  EXPECT_EQ(run.m_logEnabled, 1);
  EXPECT_EQ(run.m_recordMarker, 1);
  EXPECT_EQ(controller->flags.g_practiceAllowed, 0);
  EXPECT_EQ(controller->flags.g_strategyHidden, 0);
  EXPECT_FALSE(view.strategyHidden_);
  EXPECT_EQ(controller->clockState.m_auctionEndSec, 41400);
  EXPECT_EQ(controller->clockState.m_auctionHalfText.get(), "11:00:00");
  EXPECT_EQ(controller->page.m_warningPrice, 88100);
  EXPECT_EQ(run.m_clientClass.get(), "IE");
  EXPECT_GE(controller->flags.g_uploadDelaySec, 0);
  EXPECT_LE(controller->flags.g_uploadDelaySec, 9);
  EXPECT_EQ(controller->strategy.snapshot()->m_advOption[21], 1)
      << "options beyond 20 are never loaded";
  EXPECT_NE(TempDir::readFile(dir.file("my.Log")).find("\xCF\xB5\xCD\xB3\xC6\xF4\xB6\xAF"),
            std::string::npos)
      << "the start-up line (系统启动) is in the log";
}

TEST_F(ControllerTest, HiddenStrategyMarker) {
  marker("hd.txt");
  ASSERT_EQ(startUp(), 0);
  EXPECT_TRUE(view.strategyHidden_);
  EXPECT_EQ(controller->flags.g_strategyHidden, 1);
  EXPECT_EQ(controller->run.m_logEnabled, 0);
}

TEST_F(ControllerTest, StartAndStopResetTheRunState) {
  ASSERT_EQ(startUp(), 0);
  Controller& c = *controller;
  RunState& run = c.run;
  ClockState& clockState = c.clockState;
  PageState& page = c.page;
  BidState& bid = c.bid;
  const WindowId auctionWnd = desktop.addWindow("额度投标拍卖", "IEFrame");
  const std::vector<AtomicInt*> perRun = {&run.m_clientFound,
                                          &clockState.m_remainSec,
                                          &clockState.m_prevRemainSec,
                                          &clockState.m_subSecondTicks,
                                          &clockState.m_prevSubSecondTicks,
                                          &clockState.m_lastSecondTicks,
                                          &clockState.m_endTimerArmed,
                                          &c.net.m_resultUploadCount,
                                          &page.m_auctionStage,
                                          &bid.m_bidPhase,
                                          &bid.m_systemState,
                                          &run.m_loggedLowestPrice,
                                          &page.m_infoWindowSec,
                                          &page.m_infoWindowCount,
                                          &page.m_pageLocatedInRun,
                                          &bid.m_myPrice,
                                          &bid.m_submittedSec,
                                          &c.keys.g_functionKey,
                                          &page.g_captchaState};
  auto dirty = [&] {
    run.m_auctionWnd = auctionWnd;
    for (AtomicInt* f : perRun) *f = 7;
    page.m_lowestPrice.Set(91200);
    c.keys.g_enterPressed = 7;
    clockState.m_curTime = TimeOfDay{11, 29, 53};
    clockState.m_endTime = TimeOfDay{11, 30, 0};
    clockState.m_clockText.set("11:29:53");
    clockState.m_endTimeText.set("11:30");
    bid.m_submittedPrice = 88600;
    run.m_pageBidNumber.set("12345678");
    bid.m_enterLog.set("enter");
  };
  auto expectReset = [&](bool atStart) {
    for (const AtomicInt* f : perRun) EXPECT_EQ(f->load(), 0);
    EXPECT_EQ(page.m_lowestPrice.load(), 0);
    EXPECT_FALSE(page.m_lowestPrice.PageReadInRun());
    EXPECT_EQ(c.keys.g_enterPressed.load(), 0);
    EXPECT_EQ(clockState.m_curTime.seconds(), 0);
    EXPECT_EQ(clockState.m_endTime.seconds(), 0);
    EXPECT_EQ(clockState.m_clockText.get(), "拍卖未开始");
    EXPECT_EQ(clockState.m_endTimeText.get(), "");
    EXPECT_EQ(bid.m_submittedPrice, 88600) << "the submitted price survives";
    EXPECT_EQ(run.m_auctionWnd.load(), atStart ? 0 : auctionWnd);
    EXPECT_EQ(run.m_pageBidNumber.empty(), atStart);
    EXPECT_EQ(bid.m_enterLog.empty(), atStart);
  };

  dirty();
  controller->ToggleRun();
  expectReset(true);
  EXPECT_EQ(run.m_running, 1);
  EXPECT_EQ(view.text(ctl::kStartStop), "停止");
  EXPECT_EQ(view.text(ctl::kRemainBox), "0");
  EXPECT_FALSE(view.strategyEnabled_);
  EXPECT_EQ(view.focus_, ctl::kFocusSink);
  for (int id : {1, 2, 3}) EXPECT_TRUE(timers.isActive(id)) << id;

  dirty();
  controller->ToggleRun();
  expectReset(false);
  EXPECT_EQ(run.m_running, 0);
  EXPECT_EQ(view.text(ctl::kStartStop), "开始");
  EXPECT_EQ(view.text(ctl::kEngineStatus), "无出价指令");
  EXPECT_EQ(view.text(ctl::kNextStage), "");
  EXPECT_TRUE(view.strategyEnabled_);
  for (int id : {1, 2, 3}) EXPECT_FALSE(timers.isActive(id)) << id;
}

TEST_F(ControllerTest, WorkerGuardsAndPeriods) {
  ASSERT_EQ(startUp(), 0);
  RunState& run = controller->run;
  clock.runFor(1000);
  for (int w = 1; w <= 11; ++w) {
    if (w != 7) {
      EXPECT_TRUE(passTimes(w).empty()) << "worker " << w << " ran while idle";
    }
  }

  // Practice mode, so that worker 5's passes do not start network-time cycles.
  controller->SetBidNumber(Config{}.practiceBidNumber1);
  controller->ToggleRun();
  clearPasses();
  clock.runFor(2000);
  // Running without a client: the page workers wait, the others run at their periods.
  for (int w : {1, 2, 3}) EXPECT_TRUE(passTimes(w).empty()) << w;
  for (int w : {4, 5}) EXPECT_EQ(passGaps(w), std::vector<int64_t>(19, 100)) << w;
  // Workers 8 to 11 pass every 400 ms; their work then pauses 3 s while reporting is off and
  // this copy is no relay, so one pass falls into these two seconds.
  for (int w : {8, 9, 10, 11}) {
    const auto t = passTimes(w);
    ASSERT_EQ(t.size(), 1u) << w;
    EXPECT_LE(t[0] - (clock.elapsedMs() - 2000), 400) << w;
  }
  clearPasses();
  clock.runFor(7000);
  for (int w : {8, 9, 10, 11}) EXPECT_EQ(passGaps(w), std::vector<int64_t>{3400}) << w;
  run.m_clientFound = 1;
  clearPasses();
  clock.runFor(1000);
  EXPECT_TRUE(passTimes(1).empty()) << "worker 1 also needs the window";
  EXPECT_EQ(passTimes(2).size(), 10u);
  EXPECT_EQ(passTimes(3).size(), 10u);

  const WindowId page = desktop.addWindow("额度投标拍卖", "IEFrame");
  run.m_auctionWnd = page;
  clock.runFor(300);
  EXPECT_EQ(run.m_screenSize.loadSize(), (Size{1280, 1024}));
  desktop.removeWindow(page);
  clock.runFor(100);
  EXPECT_EQ(run.m_auctionWnd.load(), 0u) << "a vanished window is dropped";

  controller->ToggleRun();
  clearPasses();
  clock.runFor(2000);
  for (int w = 1; w <= 11; ++w) {
    if (w != 7) {
      EXPECT_TRUE(passTimes(w).empty()) << "worker " << w << " ran after Stop";
    }
  }
}

TEST_F(ControllerTest, RelayPollRunsEvery1500MsUntilTheLastMinuteThenEvery500) {
  ASSERT_EQ(startUp(), 0);
  controller->ToggleRun();
  showRemaining(61);
  clock.runFor(6000);
  // The period, plus the poll's own 10 ms pause between relay hosts.
  const auto slow = passGaps(6);
  ASSERT_GE(slow.size(), 2u);
  for (int64_t gap : slow) EXPECT_EQ(gap, 1510);

  showRemaining(60);
  clearPasses();
  clock.runFor(3000);
  for (int64_t gap : passGaps(6)) EXPECT_EQ(gap, 1510) << "60 s left is not yet the last minute";

  showRemaining(59);
  clock.runFor(1500);  // the sleep under way still has the old length
  clearPasses();
  clock.runFor(3000);
  EXPECT_EQ(passGaps(6), std::vector<int64_t>(5, 510));
}

TEST_F(ControllerTest, UploadTimerSetsTheRequestOnceAndWorker7UploadsWithinASecond) {
  ASSERT_EQ(startUp(), 0);
  NetState& net = controller->net;
  controller->ToggleRun();
  timers.start(timer::kUpload, 25'000);
  const int64_t dueAt = clock.elapsedMs() + 25'000;
  clock.runFor(24'999);
  EXPECT_EQ(net.m_resultUploadDue, 0);
  EXPECT_TRUE(passTimes(7).empty());
  clock.runFor(1001);
  EXPECT_FALSE(timers.isActive(timer::kUpload)) << "one-shot";
  ASSERT_EQ(passTimes(7).size(), 1u);
  EXPECT_GE(passTimes(7)[0], dueAt);
  EXPECT_LE(passTimes(7)[0], dueAt + 1000);
  EXPECT_EQ(net.m_resultUploadCount, 1);
  EXPECT_EQ(net.m_resultUploadDue, 0);
  clock.runFor(60'000);
  EXPECT_EQ(passTimes(7).size(), 1u) << "the timer fired once";
}

TEST_F(ControllerTest, AtMostFourUploadsPerRunTheLaterOnesAfterAPause) {
  ASSERT_EQ(startUp(), 0);
  NetState& net = controller->net;
  std::vector<int64_t> doneAt;
  for (int i = 0; i < 5; ++i) {
    net.m_resultUploadDue = 1;
    clock.runFor(5000);
    doneAt.push_back(net.m_resultUploadDue == 0 ? net.m_resultUploadCount.load() : -1);
  }
  EXPECT_EQ(doneAt, (std::vector<int64_t>{1, 2, 3, 4, -1}));
  EXPECT_EQ(passTimes(7).size(), 4u);
  // The fourth upload waited 3 s after its pass before it was counted.
  net.m_resultUploadCount = 3;
  net.m_resultUploadDue = 1;
  clock.runFor(1000);
  EXPECT_EQ(net.m_resultUploadCount, 3);
  clock.runFor(3000);
  EXPECT_EQ(net.m_resultUploadCount, 4);
}

TEST_F(ControllerTest, FunctionKeyStopsTheRunOnlyWhileRunning) {
  ASSERT_EQ(startUp(), 0);
  // Idle: F2 is latched and swallowed, nothing else happens; Start clears the latch.
  EXPECT_TRUE(desktop.sendKey(vk::kF(2), vk::kFlagUp));
  clock.runFor(1000);
  EXPECT_EQ(controller->keys.g_functionKey, 2);
  controller->ToggleRun();
  EXPECT_EQ(controller->keys.g_functionKey, 0);
  clock.runFor(1000);
  EXPECT_EQ(controller->run.m_running, 1);

  // F5 latches first, so a later F2 passes and does not stop the run.
  EXPECT_FALSE(desktop.sendKey(vk::kF(5), vk::kFlagUp));
  EXPECT_FALSE(desktop.sendKey(vk::kF(2), vk::kFlagUp));
  clock.runFor(1000);
  EXPECT_EQ(controller->run.m_running, 1);

  controller->keys.g_functionKey = 0;
  EXPECT_TRUE(desktop.sendKey(vk::kF(3), vk::kFlagUp));
  clock.runFor(200);
  EXPECT_EQ(controller->run.m_running, 0);
  EXPECT_EQ(controller->keys.g_functionKey, 0) << "the stop's reset clears the latch";
}

TEST_F(ControllerTest, RealModeFollowsTheBidNumberOnEverySecondTick) {
  ASSERT_EQ(startUp(), 0);
  const Config config;
  struct Case {
    std::string bid;
    int realMode;
  };
  for (const Case& c : {Case{"", 1}, Case{config.practiceBidNumber1, 0},
                        Case{config.practiceBidNumber2, 0}, Case{"12345678", 1}}) {
    controller->SetBidNumber(c.bid);
    EXPECT_EQ(controller->run.m_realMode, c.realMode) << c.bid;
  }
  controller->ToggleRun();
  controller->run.m_bidNumber.set(config.practiceBidNumber1);
  clock.runFor(1000);
  EXPECT_EQ(controller->run.m_realMode, 0);
}

TEST_F(ControllerTest, VersionNoticeStopsTheRunForANewerVersionOnly) {
  ASSERT_EQ(startUp(), 0);
  controller->ToggleRun();
  showRemaining(300);
  controller->run.m_updateNoticeDue = 1;
  controller->run.m_latestVersion.set("10.0.0");  // sorts lower than "9.1.4" as text
  clock.runFor(3000);
  EXPECT_EQ(controller->run.m_running, 1);
  EXPECT_TRUE(view.notices_.empty());

  controller->run.m_latestVersion.set("9.1.5");
  clock.runFor(3000);
  EXPECT_EQ(controller->run.m_running, 0);
  EXPECT_EQ(view.notices_, (std::vector<std::string>{DownloadUrl(Config{}, "9.1.5")}));
}

TEST_F(ControllerTest, NoVersionNoticeInTheLastMinute) {
  ASSERT_EQ(startUp(), 0);
  controller->ToggleRun();
  showRemaining(60);
  controller->run.m_updateNoticeDue = 1;
  controller->run.m_latestVersion.set("9.1.5");
  clock.runFor(1000);
  EXPECT_EQ(controller->run.m_running, 1);
  EXPECT_TRUE(view.notices_.empty());
}

TEST_F(ControllerTest, RecordingSetUpNeedsTheLogOrTheMarker) {
  ASSERT_EQ(startUp(), 0);
  controller->SetBidNumber("12345678");
  EXPECT_EQ(controller->run.m_recording, 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("log/12345678")));

  controller->run.m_recordMarker = 1;
  controller->SetBidNumber("12345678");
  EXPECT_EQ(controller->run.m_recording, 1);
  EXPECT_TRUE(view.visible(ctl::kRecording));
  EXPECT_TRUE(view.checked(ctl::kRecording));
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("log/12345678")));

  // A bid number is never turned into a path outside the program's folder (a name of its own,
  // so that nothing else in the temporary folder answers for it).
  const std::string outside = dir.path().filename().string() + "-outside";
  controller->SetBidNumber("../../" + outside);
  EXPECT_FALSE(std::filesystem::exists(dir.path().parent_path() / outside));
}

TEST_F(ControllerTest, ScreenshotsOnlyInTheLastMinuteAndOncePerSecond) {
  ASSERT_EQ(startUp(), 0);
  RunState& run = controller->run;
  controller->SetBidNumber("12345678");
  ASSERT_TRUE(EnsureRecordingDirectory(run));
  const std::filesystem::path shots = dir.path() / "log" / "12345678";
  auto files = [&] {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(shots))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  controller->ToggleRun();
  run.m_recording = 1;  // after Start, which takes the checkbox's state
  run.m_screenSize.storeSize({64, 48});
  // Five display ticks at each remaining second from 61 down to 58.
  // The clock moves on; the tick itself derives the remaining seconds.
  for (int remain = 61; remain >= 58; --remain) {
    showTime(remain);
    for (int tick = 0; tick < 5; ++tick) controller->StatusTick();
  }
  // The step runs before the tick's own update, so it sees the previous tick's values: the
  // shot of a second is taken on its second tick, when 4 fifths are still to come.
  ASSERT_TRUE(controller->waitForScreenshots(5000));
  EXPECT_EQ(files(), (std::vector<std::string>{"img_58_4.bmp", "img_59_4.bmp"}));
}

// Started with no auction page found, the lowest price is the warning price standing in for a
// reading: it is reported to no vendor server. Once a price is read off the page, it is.
TEST_F(ControllerTest, OnlyAPriceReadOffThePageIsReported) {
  std::mutex mutex;
  std::vector<std::string> reports;
  vendorReply = [&](const std::string& url) {
    if (url.find("type=5") != std::string::npos) {
      std::lock_guard lock(mutex);
      reports.push_back(url);
    }
    return std::optional<InProcessHttp::Reply>();
  };
  ASSERT_EQ(startUp(), 0);
  controller->SetBidNumber("12345678");
  controller->ToggleRun();
  showRemaining(65);
  clock.runFor(5000);
  EXPECT_EQ(controller->page.m_lowestPrice.load(), 88100) << "the stand-in is in place";
  {
    std::lock_guard lock(mutex);
    EXPECT_TRUE(reports.empty()) << reports.front();
  }
  controller->page.m_lowestPrice.RaiseFromRead(89000);
  clock.runFor(5000);
  std::lock_guard lock(mutex);
  ASSERT_FALSE(reports.empty());
  EXPECT_NE(reports.front().find("price=89000"), std::string::npos) << reports.front();
}

// A vendor server that takes the request and never answers holds the worker that asked for the
// configured timeout, and no other: the engine's 100 ms tick keeps its period meanwhile.
TEST_F(ControllerTest, AHangingVendorServerHoldsOnlyItsOwnWorker) {
  vendorReply = [](const std::string&) {
    return std::optional<InProcessHttp::Reply>(InProcessHttp::Reply{"", InProcessHttp::kNever});
  };
  ASSERT_EQ(startUp(), 0);
  controller->SetBidNumber("12345678");
  controller->ToggleRun();
  controller->run.m_clientFound = 1;
  controller->page.m_lowestPrice.RaiseFromRead(89000);  // a price read off the page to report
  showRemaining(65);                                    // the main parameters are asked for at once
  clearPasses();
  clock.runFor(5000);
  EXPECT_EQ(http.requests(), 4) << "the main parameters, and a price report to each server";
  EXPECT_EQ(passTimes(4).size(), 1u) << "worker 4 waits for its server";
  EXPECT_EQ(passTimes(8).size(), 1u) << "and each report worker for its own";
  EXPECT_EQ(passGaps(3), std::vector<int64_t>(49, 100)) << "the engine keeps its period";
  clock.runFor(30'000);
  EXPECT_GT(passTimes(4).size(), 1u) << "after the 30 s timeout worker 4 goes on";
}

// Recording switched on by the checkbox alone (no marker, so nothing made the folder before)
// still saves its pictures.
TEST_F(ControllerTest, RecordingByTheCheckboxAloneSavesThePictures) {
  ASSERT_EQ(startUp(), 0);
  controller->SetBidNumber("12345678");
  ASSERT_FALSE(std::filesystem::exists(dir.file("log/12345678")));
  view.setChecked(ctl::kRecording, true);
  controller->ToggleRun();
  controller->run.m_screenSize.storeSize({32, 24});
  for (int remain : {50, 49}) {
    showTime(remain);
    controller->StatusTick();
  }
  ASSERT_TRUE(controller->waitForScreenshots(5000));
  EXPECT_TRUE(std::filesystem::exists(dir.file("log/12345678/img_50_4.bmp")));
}

// Without a recognition dictionary tavik can read nothing off the page: the user is told once,
// and the window says so instead of looking healthy.
TEST_F(ControllerTest, NoDictionaryAtStartUpIsToldAndShown) {
  ASSERT_EQ(startUp(), 0);
  clock.runFor(0);  // the message box is posted to the window's thread
  ASSERT_EQ(view.messages_.size(), 1u);
  EXPECT_NE(view.messages_[0].find("sscai.dll"), std::string::npos);
  EXPECT_NE(view.messages_[0].find("tavik-dict"), std::string::npos);
  EXPECT_EQ(view.text(ctl::kClientStatus), "提示：缺少识别字库 sscai.dll，无法读取页面");
  controller->ToggleRun();
  clock.runFor(3000);
  EXPECT_EQ(view.text(ctl::kClientStatus), "提示：缺少识别字库 sscai.dll，无法读取页面")
      << "for as long as it lasts";
  EXPECT_EQ(view.messages_.size(), 1u) << "told once";
}

TEST_F(ControllerTest, ADictionaryAtStartUpNeedsNoWord) {
  ASSERT_TRUE(testing::WriteTestDictionary(dir.file("sscai.dll")));
  ASSERT_EQ(startUp(), 0);
  clock.runFor(0);
  EXPECT_TRUE(view.messages_.empty());
  EXPECT_EQ(view.text(ctl::kClientStatus),
            "");  // the window's own caption stays until the first tick
}

// Destroying a running controller stops and joins its workers at once: none is left asleep in
// virtual time (which would hang here) or running on the destroyed object.
TEST_F(ControllerTest, DestroyingARunningControllerStopsItsWorkers) {
  ASSERT_EQ(startUp(), 0);
  controller->ToggleRun();
  controller->run.m_clientFound = 1;
  clock.runFor(1000);
  ASSERT_FALSE(passTimes(3).empty());
  auto destroyed = std::async(std::launch::async, [this] { controller.reset(); });
  if (destroyed.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << "the controller's destruction did not end: a worker was never stopped";
    std::fflush(nullptr);
    std::_Exit(1);  // the hung worker cannot be joined
  }
  clearPasses();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  for (int w = 1; w <= 11; ++w) EXPECT_TRUE(passTimes(w).empty()) << "worker " << w;
}

}  // namespace
}  // namespace tavik

namespace tavik {
namespace {

// Two identical runs in virtual time give the same interleaving of worker passes, to the
// millisecond: what makes a recorded auction reproducible.
TEST(ControllerDeterminism, SameRunSameTrace) {
  auto trace = [] {
    testing::TempDir dir;
    VirtualClock clock;
    FakeDesktop desktop(clock);
    VirtualTimers timers(clock);
    VirtualMailbox mailbox(clock);
    HeadlessView view;
    LogFile logFile(clock, dir.file("my.Log"));
    InProcessUdp udp(clock, [](const Ipv4Endpoint&, const std::vector<uint8_t>&) {
      return std::optional<InProcessUdp::Reply>();
    });
    std::mutex m;
    std::vector<std::pair<int, int64_t>> passes;
    {
      Controller c(ControllerDeps{clock, desktop, timers, mailbox, view, logFile, Config{},
                                  dir.dir(), &udp});
      c.onWorkerPass = [&](int worker, int64_t at) {
        std::lock_guard lock(m);
        passes.emplace_back(worker, at);
      };
      EXPECT_EQ(c.OnInitDialog(), 0);
      c.ToggleRun();
      c.run.m_clientFound = 1;
      clock.runFor(3000);
    }
    return passes;
  };
  const auto first = trace();
  EXPECT_GT(first.size(), 100u);
  EXPECT_EQ(first, trace());
}

}  // namespace
}  // namespace tavik

namespace tavik {
namespace {

// The auction's automatic stop, with the user's F2 arriving from the hook's own thread just
// after the stop's reset: the key must not start the run again.
class KeyAfterStopView final : public HeadlessView {
 public:
  explicit KeyAfterStopView(FakeDesktop& desktop) : desktop_(desktop) {}
  void enableStrategyControls(bool on) override {
    HeadlessView::enableStrategyControls(on);
    if (on && armed) desktop_.sendKey(vk::kF(2), vk::kFlagUp);
  }
  bool armed = false;

 private:
  FakeDesktop& desktop_;
};

TEST(ControllerKeys, F2JustAfterTheAutomaticStopDoesNotStartTheRunAgain) {
  testing::TempDir dir;
  VirtualClock clock;
  FakeDesktop desktop(clock);
  VirtualTimers timers(clock);
  VirtualMailbox mailbox(clock);
  KeyAfterStopView view(desktop);
  LogFile logFile(clock, dir.file("my.Log"));
  Controller c(ControllerDeps{clock, desktop, timers, mailbox, view, logFile, Config{}, dir.dir()});
  ASSERT_EQ(c.OnInitDialog(), 0);
  c.ToggleRun();
  testing::ShowTimeBeforeEnd(c.clockState, 1);
  c.StatusTick();
  ASSERT_EQ(c.clockState.m_remainSec, 1);
  view.armed = true;
  testing::ShowTimeBeforeEnd(c.clockState, 0);
  c.StatusTick();  // the last second has passed: the run stops
  EXPECT_EQ(c.keys.g_functionKey, 2) << "the key did arrive";
  EXPECT_EQ(c.run.m_running, 0);
  EXPECT_EQ(view.text(ctl::kStartStop), "开始");
  c.Shutdown();
}

// The sign of a good save keeps the window's time: four seconds on the clock, started again by a
// second save; a failed save shows none.
TEST_F(ControllerTest, TheSavedSignStaysFourSecondsOfClockTime) {
  ASSERT_EQ(startUp(), 0);
  view.setComboSelection(ctl::kSchemeCombo, 1);
  ASSERT_TRUE(controller->SaveScheme());
  EXPECT_EQ(view.text(ctl::kBlankLabel), "已保存：我的方案2");
  clock.runFor(3000);
  ASSERT_TRUE(controller->SaveScheme());
  clock.runFor(3000);
  EXPECT_EQ(view.text(ctl::kBlankLabel), "已保存：我的方案2") << "the second save started it again";
  clock.runFor(1400);
  EXPECT_EQ(view.text(ctl::kBlankLabel), "");

  view.setText(ctl::kBid2Sec, "x");
  EXPECT_FALSE(controller->SaveScheme());
  EXPECT_EQ(view.text(ctl::kBlankLabel), "");
}

}  // namespace
}  // namespace tavik
