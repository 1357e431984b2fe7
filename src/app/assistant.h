#pragma once
// What the windows and the simulator do with the assistant: the user's commands, which change
// the run only through the controller's own operations, and read-only views of what the
// windows draw. The controller implements it (app/controller.h); the rest of the controller
// (its owners, workers and wiring) is not theirs.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/page_view.h"
#include "core/config.h"
#include "log/log_file.h"
#include "net/http_transport.h"
#include "net/udp_transport.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/mailbox.h"
#include "platform/timers.h"
#include "settings/strategy.h"

namespace tavik {

class CalibrationSession;
class MainView;
class PracticeService;

// The recognition dictionary in the program's folder.
inline constexpr const char* kDictionaryFile = "sscai.dll";

struct ControllerDeps {
  Clock& clock;
  Desktop& desktop;
  WindowTimers& timers;
  WindowMailbox& mailbox;  // to the window's thread
  MainView& view;
  LogFile& logFile;
  Config config;
  std::string exeDir;             // with a trailing "/"
  UdpTransport* udp = nullptr;    // network time; null: the machine's sockets
  HttpTransport* http = nullptr;  // vendor requests; null: libcurl
  // Serves the practice on this PC when the practice address names it (app/practice_service.h);
  // null: the practice is served elsewhere (tests, the simulator).
  PracticeService* practice = nullptr;
};

// The engine's phase and state, as the simulator's story shows them.
struct EngineProgress {
  int bidPhase = 0;
  int systemState = 0;
};

class Assistant {
 public:
  virtual ~Assistant() = default;

  // Start-up: 0, or the process exit code when the program cannot run here (the user has been
  // told). Shutdown cuts every wait short and joins the workers; idempotent.
  virtual int OnInitDialog() = 0;
  virtual void Shutdown() = 0;

  // Button "开始运行"/"停止运行" (and the simulated user's Stop).
  virtual void ToggleRun() = 0;
  // The bid number: typed by the user (checked, kept in "./profile.ini"; false after telling
  // the user when refused), or set by a scenario as is.
  virtual bool EnterBidNumber(const std::string& text) = 0;
  virtual void SetBidNumber(const std::string& bidNumber) = 0;
  virtual std::string BidNumber() const = 0;
  // The month's warning price, which stands in for a lowest price not read yet.
  virtual void SetWarningPrice(int32_t price) = 0;

  // The strategy in force, and the settings dialogs' change of it: the changed copy becomes the
  // snapshot the engine's next step reads.
  virtual Strategy StrategyInForce() const = 0;
  virtual void EditStrategy(const std::function<void(Strategy&)>& change) = 0;
  // Schemes and the strategy controls of the main window.
  virtual bool SaveScheme() = 0;
  virtual void OnSchemeSelected(int index) = 0;
  virtual void SelectPracticeScheme() = 0;
  virtual void OnControlClicked(int id, bool checked) = 0;

  // The auction pages and the vendor's.
  virtual void LaunchPractice() = 0;
  virtual void LaunchRealClient() = 0;
  virtual void OpenUrl(const std::string& url) = 0;
  virtual void OpenVendorDownloadPage() = 0;
  // The report of the last run in the browser, or the user told why there is none.
  virtual void OpenLastRunReport() = 0;

  // The view of what tavik sees: what its feed reads, never writes.
  virtual SeenPageSources seenPageSources() = 0;
  // A guided calibration on the auction window (the one detection found, else the browser in
  // front); null when there is none. `DictionaryPath` is where a calibration saves;
  // `UseSavedDictionary` loads it and puts it in use.
  virtual std::unique_ptr<CalibrationSession> NewCalibrationSession() = 0;
  virtual std::string DictionaryPath() const = 0;
  virtual bool UseSavedDictionary() = 0;

  // For the simulator: reuse the colour masks of unchanged screen places (before
  // OnInitDialog), and the engine's progress.
  virtual void EnableReadCache(int entries) = 0;
  virtual EngineProgress engineProgress() const = 0;
};

// The assistant main() and the simulator run: a controller with its workers.
std::unique_ptr<Assistant> MakeAssistant(ControllerDeps deps);

}  // namespace tavik
