// The bid actions on a fake desktop in virtual time: every move, press, key and clipboard set at
// its millisecond, and what the page's bid form ends up holding when the bid button is pressed.

#include "bidding/page_actions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "page/page_fixture.h"
#include "platform/keys.h"
#include "settings/ini_file.h"

namespace tavik {
namespace {

using Step = std::pair<int64_t, std::string>;  // ms after the call began, action
using Steps = std::vector<Step>;

// The page's bid form behind the fake desktop: the increment box, the price box, the add button
// (the page's lowest price plus the increment into the price box) and the bid button (records
// the price box). A click into a box selects its text; a paste or a digit replaces a selection
// or appends; Delete and Backspace remove a selection, Backspace else the last character; Ctrl+C
// copies the focused box. The clipboard lives here, so the page's copy is not an action of ours.
class BrowserPage final : public Desktop {
 public:
  BrowserPage(FakeDesktop& desktop, const PageState& page, const ElementTableStore& table)
      : d_(desktop), page_(page), table_(table) {}

  int pageLowest = 89000;      // what the page's add button adds to
  bool clipboardWorks = true;  // false: the clipboard cannot be set
  std::string addBox, priceBox;
  std::vector<std::string> bids;  // the price box at each press of the bid button
  std::set<int> held;             // keys down now

  bool available() override { return d_.available(); }
  WindowId foregroundWindow() override { return d_.foregroundWindow(); }
  WindowId windowBelow(WindowId w) override { return d_.windowBelow(w); }
  WindowId windowAbove(WindowId w) override { return d_.windowAbove(w); }
  std::string windowTitle(WindowId w) override { return d_.windowTitle(w); }
  std::string windowClass(WindowId w) override { return d_.windowClass(w); }
  bool windowRect(WindowId w, Rect& out) override { return d_.windowRect(w, out); }
  bool windowExists(WindowId w) override { return d_.windowExists(w); }
  bool windowVisible(WindowId w) override { return d_.windowVisible(w); }
  bool moveWindow(WindowId w, const Rect& r) override { return d_.moveWindow(w, r); }
  Size screenSize() override { return d_.screenSize(); }
  bool captureScreen(const Rect& r, Image& out) override { return d_.captureScreen(r, out); }
  Point cursorPos() override { return d_.cursorPos(); }
  void setCursorPos(Point p) override { d_.setCursorPos(p); }
  void leftButtonDown() override { d_.leftButtonDown(); }
  void leftButtonUp() override {
    d_.leftButtonUp();
    clickAt(d_.cursorPos());
  }
  void keyDown(int vk) override {
    d_.keyDown(vk);
    held.insert(vk);
    typed(vk);
  }
  void keyUp(int vk) override {
    d_.keyUp(vk);
    held.erase(vk);
  }
  bool setClipboardText(const std::string& text) override {
    if (!clipboardWorks) return false;
    d_.setClipboardText(text);
    clipboard = text;
    return true;
  }
  bool clipboardText(std::string& out) override {
    out = clipboard;
    return true;
  }
  bool installKeyboardHook(KeyboardHook hook) override { return d_.installKeyboardHook(hook); }
  void removeKeyboardHook() override { d_.removeKeyboardHook(); }
  bool launchProgram(const std::vector<std::string>& argv) override {
    return d_.launchProgram(argv);
  }
  OsVersion osVersion() override { return d_.osVersion(); }

  std::string clipboard;

 private:
  Point at(ClickPoint p) const {
    const Point o = page_.g_pageOrigin.load();
    const ElementPoint e = table_.point(p);
    return {o.x + e.x, o.y + e.y};
  }
  void clickAt(Point p) {
    focus_ = nullptr;
    if (p == at(ClickPoint::bid_addprice_selfedit)) focus_ = &addBox;
    if (p == at(ClickPoint::bidpriceselfedit)) focus_ = &priceBox;
    selected_ = focus_ != nullptr;
    if (p == at(ClickPoint::addbutton)) priceBox = std::to_string(pageLowest + LeadingInt(addBox));
    if (p == at(ClickPoint::bidbutton)) bids.push_back(priceBox);
  }
  void typed(int vk) {
    if (!focus_) return;
    const bool control = held.count(vk::kControl) != 0;
    if (control && vk == vk::kV) insert(clipboard);
    if (control && vk == vk::kC) clipboard = *focus_;
    if (control) return;
    if (vk >= vk::k0 && vk <= vk::kDigit(9)) insert(std::string(1, char('0' + vk - vk::k0)));
    if (vk == vk::kDelete && selected_) focus_->clear();
    if (vk == vk::kBack && (selected_ || focus_->empty())) focus_->clear();
    if (vk == vk::kBack && !selected_ && !focus_->empty()) focus_->pop_back();
    if (vk == vk::kDelete || vk == vk::kBack) selected_ = false;
  }
  void insert(const std::string& text) {
    if (selected_) focus_->clear();
    *focus_ += text;
    selected_ = false;
  }

