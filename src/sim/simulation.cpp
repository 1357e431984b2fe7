#include "sim/simulation.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/assistant.h"
#include "core/file_names.h"
#include "core/gbk.h"
#include "log/log_file.h"
#include "settings/control_ids.h"
#include "settings/ini_file.h"
#include "settings/scheme.h"
#include "sim/sim_services.h"
#include "sim/simulated_user.h"
#include "testing/headless_view.h"
#include "testing/page_renderer.h"

namespace tavik {

namespace {

constexpr int64_t kDayMs = 86'400'000;
// Browser window and page origin: the origin lies this far inside the window.
constexpr Point kOriginInBrowser{25, 62};
constexpr Size kBrowserSize{950, 850};
// Reads whose masks the screen driver keeps: every place the assistant reads, a few times over.
constexpr size_t kMaskCacheEntries = 96;
// The run goes on this long after the end, for the last outcome and the stop.
constexpr int64_t kAfterEndMs = 3000;

const char* const kRealTitle = "上海市个人非营业性客车额度投标拍卖 - Chromium";
const char* const kPracticeTitle = "51沪牌模拟拍牌系统 - Chromium";
// The practice page of that title draws its anchors this far up and left of the real page's
// places; the assistant's locator adds it back for such a title in practice mode.
constexpr Point kPracticeAnchorShift{3, 2};

// A program folder of its own, removed afterwards.
class ProgramDir {
 public:
  ProgramDir() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int i = 0; i < 100 && path_.empty(); ++i) {
      const auto candidate = base / ("tavik-sim-" + std::to_string(random()));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) path_ = candidate;
    }
  }
  ~ProgramDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ProgramDir(const ProgramDir&) = delete;
  ProgramDir& operator=(const ProgramDir&) = delete;

  bool ok() const { return !path_.empty(); }
  // UTF-8, as every path inside the program: the temp folder of a user with a Chinese name
  // is no text of the ANSI code page.
  std::string dir() const { return Utf8FromPath(path_) + "/"; }
  std::string file(const std::string& name) const { return Utf8FromPath(path_ / name); }
  bool write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out << bytes;
    return bool(out);
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  std::filesystem::path path_;
};

std::string EndTimeText(int64_t endMs) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", int(endMs / 3'600'000), int(endMs / 60'000 % 60));
  return text;
}

// The scheme the assistant loads at start-up: the profile's text with the inline keys over it.
std::string ProfileText(const SimScenario& s) {
  IniDocument doc = IniDocument::Parse(s.profileText);
  for (const auto& [key, value] : s.profileKeys)
    doc.set(kProfileSection, key, std::to_string(value));
  return doc.text();
}

// Everything of one run, in the order it is built and torn down.
class World {
 public:
  explicit World(const SimScenario& s)
      : s_(s),
        events_([this](int64_t utc) { return pageMs(utc); }),
        page_(desktop_, clock_, pageScript()),
        services_(
            clock_, s_, config_, [this](int64_t utc) { return utc - s_.localOffsetMs; },
            [this](int64_t pageUtc) { return s_.endMs - localMsOfDay(pageUtc); }) {
    clock_.skewUtc(s_.localOffsetMs);
  }

  SimOutcome run(const SimProgress& progress) {
    SimOutcome out;
    if (!prepareFolder()) {
      out.log = "cannot prepare a program folder under " +
                Utf8FromPath(std::filesystem::temp_directory_path());
      return out;
    }
    runToPage(s_.startMs - 5000);
    const WindowId browser =
        desktop_.addWindow(s_.realMode ? kRealTitle : kPracticeTitle, "Chromium",
                           {s_.browser.x, s_.browser.y, s_.browser.x + kBrowserSize.width,
                            s_.browser.y + kBrowserSize.height});
    desktop_.setForeground(browser);
    page_.playOnDriver(clock_);
    runToPage(s_.startMs);
    startAssistant();
    SimulatedUser user(clock_, desktop_, page_, browser, s_, events_);
    user.onStartStop = [this] { controller_->ToggleRun(); };
    user.start();
    watchEngine();
    for (int64_t t = s_.startMs + 1000; t < s_.endMs + kAfterEndMs; t += 1000) {
      runToPage(t);
      if (progress) progress(t, page_.bidCount());
    }
    runToPage(s_.endMs + kAfterEndMs);
    clock_.cancelTimer(watcher_);
    controller_->Shutdown();
    return collect(std::move(out));
  }

 private:
  int64_t localMsOfDay(int64_t utc) {
    return ((utc + clock_.localOffsetMs(utc)) % kDayMs + kDayMs) % kDayMs;
  }
  // The page clock is the true time: the machine's clock less its offset.
  int64_t pageMs(int64_t machineUtc) { return localMsOfDay(machineUtc - s_.localOffsetMs); }
  void runToPage(int64_t pageMsOfDay) {
    const int64_t now = pageMs(clock_.utcNowMs());
    if (pageMsOfDay > now) clock_.runFor(pageMsOfDay - now);
  }

