#include "sim/auction_page.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/keys.h"

namespace tavik {

namespace {

constexpr int64_t kDayMs = 86'400'000;
// The page accepts a bid within this much of its lowest price.
constexpr int64_t kBidWindow = 300;
// How far from a button's click point a click still presses it.
constexpr Point kButtonHalfSize{30, 10};
constexpr int kPlayPeriodMs = 50;
// The bid count marker goes up to 503: three bids in all.
constexpr int kMaxBids = 3;

int32_t Number(const std::string& text) {
  int64_t v = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9' || v > 1'000'000'000) break;
    v = v * 10 + (ch - '0');
  }
  return int32_t(v);
}

const char* StageName(int stage) {
  static const char* const kNames[] = {"first_half", "second_half", "over"};
  return kNames[stage];
}

}  // namespace

PageScene AuctionScenario::SecondHalfLayout() {
  PageScene s;
  s.realMode = true;
  s.half = AuctionHalf::second;
  s.halfMark = "4500";
  s.endTime = "11:30";
  return s;
}

AuctionPage::AuctionPage(FakeDesktop& desktop, Clock& clock, AuctionScenario scenario)
    : desktop_(desktop),
      clock_(clock),
      scenario_(std::move(scenario)),
      captchaState_(scenario_.captchaSeed),
      bidsMade_(scenario_.bidsMade) {}

AuctionPage::~AuctionPage() {
  if (driver_) driver_->cancelTimer(timer_);
}

void AuctionPage::playOnDriver(VirtualClock& clock) {
  driver_ = &clock;
  update();
  render(desktop_.framebuffer());
  timer_ = clock.addTimer(kPlayPeriodMs, [this] {
    if (update()) render(desktop_.framebuffer());
  });
}

bool AuctionPage::update() {
  for (const FakeDesktop::Action& a : desktop_.actionsSince(seen_)) {
    settle(a.atMs);
    apply(a);
    ++seen_;
  }
  settle(clock_.utcNowMs());
  return !drawn_ || !(*drawn_ == look());
}

void AuctionPage::showCaptchaBox(int32_t price) {
  boxDueUtcMs_.reset();
  boxShown_ = true;
  boxPrice_ = price;
}

void AuctionPage::moveBrowser(WindowId window, Point browser) {
  PageScene& l = scenario_.layout;
  const Rect old{l.browser.x, l.browser.y, l.browser.x + l.browserSize.width,
                 l.browser.y + l.browserSize.height};
  Image& fb = desktop_.framebuffer();
  for (int y = std::max(old.top, 0); y < std::min(old.bottom, fb.height); ++y)
    for (int x = std::max(old.left, 0); x < std::min(old.right, fb.width); ++x) fb.at(x, y) = 0;
  l.origin = {l.origin.x + browser.x - l.browser.x, l.origin.y + browser.y - l.browser.y};
  l.browser = browser;
  desktop_.moveWindow(window, {browser.x, browser.y, browser.x + l.browserSize.width,
                               browser.y + l.browserSize.height});
  event(clock_.utcNowMs(), "browser_moved", {{"x", browser.x}, {"y", browser.y}});
  drawn_.reset();
}

// Time-driven changes, each at its own moment: the stage and the lowest price move on, the
// captcha box and its picture come up once their delays have passed, the bid sent is judged.
void AuctionPage::settle(int64_t utcMs) {
  const Stage stage = stageAt(utcMs);
  if (stage != lastStage_) {
    if (lastStage_) event(utcMs, "stage", {{"stage", StageName(int(stage))}});
    lastStage_ = stage;
  }
  const int32_t lowest = lowestAt(utcMs);
  if (lowest != lastLowest_) {
    event(utcMs, "lowest_price", {{"price", lowest}});
    lastLowest_ = lowest;
  }
  if (sent_ && sent_->judgeUtcMs <= utcMs) {
    const Sent sent = *sent_;
    sent_.reset();
    judge(sent);
  }
  if (boxDueUtcMs_ && *boxDueUtcMs_ <= utcMs) {
    const int64_t due = *boxDueUtcMs_;
    boxDueUtcMs_.reset();
    showCaptcha(due);
  }
  if (pictureDueUtcMs_ && *pictureDueUtcMs_ <= utcMs) {
    const int64_t due = *pictureDueUtcMs_;
    pictureDueUtcMs_.reset();
    if (boxShown_) event(due, "captcha_picture", {{"captcha", captcha_}});
  }
}

// The box comes up with a new captcha text, unless the auction has ended meanwhile: then the
// page takes no more bids and shows no box.
void AuctionPage::showCaptcha(int64_t utcMs) {
  if (stageAt(utcMs) == Stage::over) {
    event(utcMs, "no_captcha", {{"price", boxPrice_}, {"why", "auction over"}});
    return;
  }
  boxShown_ = true;
  captchaTyped_.clear();
  captcha_.clear();
  for (int i = 0; i < scenario_.captchaDigits; ++i) {
    captchaState_ = captchaState_ * 1103515245u + 12345u;
    captcha_ += char('0' + (captchaState_ >> 16) % 10);
  }
  event(utcMs, "captcha_shown", {{"price", boxPrice_}, {"captcha", captcha_}});
  if (scenario_.captchaPictureDelayMs > 0)
    pictureDueUtcMs_ = utcMs + scenario_.captchaPictureDelayMs;
}