  FakeDesktop& d_;
  const PageState& page_;
  const ElementTableStore& table_;
  std::string* focus_ = nullptr;
  bool selected_ = false;
};

// Click points with the page origin at (35, 72).
constexpr const char* kAddBox = "move 717,372";
constexpr const char* kAddButton = "move 833,372";
constexpr const char* kPriceBox = "move 711,471";
constexpr const char* kBidButton = "move 834,475";
constexpr const char* kBelowBid = "move 834,505";
// Captcha box: OK (C) and cancel (K).
constexpr Point kOk{591, 559};
constexpr Point kCancel{780, 559};

std::string Move(Point p, int dx = 0, int dy = 0) {
  return "move " + std::to_string(p.x + dx) + "," + std::to_string(p.y + dy);
}
std::string Down(int vk) {
  char text[32];
  std::snprintf(text, sizeof text, "key_down 0x%02X", unsigned(vk));
  return text;
}
std::string Up(int vk) {
  char text[32];
  std::snprintf(text, sizeof text, "key_up 0x%02X", unsigned(vk));
  return text;
}
// A key pressed and released at `ms`.
void Key(Steps& s, int64_t ms, int vk) {
  s.push_back({ms, Down(vk)});
  s.push_back({ms, Up(vk)});
}
// Move, press and release at `ms`, the release `holdMs` later.
void Press(Steps& s, int64_t ms, const std::string& move, int holdMs = 0) {
  s.push_back({ms, move});
  s.push_back({ms, "left_down"});
  s.push_back({ms + holdMs, "left_up"});
}
// Ctrl, 20 ms, the key, 20 ms, Ctrl released.
void WithControl(Steps& s, int64_t ms, int vk) {
  s.push_back({ms, Down(vk::kControl)});
  Key(s, ms + 20, vk);
  s.push_back({ms + 40, Up(vk::kControl)});
}
// A click into `field` and its seven Delete/Backspace pairs: 410 ms.
void ClearedField(Steps& s, int64_t ms, const std::string& field) {
  Press(s, ms, field);
  const int pauses[7][2] = {{25, 30}, {28, 50}, {20, 30}, {25, 50}, {22, 30}, {20, 30}, {20, 30}};
  for (const auto& p : pauses) {
    Key(s, ms, vk::kDelete);
    Key(s, ms + p[0], vk::kBack);
    ms += p[0] + p[1];
  }
}
// Digits with their pauses 150, 200, 220, 500, then 180 each; returns the time after them.
int64_t Digits(Steps& s, int64_t ms, const std::string& digits) {
  const int pauses[] = {150, 200, 220, 500};
  for (size_t i = 0; i < digits.size(); ++i) {
    Key(s, ms, vk::kDigit(digits[i] - '0'));
    ms += i < 4 ? pauses[i] : 180;
  }
  return ms;
}

class PageActionsTest : public testing::PageFixture {
 protected:
  PageActionsTest() {
    page.g_pageOrigin = Point{35, 72};
    page.m_lowestPrice.Set(89000);
    clockState.PublishRemain(20);
    Strategy s;
    s.m_smartSec[1] = 30;
    s.m_smartAdd[1] = 800;
    strategy.publish(s);
    desktop.setCursorPos({5, 5});
    start();
  }

  // Marks the start of the call under test.
  void start() {
    desktop.clearActions();
    startMs = clock.utcNowMs();
    logMark = logLines().size();
  }
  Steps steps() const {
    Steps out;
    for (const auto& a : desktop.actions()) out.push_back({a.atMs - startMs, a.what});
    return out;
  }
  int64_t elapsed() { return clock.utcNowMs() - startMs; }
  std::vector<std::string> newLines() const {
    const auto all = logLines();
    return {all.begin() + long(logMark), all.end()};
  }
  // Runs `change` on the driver thread `ms` after now (as the page tracker would, in between).
  void after(int64_t ms, std::function<void()> change) {
    auto handle = std::make_shared<int>();
    *handle = clock.addTimer(ms, [this, handle, change] {
      clock.cancelTimer(*handle);
      change();
    });
  }
  void setSmartIncrement(int32_t add) {
    strategy.update([add](Strategy& s) {
      s.m_smartAdd[1] = add;
      return true;
    });
  }

