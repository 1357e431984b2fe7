// The wiring of the controller: the owners' state handed to each subsystem as its inputs, the
// eleven workers and what each pass runs, the window's mailbox and timers, and the shutdown that
// cuts every wait short. The run's logic (Start/Stop, ticks, schemes, commands) is in
// controller.cpp.

#include <utility>

#include "app/controller.h"
#include "app/keyboard_hook.h"

namespace tavik {

std::unique_ptr<Assistant> MakeAssistant(ControllerDeps deps) {
  return std::make_unique<Controller>(std::move(deps));
}

Controller::Controller(ControllerDeps deps)
    : deps_(std::move(deps)),
      logger_(deps_.logFile, run.m_logEnabled,
              [this] { return FormatStatusLine(statusSources()); }),
      screen_(deps_.desktop),
      pageInputs_{run.m_auctionWnd, run.m_clientFound, run.m_screenSize,
                  run.m_realMode,   run.m_compatMode,  run.m_pageTitle,
                  run.m_ownWnd,     keys.g_keyCount,   [this] { outcome_.DetectBidOutcome(); }},
      pageContext_{page,   clockState, netTime,       net,         pageInputs_,
                   table_, screen_,    deps_.desktop, deps_.clock, logger_},
      locator_(pageContext_),
      readers_(pageContext_),
      recognitionUpdater_(table_, logger_, [this](int slot) { screen_.UseDictionary(slot); }),
      bidInputs_{run.m_realMode, run.m_clientFound, [this](int ms) { ArmResultUpload(ms); },
                 &run.m_running, &run.m_runGeneration},
      bidContext_{bid, keys, pageContext_, locator_, strategy, bidInputs_},
      actions_(bidContext_),
      timing_(bidContext_, strategy, actions_),
      outcome_(bidContext_, net),
      engine_(bidContext_, actions_, timing_),
      httpClient_(http(), HttpTimeoutsFrom(deps_.config)),
      timeSync_(TimeSyncInputs{run.m_realMode, clockState.m_remainSec, run.m_runGeneration},
                netTime, deps_.clock, logger_, udp(), deps_.config),
      relayClient_(deps_.clock, udp()),
      relay_(RelayInputs{page.m_lowestPrice, page.m_warningPrice, clockState.m_remainSec,
                         run.m_realMode, run.m_bidNumber},
             relayState, relayClient_, deps_.clock, logger_, udp(), deps_.config,
             [this](const std::string& text) { NotifyUser(text); }),
      netPriceInputs_{page.m_lowestPrice,
                      page.m_warningPrice,
                      clockState.m_remainSec,
                      run.m_running,
                      run.m_realMode,
                      run.m_compatMode,
                      run.m_pageTitle,
                      page.m_pagePriceReads,
                      page.m_priceReadMarks,
                      relayState.m_udpNetPrice,
                      relayState.g_udpPriceHits,
                      [this] { return requestValues(); }},
      netPriceContext_{netPrices,   net,          serverChoice, netPriceInputs_,
                       httpClient_, deps_.config, deps_.clock,  logger_},
      reporter_(netPriceContext_),
      netPriceReader_(netPriceContext_),
      vendor_{deps_.config, httpClient_, deps_.clock, logger_, [this] { return requestValues(); }},
      downloads_(vendor_, serverChoice,
                 RecognitionHooks{[this](std::string_view payload, int version) {
                                    recognitionUpdater_.ApplyRecognitionUpdate(payload, version);
                                  },
                                  [this] { recognitionUpdater_.RestoreRecognitionDefaults(); },
                                  [this](const std::string& file) {
                                    return screen_.LoadDictionary(1, file) == 1;
                                  },
                                  [this](int slot) { return screen_.UseDictionary(slot) == 1; }},
                 deps_.exeDir),
      tuning_(page, table_, actions_.entryState(), netTime, run),
      mainParams_(
          vendor_,
          MainParamsTargets{net, serverChoice, relayState, page.m_lowestPrice, page.m_warningPrice,
                            clockState.m_remainSec, run.m_realMode, tuning_},
          downloads_),
      auctionClock_(clockState,
                    ClockInputs{run.m_running, run.m_realMode, run.m_compatMode, net.m_netMode,
                                page.m_auctionStage, run.m_pageTitle, flags.g_uploadDelaySec},
                    netTime, deps_.clock, logger_),
      screenshots_([this](const std::string& path) { logger_.LogRaw("截图保存失败:" + path); }) {
  static_assert(timer::kUpload == kResultUploadTimerId);
  run.m_exeDir.set(deps_.exeDir);
  deps_.timers.setHandler([this](int id) { OnTimer(id); });
  // The window's controls start with the constructor's settings, as a dialog shows its fields
  // when it is created; the scheme load at start-up replaces them.
  UpdateControls();
}

Controller::~Controller() {
  Shutdown();
}

void Controller::passed(int worker) {
  if (onWorkerPass) onWorkerPass(worker, deps_.clock.utcNowMs());
}

void Controller::startWorkers() {
  Clock& clock = deps_.clock;
  auto fixed = [](int ms) { return [ms] { return ms; }; };
  auto add = [&](const char* name, std::function<int()> period, std::function<void()> pass) {
    workers_.push_back(
        std::make_unique<WorkerThread>(clock, name, std::move(period), std::move(pass)));
  };
  const auto running = [this] { return run.m_running == 1; };
  const auto found = [this] { return run.m_running == 1 && run.m_clientFound == 1; };

  // Start order 1, 2, 3, 4, 8, 9, 10, 11, 5, 6, 7.
  add("w1-tracking", fixed(100), [this] {
    const WindowId wnd = run.m_auctionWnd;
    if (run.m_running != 1 || run.m_clientFound != 1 || wnd == 0) return;
    passed(1);
    if (!deps_.desktop.windowExists(wnd)) {
      // Detection on the window's thread may have stored a new window meanwhile.
      run.forgetAuctionWindow(wnd);
      return;
    }
    outcome_.DetectBidOutcome();
    run.m_screenSize.storeSize(deps_.desktop.screenSize());
    locator_.TrackPage();
  });
  add("w2-reader", fixed(100), [this, found] {
    if (!found()) return;
    passed(2);
    readers_.ReadAuctionStage();
    readers_.ReadEndTime();
    auctionClock_.UpdateAuctionClock([this](int& h, int& m, int& s, std::string& text) {
      return readers_.ReadPageTime(h, m, s, text);
    });
    netPriceReader_.MergeNetPrice([this] { return readers_.ReadLowestPrice(); });
  });
  add("w3-engine", fixed(100), [this, found] {
    if (!found()) return;
    passed(3);
    engine_.BiddingEngineStep();
  });
  add("w4-params", fixed(100), [this, running] {
    if (!running()) return;
    passed(4);
    mainParams_.FetchMainParams();
  });
  for (int server = 1; server <= 3; ++server) {
    const std::string name = "w" + std::to_string(7 + server) + "-report" + std::to_string(server);
    add(name.c_str(), fixed(400), [this, running, server] {
      if (!running()) return;
      passed(7 + server);
      reporter_.ReportPrice(server);
    });
  }
  add("w11-relay", fixed(400), [this, running] {
    if (!running()) return;
    passed(11);
    relay_.RunPriceRelay();
  });
  add("w5-time", fixed(100), [this, running] {
    if (!running()) return;
    passed(5);
    timeSync_.SyncNetworkTime();
  });
  add(
      "w6-relay-poll", [this] { return clockState.m_remainSec >= 60 ? 1500 : 500; },
      [this, running] {
        if (!running()) return;
        passed(6);
        relay_.PollRelayPrice();
      });
  add("w7-upload", fixed(1000), [this, running] {
    uploadPass();
    if (running()) netPriceReader_.ReadNetPrice();
  });
}

void Controller::uploadPass() {
  if (net.m_resultUploadDue != 1 || net.m_resultUploadCount >= kMaxResultUploads) return;
  passed(7);
  UploadResult(vendor_, net, bid.m_enterLog);
}

void Controller::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  if (hookInstalled_) deps_.desktop.removeKeyboardHook();
  for (int id :
       {timer::kStatus, timer::kSecond, timer::kPolling, timer::kUpload, timer::kSavedSign})
    deps_.timers.stop(id);
  for (auto& w : workers_) w->requestStop();
  // Cut short every wait a worker may be in: sleeps, a sync cycle, a network receive.
  timeSync_.requestStop();
  relay_.requestStop();
  posixUdp_.cancelWaits();
  if (deps_.udp) deps_.udp->cancelWaits();
  curlHttp_.cancelWaits();
  if (deps_.http) deps_.http->cancelWaits();
  deps_.clock.interruptSleeps();
  for (auto& w : workers_) w->join();
  workers_.clear();
  if (hostMapping_.joinable()) hostMapping_.join();
  screenshots_.stop();
  // Quitting during a run ends it: its report is written before the program goes.
  if (run.m_running == 1) reports_.RunEnded();
  reports_.stop();
}

RequestValues Controller::requestValues() const {
  return RequestValues{
      run.m_bidNumber.get(), run.m_pageBidNumber.get(), net.m_localIp.get(), g_version, 0, 0};
}

void Controller::PostToWindow(std::function<void()> work) {
  // Work still queued when the controller is gone is dropped: it would run on a dead object.
  deps_.mailbox.post([alive = std::weak_ptr<bool>(alive_), work = std::move(work)] {
    if (alive.lock()) work();
  });
}

void Controller::NotifyUser(const std::string& text) {
  PostToWindow([this, text] { deps_.view.messageBox(text); });
}

void Controller::ArmResultUpload(int delayMs) {
  deps_.timers.start(timer::kUpload, delayMs);
}

}  // namespace tavik
