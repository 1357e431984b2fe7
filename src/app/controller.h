#pragma once
// The controller: owns the run state, starts the eleven workers, drives the window timers,
// runs Start/Stop with its reset, and receives the desktop's key events. It knows its window
// only through MainView and the platform only through the seams.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/client_detection.h"
#include "app/main_view.h"
#include "app/worker_thread.h"
#include "core/config.h"
#include "core/run_state.h"
#include "log/log_file.h"
#include "log/logger.h"
#include "platform/clock.h"
#include "platform/desktop.h"
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
}  // namespace timer

// The vendor page that offers the announced version for download.
std::string DownloadUrl(const Config& config, const std::string& version);

struct ControllerDeps {
  Clock& clock;
  Desktop& desktop;
  WindowTimers& timers;
  MainView& view;
  LogFile& logFile;
  Config config;
  std::string exeDir;  // with a trailing "/"
};

class Controller {
 public:
  explicit Controller(ControllerDeps deps);
  ~Controller();  // Shutdown()
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;

  // Start-up. Returns 0, or the process exit code when the program cannot run here (the user
  // has been told).
  int OnInitDialog();
  // Stops and joins the workers and removes the keyboard hook; idempotent.
  void Shutdown();

  void ToggleRun();
  void ResetRunState(bool atStart);
  void OnTimer(int id);
  void StatusTick();
  void SecondTick();
  bool OnKeyEvent(int code, int vk, int flags);

  // Sets the user's bid number and derives the mode; runs the recording set-up.
  void SetBidNumber(const std::string& bidNumber);
  void DeriveRealMode();

  // Called with (worker number 1..11, UTC ms) each time a worker's guard lets a pass through.
  // For tests and diagnostics; set before OnInitDialog.
  std::function<void(int worker, int64_t atMs)> onWorkerPass;

  RunState run;
  ProcessFlags flags;
  Strategy strategy;
  // Announced by the remote main parameters: a newer version must be installed.
  AtomicInt m_updateNoticeDue{0};
  GuardedText m_latestVersion;

  Logger& log() { return logger_; }
  // What auction-window detection and the launch buttons work on.
  ClientContext clientContext() {
    return ClientContext{run, flags, deps_.config, deps_.desktop, deps_.view, logger_};
  }
  ScreenDriver& screen() { return screen_; }
  const Config& config() const { return deps_.config; }
  Clock& clock() { return deps_.clock; }
  Desktop& desktop() { return deps_.desktop; }
  MainView& view() { return deps_.view; }

 private:
  void startWorkers();
  void passed(int worker);
  bool markerExists(const char* name) const;
  void uploadPass();
  void checkVersionNotice();

  ControllerDeps deps_;
  Logger logger_;
  ScreenDriver screen_;
  std::vector<std::unique_ptr<WorkerThread>> workers_;
  bool hookInstalled_ = false;
  bool shutDown_ = false;
};

}  // namespace tavik