  BrowserPage browser{desktop, page, table};
  PageContext actionContext{page,  clockState, netTime, net,   in,
                            table, screen,     browser, clock, logger};
  BidState bid;
  KeyFlags keys;
  StrategyStore strategy;
  BidInputs bidIn{realMode, clientFound, [](int) {}};
  BidContext bc{bid, keys, actionContext, locator, strategy, bidIn};
  PageActions bidActions{bc};
  int64_t startMs = 0;
  size_t logMark = 0;
};

// --- Entering prices ---

TEST_F(PageActionsTest, IncrementPastedAddedCopiedBackAndBid) {
  keys.g_keyCount = 4;
  keys.g_spacePressed = 9;
  page.m_infoWindowSec = 33;
  bidActions.EnterIncrementBid(700);

  Steps want{{0, "clipboard 700"}};
  Press(want, 100, kAddBox);
  Press(want, 120, kAddBox);
  WithControl(want, 620, vk::kV);
  Press(want, 860, kAddButton, 20);
  Press(want, 980, kPriceBox);
  Press(want, 1000, kPriceBox);
  WithControl(want, 1400, vk::kC);
  Press(want, 1540, kBidButton, 20);
  want.push_back({1560, kBelowBid});
  EXPECT_EQ(steps(), want);
  EXPECT_EQ(elapsed(), 3060);  // 1500 ms for the page after the bid

  EXPECT_EQ(browser.bids, std::vector<std::string>{"89700"});
  EXPECT_TRUE(browser.held.empty());
  EXPECT_EQ(bid.m_myPrice, 89700);
  EXPECT_EQ(bid.m_bidSentSec, 20);
  EXPECT_EQ(keys.g_keyCount, 0);
  EXPECT_EQ(keys.g_spacePressed, 0);
  EXPECT_EQ(bidActions.entryState().m_lateBidCount, 0);  // 20 s left: not late
  EXPECT_EQ(bid.m_bid3Allowed, 1);
  EXPECT_EQ(newLines(), (std::vector<std::string>{"读回出价价格成功", "<status>"}));
}

TEST_F(PageActionsTest, IncrementsEnteredAsWholeHundredsFromThreeOrTheSmartOne) {
  struct Case {
    int32_t increment, smart;
    const char* pasted;
    bool corrected;
  } cases[] = {
      {700, 800, "700", false}, {2000, 800, "2000", false}, {200, 800, "300", false},
      {650, 800, "800", true},  {2100, 800, "800", true},   {0, 800, "800", true},
      {-300, 800, "800", true},  // a negative increment would bid below the lowest price
      {2100, 650, "600", true},  // a smart increment off the 100 step goes in as whole hundreds
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.increment);
    setSmartIncrement(c.smart);
    browser.bids.clear();
    start();
    bidActions.EnterIncrementBid(c.increment);
    ASSERT_FALSE(steps().empty());
    EXPECT_EQ(steps()[0].second, std::string("clipboard ") + c.pasted);
    const int32_t entered = LeadingInt(c.pasted);
    EXPECT_EQ(browser.bids, std::vector<std::string>{std::to_string(89000 + entered)});
    EXPECT_EQ(bid.m_myPrice, 89000 + entered);
    const auto lines = newLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "加价严重错误，价格纠正") == 1, c.corrected);
  }
}

