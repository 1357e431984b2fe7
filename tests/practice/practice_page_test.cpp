// The practice page as Chromium draws it, read through the X11 backend by the page locator and
// the readers with the shipped dictionary (data/sscai.dll), and bid on with real clicks and
// keys: the captcha box, a bid accepted inside the window, one refused outside it.

#include "x11/x11_fixture.h"  // first: gtest before Xlib

#include <X11/Xlib.h>
#include <signal.h>
#include <spawn.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include "app/page_view.h"
#include "core/gbk.h"
#include "page/page_context.h"
#include "page/page_locator.h"
#include "page/page_readers.h"
#include "platform/keys.h"
#include "practice/view_screenshot.h"
#include "service/http_server.h"
#include "service/vendor_service.h"
#include "support/temp_dir.h"

extern char** environ;

namespace tavik::testing {
namespace {

constexpr const char* kTitle = "额度投标拍卖 仿真练习";

// tavik-service on a free port, serving the practice page from the source tree.
class PracticeService {
 public:
  PracticeService() {
    config_.port = 0;
    config_.webRoot = TAVIK_SOURCE_DIR "/web/practice";
    store_ = service::OpenServiceStore(":memory:", 100);
    std::vector<std::string> warnings;
    service_ = std::make_unique<service::VendorService>(config_, *store_, clock_, warnings);
    server_ = std::make_unique<service::HttpServer>(*service_, config_, clock_, log_);
    port_ = server_->bind();
    thread_ = std::thread([this] { server_->run(); });
  }
  ~PracticeService() {
    while (!server_->running()) std::this_thread::yield();
    server_->stop();
    thread_.join();
  }
  std::string url(const std::string& page) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + page;
  }
  std::string get(const std::string& path) { return service_->handle(path, {}).body; }

 private:
  RealClock clock_;
  service::ServiceLog log_{std::cerr, clock_};
  service::ServiceConfig config_;
  std::unique_ptr<service::ServiceStore> store_;
  std::unique_ptr<service::VendorService> service_;
  std::unique_ptr<service::HttpServer> server_;
  int port_ = -1;
  std::thread thread_;
};

// scripts/browser in a session of its own, so that Chromium and all its helpers end together.
class Browser {
 public:
  Browser(const std::string& url, const std::string& profile) {
    const std::string script = TAVIK_SOURCE_DIR "/scripts/browser";
    const char* argv[] = {script.c_str(), "--profile", profile.c_str(), url.c_str(), nullptr};
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    if (posix_spawn(&pid_, argv[0], nullptr, &attr, const_cast<char**>(argv), environ) != 0)
      pid_ = 0;
    posix_spawnattr_destroy(&attr);
  }
  ~Browser() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = 0;
};

class PracticePage : public X11Test {
 protected:
  // The top-level window whose title holds `title`, waited for up to 20 s.
  WindowId waitForWindow(const std::string& title) {
    Display* d = XOpenDisplay(nullptr);
    WindowId found = 0;
    for (int i = 0; i < 200 && !found; ++i) {
      Window root = 0, parent = 0, *children = nullptr;
      unsigned n = 0;
      if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
        for (unsigned k = 0; k < n && !found; ++k)
          if (desktop_->windowTitle(children[k]).find(title) != std::string::npos)
            found = children[k];
        XFree(children);
      }
      if (!found) clock_.sleepMs(100);
    }
    XCloseDisplay(d);
    return found;
  }
  void click(Point at) {
    desktop_->setCursorPos(at);
    desktop_->leftButtonDown();
    desktop_->leftButtonUp();
    clock_.sleepMs(100);
  }
  void type(const std::string& digits) {
    for (const char c : digits) {
      desktop_->keyDown(vk::kDigit(c - '0'));
      desktop_->keyUp(vk::kDigit(c - '0'));
    }
    clock_.sleepMs(100);
  }
  // Polls `done` every 100 ms for up to `ms`.
  template <typename F>
  bool waitFor(F done, int ms) {
    for (int t = 0; t < ms; t += 100) {
      if (done()) return true;
      clock_.sleepMs(100);
    }
    return done();
  }

