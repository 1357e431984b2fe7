#pragma once
// The controller: owns the run state, starts the eleven workers, drives the window timers,
// runs Start/Stop with its reset, and receives the desktop's key events. It knows its window
// only through MainView and the platform only through the seams. The windows and the simulator
// see only its Assistant side; the rest is for the wiring (controller_wiring.cpp) and tests.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/assistant.h"
#include "app/client_detection.h"
#include "app/main_view.h"
#include "app/practice_service.h"
#include "app/recording.h"
#include "app/remote_tuning.h"
#include "app/run_report.h"
#include "app/run_state.h"
#include "app/saved_sign.h"
#include "app/status_model.h"
#include "app/worker_thread.h"
#include "bidding/bid_context.h"
#include "bidding/bid_outcome.h"
#include "bidding/bid_state.h"
#include "bidding/bidding_engine.h"
#include "bidding/confirmation.h"
#include "bidding/page_actions.h"
#include "clock/auction_clock.h"
#include "clock/clock_state.h"
#include "clock/network_time.h"
#include "clock/time_state.h"
#include "core/config.h"
#include "log/log_file.h"
#include "log/logger.h"
#include "net/host_mapping.h"
#include "net/http_client.h"
#include "net/http_transport.h"
#include "net/main_params_poll.h"
#include "net/net_price.h"
#include "net/net_state.h"
#include "net/price_relay.h"
#include "net/price_report.h"
#include "net/recognition_download.h"
#include "net/result_upload.h"
#include "net/server_choice.h"
#include "net/udp_transport.h"
#include "net/vendor_access.h"
#include "page/element_table_store.h"
#include "page/page_context.h"
#include "page/page_locator.h"
#include "page/page_readers.h"
#include "page/page_state.h"
#include "page/recognition_updater.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/mailbox.h"
#include "platform/timers.h"
#include "recognition/screen_driver.h"
#include "settings/strategy.h"

namespace tavik {

// Window timer ids.
namespace timer {
inline constexpr int kStatus = 1;   // 200 ms
inline constexpr int kSecond = 2;   // 1 s
inline constexpr int kPolling = 3;  // 100 ms, no handler of its own
inline constexpr int kUpload = 9;   // one-shot result-upload trigger
// One-shot: the "saved" sign goes (app/saved_sign.h).
inline constexpr int kSavedSign = 10;
}  // namespace timer

// The vendor page that offers the announced version for download.
std::string DownloadUrl(const Config& config, const std::string& version);

class Controller final : public Assistant {
 public:
  explicit Controller(ControllerDeps deps);
  ~Controller() override;  // Shutdown()
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;

  // Start-up. Returns 0, or the process exit code when the program cannot run here (the user
  // has been told).
  int OnInitDialog() override;
  // Removes the keyboard hook, cuts every wait short (sleeps, network receives and lookups)
  // and joins the workers; idempotent. Returns within a fraction of a second.
  void Shutdown() override;

  // From any thread: runs `work` on the window's thread soon, without waiting for it.
  void PostToWindow(std::function<void()> work);
  // From any thread: tells the user in a message box; the caller does not wait for it.
  void NotifyUser(const std::string& text);
  // From any thread: starts timer 9, which requests the result upload after `delayMs`.
  void ArmResultUpload(int delayMs);

  void ToggleRun() override;
  void ResetRunState(bool atStart);
  void OnTimer(int id);
  void StatusTick();
  void SecondTick();
  bool OnKeyEvent(int code, int vk, int flags);

  // The strategy in force, and the settings dialogs' change of it: the changed copy becomes the
  // snapshot the engine's next step reads.
  Strategy StrategyInForce() const override { return strategy.copy(); }
  void EditStrategy(const std::function<void(Strategy&)>& change) override {
    strategy.update([&](Strategy& s) {
      change(s);
      return true;
    });
  }
  // The month's warning price, which stands in for a lowest price not read yet.
  void SetWarningPrice(int32_t price) override { page.m_warningPrice = price; }
  // Sets the user's bid number and derives the mode; runs the recording set-up.
  void SetBidNumber(const std::string& bidNumber) override;
  std::string BidNumber() const override { return run.m_bidNumber.get(); }
  void DeriveRealMode();
  // The user typed a bid number: checks it (eight digits), keeps it in "./profile.ini" and
  // sets it. Returns false, after telling the user, when it is refused; a number that cannot
  // be kept on disk is still used for this session, and the user is told.
  bool EnterBidNumber(const std::string& text) override;

  // Data exchange of the main window's strategy controls. UpdateFields stops at the first edit
  // that is not an integer, tells the user and returns false.
  bool UpdateFields();
  void UpdateControls();

  // Schemes: load the selected one, save it (button "保存配置"), the user's combo selection,
  // the practice page's scheme 3 and a scheme delivered by the vendor service.
  // LoadScheme is false (the user told, the strategy in force kept) when the scheme's file
  // exists but cannot be read. ReceiveCloudScheme runs on the window's thread.
  bool LoadScheme();
  bool SaveScheme() override;
  void OnSchemeSelected(int index) override;
  void SelectPracticeScheme() override;
  bool ReceiveCloudScheme(std::string_view text);

