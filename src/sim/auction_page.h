#pragma once
// The auction's bidding page, played against the fake desktop: it reads the program's clicks,
// keys and clipboard sets, and the user's keys that the keyboard hook let through, from the
// desktop's action record, and answers as the bidding page does.
//
// - The schedule runs on the page clock: the first half until `halfMs` (no bid button, no half
//   mark), the second half until `endMs`, then the auction is over (no bid button; an OK is
//   refused).
// - A click on the bid button takes the price in the page's price box and brings up the captcha
//   box after the scenario's delay, with a new captcha text; its picture (the digits the user
//   reads) may come later than the box. An empty price box (or 0) brings no box but the
//   information window; a box that would come after the end does not come.
// - A click on the box's OK closes it and sends the bid. The auction judges it after the judging
//   delay (which may grow in the last seconds, as bids queue at the auction's server): the bid
//   counts when its price lies within 300 of the lowest price at that moment (and, when the page
//   checks captchas, the typed captcha was right): the bid count goes 501 -> 502 -> 503 and the
//   read-back cells show the price and the page's time of the judging. Otherwise nothing counts
//   and the information window shows from then until its OK is clicked.
// - A click on the box's cancel closes it.
// - The price box takes pastes (Ctrl+V of the last clipboard text), typed digits, Delete and
//   Backspace, and the add button's "lowest price + increment box"; Ctrl+C copies it back to the
//   clipboard. The user's digits and Backspace go into the captcha box while it is up.
// - The lowest price and the page's clock follow the scenario, as functions of the time.
//
// update() plays everything up to now; a test or the simulator calls it from one thread. In
// virtual time playOnDriver() does that every 50 ms on the driver thread and draws the page into
// the desktop's framebuffer after each change, while the program's threads sleep. With an event
// log, every page-level event is written there in the page's time.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "page/element_table.h"
#include "platform/clock.h"
#include "platform/image.h"
#include "sim/event_log.h"
#include "testing/fake_desktop.h"
#include "testing/page_renderer.h"
#include "testing/virtual_clock.h"

namespace tavik {

struct AuctionScenario {
  // Both take the machine's local time of day in ms: the page's lowest acceptable price, and
  // the time of day its clock shows (by default the machine's own).
  std::function<int32_t(int64_t localMs)> lowestPrice = [](int64_t) { return 89000; };
  std::function<int64_t(int64_t localMs)> pageClockMs = [](int64_t localMs) { return localMs; };
  // The schedule, in the page clock's ms of the day; by default the second half runs all day.
  int64_t halfMs = 0;
  int64_t endMs = 86'400'000;
  // From the click on the bid button to the captcha box on screen.
  int captchaDelayMs = 1000;
  // From the click on OK to the moment the auction judges the bid against its lowest price (the
  // bid's way to the auction's server).
  int judgeDelayMs = 0;
  // The delay grows in the last seconds: from `queueFromSec` before the end on, by `queueMsPerSec`
  // for each second nearer the end, up to `queueMaxMs` more. Nothing grows when queueMsPerSec is 0.
  int queueFromSec = 0;
  int queueMsPerSec = 0;
  int queueMaxMs = 0;
  // From the captcha box on screen to its picture (the digits the user reads) in it.
  int captchaPictureDelayMs = 0;
  // Bids made before the page is watched (the first one is made in the first half).
  int bidsMade = 1;
  // Captcha texts: this many digits, drawn from the seed. With checkCaptcha an OK whose typed
  // text differs is refused; tests that do not type leave it off.
  int captchaDigits = 4;
  uint32_t captchaSeed = 1;
  bool checkCaptcha = false;
  // Layout and the fixed texts: browser and origin, real or practice page, half mark, end time.
  PageScene layout = SecondHalfLayout();
  // Where page-level events go; none when null.
  EventLog* events = nullptr;

  static PageScene SecondHalfLayout();
};

class AuctionPage {
 public:
  struct Bid {
    int32_t price = 0;
    std::string time;  // the page's clock when the auction judged the bid
    bool accepted = false;
    friend bool operator==(const Bid&, const Bid&) = default;
  };

  AuctionPage(FakeDesktop& desktop, Clock& clock, AuctionScenario scenario);
  ~AuctionPage();
  AuctionPage(const AuctionPage&) = delete;
  AuctionPage& operator=(const AuctionPage&) = delete;