TEST_F(PageActionsTest, ReadBackAcceptedInItsBandAndCorrectsAnUnreadLowestPrice) {
  page.m_warningPrice = 88100;
  // A copy outside the band is what the page's box holds: my price follows the page.
  const std::vector<std::string> corrected89400 = {
      "读回出价价格失败", "<status>", "***读回的价格89400与计划不符,按页面上的价格纠正***",
      "<status>"};
  const std::vector<std::string> corrected90300 = {
      "读回出价价格失败", "<status>", "***读回的价格90300与计划不符,按页面上的价格纠正***",
      "<status>"};
  const std::vector<std::string> ok = {"读回出价价格成功", "<status>"};
  struct Case {
    int32_t ourLowest, pageLowest;  // the page copies back pageLowest + 700
    int32_t myPrice, lowestAfter;
    PriceSource sourceAfter;
    std::vector<std::string> lines;
  } cases[] = {
      {89000, 88700, 89400, 89000, PriceSource::Page, corrected89400},  // < 89000 + 700 - 200
      {89000, 88800, 89500, 89000, PriceSource::Page, ok},              // 89500: the band's low end
      {89000, 89500, 90200, 89000, PriceSource::Page, ok},              // 90200: its high end
      {89000, 89600, 90300, 89000, PriceSource::Page, corrected90300},
      // Lowest not read yet: the page's, and it counts as read off the page.
      {88100, 88300, 89000, 88300, PriceSource::ReadBack, ok},
      {88200, 88300, 89000, 88200, PriceSource::Page, ok},  // read: ours stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pageLowest);
    page.m_lowestPrice.Set(c.ourLowest,
                           c.ourLowest == 88100 ? PriceSource::Warning : PriceSource::Page);
    browser.pageLowest = c.pageLowest;
    start();
    EXPECT_EQ(bidActions.EnterIncrementBid(700), EntryResult::Entered);
    EXPECT_EQ(bid.m_myPrice, c.myPrice);
    EXPECT_EQ(page.m_lowestPrice, c.lowestAfter);
    EXPECT_EQ(page.m_lowestPrice.reading().source, c.sourceAfter);
    EXPECT_EQ(newLines(), c.lines);
  }
}

TEST_F(PageActionsTest, PricePastedIntoThePriceBoxAndBid) {
  bidActions.EnterPriceBid(89600);

  Steps want{{0, "clipboard 89600"}};
  Press(want, 20, kPriceBox);
  Press(want, 40, kPriceBox);
  WithControl(want, 540, vk::kV);
  Press(want, 780, kBidButton, 20);
  want.push_back({800, kBelowBid});
  EXPECT_EQ(steps(), want);
  EXPECT_EQ(elapsed(), 2300);
  EXPECT_EQ(browser.bids, std::vector<std::string>{"89600"});
  EXPECT_EQ(bid.m_myPrice, 89600);
  EXPECT_EQ(bid.m_bidSentSec, 20);
  EXPECT_TRUE(browser.held.empty());
}

TEST_F(PageActionsTest, PriceWithinReachGoesInAsLowestPlus300) {
  const std::pair<int32_t, const char*> cases[] = {
      {88000, "89300"}, {89200, "89300"}, {89300, "89300"}, {89400, "89400"}};
  for (const auto& [price, entered] : cases) {
    SCOPED_TRACE(price);
    browser.bids.clear();
    bidActions.EnterPriceBid(price);
    EXPECT_EQ(browser.bids, std::vector<std::string>{entered});
    EXPECT_EQ(bid.m_myPrice, LeadingInt(entered));
  }
}

TEST_F(PageActionsTest, FourthLateEntryIsTyped) {
  const int32_t seconds[] = {16, 15, 14, 13};  // 16 is not late
  for (int32_t r : seconds) {
    clockState.PublishRemain(r);
    bidActions.EnterPriceBid(89400);
  }
  EXPECT_EQ(bidActions.entryState().m_lateBidCount, 3);
  EXPECT_EQ(browser.bids.size(), 4u);
  EXPECT_EQ(bid.m_bid3Allowed, 1);

  clockState.PublishRemain(12);
  keys.g_keyCount = 2;
  desktop.setCursorPos({5, 5});
  start();
  bidActions.EnterPriceBid(89600);

  Steps want;
  ClearedField(want, 0, kPriceBox);
  const int64_t typed = Digits(want, 610, "89600");
  Press(want, typed + 500, kBidButton, 50);
  want.push_back({typed + 550, "move 5,5"});  // the cursor goes back
  EXPECT_EQ(steps(), want);
  EXPECT_EQ(typed, 1860);
  EXPECT_EQ(elapsed(), 2910);
  EXPECT_EQ(browser.bids.back(), "89600");
  EXPECT_TRUE(browser.held.empty());
  EXPECT_EQ(bid.m_myPrice, 89600);
  EXPECT_EQ(bid.m_bid3Allowed, 0);  // no third bid after a typed entry
  EXPECT_EQ(bid.m_bidSentSec, 13);  // typed entries leave the sent second and the key count
  EXPECT_EQ(keys.g_keyCount, 2);
  EXPECT_EQ(bidActions.entryState().m_lateBidCount, 3);
}

