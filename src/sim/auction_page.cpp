#include "testing/auction_page.h"

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

int32_t Number(const std::string& text) {
  int64_t v = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9' || v > 1'000'000'000) break;
    v = v * 10 + (ch - '0');
  }
  return int32_t(v);
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
  const std::vector<FakeDesktop::Action> actions = desktop_.actions();
  if (actions.size() < seen_) seen_ = 0;  // the record was cleared
  for (; seen_ < actions.size(); ++seen_) {
    settle(actions[seen_].atMs);
    apply(actions[seen_]);
  }
  settle(clock_.utcNowMs());
  return !drawn_ || !(*drawn_ == look());
}

void AuctionPage::showCaptchaBox(int32_t price) {
  boxDueUtcMs_.reset();
  boxShown_ = true;
  boxPrice_ = price;
}

// The captcha box comes up once its delay has passed.
void AuctionPage::settle(int64_t utcMs) {
  if (!boxDueUtcMs_ || *boxDueUtcMs_ > utcMs) return;
  boxDueUtcMs_.reset();
  boxShown_ = true;
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
    key(int(vk), true);
  } else if (std::sscanf(what.c_str(), "key_up 0x%x", &vk) == 1) {
    key(int(vk), false);
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
    if (hits(at, ClickPoint::errorinfobutton)) infoShown_ = false;
    return;
  }
  if (boxShown_) {
    // The box is modal: only its two buttons answer.
    if (hits(at, ClickPoint::priceconfirmbutton)) {
      const int64_t lowest = scenario_.lowestPrice(localMs(utcMs));
      const bool accepted = std::abs(boxPrice_ - lowest) <= kBidWindow && bidsMade_ < 3;
      bids_.push_back({boxPrice_, clockText(utcMs), accepted});
      if (accepted) {
        ++bidsMade_;
        submittedPrice_ = std::to_string(boxPrice_);
        submittedTime_ = clockText(utcMs);
      }
      boxShown_ = false;
      infoShown_ = !accepted;
    } else if (hits(at, ClickPoint::pricecancelbutton)) {
      boxShown_ = false;
    }
    return;
  }
  focus_ = nullptr;
  if (hits(at, ClickPoint::bidpriceselfedit)) focus_ = &priceBox_;
  if (hits(at, ClickPoint::bid_addprice_selfedit)) focus_ = &addBox_;
  selected_ = focus_ != nullptr;
  if (hits(at, ClickPoint::addbutton))
    priceBox_ = std::to_string(scenario_.lowestPrice(localMs(utcMs)) + Number(addBox_));
  if (hits(at, ClickPoint::bidbutton) && !boxDueUtcMs_) {
    boxPrice_ = Number(priceBox_);
    boxDueUtcMs_ = utcMs + scenario_.captchaDelayMs;
  }
}

void AuctionPage::key(int vk, bool down) {
  if (vk == vk::kControl) control_ = down;
  if (!down || !focus_ || vk == vk::kControl) return;
  if (control_) {
    if (vk == vk::kV) type(clipboard_);
    // The page's copy lands in the desktop's clipboard, where the program reads it back.
    if (vk == vk::kC) desktop_.setClipboardText(*focus_);
    return;
  }
  if (vk >= vk::k0 && vk <= vk::kDigit(9)) type(std::string(1, char('0' + vk - vk::k0)));
  if (vk == vk::kDelete && selected_) focus_->clear();
  if (vk == vk::kBack) {
    if (selected_) focus_->clear();
    if (!selected_ && !focus_->empty()) focus_->pop_back();
  }
  if (vk == vk::kDelete || vk == vk::kBack) selected_ = false;
}

void AuctionPage::type(const std::string& text) {
  if (selected_) focus_->clear();
  *focus_ += text;
  selected_ = false;
}

int64_t AuctionPage::localMs(int64_t utcMs) const {
  return ((utcMs + clock_.localOffsetMs(utcMs)) % kDayMs + kDayMs) % kDayMs;
}

std::string AuctionPage::clockText(int64_t utcMs) const {
  const int64_t s = scenario_.pageClockMs(localMs(utcMs)) / 1000;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", int(s / 3600 % 24), int(s / 60 % 60),
                int(s % 60));
  return text;
}

AuctionPage::Look AuctionPage::look() {
  const int64_t now = clock_.utcNowMs();
  return Look{clockText(now), scenario_.lowestPrice(localMs(now)),
              boxShown_,      infoShown_,
              bidsMade_,      submittedPrice_,
              submittedTime_};
}

PageScene AuctionPage::scene() {
  const Look l = look();
  drawn_ = l;
  PageScene s = scenario_.layout;
  s.clock = l.clock;
  s.lowestPrice = std::to_string(l.lowest);
  s.bidButton = !l.box;
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
