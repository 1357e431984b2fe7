#include "bidding/page_actions.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "bidding/price_inputs.h"
#include "bidding/price_rules.h"
#include "platform/keys.h"
#include "settings/ini_file.h"

namespace tavik {

namespace {

// Entries made with this many seconds left or fewer are late; after this many late pasted
// entries the rest are typed.
constexpr int32_t kLateSec = 15;
constexpr int32_t kLatePastedMax = 3;
// The page's increment box takes whole hundreds from 300 on.
constexpr int32_t kMinIncrement = 300;
constexpr int32_t kMaxIncrement = 2000;

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[256];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

int32_t Clamp(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                     std::numeric_limits<int32_t>::max()));
}

Point operator+(Point a, Point b) {
  return {a.x + b.x, a.y + b.y};
}

bool Found(Point p) {
  return p.x > 0 && p.y > 0;
}

}  // namespace

void ResetSystemState(BidContext& c) {
  c.bid.m_systemState = int32_t(SystemState::Ready);
  c.page.log.LogStatus("状态初始化", true);
}

// --- Entering prices ---

EntryResult PageActions::EnterIncrementBid(int32_t increment) {
  const Point cursor = c_.page.desktop.cursorPos();
  if (increment <= 0 || increment % 100 != 0 || increment > kMaxIncrement) {
    increment = LookupSmartRow(*c_.strategy.snapshot(), remain()).add;
    logStatus("加价严重错误，价格纠正");
  }
  // What the page's increment box takes; the read-back and my price count with the same value.
  const int32_t entered = std::max(increment / 100 * 100, kMinIncrement);
  // Without the clipboard a paste would enter whatever it held before: type instead.
  if (!pasteVariant()) {
    typeIncrement(entered, cursor, false);
    return EntryResult::Entered;
  }
  if (SetClipboardText(std::to_string(entered))) return pasteIncrement(entered);
  logStatus("***剪贴板设置失败,改为键入加价***");
  typeIncrement(entered, cursor, true);
  return EntryResult::Entered;
}

EntryResult PageActions::EnterPriceBid(int32_t price) {
  const Point cursor = c_.page.desktop.cursorPos();
  const PriceInputs in =
      ReadPriceInputs(c_.page.page, c_.page.clock, c_.bid, c_.page.net, c_.in.m_realMode);
  int32_t p =
      FloatingAdjust(*c_.strategy.snapshot(), in, c_.bid.m_priceHistory, price, c_.page.log);
  if (!pasteVariant()) {
    typePrice(p, cursor, false);
    return EntryResult::Entered;
  }
  p = Clamp(std::max<int64_t>(p, c_.page.page.m_lowestPrice + kReachedMargin));
  if (SetClipboardText(std::to_string(p))) {
    pastePrice(p);
    return EntryResult::Entered;
  }
  logStatus("***剪贴板设置失败,改为键入价格***");
  typePrice(p, cursor, true);
  return EntryResult::Entered;
}

bool PageActions::pasteVariant() const {
  return entry_.m_pasteMode == 1 && entry_.m_lateBidCount < kLatePastedMax;
}

EntryResult PageActions::pasteIncrement(int32_t increment) {
  wait(100);
  const Point field = at(ClickPoint::bid_addprice_selfedit);
  click(field);
  wait(20);
  click(field);
  wait(500);
  withControl(vk::kV);
  wait(200);
  pressAt(at(ClickPoint::addbutton), 20);
  wait(100);
  // The page now shows lowest + increment in the price box; copy it for the read-back.
  const Point priceBox = at(ClickPoint::bidpriceselfedit);
  click(priceBox);
  wait(20);
  click(priceBox);
  wait(400);
  withControl(vk::kC);
  wait(100);
  const Point bid = at(ClickPoint::bidbutton);
  pressAt(bid, 20);
  const bool verified = readBack(increment);
  move(bid + Point{0, 30});
  afterPastedEntry();
  return verified ? EntryResult::Entered : EntryResult::Unverified;
}