  RealClock clock_;
  service::ServiceLog log_{std::cerr, clock_};
};

TEST_F(PracticePage, ChromiumsDrawingIsReadAndBidOnWithTheShippedDictionary) {
  // The auction ends 15 minutes from now, on a whole minute: the second half runs.
  const CalendarTime now = clock_.localTime();
  const int endMin = (now.hour * 60 + now.minute + 16) % (24 * 60);
  char end[16];
  std::snprintf(end, sizeof end, "%02d:%02d", endMin / 60, endMin % 60);

  PracticeService service;
  TempDir dir;
  Browser browser(service.url("fz.html?course=flat&price=89300&bids=1&delay=200&end=") + end,
                  dir.file("profile"));
  const WindowId w = waitForWindow(kTitle);
  ASSERT_NE(w, 0u) << "no practice page window";

  ScreenDriver driver(*desktop_);
  ASSERT_EQ(driver.LoadDictionary(0, TAVIK_SOURCE_DIR "/data/sscai.dll"), 1);
  LogFile logFile(clock_, dir.file("my.Log"));
  AtomicInt logEnabled{1};
  Logger logger(logFile, logEnabled, [] { return std::string("status"); });
  const Size screen = desktop_->screenSize();
  std::atomic<WindowId> auctionWnd{w}, ownWnd{0};
  AtomicInt clientFound{1}, realMode{0}, compatMode{1}, keyCount{0};
  AtomicPoint screenSize;
  screenSize.storeSize(screen);
  GuardedText title{kTitle};
  PageInputs in{auctionWnd, clientFound, screenSize, realMode, compatMode, title,
                ownWnd,     keyCount,    {}};
  PageState state;
  ClockState clockState;
  NetworkTimeState netTime;
  NetState net;
  ElementTableStore table;
  PageContext c{state, clockState, netTime, net, in, table, driver, *desktop_, clock_, logger};
  PageLocator locator(c);
  const auto log = [&] { return gbkToUtf8(TempDir::readFile(dir.file("my.Log"))); };

  // The origin sits at (25, 62) of the window: the title's shift is drawn into the anchors.
  Rect r;
  ASSERT_TRUE(waitFor(
      [&] {
        locator.TrackPage();
        return desktop_->windowRect(w, r) && state.g_pageOrigin.load() != Point{};
      },
      15'000))
      << log();
  const Point origin = state.g_pageOrigin.load();
  EXPECT_EQ(origin, (Point{r.left + 25, r.top + 62})) << log();

  PageReaders readers(c);
  state.m_auctionStage = 2;
  // fz.html shows the time of day: the auction runs around now.
  clockState.m_auctionStartSec = clock_.localTime().secondsOfDay() - 1800;
  clockState.m_auctionEndSec = endMin * 60;
  EXPECT_EQ(readers.ReadEndTime(), 1);
  EXPECT_EQ(clockState.m_endTimeText.get(), std::string(end) + ":00");
  int h = 0, m = 0, s = 0;
  std::string clockText;
  EXPECT_EQ(readers.ReadPageTime(h, m, s, clockText), 1);
  const int shown = h * 3600 + m * 60 + s, local = clock_.localTime().secondsOfDay();
  EXPECT_LE(std::abs(local - shown), 2) << clockText;
  EXPECT_EQ(readers.ReadLowestPrice(), 1);
  EXPECT_EQ(state.m_lowestPrice, 89300);
  EXPECT_EQ(locator.LocateBidCountMarker(), 1);

  const auto at = [&](ClickPoint p) {
    const ElementPoint e = ElementTable::Defaults().point(p);
    return Point{origin.x + e.x, origin.y + e.y};
  };
  // A bid inside the window, confirmed with the right captcha.
  click(at(ClickPoint::bidpriceselfedit));
  type("89500");
  click(at(ClickPoint::bidbutton));
  ASSERT_TRUE(waitFor([&] { return locator.DetectCaptchaBox() == 1; }, 5000)) << log();
  EXPECT_EQ(locator.LocateCaptchaOk(), 1);
  // The OK word, which the click code presses at + (50, 5): the click point.
  const Point okWord = state.m_captchaOkPos.load();
  EXPECT_EQ((Point{okWord.x + 50, okWord.y + 5}), at(ClickPoint::priceconfirmbutton));
  std::string captcha;
  ASSERT_TRUE(waitFor([&] { return !(captcha = service.get("/practice/captcha")).empty(); }, 3000));
  clock_.sleepMs(200);  // the page draws the captcha it fetched
  type(service.get("/practice/captcha"));
  click(at(ClickPoint::priceconfirmbutton));
  ASSERT_TRUE(waitFor([&] { return locator.LocateBidCountMarker() == 2; }, 3000)) << log();
  EXPECT_EQ(locator.DetectCaptchaBox(), 0);
  std::string record = service.get("/practice/record");
  EXPECT_NE(record.find("price=89500 "), std::string::npos) << record;
  EXPECT_NE(record.find("accepted=true reason=ok"), std::string::npos) << record;

  // A bid 400 above the lowest price: refused, with the information window, which the locator
  // finds and closes.
  click(at(ClickPoint::bidpriceselfedit));
  type("89700");
  click(at(ClickPoint::bidbutton));
  ASSERT_TRUE(waitFor([&] { return locator.DetectCaptchaBox() == 1; }, 5000)) << log();
  clock_.sleepMs(200);
  type(service.get("/practice/captcha"));
  click(at(ClickPoint::priceconfirmbutton));
  clock_.sleepMs(200);
  record = service.get("/practice/record");
  EXPECT_NE(record.find("price=89700 "), std::string::npos) << record;
  EXPECT_NE(record.find("accepted=false reason=window"), std::string::npos) << record;
  locator.TrackPage();
  EXPECT_NE(log().find("***找到信息提示窗口***"), std::string::npos) << log();
  EXPECT_EQ(locator.LocateBidCountMarker(), 2);

  // Inside the window but with a wrong captcha: refused too.
  clock_.sleepMs(300);
  click(at(ClickPoint::bidpriceselfedit));
  type("89400");
  click(at(ClickPoint::bidbutton));
  ASSERT_TRUE(waitFor([&] { return locator.DetectCaptchaBox() == 1; }, 5000)) << log();
  clock_.sleepMs(200);
  const std::string right = service.get("/practice/captcha");
  type(right == "1111" ? "2222" : "1111");
  click(at(ClickPoint::priceconfirmbutton));
  clock_.sleepMs(200);
  record = service.get("/practice/record");
  EXPECT_NE(record.find("price=89400 "), std::string::npos) << record;
  EXPECT_NE(record.find("accepted=false reason=captcha"), std::string::npos) << record;
  EXPECT_EQ(locator.LocateBidCountMarker(), 2);
}

// The page in a real font: the shipped dictionary sees nothing; tavik-dict calibrate, given one
// box around the anchor, learns the page from the live screen while the user places a bid; then
// the locator and readers read it and a bid is placed and accepted with the new dictionary.
struct FontCase {
  const char* font;
  const char* zoom;
};

class PracticePageInFont : public PracticePage, public ::testing::WithParamInterface<FontCase> {
 protected:
  // tavik-dict with its output in `out`; returns its pid.
  static pid_t spawnTool(const std::vector<std::string>& args, const std::string& out) {
    std::vector<char*> argv{const_cast<char*>(TAVIK_DICT_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ) != 0) pid = 0;
    posix_spawn_file_actions_destroy(&files);
    return pid;
  }
  // The tool's exit code, waited for up to `ms`; -1 (and the tool killed) when it runs longer.
  int waitTool(pid_t pid, int ms) {
    int status = 0;
    for (int t = 0; t < ms; t += 100) {
      if (waitpid(pid, &status, WNOHANG) == pid)
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      clock_.sleepMs(100);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
  }
};

TEST_P(PracticePageInFont, IsLearnedFromTheScreenAndThenReadAndBidOn) {
  const CalendarTime now = clock_.localTime();
  const int endMin = (now.hour * 60 + now.minute + 16) % (24 * 60);
  char end[16];
  std::snprintf(end, sizeof end, "%02d:%02d", endMin / 60, endMin % 60);
  PracticeService service;
  TempDir dir;
  Browser browser(
      service.url(std::string("fz.html?course=flat&price=89300&bids=1&delay=200&font=") +
                  GetParam().font + "&zoom=" + GetParam().zoom + "&end=" + end),
      dir.file("profile"));
  const WindowId w = waitForWindow(kTitle);
  ASSERT_NE(w, 0u) << "no practice page window";
  clock_.sleepMs(1500);  // the page's first drawing

  const std::string dict = dir.file("sscai.dll");
  ASSERT_EQ(std::system(("cp " TAVIK_SOURCE_DIR "/data/sscai.dll " + dict).c_str()), 0);
  ScreenDriver driver(*desktop_);
  ASSERT_EQ(driver.LoadDictionary(0, dict), 1);
  LogFile logFile(clock_, dir.file("my.Log"));
  AtomicInt logEnabled{1};
  Logger logger(logFile, logEnabled, [] { return std::string("status"); });
  std::atomic<WindowId> auctionWnd{w}, ownWnd{0};
  AtomicInt clientFound{1}, realMode{0}, compatMode{1}, keyCount{0};
  AtomicPoint screenSize;
  screenSize.storeSize(desktop_->screenSize());
  GuardedText title{kTitle};
  PageInputs in{auctionWnd, clientFound, screenSize, realMode, compatMode, title,
                ownWnd,     keyCount,    {}};
  PageState state;
  ClockState clockState;
  NetworkTimeState netTime;
  NetState net;
  ElementTableStore table;
  PageContext c{state, clockState, netTime, net, in, table, driver, *desktop_, clock_, logger};
  PageLocator locator(c);
  PageReaders readers(c);

  // The shipped dictionary finds no anchor and reads no price.
  Rect r;
  ASSERT_TRUE(desktop_->windowRect(w, r));
  const Point origin{r.left + 25, r.top + 62};
  for (int i = 0; i < 3; ++i) locator.TrackPage();
  EXPECT_EQ(state.g_anchor201Pos.load(), Point{});
  // The view of what tavik sees says so, in red (a picture for the documentation).
  const SeenPageSources seenSources{state, clockState, table,     auctionWnd,
                                    title, realMode,   *desktop_, clock_};
  const bool pictures = !ScreenshotFolder().empty() && std::string(GetParam().font) == "microhei";
  EXPECT_TRUE(TakeSeenPage(seenSources).originFrom.empty());
  if (pictures)
    SaveViewScreenshot(TakeSeenPage(seenSources), ScreenshotFolder() + "/page_view_no_page.png");
  state.g_pageOrigin = origin;
  state.m_auctionStage = 2;
  EXPECT_EQ(readers.ReadLowestPrice(), -1);

  // Calibration: one box around the anchor (drawn at its place + the page's shift), and a bid
  // placed meanwhile so that the captcha box, its words and the next marker come up.
  const uint32_t started = clock_.tickCountMs();
  const std::string box = std::to_string(origin.x + 30) + "," + std::to_string(origin.y + 244) +
                          "," + std::to_string(origin.x + 105) + "," +
                          std::to_string(origin.y + 268);
  const std::string out = dir.file("calibrate.txt");
  const pid_t tool = spawnTool({"calibrate", dict, "--window", kTitle, "--box", box, "--seconds",
                                "85", "--words", "902,901,911,302,904,501,502"},
                               out);
  ASSERT_NE(tool, 0);
  const auto at = [&](ClickPoint p) {
    const ElementPoint e = ElementTable::Defaults().point(p);
    return Point{origin.x + e.x, origin.y + e.y};
  };
  clock_.sleepMs(3000);
  click(at(ClickPoint::bidpriceselfedit));
  type("89500");
  click(at(ClickPoint::bidbutton));
  clock_.sleepMs(2500);
  type(service.get("/practice/captcha"));
  click(at(ClickPoint::priceconfirmbutton));
  ASSERT_EQ(waitTool(tool, 88'000), 0) << TempDir::readFile(out);
  const uint32_t took = clock_.tickCountMs() - started;
  EXPECT_LT(took, 90'000u);
  std::printf("calibration took %.1f s\n%s", took / 1000.0, TempDir::readFile(out).c_str());
  std::string record = service.get("/practice/record");
  EXPECT_NE(record.find("price=89500 "), std::string::npos) << record;

  // With the learned dictionary: origin, clock, end time, lowest price, the bid-count marker.
  ASSERT_EQ(driver.LoadDictionary(0, dict), 1);
  state.g_pageOrigin = Point{};
  locator.TrackPage();
  EXPECT_EQ(state.g_pageOrigin.load(), origin);
  clockState.m_auctionStartSec = clock_.localTime().secondsOfDay() - 1800;
  clockState.m_auctionEndSec = endMin * 60;
  EXPECT_EQ(readers.ReadEndTime(), 1);
  EXPECT_EQ(clockState.m_endTimeText.get(), std::string(end) + ":00");
  int h = 0, m = 0, s = 0;
  std::string clockText;
  EXPECT_EQ(readers.ReadPageTime(h, m, s, clockText), 1);
  EXPECT_LE(std::abs(clock_.localTime().secondsOfDay() - (h * 3600 + m * 60 + s)), 2) << clockText;
  state.m_lowestPrice.Set(0);
  EXPECT_EQ(readers.ReadLowestPrice(), 1);
  EXPECT_EQ(state.m_lowestPrice, 89300);
  EXPECT_EQ(locator.LocateBidCountMarker(), 2);
  // The view sees the page now: the origin from the anchor (a picture for the documentation).
  EXPECT_EQ(TakeSeenPage(seenSources).originFrom, "dd_201");
  if (pictures) {
    clockState.m_clockText.set(clockText);
    clockState.m_remainSec = clockState.m_auctionEndSec - clock_.localTime().secondsOfDay();
    SaveViewScreenshot(TakeSeenPage(seenSources), ScreenshotFolder() + "/page_view_font.png");
  }

  // A bid confirmed where the locator found the captcha box's OK.
  click(at(ClickPoint::bidpriceselfedit));
  type("89400");
  click(at(ClickPoint::bidbutton));
  ASSERT_TRUE(waitFor([&] { return locator.DetectCaptchaBox() == 1; }, 5000));
  ASSERT_EQ(locator.LocateCaptchaOk(), 1);
  const Point ok = state.m_captchaOkPos.load();
  EXPECT_EQ((Point{ok.x + 50, ok.y + 5}), at(ClickPoint::priceconfirmbutton));
  clock_.sleepMs(300);
  type(service.get("/practice/captcha"));
  click({ok.x + 50, ok.y + 5});
  clock_.sleepMs(300);
  record = service.get("/practice/record");
  EXPECT_NE(record.find("price=89400 "), std::string::npos) << record;
  EXPECT_EQ(record.find("accepted=false"), std::string::npos) << record;
  EXPECT_EQ(locator.DetectCaptchaBox(), 0);
}

INSTANTIATE_TEST_SUITE_P(TwoFonts, PracticePageInFont,
                         ::testing::Values(FontCase{"microhei", "1"}, FontCase{"zenhei", "1.1"}),
                         [](const auto& info) { return std::string(info.param.font); });

}  // namespace
}  // namespace tavik::testing