TEST_F(PageActionsTest, TypedIncrementGoesThroughTheAddButton) {
  bidActions.entryState().m_pasteMode = 0;
  page.m_lowestPrice.Set(88900);  // ours lags the page's 89000
  bidActions.EnterIncrementBid(700);

  Steps want;
  ClearedField(want, 0, kAddBox);
  const int64_t typed = Digits(want, 610, "700");
  Press(want, typed + 500, kAddButton, 20);
  Press(want, typed + 620, kBidButton, 50);
  want.push_back({typed + 670, "move 5,5"});
  EXPECT_EQ(steps(), want);
  EXPECT_EQ(elapsed(), typed + 1170);
  EXPECT_EQ(browser.bids, std::vector<std::string>{"89700"});  // on the page's lowest price
  EXPECT_EQ(bid.m_myPrice, 89600);
  EXPECT_EQ(bid.m_bid3Allowed, 0);
  EXPECT_TRUE(browser.held.empty());
}

TEST_F(PageActionsTest, ClipboardThatCannotBeSetTypesTheEntry) {
  browser.clipboard = "600";  // left from before: pasted, it would bid 600
  browser.clipboardWorks = false;
  bidActions.EnterPriceBid(89600);
  bidActions.EnterIncrementBid(500);
  EXPECT_EQ(browser.bids, (std::vector<std::string>{"89600", "89500"}));
  for (const Step& s : steps()) EXPECT_NE(s.second, Down(vk::kV));
}

TEST_F(PageActionsTest, ClipboardPriceOnlyInItsRange) {
  const std::pair<std::string, int32_t> cases[] = {
      {"90000", 90000},
      {"80000", 80000},
      {"150000", 150000},
      {"79999", 0},
      {"150001", 0},
      {" 89300\n", 89300},
      {"89300元", 89300},
      {"", 0},
      {"abc", 0},
      {"-90000", 0},
      {"99999999999999", 0},
      {"90000" + std::string(44, ' '), 90000},  // 49 characters
      {"90000" + std::string(45, ' '), 0},      // 50: not a price copied from the page
  };
  for (const auto& [text, price] : cases) {
    SCOPED_TRACE(text);
    browser.clipboard = text;
    EXPECT_EQ(bidActions.ReadClipboardPrice(), price);
  }
}

// --- The captcha box ---

TEST_F(PageActionsTest, CancelWithoutBoxClicksNothing) {
  keys.g_keyCount = 3;
  bidActions.CancelCaptchaBox();
  EXPECT_TRUE(steps().empty());
  EXPECT_EQ(keys.g_keyCount, 0);
  EXPECT_EQ(newLines(), (std::vector<std::string>{"***出错，没检测到验证码框***", "<status>"}));
}

TEST_F(PageActionsTest, CancelFallsBackToTheFoundButtonThenAround) {
  page.g_captchaState = 1;
  page.m_captchaCancelPos = Point{700, 550};
  bidActions.CancelCaptchaBox();

  Steps want;
  Press(want, 0, Move(kCancel), 10);             // A, then 200 + 4 x 100 ms for the tracker
  Press(want, 610, "move 750,555", 10);          // B at the found button + (50, 5); 200, 100, 100
  Press(want, 1020, Move(kCancel, 0, -30), 10);  // C
  Press(want, 1040, Move(kCancel, 0, 20), 10);
  Press(want, 1250, Move(kCancel, 100, 0), 10);
  EXPECT_EQ(steps(), want);
  EXPECT_EQ(elapsed(), 1460);
  EXPECT_EQ(newLines(),
            (std::vector<std::string>{
                "***取消验证码框,A方法 ***", "<status>",
                "***验证码框还是存在,查找后取消验证码框,B方法 ,坐标:750,555***", "<status>",
                "***验证码框还是存在,+-20取消验证码框,C方法 ***", "<status>"}));
}

TEST_F(PageActionsTest, CancelStopsAtTheFirstCheckThatSeesTheBoxGone) {
  struct Case {
    int64_t goneAt, endsAt;
    size_t presses;
    bool foundButton;
  } cases[] = {
      {5, 10, 1, true},       // right after A's release
      {150, 210, 1, true},    // after A's 200 ms
      {450, 510, 1, true},    // after A's third 100 ms
      {700, 820, 2, true},    // after B's 200 ms
      {990, 1020, 2, true},   // at B's last check
      {700, 1050, 4, false},  // no button found: no B, C runs whole
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.goneAt);
    page.g_captchaState = 1;
    page.m_captchaCancelPos = c.foundButton ? Point{700, 550} : Point{};
    start();
    after(c.goneAt, [this] { page.g_captchaState = 0; });
    bidActions.CancelCaptchaBox();
    EXPECT_EQ(elapsed(), c.endsAt);
    size_t presses = 0;
    for (const Step& s : steps()) presses += s.second == "left_down";
    EXPECT_EQ(presses, c.presses);
  }
}