void AuctionPage::apply(const FakeDesktop::Action& a) {
  const std::string& what = a.what;
  int x = 0, y = 0;
  unsigned vk = 0;
  if (std::sscanf(what.c_str(), "move %d,%d", &x, &y) == 2) {
    cursor_ = {x, y};
  } else if (what == "left_up") {
    click(cursor_, a.atMs);
  } else if (std::sscanf(what.c_str(), "key_down 0x%x", &vk) == 1) {
    key(int(vk), true, a.atMs);
  } else if (std::sscanf(what.c_str(), "key_up 0x%x", &vk) == 1) {
    key(int(vk), false, a.atMs);
  } else if (std::sscanf(what.c_str(), "user_key_down 0x%x", &vk) == 1) {
    userKey(int(vk));
  } else if (what.rfind("clipboard ", 0) == 0) {
    clipboard_ = what.substr(10);
  }
}

bool AuctionPage::hits(Point at, ClickPoint button) const {
  const Point o = scenario_.layout.origin;
  const ElementPoint p = table_.point(button);
  return std::abs(at.x - (o.x + p.x)) <= kButtonHalfSize.x &&
         std::abs(at.y - (o.y + p.y)) <= kButtonHalfSize.y;
}

void AuctionPage::click(Point at, int64_t utcMs) {
  if (infoShown_) {
    if (hits(at, ClickPoint::errorinfobutton)) {
      infoShown_ = false;
      event(utcMs, "info_closed");
    }
    return;
  }
  if (boxShown_) return clickInBox(at, utcMs);
  focus_ = nullptr;
  if (hits(at, ClickPoint::bidpriceselfedit)) focus_ = &priceBox_;
  if (hits(at, ClickPoint::bid_addprice_selfedit)) focus_ = &addBox_;
  selected_ = focus_ != nullptr;
  if (hits(at, ClickPoint::addbutton)) {
    priceBox_ = std::to_string(lowestAt(utcMs) + Number(addBox_));
    priceHow_ = "increment";
  }
  // One bid at a time: the button does nothing while a box is coming or a bid is on its way.
  if (hits(at, ClickPoint::bidbutton) && !boxDueUtcMs_ && !sent_ &&
      stageAt(utcMs) == Stage::second) {
    boxPrice_ = Number(priceBox_);
    event(utcMs, "bid_button", {{"price", boxPrice_}, {"how", priceHow_}});
    if (boxPrice_ > 0) {
      boxDueUtcMs_ = utcMs + scenario_.captchaDelayMs;
    } else {
      // No price to bid: the page says so in its information window instead of a box.
      infoShown_ = true;
      event(utcMs, "bid_refused",
            {{"price", boxPrice_}, {"lowest", lowestAt(utcMs)}, {"why", "no price"}});
    }
  }
}

// The box is modal: only its two buttons answer.
void AuctionPage::clickInBox(Point at, int64_t utcMs) {
  if (hits(at, ClickPoint::priceconfirmbutton)) {
    event(utcMs, "ok_clicked", {{"price", boxPrice_}, {"typed", captchaTyped_}});
    confirm(utcMs);
  } else if (hits(at, ClickPoint::pricecancelbutton)) {
    event(utcMs, "cancel_clicked", {{"price", boxPrice_}});
    boxShown_ = false;
  }
}

// The box closes and the bid goes to the auction's server, which judges it after the delay.
void AuctionPage::confirm(int64_t utcMs) {
  boxShown_ = false;
  pictureDueUtcMs_.reset();
  const Sent sent{utcMs + judgeDelayAt(utcMs), boxPrice_,
                  !scenario_.checkCaptcha || captchaTyped_ == captcha_};
  if (sent.judgeUtcMs <= utcMs) return judge(sent);
  sent_ = sent;
}

void AuctionPage::judge(const Sent& sent) {
  const int64_t utcMs = sent.judgeUtcMs;
  const int32_t lowest = lowestAt(utcMs);
  const char* refusal = nullptr;
  if (stageAt(utcMs) == Stage::over)
    refusal = "auction over";
  else if (bidsMade_ >= kMaxBids)
    refusal = "no bids left";
  else if (std::abs(int64_t(sent.price) - lowest) > kBidWindow)
    refusal = "outside the window";
  else if (!sent.captchaRight)
    refusal = "wrong captcha";
  bids_.push_back({sent.price, clockText(utcMs), refusal == nullptr});
  infoShown_ = refusal != nullptr;
  if (refusal) {
    event(utcMs, "bid_refused", {{"price", sent.price}, {"lowest", lowest}, {"why", refusal}});
    return;
  }
  ++bidsMade_;
  submittedPrice_ = std::to_string(sent.price);
  submittedTime_ = clockText(utcMs);
  event(utcMs, "bid_accepted",
        {{"price", sent.price},
         {"lowest", lowest},
         {"bid", bidsMade_},
         {"page_time", submittedTime_}});
}