void PageActions::pastePrice(int32_t price) {
  wait(20);
  const Point priceBox = at(ClickPoint::bidpriceselfedit);
  click(priceBox);
  wait(20);
  click(priceBox);
  wait(500);
  withControl(vk::kV);
  wait(200);
  const Point bid = at(ClickPoint::bidbutton);
  pressAt(bid, 20);
  c_.bid.m_myPrice = price;
  move(bid + Point{0, 30});
  afterPastedEntry();
}

// The price the page made of the increment, as copied from its price box. While the lowest
// price has not really been read, the page's is taken. A copy far from what the increment
// should give is not taken on trust: a plausible price is what the box holds, and becomes my
// price; no price at all (a failed copy, an empty box) leaves the entry unverified (false),
// with the computed price as my price.
bool PageActions::readBack(int32_t increment) {
  const int32_t copied = ReadClipboardPrice();
  const int32_t lowest = c_.page.page.m_lowestPrice;
  const int64_t expected = int64_t{lowest} + increment;
  if (expected - 200 <= copied && copied <= expected + 500) {
    c_.bid.m_myPrice = copied;
    // Only over the value tested: a real reading stored meanwhile by the price reader stays.
    if (lowest <= c_.page.page.m_warningPrice)
      c_.page.page.m_lowestPrice.CorrectFromReadBack(lowest, copied - increment);
    logStatus("读回出价价格成功");
    return true;
  }
  logStatus("读回出价价格失败");
  if (copied != 0) {
    c_.bid.m_myPrice = copied;
    logStatus(Format("***读回的价格%d与计划不符,按页面上的价格纠正***", copied));
    return true;
  }
  c_.bid.m_myPrice = Clamp(expected);
  return false;
}

void PageActions::afterPastedEntry() {
  const int32_t r = remain();
  if (r <= kLateSec) ++entry_.m_lateBidCount;
  c_.bid.m_bidSentSec = r;
  clearKeyCount();
  c_.keys.g_spacePressed = 0;
  wait(1500);
}

// The increment is typed into the increment box and the page adds it to its own lowest price,
// as in the paste variant (docs/typing-variant.md).
void PageActions::typeIncrement(int32_t increment, Point cursor, bool fallback) {
  ClearField(ClickPoint::bid_addprice_selfedit);
  wait(200);
  typeDigits(increment);
  wait(500);
  pressAt(at(ClickPoint::addbutton), 20);
  wait(100);
  const Point bid = at(ClickPoint::bidbutton);
  pressAt(bid, 50);
  c_.bid.m_myPrice = Clamp(int64_t{c_.page.page.m_lowestPrice} + increment);
  if (!fallback) return afterTypedEntry(cursor);
  move(bid + Point{0, 30});
  afterPastedEntry();
}

void PageActions::typePrice(int32_t price, Point cursor, bool fallback) {
  ClearField(ClickPoint::bidpriceselfedit);
  wait(200);
  price = Clamp(std::max<int64_t>(price, c_.page.page.m_lowestPrice + kReachedMargin));
  typeDigits(price);
  wait(500);
  const Point bid = at(ClickPoint::bidbutton);
  pressAt(bid, 50);
  c_.bid.m_myPrice = price;
  if (!fallback) return afterTypedEntry(cursor);
  move(bid + Point{0, 30});
  afterPastedEntry();
}

// The typed variants hold the third bid back (m_bid3Allowed) and give the cursor back.
void PageActions::afterTypedEntry(Point cursor) {
  move(cursor);
  c_.bid.m_bid3Allowed = 0;
  wait(500);
}

void PageActions::typeDigits(int32_t value) {
  static constexpr int kFirstPauses[] = {150, 200, 220, 500};
  constexpr int kLaterPause = 180;
  const std::string digits = std::to_string(value);
  size_t typed = 0;
  for (char ch : digits) {
    if (ch < '0' || ch > '9') continue;
    key(vk::kDigit(ch - '0'));
    wait(typed < std::size(kFirstPauses) ? kFirstPauses[typed] : kLaterPause);
    ++typed;
  }
}