  // Click handlers of the strategy radios and checkboxes.
  void OnControlClicked(int id, bool checked) override;
  // The auction page buttons; detection and launch of the page belong to the client module.
  void LaunchPractice() override;
  void LaunchRealClient() override;
  // Opens an address in the user's browser.
  void OpenUrl(const std::string& url) override;
  // The vendor's download page (hidden button "TT"). The hosts-file mapping of the vendor's
  // bidding host runs first, on a thread of its own (it waits for the vendor's server); the
  // page opens when it is done.
  void OpenVendorDownloadPage() override;
  void OpenLastRunReport() override;

  SeenPageSources seenPageSources() override;
  std::unique_ptr<CalibrationSession> NewCalibrationSession() override;
  std::string DictionaryPath() const override { return run.m_exeDir.get() + kDictionaryFile; }
  bool UseSavedDictionary() override;
  void EnableReadCache(int entries) override { screen_.setMaskCache(entries); }
  EngineProgress engineProgress() const override {
    return {bid.m_bidPhase.load(), bid.m_systemState.load()};
  }

  // The status display of the 200 ms and 1 s ticks.
  void ShowStatus();
  void ShowStatusLabels();

  // Called with (worker number 1..11, UTC ms) each time a worker's guard lets a pass through.
  // For tests and diagnostics; set before OnInitDialog.
  std::function<void(int worker, int64_t atMs)> onWorkerPass;

  // The shared state, by owner.
  RunState run;
  ClockState clockState;
  PageState page;
  BidState bid;
  NetState net;
  KeyFlags keys;
  ProcessFlags flags;
  StrategyStore strategy;
  // Network time and the page clock's trust counters.
  NetworkTimeState netTime;
  // The vendor servers' failure counts and the main-parameter poll's pacing.
  ServerChoiceState serverChoice;
  // The UDP price relay's own fields, and those of the price service over HTTP.
  RelayState relayState;
  NetPriceState netPrices;

  Logger& log() { return logger_; }
  // One GET to a vendor server, bounded by the configured timeouts; cut short by Shutdown.
  CHttpClient& httpClient() { return httpClient_; }
  // What auction-window detection and the launch buttons work on.
  ClientContext clientContext() {
    return ClientContext{run, flags, deps_.config, deps_.desktop, deps_.view, logger_};
  }
  // What the status display and the log's status line show.
  StatusSources statusSources() { return {run, clockState, page, bid, net, keys, flags}; }
  // Waits up to timeoutMs until the last-minute screenshots taken so far are on disk.
  bool waitForScreenshots(int timeoutMs) { return screenshots_.waitIdle(timeoutMs); }
  ScreenDriver& screen() { return screen_; }
  MainParamsPoll& mainParams() { return mainParams_; }
  RecognitionDownloads& downloads() { return downloads_; }
  ElementTableStore& elementTable() { return table_; }
  PageLocator& locator() { return locator_; }
  PageReaders& readers() { return readers_; }
  // Applies recognition updates from the parameter service (worker 4) to the element table.
  RecognitionUpdater& recognitionUpdater() { return recognitionUpdater_; }
  BiddingEngine& engine() { return engine_; }
  BidOutcome& outcome() { return outcome_; }
  PageActions& pageActions() { return actions_; }
  const Config& config() const { return deps_.config; }
  Clock& clock() { return deps_.clock; }
  Desktop& desktop() { return deps_.desktop; }
  MainView& view() { return deps_.view; }
  // The reports written after runs, and the last one for the window's menu.
  RunReports& reports() { return reports_; }

 private:
  void startWorkers();
  void passed(int worker);
  bool markerExists(const char* name) const;
  void uploadPass();
  void checkVersionNotice();
  RequestValues requestValues() const;
  UdpTransport& udp() { return deps_.udp ? *deps_.udp : posixUdp_; }
  HttpTransport& http() { return deps_.http ? *deps_.http : curlHttp_; }

  ControllerDeps deps_;
  Logger logger_;
  ScreenDriver screen_;
  ElementTableStore table_;
  PageInputs pageInputs_;
  PageContext pageContext_;
  PageLocator locator_;
  PageReaders readers_;
  RecognitionUpdater recognitionUpdater_;
  BidInputs bidInputs_;
  BidContext bidContext_;
  PageActions actions_;
  ConfirmationTiming timing_;
  BidOutcome outcome_;
  BiddingEngine engine_;
  PosixUdpTransport posixUdp_;
  CurlHttpTransport curlHttp_;
  CHttpClient httpClient_;
  NetworkTimeSync timeSync_;
  RelayClient relayClient_;
  PriceRelay relay_;
  NetPriceInputs netPriceInputs_;
  NetPriceContext netPriceContext_;
  PriceReporter reporter_;
  NetPriceReader netPriceReader_;
  VendorAccess vendor_;
  RecognitionDownloads downloads_;
  RemoteTuningOwners tuning_;
  MainParamsPoll mainParams_;
  AuctionClock auctionClock_;
  ScreenshotWriter screenshots_;
  SavedSign savedSign_{deps_.view, deps_.timers, timer::kSavedSign};
  RunReports reports_{{deps_.clock, deps_.logFile, run, clockState, netTime}};
  std::vector<std::unique_ptr<WorkerThread>> workers_;
  std::thread hostMapping_;
  // Lives as long as the controller; posted work checks it before it runs.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool hookInstalled_ = false;
  bool shutDown_ = false;
};

}  // namespace tavik
