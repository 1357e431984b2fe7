#pragma once
// The auction page played against the fake desktop: it reads the program's clicks, keys and
// clipboard sets from the desktop's action record and answers as the bidding page does.
//
// - A click on the bid button takes the price in the page's price box and brings up the captcha
//   box after the scenario's delay.
// - A click on the box's OK records the bid when its price lies within 300 of the lowest price
//   at that moment: the bid count goes 501 -> 502 -> 503 and the read-back cells show the price
//   and the page's time of the click. Outside that window the box closes, nothing counts and an
//   information window shows until its OK is clicked.
// - A click on the box's cancel closes it.
// - The price box takes pastes (Ctrl+V of the last clipboard text), typed digits, Delete and
//   Backspace, and the add button's "lowest price + increment box"; Ctrl+C copies it back to the
//   clipboard.
// - The lowest price and the page's clock follow the scenario, as functions of the time.
//
// update() plays everything up to now; a test or the simulator calls it from one thread. In
// virtual time playOnDriver() does that every 50 ms on the driver thread and draws the page into
// the desktop's framebuffer after each change, while the program's threads sleep.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "page/element_table.h"
#include "platform/clock.h"
#include "platform/image.h"
#include "testing/fake_desktop.h"
#include "testing/page_renderer.h"
#include "testing/virtual_clock.h"

namespace tavik {

struct AuctionScenario {
  // Both take the machine's local time of day in ms: the page's lowest acceptable price, and
  // the time of day its clock shows (by default the machine's own).
  std::function<int32_t(int64_t localMs)> lowestPrice = [](int64_t) { return 89000; };
  std::function<int64_t(int64_t localMs)> pageClockMs = [](int64_t localMs) { return localMs; };
  // From the click on the bid button to the captcha box on screen.
  int captchaDelayMs = 1000;
  // Bids made before the page is watched (the first one is made in the first half).
  int bidsMade = 1;
  // Layout and the fixed texts: browser and origin, real or practice page, half mark, end time.
  PageScene layout = SecondHalfLayout();

  static PageScene SecondHalfLayout();
};

class AuctionPage {
 public:
  struct Bid {
    int32_t price = 0;
    std::string time;  // the page's clock at the OK click
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

  bool captchaShown() const { return boxShown_; }
  bool infoWindowShown() const { return infoShown_; }
  int bidCount() const { return bidsMade_; }
  // Every OK click on the box, accepted or not.
  const std::vector<Bid>& bids() const { return bids_; }

 private:
  // What changes on the page; a scene is drawn anew when it differs.
  struct Look {
    std::string clock;
    int32_t lowest = 0;
    bool box = false, info = false;
    int bids = 0;
    std::string submittedPrice, submittedTime;
    friend bool operator==(const Look&, const Look&) = default;
  };

  void apply(const FakeDesktop::Action& action);
  void click(Point at, int64_t utcMs);
  void key(int vk, bool down);
  void settle(int64_t utcMs);
  void type(const std::string& text);
  bool hits(Point at, ClickPoint button) const;
  int64_t localMs(int64_t utcMs) const;
  std::string clockText(int64_t utcMs) const;
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
  std::string* focus_ = nullptr;
  bool selected_ = false;  // a click into a box selects its text
  std::optional<int64_t> boxDueUtcMs_;
  bool boxShown_ = false;
  int32_t boxPrice_ = 0;
  bool infoShown_ = false;
  int bidsMade_ = 0;
  std::string submittedPrice_, submittedTime_;
  std::vector<Bid> bids_;
  std::optional<Look> drawn_;
};

}  // namespace tavik