void PageActions::ClearField(ClickPoint field) {
  static constexpr int kPauses[7][2] = {{25, 30}, {28, 50}, {20, 30}, {25, 50},
                                        {22, 30}, {20, 30}, {20, 30}};
  click(at(field));
  for (const auto& pause : kPauses) {
    key(vk::kDelete);
    wait(pause[0]);
    key(vk::kBack);
    wait(pause[1]);
  }
}

// --- The captcha box ---

void PageActions::CancelCaptchaBox() {
  clearKeyCount();
  if (!boxShown()) {
    logStatus("***出错，没检测到验证码框***");
    return;
  }
  const Point k = at(ClickPoint::pricecancelbutton);
  if (cancelWithButton(k) || cancelAtFoundButton()) return;
  cancelAround(k);
}

// The flag is the page tracker's, so a check only sees the box gone once it has looked again.
bool PageActions::cancelWithButton(Point k) {
  logStatus("***取消验证码框,A方法 ***");
  pressAt(k, 10);
  if (!boxShown()) return true;
  wait(200);
  if (!boxShown()) return true;
  for (int i = 0; i < 4; ++i) {
    wait(100);
    if (!boxShown()) return true;
  }
  return false;
}

bool PageActions::cancelAtFoundButton() {
  const Point found = c_.page.page.m_captchaCancelPos.load();
  if (!Found(found)) return false;
  const Point p = found + Point{50, 5};
  logStatus(Format("***验证码框还是存在,查找后取消验证码框,B方法 ,坐标:%d,%d***", p.x, p.y));
  pressAt(p, 10);
  for (int pause : {200, 100, 100}) {
    wait(pause);
    if (!boxShown()) return true;
  }
  return false;
}

void PageActions::cancelAround(Point k) {
  logStatus("***验证码框还是存在,+-20取消验证码框,C方法 ***");
  pressAt(k + Point{0, -30}, 10);
  wait(10);
  pressAt(k + Point{0, 20}, 10);
  wait(200);
  pressAt(k + Point{100, 0}, 10);
  wait(200);
}

void PageActions::ConfirmCaptchaBox() {
  clearKeyCount();
  const Point c = at(ClickPoint::priceconfirmbutton);
  const Point ok = c_.page.page.m_captchaOkPos.load();
  const Point k = c_.page.page.m_captchaCancelPos.load();
  // A confirm point on the recognised cancel button would cancel the bid: no sweep then.
  if (Found(k) && k.x < c.x && c.x < k.x + 100 && k.y < c.y && c.y < k.y + 20) {
    logStatus(
        Format("***严重错误！我要点确定的地方识别到是取消按钮,确定按钮点击坐标:%d,%d,"
               "确定扫描:%d,%d,取消扫描:%d,%d***",
               c.x, c.y, ok.x, ok.y, k.x, k.y));
  } else {
    confirmSweep(c);
  }
  if (!live()) return;
  c_.bid.m_systemState = int32_t(SystemState::Confirmed);
  c_.keys.g_enterPressed = 0;
  if (remain() > 2) wait(100);
  if (!boxShown()) {
    logStatus("***确认后无验证码框，状态正确***");
    return;
  }
  confirmFallbacks(c);
}

// Clicks from below the OK button up to it, so that a button shifted by the page is still hit.
void PageActions::confirmSweep(Point c) {
  struct Press {
    Point offset;
    int holdMs;
    int pauseMs;
  };
  static constexpr Press kSweep[] = {{{0, 100}, 10, 10}, {{80, 100}, 10, 10}, {{-80, 100}, 0, 10},
                                     {{0, 50}, 10, 10},  {{80, 50}, 10, 10},  {{-80, 50}, 10, 10},
                                     {{0, 20}, 0, 10},   {{80, 20}, 0, 10},   {{-80, 20}, 0, 50},
                                     {{0, 0}, 10, 10},   {{-50, 0}, 10, 10},  {{-80, 0}, 10, 10},
                                     {{80, 0}, 10, 10},  {{100, 0}, 10, 0},   {{0, -7}, 10, 0}};
  wait(10);
  for (const Press& p : kSweep) {
    pressAt(c + p.offset, p.holdMs);
    if (p.pauseMs > 0) wait(p.pauseMs);
  }
}