  AuctionScenario pageScript() {
    AuctionScenario a;
    const int64_t offset = s_.localOffsetMs, end = s_.endMs;
    const PriceCourse course = s_.lowestPrice;
    const auto pageClock = [offset](int64_t local) {
      return ((local - offset) % kDayMs + kDayMs) % kDayMs;
    };
    a.pageClockMs = pageClock;
    a.lowestPrice = [pageClock, course, end](int64_t local) {
      return course.priceAt(end - pageClock(local));
    };
    a.halfMs = s_.halfMs;
    a.endMs = s_.endMs;
    a.captchaDelayMs = s_.captchaDelayMs;
    a.judgeDelayMs = s_.judgeDelayMs;
    a.queueFromSec = s_.judgeQueue.fromSec;
    a.queueMsPerSec = s_.judgeQueue.msPerSec;
    a.queueMaxMs = s_.judgeQueue.maxMs;
    a.captchaPictureDelayMs = s_.captchaPictureDelayMs;
    a.bidsMade = s_.bidsMade;
    a.captchaDigits = s_.captchaDigits;
    a.captchaSeed = s_.captchaSeed;
    a.checkCaptcha = true;
    a.layout.realMode = s_.realMode;
    if (!s_.realMode) a.layout.anchorShift = kPracticeAnchorShift;
    a.layout.browser = s_.browser;
    a.layout.browserSize = kBrowserSize;
    a.layout.origin = {s_.browser.x + kOriginInBrowser.x, s_.browser.y + kOriginInBrowser.y};
    a.layout.endTime = EndTimeText(s_.endMs);
    a.events = &events_;
    return a;
  }

  bool prepareFolder() {
    std::string error;
    return dir_.ok() && PageGlyphDictionary().save(dir_.file(kDictionaryFile), error) &&
           dir_.write("dt.dat", "") && dir_.write("profile_1.ini", ProfileText(s_));
  }

  void startAssistant() {
    controller_ =
        MakeAssistant(ControllerDeps{clock_, desktop_, timers_, mailbox_, view_, logFile_, config_,
                                     dir_.dir(), &services_.udp(), &services_.http()});
    // Most of a run's reads see a page that has not changed since the last read of the same
    // place: the screen driver reuses their masks (same results, a fraction of the time).
    controller_->EnableReadCache(kMaskCacheEntries);
    controller_->OnInitDialog();
    controller_->SetBidNumber(s_.effectiveBidNumber());
    controller_->SetWarningPrice(s_.warningPrice);
    desktop_.refuseClipboard(s_.clipboardFailures);
    view_.setChecked(ctl::kRecording, false);  // no screenshots of the last minute
    controller_->ToggleRun();
    events_.add(clock_.utcNowMs(), "start", {{"bid_number", s_.effectiveBidNumber()}});
  }

  // The engine's phase and state, each time either changes.
  void watchEngine() {
    watcher_ = clock_.addTimer(10, [this] {
      const auto [phase, state] = controller_->engineProgress();
      if (phase == phase_ && state == state_) return;
      phase_ = phase;
      state_ = state;
      events_.add(clock_.utcNowMs(), "engine", {{"phase", phase}, {"state", state}});
    });
  }

  SimOutcome collect(SimOutcome out) {
    out.bids = page_.bids();
    out.events = events_.events();
    out.eventLines = events_.jsonLines();
    out.log = gbkToUtf8(dir_.read("my.Log"));
    out.finalLowest = s_.lowestPrice.priceAt(0);
    out.priceReports = services_.priceReports();
    return out;
  }

  const SimScenario& s_;
  Config config_;
  ProgramDir dir_;
  VirtualClock clock_;
  FakeDesktop desktop_{clock_};
  VirtualTimers timers_{clock_};
  VirtualMailbox mailbox_{clock_};
  HeadlessView view_;
  LogFile logFile_{clock_, dir_.file("my.Log")};
  EventLog events_;
  AuctionPage page_;
  SimServices services_;
  std::unique_ptr<Assistant> controller_;
  int watcher_ = 0;
  int phase_ = -1, state_ = -1;
};

}  // namespace

std::vector<AuctionPage::Bid> SimOutcome::accepted() const {
  std::vector<AuctionPage::Bid> out;
  for (const auto& b : bids)
    if (b.accepted) out.push_back(b);
  return out;
}

int32_t SimOutcome::bestPrice() const {
  int32_t best = 0;
  for (const auto& b : accepted()) best = std::max(best, b.price);
  return best;
}

SimOutcome RunSimulation(const SimScenario& scenario, const SimProgress& progress) {
  return World(scenario).run(progress);
}

}  // namespace tavik