int AuctionPage::judgeDelayAt(int64_t utcMs) const {
  const AuctionScenario& a = scenario_;
  if (a.queueMsPerSec <= 0) return a.judgeDelayMs;
  const int64_t remainMs = a.endMs - pageMs(utcMs);
  const int64_t intoQueueMs = int64_t(a.queueFromSec) * 1000 - remainMs;
  if (intoQueueMs <= 0) return a.judgeDelayMs;
  const int64_t grown = std::min<int64_t>(a.queueMaxMs, intoQueueMs * a.queueMsPerSec / 1000);
  return a.judgeDelayMs + int(grown);
}

void AuctionPage::key(int vk, bool down, int64_t utcMs) {
  (void)utcMs;
  if (vk == vk::kControl) control_ = down;
  if (!down || !focus_ || vk == vk::kControl) return;
  if (control_) {
    if (vk == vk::kV) type(clipboard_, "paste");
    // The page's copy lands in the desktop's clipboard, where the program reads it back.
    if (vk == vk::kC) desktop_.setClipboardText(*focus_);
    return;
  }
  if (vk >= vk::k0 && vk <= vk::kDigit(9)) type(std::string(1, char('0' + vk - vk::k0)), "typed");
  if (vk == vk::kDelete && selected_) focus_->clear();
  if (vk == vk::kBack) {
    if (selected_) focus_->clear();
    if (!selected_ && !focus_->empty()) focus_->pop_back();
  }
  if (vk == vk::kDelete || vk == vk::kBack) selected_ = false;
}

// The user's own keys: while the captcha box is up they go into its text field.
void AuctionPage::userKey(int vk) {
  if (!boxShown_) return;
  if (vk >= vk::k0 && vk <= vk::kDigit(9)) captchaTyped_ += char('0' + vk - vk::k0);
  if (vk == vk::kBack && !captchaTyped_.empty()) captchaTyped_.pop_back();
}

void AuctionPage::type(const std::string& text, const char* how) {
  if (selected_) focus_->clear();
  *focus_ += text;
  selected_ = false;
  if (focus_ == &priceBox_) priceHow_ = how;
}

int64_t AuctionPage::localMs(int64_t utcMs) const {
  return ((utcMs + clock_.localOffsetMs(utcMs)) % kDayMs + kDayMs) % kDayMs;
}

int64_t AuctionPage::pageMs(int64_t utcMs) const {
  return scenario_.pageClockMs(localMs(utcMs));
}

int32_t AuctionPage::lowestAt(int64_t utcMs) const {
  return scenario_.lowestPrice(localMs(utcMs));
}

AuctionPage::Stage AuctionPage::stageAt(int64_t utcMs) const {
  const int64_t ms = pageMs(utcMs);
  if (ms < scenario_.halfMs) return Stage::first;
  return ms < scenario_.endMs ? Stage::second : Stage::over;
}

std::string AuctionPage::clockText(int64_t utcMs) const {
  const int64_t s = pageMs(utcMs) / 1000;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", int(s / 3600 % 24), int(s / 60 % 60),
                int(s % 60));
  return text;
}

void AuctionPage::event(int64_t utcMs, const char* kind, nlohmann::ordered_json fields) {
  if (!scenario_.events) return;
  if (fields.is_null()) fields = nlohmann::ordered_json::object();
  scenario_.events->add(utcMs, kind, std::move(fields));
}

AuctionPage::Look AuctionPage::look() {
  const int64_t now = clock_.utcNowMs();
  return Look{clockText(now),  lowestAt(now),  stageAt(now),
              boxShown_,       infoShown_,     bidsMade_,
              submittedPrice_, submittedTime_, scenario_.layout.browser};
}

PageScene AuctionPage::scene() {
  const Look l = look();
  drawn_ = l;
  PageScene s = scenario_.layout;
  s.clock = l.clock;
  s.lowestPrice = std::to_string(l.lowest);
  if (l.stage == Stage::first) {
    // The first half: its own clock and price cells, no half mark and no bid button.
    s.half = AuctionHalf::first;
    s.halfMark.clear();
  }
  s.bidButton = !l.box && l.stage == Stage::second;
  s.captchaBox = l.box;
  s.infoWindow = l.info;
  s.bidCount = l.bids;
  s.submittedPrice = l.submittedPrice;
  s.submittedTime = l.submittedTime;
  return s;
}

void AuctionPage::render(Image& image) {
  PageRenderer().render(scene(), image);
}

}  // namespace tavik
