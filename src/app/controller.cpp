#include "app/controller.h"

#include <cstring>
#include <filesystem>
#include <random>

#include "app/calibration_session.h"
#include "app/keyboard_hook.h"
#include "core/file_names.h"
#include "platform/host_info.h"
#include "settings/controls.h"
#include "settings/scheme.h"

namespace tavik {

namespace {
constexpr const char* kInitFailed = "初始化失败,请更换电脑!";
constexpr const char* kSaveFailed = "保存配置失败，请检查程序目录是否可以写入。";
constexpr const char* kBadBidNumber = "投标号必须是8位数字，请重新输入。";
constexpr const char* kBidNumberNotKept =
    "投标号无法保存到 profile.ini，请检查程序目录是否可以写入。";
constexpr const char* kSchemeNames[] = {"我的方案1", "我的方案2", "我的方案3"};
constexpr const char* kCloudSchemeName = "云方案";
constexpr const char* kCloudSchemeNotKept =
    "云方案无法保存到 profile_4.ini，仍使用当前的方案。请检查程序目录是否可以写入。";
constexpr const char* kNoDictionary =
    "没有可用的识别字库 sscai.dll，tavik 无法读取拍卖页面。请用 tavik-dict 在本机屏幕上制作字库，"
    "放到程序目录（见 README）。";

std::string SchemeUnreadable(int schemeIndex) {
  return "方案文件 " + SchemeFileName(schemeIndex).substr(2) +
         " 无法读取，仍使用当前的设置。请检查该文件的权限。";
}
}  // namespace

std::string DownloadUrl(const Config& config, const std::string& version) {
  std::string url = config.downloadUrlFormat;
  if (const auto at = url.find("%s"); at != std::string::npos) url.replace(at, 2, version);
  return url;
}

bool Controller::markerExists(const char* name) const {
  std::error_code ec;
  return std::filesystem::exists(PathFromUtf8(deps_.exeDir + name), ec);
}

int Controller::OnInitDialog() {
  // Marker files beside the program switch features for the whole session.
  if (markerExists("lx.txt")) run.m_recordMarker = 1;
  deps_.view.setTitle(deps_.config.editionName + "V" + g_version);
  if (markerExists("nm.dat")) flags.g_practiceAllowed = 0;
  run.m_logEnabled = markerExists("dt.dat") ? 1 : 0;
  if (markerExists("hd.txt")) {
    deps_.view.hideStrategyControls();
    flags.g_strategyHidden = 1;
  }

  // The screen component needs a desktop it can read and drive.
  if (!deps_.desktop.available()) {
    deps_.view.messageBox(kInitFailed);
    return 1;
  }
  screen_.setLogSink([this](const std::string& line) { logger_.LogRaw(line); });
  screen_.SetResourcePath(deps_.exeDir);
  if (screen_.LoadDictionary(0, kDictionaryFile) != 1) {
    // A blind assistant must not look healthy: the user is told once and the window says so
    // for as long as no dictionary is in use.
    logger_.LogRaw(kNoDictionary);
    NotifyUser(kNoDictionary);
  }

  startWorkers();
  deps_.view.moveTo(30, 30);
  run.m_ownWnd = deps_.view.nativeWindow();

  hookInstalled_ = deps_.desktop.installKeyboardHook(
      KeyboardHook{[this](int code, int vk, int f) { return OnKeyEvent(code, vk, f); },
                   [this](int vk) { return KeyKeptFromOthers(keys, vk); }});
  LogOsVersion(clientContext());

  strategy.update([](Strategy& s) {
    for (auto& option : s.m_advOption) option = 1;
    return true;
  });

  netPrices.m_priceShareOn = deps_.config.sharePrices ? 1 : 0;
  clockState.UseStandardSchedule();
  SetWarningPrice(88100);
  // The configurable time server starts as public server 3 of 4.
  const auto& ntpServers = deps_.config.ntpServers;
  netTime.UseServer(ntpServers.size() > 2 ? ntpServers[2] : std::string());

  for (const char* name : kSchemeNames) deps_.view.addComboItem(ctl::kSchemeCombo, name);
  run.m_schemeIndex = 0;
  deps_.view.setComboSelection(ctl::kSchemeCombo, 0);
  LoadScheme();
  if (const std::string bid = LoadBidNumber(deps_.exeDir); !bid.empty()) SetBidNumber(bid);
  if (!screen_.HasDictionary()) ShowStatusLabels();

  net.SetLocalIp(localIpv4());
  if (logger_.enabled()) logger_.LogLine("系统启动,我的IP地址:" + net.m_localIp.get());
  run.m_clientClass.set("IE");
  relayClient_.OpenRelaySocket();

  // A per-installation delay of 0..9 s spreads the result uploads of many copies.
  std::mt19937 random(uint32_t(deps_.clock.utcNowMs() / 1000));
  flags.g_uploadDelaySec = int32_t(random() % 10);
  return 0;
}

void Controller::ToggleRun() {
  if (run.m_running == 0) {
    deps_.view.setText(ctl::kRemainBox, "0");
    // A run never starts with numbers other than those the window shows.
    if (!UpdateFields()) return;
    ResetRunState(true);
    deps_.view.setText(ctl::kStartStop, "停止");
    deps_.timers.start(timer::kStatus, 200);
    deps_.timers.start(timer::kSecond, 1000);
    deps_.timers.start(timer::kPolling, 100);
    deps_.view.enableStrategyControls(false);
    deps_.view.setFocus(ctl::kFocusSink);
    run.m_running = 1;
  } else {
    reports_.RunEnded();  // before the reset: it takes the run's end time and clock offsets
    run.m_running = 0;
    deps_.view.setText(ctl::kStartStop, "开始");
    deps_.view.setText(ctl::kEngineStatus, "无出价指令");
    deps_.view.setText(ctl::kNextStage, "");
    deps_.timers.stop(timer::kStatus);
    deps_.timers.stop(timer::kSecond);
    deps_.timers.stop(timer::kPolling);
    ResetRunState(false);
    deps_.view.enableStrategyControls(true);
  }
}

// Each owner resets its own per-run fields.
void Controller::ResetRunState(bool atStart) {
  ++run.m_runGeneration;
  run.reset(atStart);
  clockState.reset();
  page.reset();
  bid.reset(atStart);
  net.reset();
  netTime.reset();
  serverChoice.reset();
  relayState.reset();
  netPrices.reset();
  actions_.entryState().reset();
  keys.reset();
}

void Controller::OnTimer(int id) {
  switch (id) {
    case timer::kStatus:
      StatusTick();
      break;
    case timer::kSecond:
      SecondTick();
      break;
    case timer::kUpload:
      net.RequestResultUpload();
      deps_.timers.stop(timer::kUpload);
      break;
    case timer::kSavedSign:
      savedSign_.expire();
      break;
    default:
      break;
  }
}

void Controller::StatusTick() {
  CaptureSecond(run, clockState, flags, screen_, screenshots_);
  auctionClock_.UpdateRemainSec(deps_.timers, [this] { ToggleRun(); });
  // F2 and F3 switch a run off; after the automatic stop above they do nothing.
  if (run.m_running == 1 && (keys.g_functionKey == 2 || keys.g_functionKey == 3)) ToggleRun();
  ShowStatus();
  netPriceReader_.PaceNetPriceRead();
}

void Controller::ShowStatus() {
  for (const TextUpdate& u : tavik::ShowStatus(statusSources(), logger_))
    deps_.view.setText(u.id, u.text);
}

void Controller::ShowStatusLabels() {
  for (const TextUpdate& u : tavik::ShowStatusLabels(run, bid, screen_.HasDictionary()))
    deps_.view.setText(u.id, u.text);
}

void Controller::SecondTick() {
  if (DetectAuctionClient(clientContext())) run.m_clientFound = 1;
  if (run.m_running == 1) {
    DeriveRealMode();
    if (run.m_updateNoticeDue == 1 && !run.m_latestVersion.empty() && clockState.m_remainSec > 60) {
      const std::string latest = run.m_latestVersion.get().substr(0, 19);
      if (std::strncmp(g_version, latest.c_str(), 5) < 0) {
        ToggleRun();
        deps_.view.showVersionNotice(DownloadUrl(deps_.config, latest));
        return;
      }
    }
  }
  ShowStatusLabels();
}

bool Controller::OnKeyEvent(int code, int vk, int f) {
  return KeyboardHookProc(keys, code, vk, f, deps_.clock.utcNowMs());
}

void Controller::DeriveRealMode() {
  const std::string bid = run.m_bidNumber.get();
  run.m_realMode =
      (bid == deps_.config.practiceBidNumber1 || bid == deps_.config.practiceBidNumber2) ? 0 : 1;
}

void Controller::SetBidNumber(const std::string& bidNumber) {
  run.m_bidNumber.set(bidNumber);
  DeriveRealMode();
  if (run.m_logEnabled == 1 || run.m_recordMarker == 1) {
    deps_.view.setVisible(ctl::kRecording, true);
    deps_.view.setChecked(ctl::kRecording, true);
    run.m_recording = 1;
    EnsureRecordingDirectory(run);
  }
}

bool Controller::EnterBidNumber(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  const auto last = text.find_last_not_of(" \t");
  const std::string bid = first == std::string::npos ? "" : text.substr(first, last - first + 1);
  if (!IsValidBidNumber(bid)) {
    deps_.view.messageBox(kBadBidNumber);
    return false;
  }
  if (!SaveBidNumber(deps_.exeDir, bid)) deps_.view.messageBox(kBidNumberNotKept);
  SetBidNumber(bid);
  return true;
}

bool Controller::UpdateFields() {
  MainView& view = deps_.view;
  int bad = 0;
  strategy.update([&](Strategy& s) {
    MainWindowFields fields{s, run.m_compatMode, run.m_recording};
    bad = ExchangeToFields(MainWindowBindings(fields),
                           ControlReader{[&view](int id) { return view.controlText(id); },
                                         [&view](int id) { return view.isChecked(id); }});
    if (bad != 0) return false;  // nothing is taken unless every box was read
    s = fields.strategy;
    run.m_compatMode = fields.m_compatMode;
    run.m_recording = fields.m_recording;
    return true;
  });
  if (bad == 0) return true;
  view.messageBox(kNotAnInteger);
  view.setFocus(bad);
  return false;
}

void Controller::UpdateControls() {
  MainView& view = deps_.view;
  MainWindowFields fields{strategy.copy(), run.m_compatMode, run.m_recording};
  ExchangeToControls(MainWindowBindings(fields),
                     ControlWriter{[&view](int id, const std::string& t) { view.setText(id, t); },
                                   [&view](int id, bool c) { view.setChecked(id, c); }});
}

bool Controller::LoadScheme() {
  int32_t recording = run.m_recording;
  const bool read = strategy.update(
      [&](Strategy& s) { return LoadSchemeFile(deps_.exeDir, run.m_schemeIndex, s, recording); });
  if (!read) {
    // A profile that exists but cannot be read is not a scheme of zeros: keep what is in force.
    deps_.view.messageBox(SchemeUnreadable(run.m_schemeIndex));
    return false;
  }
  run.m_recording = recording;
  UpdateControls();
  // With the log or the recording marker on, every scheme records the last minute, once a
  // bid number names the folder for it.
  if ((run.m_logEnabled == 1 || run.m_recordMarker == 1) && !run.m_bidNumber.empty()) {
    deps_.view.setChecked(ctl::kRecording, true);
    run.m_recording = 1;
  }
  return true;
}

bool Controller::SaveScheme() {
  // Nothing is saved unless every box holds a number: the file must match the window.
  if (!UpdateFields()) return false;
  auto selected = [this] {
    const int index = deps_.view.comboSelection(ctl::kSchemeCombo);
    if (index >= 0) run.m_schemeIndex = index;
  };
  selected();
  bool saved = SaveSchemeFile(deps_.exeDir, run.m_schemeIndex, strategy.copy(), run.m_recording);
  selected();
  saved = SaveSchemeChoice(deps_.exeDir, run.m_schemeIndex) && saved;
  if (!saved) {
    deps_.view.messageBox(kSaveFailed);
  } else {
    const int index = run.m_schemeIndex;
    savedSign_.show(index >= 0 && index < 3 ? kSchemeNames[index] : kCloudSchemeName);
  }
  return saved;
}

void Controller::OnSchemeSelected(int index) {
  // The combo box reports a choice of the scheme already selected too; reloading it would throw
  // away the user's unsaved edits.
  const int previous = run.m_schemeIndex;
  if (index < 0 || index == previous) return;
  run.m_schemeIndex = index;
  if (LoadScheme()) return;
  run.m_schemeIndex = previous;
  deps_.view.setComboSelection(ctl::kSchemeCombo, previous);
}

void Controller::SelectPracticeScheme() {
  if (flags.g_strategyHidden == 1 || run.m_schemeIndex == 2) return;
  run.m_schemeIndex = 2;
  deps_.view.setComboSelection(ctl::kSchemeCombo, 2);
  LoadScheme();
}

bool Controller::ReceiveCloudScheme(std::string_view text) {
  // Without its file the cloud scheme would load as all zeros and place no bid: the scheme in
  // force stays.
  if (!StoreCloudScheme(deps_.exeDir, text)) {
    deps_.view.messageBox(kCloudSchemeNotKept);
    return false;
  }
  if (deps_.view.comboCount(ctl::kSchemeCombo) < 4)
    deps_.view.addComboItem(ctl::kSchemeCombo, kCloudSchemeName);
  const int index = flags.g_strategyHidden == 1 ? 0 : kCloudSchemeIndex;
  run.m_schemeIndex = index;
  deps_.view.setComboSelection(ctl::kSchemeCombo, index);
  return LoadScheme();
}

void Controller::OnControlClicked(int id, bool checked) {
  strategy.update([&](Strategy& s) {
    MainWindowFields fields{s, run.m_compatMode, run.m_recording};
    if (!ApplyMainWindowClick(id, checked, fields)) return false;
    s = fields.strategy;
    run.m_compatMode = fields.m_compatMode;
    run.m_recording = fields.m_recording;
    return true;
  });
}

void Controller::LaunchPractice() {
  if (deps_.practice != nullptr) {
    if (const std::string trouble = deps_.practice->ensureRunning(deps_.config.practiceHost);
        !trouble.empty()) {
      deps_.view.messageBox(trouble);
      return;
    }
  }
  if (tavik::LaunchPractice(clientContext())) SelectPracticeScheme();
}

void Controller::LaunchRealClient() {
  tavik::LaunchRealClient(clientContext());
}

void Controller::OpenUrl(const std::string& url) {
  std::vector<std::string> argv = deps_.config.browserCommand;
  argv.push_back(url);
  deps_.desktop.launchProgram(argv);
}

void Controller::OpenVendorDownloadPage() {
  if (hostMapping_.joinable()) return;  // one at a time
  hostMapping_ = std::thread([this] {
    const HostMappingResult result = MapVendorHost(vendor_, http());
    if (!result.userMessage.empty()) NotifyUser(result.userMessage);
    PostToWindow([this] {
      if (hostMapping_.joinable()) hostMapping_.join();
      OpenUrl(deps_.config.practiceHost + "/download/");
    });
  });
}

void Controller::OpenLastRunReport() {
  tavik::OpenLastRunReport(
      reports_, [this](const std::string& path) { OpenUrl(path); },
      [this](const std::string& text) { deps_.view.messageBox(text); });
}

SeenPageSources Controller::seenPageSources() {
  return {page,           clockState,    table_,     run.m_auctionWnd, run.m_pageTitle,
          run.m_realMode, deps_.desktop, deps_.clock};
}

// The auction window as detection found it, else the first window from the front whose title
// names an auction or the practice.
std::unique_ptr<CalibrationSession> Controller::NewCalibrationSession() {
  Desktop& d = deps_.desktop;
  WindowId window = run.m_auctionWnd.load();
  for (WindowId w = d.foregroundWindow(); !window && w; w = d.windowBelow(w)) {
    const std::string title = d.windowTitle(w);
    if (title.find("拍卖") != std::string::npos || title.find("仿真") != std::string::npos)
      window = w;
  }
  if (!window) return nullptr;
  Dictionary current;
  std::string error;
  Dictionary::Load(DictionaryPath(), current, error);  // none yet: the session starts empty
  return std::make_unique<CalibrationSession>(d, deps_.clock, window, d.windowTitle(window),
                                              run.m_realMode == 1, current, netTime.m_ntpOffsetMs);
}

bool Controller::UseSavedDictionary() {
  return screen_.LoadDictionary(0, kDictionaryFile) == 1 && screen_.UseDictionary(0) == 1;
}

}  // namespace tavik