  // Plays the desktop's actions made since the last call and the scenario up to now. True when
  // the page looks different from the last scene() taken.
  bool update();
  // The page as it looks now.
  PageScene scene();
  // Draws scene() into `image` (the framebuffer, or a copy of it).
  void render(Image& image);
  // Virtual time: update every 50 ms on the driver thread, and draw into the desktop's
  // framebuffer whenever the page changed (and once now).
  void playOnDriver(VirtualClock& clock);

  // Test set-up: the box is up now for a bid of `price`, as if its bid had been clicked.
  void showCaptchaBox(int32_t price);
  // The user drags the browser window so that its top-left lies at `browser`; the page origin
  // moves with it.
  void moveBrowser(WindowId window, Point browser);

  bool captchaShown() const { return boxShown_; }
  // The captcha text of the box that is up, once its picture has come (empty until then, and
  // when no box is up).
  std::string captchaText() const {
    return boxShown_ && !pictureDueUtcMs_ ? captcha_ : std::string();
  }
  // Where the browser window's top-left lies now.
  Point browser() const { return scenario_.layout.browser; }
  bool infoWindowShown() const { return infoShown_; }
  int bidCount() const { return bidsMade_; }
  // Every OK click on the box, accepted or not.
  const std::vector<Bid>& bids() const { return bids_; }
  // The page clock (ms of the day) and the lowest price at the machine's UTC time.
  int64_t pageMs(int64_t utcMs) const;
  int32_t lowestAt(int64_t utcMs) const;
  // The judging delay for a bid sent at the machine's UTC time.
  int judgeDelayAt(int64_t utcMs) const;

 private:
  enum class Stage { first, second, over };
  // What changes on the page; a scene is drawn anew when it differs.
  struct Look {
    std::string clock;
    int32_t lowest = 0;
    Stage stage = Stage::first;
    bool box = false, info = false;
    int bids = 0;
    std::string submittedPrice, submittedTime;
    Point browser;
    friend bool operator==(const Look&, const Look&) = default;
  };

  void apply(const FakeDesktop::Action& action);
  void click(Point at, int64_t utcMs);
  void clickInBox(Point at, int64_t utcMs);
  // A bid on its way to the auction's server.
  struct Sent {
    int64_t judgeUtcMs = 0;
    int32_t price = 0;
    bool captchaRight = false;
  };
  void confirm(int64_t utcMs);
  void judge(const Sent& sent);
  void showCaptcha(int64_t utcMs);
  void key(int vk, bool down, int64_t utcMs);
  void userKey(int vk);
  void settle(int64_t utcMs);
  void type(const std::string& text, const char* how);
  bool hits(Point at, ClickPoint button) const;
  int64_t localMs(int64_t utcMs) const;
  std::string clockText(int64_t utcMs) const;
  Stage stageAt(int64_t utcMs) const;
  void event(int64_t utcMs, const char* kind, nlohmann::ordered_json fields = {});
  Look look();

  FakeDesktop& desktop_;
  Clock& clock_;
  AuctionScenario scenario_;
  const ElementTable& table_ = ElementTable::Defaults();
  VirtualClock* driver_ = nullptr;
  int timer_ = 0;

  size_t seen_ = 0;  // actions already played
  Point cursor_;
  bool control_ = false;
  std::string clipboard_, priceBox_, addBox_;
  std::string priceHow_;  // how the price box got its text: "paste", "typed", "increment"
  std::string* focus_ = nullptr;
  bool selected_ = false;  // a click into a box selects its text
  std::optional<int64_t> boxDueUtcMs_;
  std::optional<int64_t> pictureDueUtcMs_;
  std::optional<Sent> sent_;
  bool boxShown_ = false;
  int32_t boxPrice_ = 0;
  std::string captcha_, captchaTyped_;
  uint32_t captchaState_;
  bool infoShown_ = false;
  int bidsMade_ = 0;
  std::string submittedPrice_, submittedTime_;
  std::vector<Bid> bids_;
  std::optional<Look> drawn_;
  // For the change events: the last lowest price and stage seen.
  int32_t lastLowest_ = 0;
  std::optional<Stage> lastStage_;
};

}  // namespace tavik