// The box is still up after the sweep: the OK button where the tracker found it, then above
// the configured point. With 2 seconds or fewer left nothing waits for the tracker.
void PageActions::confirmFallbacks(Point c) {
  const Point ok = c_.page.page.m_captchaOkPos.load();
  const Point b = ok + Point{50, 5};
  logStatus(Format("***验证码框还是存在,查找确定按钮,方法B ,坐标:%d,%d***", b.x, b.y));
  if (Found(ok)) {
    c_.page.log.LogStatus("方法B点击", false);
    pressAt(b, 10);
    if (remain() > 2) {
      if (!boxShown()) return;
      wait(100);
    }
  }
  if (boxShown()) {
    logStatus("***验证码框还是存在,方法D,y-30确定验证码框 3");
    pressAt(c + Point{0, -15}, 10);
    pressAt(c + Point{0, -30}, 10);
    wait(10);
    pressAt(c + Point{80, -30}, 10);
    wait(10);
    pressAt(c + Point{-80, -30}, 10);
  }
  if (remain() > 2) {
    if (!boxShown()) return;
    wait(50);
  }
  if (!boxShown()) return;
  logStatus("***验证码框还是存在,方法F,y-160确定验证码框 3");
  wait(10);
  pressAt(c + Point{0, -160}, 10);
  wait(10);
  pressAt(c + Point{-50, -160}, 10);
  wait(10);
  pressAt(c + Point{50, -160}, 10);
}

// --- The clipboard ---

bool PageActions::SetClipboardText(const std::string& text) {
  return live() && c_.page.desktop.setClipboardText(text);
}

int32_t PageActions::ReadClipboardPrice() {
  std::string text;
  if (!c_.page.desktop.clipboardText(text) || text.size() >= 50) return 0;
  const int32_t value = LeadingInt(text);
  return value > 79999 && value < 150001 ? value : 0;
}

// --- Elementary steps ---

// The user's keys count anew from here (the captcha's typing is judged by them).
void PageActions::clearKeyCount() {
  c_.keys.g_keyCount = 0;
  c_.bid.m_keyCountClearedMs = c_.page.time.utcNowMs();
}

Point PageActions::at(ClickPoint p) const {
  const ElementPoint offset = c_.page.table.point(p);
  return c_.page.page.g_pageOrigin.load() + Point{offset.x, offset.y};
}

int32_t PageActions::remain() const {
  return c_.page.clock.m_remainSec;
}

bool PageActions::boxShown() const {
  return c_.page.page.g_captchaState == 1;
}

void PageActions::wait(int ms) {
  c_.run.Sleep(ms);
}

void PageActions::move(Point p) {
  if (live()) c_.page.desktop.setCursorPos(p);
}

void PageActions::down() {
  if (!live()) return;
  c_.page.desktop.leftButtonDown();
  buttonHeld_ = true;
}

// A press that went out is always released, even after the run ended: a button left down
// would stay held on the desktop. Nothing else is sent once the run has ended.
void PageActions::up() {
  if (!buttonHeld_) return;
  c_.page.desktop.leftButtonUp();
  buttonHeld_ = false;
}

void PageActions::click(Point p) {
  move(p);
  down();
  up();
}

void PageActions::pressAt(Point p, int holdMs) {
  move(p);
  down();
  if (holdMs > 0) wait(holdMs);
  up();
}

// Every key is released at once: a press without its release stays held on X11.
void PageActions::key(int vk) {
  if (!live()) return;
  c_.page.desktop.keyDown(vk);
  c_.page.desktop.keyUp(vk);
}

// Control is released whatever happens after its press.
void PageActions::withControl(int vk) {
  if (!live()) return;
  c_.page.desktop.keyDown(vk::kControl);
  wait(20);
  key(vk);
  wait(20);
  c_.page.desktop.keyUp(vk::kControl);
}

void PageActions::logStatus(const std::string& text) {
  c_.page.log.LogStatus(text, true);
}

}  // namespace tavik
