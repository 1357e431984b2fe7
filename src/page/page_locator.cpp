#include "page/page_locator.h"

#include <cstdio>
#include <string>

#include "page/page_reads.h"
#include "platform/keys.h"

namespace tavik {

namespace {

std::string Format(const char* format, int a, int b) {
  char text[200];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

Point operator+(Point a, Point b) {
  return {a.x + b.x, a.y + b.y};
}
Point operator-(Point a, Point b) {
  return {a.x - b.x, a.y - b.y};
}

bool StrictlyInside(Point p, Point origin, const ElementRect& r) {
  return origin.x + r.x < p.x && p.x < origin.x + r.x + r.w && origin.y + r.y < p.y &&
         p.y < origin.y + r.y + r.h;
}

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// A coordinate below 1 is stored as 0.
Point BrowserPosition(const Rect& r) {
  return {r.left >= 1 ? r.left : 0, r.top >= 1 ? r.top : 0};
}

}  // namespace

void PageLocator::ResetZoom() {
  c_.time.sleepMs(200);
  c_.desktop.keyDown(vk::kControl);
  c_.time.sleepMs(100);
  // The release of "0" follows at once: on X11 a key pressed and never released stays held.
  c_.desktop.keyDown(vk::k0);
  c_.desktop.keyUp(vk::k0);
  c_.time.sleepMs(100);
  c_.desktop.keyUp(vk::kControl);
  log("浏览器恢复100");
}

void PageLocator::TrackPage() {
  const WindowId wnd = c_.in.m_auctionWnd.load();
  Rect r;
  // A look taken while the browser moved and no anchor showed where the page went says
  // nothing about the captcha box: it is not taken as the box gone.
  bool lookHolds = true;
  if (wnd != 0 && c_.desktop.windowVisible(wnd) && c_.desktop.windowRect(wnd, r)) {
    bool browserMoved = false;
    if (!keepWindow(r, browserMoved)) return;
    lookHolds = trackOrigin(browserMoved) || !browserMoved;
  }
  refreshCaptcha();
  if (DetectCaptchaBox() == 1) {
    captchaBoxShown();
    return;
  }
  noCaptchaBox(lookHolds);
  infoWindow();
}

bool PageLocator::keepWindow(const Rect& r, bool& browserMoved) {
  const WindowId wnd = c_.in.m_auctionWnd.load();
  const Size screen = c_.in.m_screenSize.loadSize();
  if (r.left < 0 && r.top < 0) {
    c_.desktop.moveWindow(wnd, {10, 10, 10 + m_browserWidth, 10 + m_browserHeight});
    const int x = (screen.width - m_browserWidth) / 2, y = (screen.height - m_browserHeight) / 2;
    c_.desktop.moveWindow(wnd, {x, y, x + m_browserWidth, y + m_browserHeight});
    return false;
  }
  Rect own;
  const WindowId ownWnd = c_.in.m_ownWnd.load();
  if (ownWnd != 0 && c_.desktop.windowRect(ownWnd, own) && own.right - r.left > 30 &&
      c_.page.g_windowArrangeMoves > 1) {
    if (own.right - r.left < screen.width - r.right) {
      c_.desktop.moveWindow(
          wnd, {own.right, r.top, own.right + m_browserWidth, r.top + m_browserHeight});
    } else {
      c_.desktop.moveWindow(ownWnd, {10, 10, 10 + own.width(), 10 + own.height()});
    }
    c_.page.g_windowArrangeMoves += -1;
  }
  const int fixes = c_.page.g_browserSizeFixes;
  if (fixes >= 1 && (screen.height > 800 || fixes >= 98) &&
      (r.width() != m_browserWidth || r.height() != m_browserHeight)) {
    c_.desktop.moveWindow(wnd, {r.left, r.top, r.left + m_browserWidth, r.top + m_browserHeight});
    log("浏览器大小自动调整");
    c_.page.g_browserSizeFixes += -1;
    return false;
  }
  const Point b = BrowserPosition(r);
  if (!(b == c_.page.g_browserPos.load())) {
    c_.page.g_browserPos = b;
    ResetZoom();
    log(Format("浏览器位置信息变化,当前是:%d,%d", b.x, b.y));
    browserMoved = true;
  }
  return true;
}

// The anchor searches: "dd_201" in a strip of the browser's left side, "dd_jj" in its top-left
// corner, each in its row's colours.
bool PageLocator::trackAnchor201() {
  const Point b = c_.page.g_browserPos.load();
  return trackAnchor("dd_201", {b.x + 30, b.y + 200, b.x + 130, b.y + 500}, RectRow::net_rec_dd201,
                     c_.page.g_anchor201Pos, "201位置信息变化,当前是:%d,%d");
}

bool PageLocator::trackAnchorJJ() {
  const Point b = c_.page.g_browserPos.load();
  return trackAnchor("dd_jj", {b.x, b.y, b.x + 200, b.y + 500}, RectRow::net_rec_ddjj,
                     c_.page.g_anchorJJPos, "JJ位置信息变化,当前是:%d,%d");
}

bool PageLocator::trackAnchor(const char* word, const Rect& area, RectRow row, AtomicPoint& pos,
                              const char* label) {
  const auto at = FindOnScreen(c_, area, word, c_.table.row(row).colours, true);
  if (!at) return false;
  if (!(*at == pos.load())) {
    pos = *at;
    log(Format(label, at->x, at->y));
  }
  return true;
}

bool PageLocator::trackMarker(const char* word, Point from, Point to, std::string_view colours,
                              AtomicPoint& pos, const char* label) {
  const auto at = FindOnScreen(c_, {from.x, from.y, to.x, to.y}, word, std::string(colours));
  if (!at) return false;
  if (!(*at == pos.load())) {
    pos = *at;
    log(Format(label, at->x, at->y));
  }
  return true;
}

// The practice pages are drawn a little off the real one; a "51沪牌" page also runs on the
// real schedule and a fixed end time.
Point PracticeAnchorShift(const std::string& title, bool realMode) {
  if (realMode) return {};
  if (Contains(title, "51沪牌")) return {3, 2};
  if (Contains(title, "Vexo") || Contains(title, "仿真") || Contains(title, "模拟"))
    return {-1, -2};
  return {};
}

Point PageLocator::practiceShift() {
  if (c_.in.m_realMode != 0) return {};
  const std::string title = c_.in.m_pageTitle.get();
  const Point t = PracticeAnchorShift(title, false);
  const bool page51 = Contains(title, "51沪牌");
  if (page51) c_.clock.DeliverEndTime(TimeOfDay{11, 30, 0}, "11:30:00");
  const bool offSchedule = c_.clock.m_auctionStartSec != 37800;
  const char* note = nullptr;
  if (page51 && offSchedule)
    note = "51纠正拍牌起止时间";
  else if (Contains(title, "拍牌系统") && offSchedule)
    note = "拍牌系统纠正拍牌起止时间";
  if (note) {
    log(note);
    c_.clock.UseStandardSchedule();
  }
  return t;
}

bool PageLocator::trackOrigin(bool browserMoved) {
  const auto table = c_.table.snapshot();
  const bool real = c_.in.m_realMode == 1;
  // The preferred anchor first; the other only when it is not found.
  const bool jjFirst = c_.page.g_preferJjAnchor == 1;
  bool found201 = false, foundJJ = false;
  if (jjFirst) {
    foundJJ = trackAnchorJJ();
    if (!foundJJ) found201 = trackAnchor201();
  } else {
    found201 = trackAnchor201();
    if (!found201) foundJJ = trackAnchorJJ();
  }
  Point a{}, o{};
  if (found201) {
    a = c_.page.g_anchor201Pos.load() + (real ? c_.page.g_anchor201Adjust.load() : Point{});
    const ElementRect& row = table->rect(RectRow::net_rec_dd201);
    o = {row.x, row.y};
  } else if (foundJJ) {
    a = c_.page.g_anchorJJPos.load() + (real ? c_.page.g_anchorJjAdjust.load() : Point{});
    const ElementRect& row = table->rect(RectRow::net_rec_ddjj);
    o = {row.x, real ? row.y + 4 : row.y};
  }

  // The markers are searched around the origin as it was before this tick.
  const Point origin = c_.page.g_pageOrigin.load();
  PageState& p = c_.page;
  trackMarker("908", origin, origin + Point{130, 460}, kMarkerColoursP, p.g_mqzdPos,
              "Mqzd位置信息变化,当前是:%d,%d");
  trackMarker("915", origin + Point{0, 200}, origin + Point{400, 460}, kMarkerColoursP,
              p.g_qujianPos, "区间位置信息变化,当前是:%d,%d");
  trackMarker("909", origin + Point{0, 350}, origin + Point{400, 550}, kMarkerColoursQ, p.g_zhiPos,
              "至位置信息变化,当前是:%d,%d");
  trackMarker("920", origin + Point{0, 250}, origin + Point{400, 550}, kMarkerColoursP,
              p.g_nowTimePos, "目前时间位置信息变化,当前是:%d,%d");

  const Point t = practiceShift();
  if (found201 || foundJJ) {
    moveOrigin(a - o + t, browserMoved);
    p.m_pageLocatedInRun = 1;
  } else if (browserMoved) {
    const Point moved = p.g_browserPos.load() + p.g_originInBrowser.load();
    p.g_pageOrigin = moved;
    const Point inBrowser = p.g_originInBrowser.load();
    char text[300];
    std::snprintf(
        text, sizeof text,
        "浏览器移动但是没识别到DD,使用浏览器相对位置,主窗口当前是:%d,%d.浏览器相对位置:%d,%d",
        moved.x, moved.y, inBrowser.x, inBrowser.y);
    log(text);
  }
  return found201 || foundJJ;
}

void PageLocator::moveOrigin(Point candidate, bool browserMoved) {
  PageState& p = c_.page;
  const Point b = p.g_browserPos.load();
  // A candidate at or above / left of the browser's corner is a false match.
  if (candidate.x <= b.x || candidate.y <= b.y || candidate == p.g_pageOrigin.load()) return;
  Rect r;
  if (c_.desktop.windowRect(c_.in.m_auctionWnd.load(), r)) {
    const Point again{r.left >= 1 ? r.left : b.x, r.top >= 1 ? r.top : b.y};
    if (!(again == b)) {
      p.g_browserPos = again;
      log(Format("DD变化,浏览器位置信息变化,当前是:%d,%d", again.x, again.y));
    }
  }
  const Point browser = p.g_browserPos.load();
  p.g_pageOrigin = candidate;
  p.g_originInBrowser = candidate - browser;
  const Point inBrowser = candidate - browser;
  char text[300];
  std::snprintf(text, sizeof text,
                "主窗口位置信息变化,当前是:%d,%d.浏览器:%d,%d, 浏览器相对主窗口位置:%d,%d",
                candidate.x, candidate.y, browser.x, browser.y, inBrowser.x, inBrowser.y);
  log(text);
  if (p.m_pageActivated == 0) {
    // The first time the page is found it gets the keyboard focus, by a click into its body.
    c_.time.sleepMs(300);
    const ElementPoint focus = c_.table.point(ClickPoint::pagefocus);
    ClickAt(c_, candidate.x + focus.x, candidate.y + focus.y - 60);
    c_.time.sleepMs(100);
    ResetZoom();
    p.m_pageActivated = 1;
  }
  if (!browserMoved) ResetZoom();
}

void PageLocator::refreshCaptcha() {
  PageState& p = c_.page;
  if (p.g_captchaState != 1 || !c_.net.featureSwitchIs(9, '1')) return;
  const ElementRow row = c_.table.row(RectRow::net_rec_priceshuabutton);
  const Point origin = p.g_pageOrigin.load();
  const auto at = FindOnScreen(c_, RowOnScreen(origin, row.rect), "303", row.colours);
  if (!at) return;
  const int remain = c_.clock.m_remainSec;
  const int last = p.m_captchaRefreshSec, count = p.m_captchaRefreshCount;
  if (!(3 < remain && remain < 150 && count < 3 && (last == 0 || last > remain + 2))) return;
  char text[200];
  std::snprintf(text, sizeof text,
                "***找到刷新验证码按钮,第%d重新刷新验证码,上次刷新是剩余:%d秒***", count + 1, last);
  logStatus(text);
  p.m_captchaRefreshCount = count + 1;
  p.m_captchaRefreshSec = remain;
  ClickAt(c_, at->x, at->y);
  c_.time.sleepMs(20);
  const ElementPoint edit = c_.table.point(ClickPoint::priceedit);
  ClickAt(c_, origin.x + edit.x, origin.y + edit.y);
  c_.desktop.setCursorPos({at->x, at->y - 60});
}

int PageLocator::DetectCaptchaBox() {
  if (c_.net.featureSwitchIs(0, '0')) return 1;
  if (c_.in.m_auctionWnd.load() == 0) return 0;
  const auto table = c_.table.snapshot();
  const Point origin = c_.page.g_pageOrigin.load();
  if (c_.net.featureSwitchIs(7, '1')) {
    const ElementRow row = table->row(RectRow::net_rec_priceconfirmrec2);
    if (FindOnScreen(c_, RowOnScreen(origin, row.rect), "302", row.colours)) {
      log("***找到302***");
      return 1;
    }
  }
  if (ElementShowsWord(c_, RectRow::net_rec_priceconfirmbutton, "901") == 1) {
    log("***找到901***");
    return 1;
  }
  const ElementRow box904 = table->row(FixedRow::priceconfirm904_rec);
  if (FindOnScreen(c_, RowOnScreen(origin, box904.rect), "904", "0.0.0-0.0.0")) {
    log("***找到904***");
    return 1;
  }
  return 0;
}

// A button found inside its row is stored (and logged when it moved); one found outside the
// row clears the position. `outsideFound` is what a match outside the row counts as.
bool PageLocator::locateButton(RectRow area, RectRow colours, const char* word, AtomicPoint& pos,
                               const char* label, bool outsideFound) {
  const auto table = c_.table.snapshot();
  const Point origin = c_.page.g_pageOrigin.load();
  const ElementRect r = table->rect(area);
  const auto at = FindOnScreen(c_, RowOnScreen(origin, r), word, table->colours(colours));
  if (!at) return false;
  if (!StrictlyInside(*at, origin, r)) {
    pos = Point{};
    return outsideFound;
  }
  if (!(*at == pos.load())) {
    pos = *at;
    log(Format(label, at->x, at->y));
  }
  return true;
}

int PageLocator::LocateCaptchaOk() {
  return locateButton(RectRow::net_rec_find_priceconfirmbutton, RectRow::net_rec_priceconfirmbutton,
                      "901", c_.page.m_captchaOkPos, "验证码确定按钮,当前坐标是:%d,%d", true)
             ? 1
             : 0;
}

int PageLocator::LocateCaptchaCancel() {
  return locateButton(RectRow::net_rec_find_pricecancelbutton,
                      RectRow::net_rec_find_pricecancelbutton, "911", c_.page.m_captchaCancelPos,
                      "验证码取消按钮,当前坐标是:%d,%d", false)
             ? 1
             : 0;
}

int PageLocator::LocateInfoOk() {
  const auto table = c_.table.snapshot();
  const Point origin = c_.page.g_pageOrigin.load();
  const ElementRect r = table->rect(RectRow::net_rec_errorinfo_confirmbutton);
  const auto at = FindOnScreen(c_, RowOnScreen(origin, r), "901",
                               table->colours(RectRow::net_rec_priceconfirmbutton));
  if (!at) return 0;
  const Point ok{at->x + 50, at->y + 4};
  c_.page.m_infoOkPos = ok;
  if (!StrictlyInside(ok, origin, r)) return 0;
  log(Format("信息提示确定按钮,当前坐标是:%d,%d", at->x, at->y));
  return 1;
}

int PageLocator::LocateBidCountMarker() {
  const ElementRow row = c_.table.row(RectRow::net_rec_bidtimesrec);
  const Point b = c_.page.g_pageOrigin.load() + Point{row.rect.x, row.rect.y};
  const Rect area{b.x - 100, b.y - 100, b.x + 100, b.y + 100};
  const struct {
    const char* word;
    const char* label;
  } markers[] = {{"501", "第一次成功出价Ndd位置信息变化,当前是:%d,%d"},
                 {"502", "第二次成功出价Ndd位置信息变化,当前是:%d,%d"}};
  for (int i = 0; i < 2; ++i) {
    const auto at = FindOnScreen(c_, area, markers[i].word, row.colours, true);
    if (!at) continue;
    if (!(*at == c_.page.g_nddPos.load())) {
      c_.page.g_nddPos = *at;
      log(Format(markers[i].label, at->x, at->y));
    }
    return i + 1;
  }
  return 0;
}

// A box seen again this soon after a look that missed it, or with no holding look between (the
// browser was being dragged), is the same box: it keeps the time it first showed, and the keys
// typed for it.
constexpr int64_t kSameBoxWithinMs = 1000;

void PageLocator::captchaBoxShown() {
  PageState& p = c_.page;
  if (p.g_captchaState == 0) {
    const int64_t now = c_.time.utcNowMs();
    const int64_t gone = p.m_captchaGoneMs;
    const bool sameBox = p.m_captchaShownMs != 0 && (gone == 0 || now - gone < kSameBoxWithinMs);
    if (!sameBox) {
      p.m_captchaRefreshSec = 0;
      p.m_captchaRefreshCount = 0;
      p.m_keyCountAtBox = c_.in.g_keyCount.load();
      p.m_captchaShownMs = now;
      logStatus("第一次验证码框在最前");
    }
  }
  p.m_captchaGoneMs = 0;
  p.g_captchaState = 1;
  LocateCaptchaOk();
  c_.time.sleepMs(10);
  LocateCaptchaCancel();
}

// The box is not (or no longer) up. The tracker only says since when; the engine decides what
// that means for its state.
void PageLocator::noCaptchaBox(bool lookHolds) {
  c_.page.g_captchaState = 0;
  if (lookHolds && c_.page.m_captchaShownMs != 0)
    c_.page.m_captchaGoneMs.compareExchange(0, c_.time.utcNowMs());
  const bool seen = ElementShowsWord(c_, RectRow::net_rec_bidstatus, "903") == 1 ||
                    ElementShowsWord(c_, RectRow::net_rec_bidbutton, "902") == 1;
  c_.page.g_bidButtonSeen = seen ? 1 : 0;
}

void PageLocator::infoWindow() {
  const auto shown = [this] {
    return ElementShowsWord(c_, RectRow::net_rec_errorinfo_confirmbutton, "901") == 1;
  };
  if (!shown()) return;
  logStatus("***找到信息提示窗口***");
  const Point origin = c_.page.g_pageOrigin.load();
  const ElementPoint ok = c_.table.point(ClickPoint::errorinfobutton);
  const Point button{origin.x + ok.x, origin.y + ok.y};
  ClickAt(c_, button.x, button.y);
  c_.time.sleepMs(100);
  if (shown()) {
    if (LocateInfoOk() == 1) {
      logStatus("***还是找到信息提示窗口,寻找处理***");
      const Point at = c_.page.m_infoOkPos.load();
      ClickAt(c_, at.x, at.y);
    }
    c_.time.sleepMs(100);
    if (shown()) {
      logStatus("***还是找到信息提示窗口，+-20处理***");
      for (int dy : {-30, -60, 20}) ClickAt(c_, button.x, button.y + dy);
    }
  }
  c_.time.sleepMs(200);
  if (c_.in.detectBidOutcome) c_.in.detectBidOutcome();
  // Published for the engine, which starts over on its next step.
  c_.page.m_infoWindowSec = c_.clock.m_remainSec.load();
  ++c_.page.m_infoWindowCount;
  logStatus("***MWP初始化***");
}

}  // namespace tavik