TEST_F(PageActionsTest, ConfirmSweepsUpToTheOkButton) {
  page.g_captchaState = 1;
  keys.g_keyCount = 3;
  keys.g_enterPressed = 1;
  after(200, [this] { page.g_captchaState = 0; });
  bidActions.ConfirmCaptchaBox();

  Steps want;
  struct Sweep {
    int dx, dy, at, hold;
  } sweep[] = {{0, 100, 10, 10},  {80, 100, 30, 10},  {-80, 100, 50, 0}, {0, 50, 60, 10},
               {80, 50, 80, 10},  {-80, 50, 100, 10}, {0, 20, 120, 0},   {80, 20, 130, 0},
               {-80, 20, 140, 0}, {0, 0, 190, 10},    {-50, 0, 210, 10}, {-80, 0, 230, 10},
               {80, 0, 250, 10},  {100, 0, 270, 10},  {0, -7, 280, 10}};
  for (const Sweep& s : sweep) Press(want, s.at, Move(kOk, s.dx, s.dy), s.hold);
  EXPECT_EQ(steps(), want);
  EXPECT_EQ(elapsed(), 390);  // 100 ms for the tracker after the sweep
  EXPECT_EQ(bid.m_systemState, 6);
  EXPECT_EQ(keys.g_enterPressed, 0);
  EXPECT_EQ(keys.g_keyCount, 0);
  EXPECT_EQ(newLines(), (std::vector<std::string>{"***确认后无验证码框，状态正确***", "<status>"}));
}

TEST_F(PageActionsTest, ConfirmPointOnTheCancelButtonSkipsTheSweepNotTheFallbacks) {
  page.g_captchaState = 1;
  page.m_captchaCancelPos = Point{560, 550};  // C (591, 559) lies on it
  page.m_captchaOkPos = Point{540, 552};
  bidActions.ConfirmCaptchaBox();

  Steps want;
  Press(want, 100, "move 590,557", 10);     // B: the found OK + (50, 5), then 100 ms
  Press(want, 210, Move(kOk, 0, -15), 10);  // D
  Press(want, 220, Move(kOk, 0, -30), 10);
  Press(want, 240, Move(kOk, 80, -30), 10);
  Press(want, 260, Move(kOk, -80, -30), 10);
  Press(want, 330, Move(kOk, 0, -160), 10);  // F, after 50 + 10 ms
  Press(want, 350, Move(kOk, -50, -160), 10);
  Press(want, 370, Move(kOk, 50, -160), 10);
  EXPECT_EQ(steps(), want);
  EXPECT_EQ(bid.m_systemState, 6);
  EXPECT_EQ(newLines(),
            (std::vector<std::string>{
                "***严重错误！我要点确定的地方识别到是取消按钮,确定按钮点击坐标:591,559,"
                "确定扫描:540,552,取消扫描:560,550***",
                "<status>", "***验证码框还是存在,查找确定按钮,方法B ,坐标:590,557***", "<status>",
                "方法B点击", "***验证码框还是存在,方法D,y-30确定验证码框 3", "<status>",
                "***验证码框还是存在,方法F,y-160确定验证码框 3", "<status>"}));
}

TEST_F(PageActionsTest, ConfirmFallbacksStopWhenTheBoxGoesAndSkipWaitsInTheLastSeconds) {
  struct Case {
    int32_t remain;
    int64_t goneAt, endsAt;
    size_t presses;
  } cases[] = {
      {20, 395, 400, 16},     // gone after B's click
      {20, 450, 500, 16},     // gone while B waits: D is skipped
      {20, 520, 560, 20},     // gone during D: no F
      {20, 100000, 670, 23},  // never gone: B, D, F
      {2, 100000, 420, 23},   // 2 s left: no pause for the tracker anywhere
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.goneAt);
    clockState.PublishRemain(c.remain);
    page.g_captchaState = 1;
    page.m_captchaOkPos = Point{540, 552};
    start();
    after(c.goneAt, [this] { page.g_captchaState = 0; });
    bidActions.ConfirmCaptchaBox();
    EXPECT_EQ(elapsed(), c.endsAt);
    size_t presses = 0;
    for (const Step& s : steps()) presses += s.second == "left_down";
    EXPECT_EQ(presses, c.presses);
    clock.runFor(100000);  // let a pending change fire before the next case
  }
}

}  // namespace
}  // namespace tavik
