#include "app/page_view.h"

#include "page/page_locator.h"

namespace tavik {

namespace {

Rect OnScreen(Point origin, const ElementRect& r) {
  return {origin.x + r.x, origin.y + r.y, origin.x + r.x + r.w, origin.y + r.y + r.h};
}

// Which anchor put the origin where it is.
std::string OriginFrom(const SeenPageSources& s, const ElementTable& t, Point origin) {
  if (origin == Point{}) return "";
  const bool real = s.realMode == 1;
  const Point shift = PracticeAnchorShift(s.pageTitle.get(), real);
  const auto from = [&](const AtomicPoint& anchor, RectRow row, int dy) {
    const Point a = anchor.load();
    const ElementRect& r = t.rect(row);
    return !(a == Point{}) && origin == Point{a.x - r.x + shift.x, a.y - r.y - dy + shift.y};
  };
  if (from(s.page.g_anchor201Pos, RectRow::net_rec_dd201, 0)) return "dd_201";
  if (from(s.page.g_anchorJJPos, RectRow::net_rec_ddjj, real ? 4 : 0)) return "dd_jj";
  return "the window's place";
}

// An anchor where it was last found; none before it was (the header says where the origin came
// from).
void AddAnchor(SeenPage& seen, const char* name, Point at) {
  if (at == Point{}) return;
  seen.boxes.push_back({name, {at.x, at.y, at.x + 24, at.y + 10}, "found", true, false});
}

}  // namespace

SeenPage TakeSeenPage(const SeenPageSources& s) {
  SeenPage seen;
  seen.tickMs = s.time.tickCountMs();
  const WindowId w = s.auctionWnd.load();
  Rect r;
  seen.windowFound = w != 0 && s.desktop.windowRect(w, r) && s.desktop.captureScreen(r, seen.image);
  seen.imageAt = {r.left, r.top};
  const auto table = s.table.snapshot();
  const Point o = s.page.g_pageOrigin.load();
  seen.origin = o;
  seen.originFrom = OriginFrom(s, *table, o);
  const PageState& p = s.page;
  const int stage = p.m_auctionStage;
  const int price = p.m_lowestPrice;
  const std::string clock = s.clock.m_clockText.get();
  const bool clockRead = clock.size() == 8 && clock[2] == ':';
  const std::string end = s.clock.m_endTimeText.get();
  const int remain = s.clock.m_remainSec;
  const auto box = [&](const ElementRect& rect, std::string label, std::string value, bool read) {
    seen.boxes.push_back({std::move(label), OnScreen(o, rect), std::move(value), read, false});
  };
  const auto priceText = [&] { return price > 0 ? std::to_string(price) : "no price"; };

  for (size_t i = 0; i < kRectRowCount; ++i) {
    const auto row = static_cast<RectRow>(i);
    const ElementRect& rect = table->rect(row);
    if (rect.w == 0 && rect.h == 0) continue;  // the anchors: drawn where they were found
    std::string label(RowLabel(row)), value;
    bool read = false;
    switch (row) {
      case RectRow::net_rec_nowprice:
        if (stage == 1) break;
        value = priceText();
        read = price > 0;
        break;
      case RectRow::net_rec_priceconfirmbutton:
        read = p.g_captchaState == 1;
        value = read ? "captcha box" : "no captcha box";
        break;
      case RectRow::net_rec_bidbutton:
        read = p.g_bidButtonSeen == 1;
        value = read ? "bid button" : "no bid button";
        break;
      case RectRow::net_rec_errorinfo_confirmbutton:
        read = p.m_infoWindowSec > 0;
        value = read ? "information window at " + std::to_string(int(p.m_infoWindowSec)) + " s"
                     : "no information window";
        break;
      case RectRow::net_rec_bidtimesrec:
        if (s.realMode != 1) break;
        read = !(p.g_nddPos.load() == Point{});
        value = read ? "bid-count marker" : "no bid-count marker";
        break;
      default:
        break;
    }
    box(rect, std::move(label), std::move(value), read);
  }
  using enum FixedRow;
  const bool second = stage != 1;
  // Several cells read one value: the last cell carries the label (drawn to its right), so that
  // the label covers none of them.
  const std::string clockValue =
      clockRead ? clock + ", " + std::to_string(remain) + " s left" : "no clock";
  box(table->row(second ? clock_second_hours : clock_first_hours).rect, "", clockValue, clockRead);
  box(table->row(second ? clock_second_minutes : clock_first_minutes).rect, "", clockValue,
      clockRead);
  box(table->row(second ? clock_second_seconds : clock_first_seconds).rect, "clock", clockValue,
      clockRead);
  const std::string endValue = end.size() == 8 ? end : "no end time";
  box(table->row(endtime_hours).rect, "", endValue, end.size() == 8);
  box(table->row(endtime_minutes).rect, "end time", endValue, end.size() == 8);
  if (stage == 1) box(table->row(nowprice1).rect, "nowprice1", priceText(), price > 0);
  box(table->row(halfmark_rec).rect, "halfmark_rec", stage == 2 ? "second half" : "not read",
      stage == 2);
  if (s.realMode != 1) {
    const bool marker = !(p.g_nddPos.load() == Point{});
    box(table->row(bidtimesrec_practice).rect, "bidtimesrec_practice",
        marker ? "bid-count marker" : "no bid-count marker", marker);
  }
  box(table->row(priceconfirm904_rec).rect, "priceconfirm904_rec", "", false);
  AddAnchor(seen, "dd_201", p.g_anchor201Pos.load());
  AddAnchor(seen, "dd_jj", p.g_anchorJJPos.load());
  for (size_t i = 0; i < kClickPointCount; ++i) {
    const auto point = static_cast<ClickPoint>(i);
    const ElementPoint at = table->point(point);
    seen.boxes.push_back({std::string(PointName(point)),
                          {o.x + at.x, o.y + at.y, o.x + at.x, o.y + at.y},
                          "",
                          false,
                          true});
  }
  return seen;
}

std::string SeenHeader(const SeenPage& seen) {
  std::string header;
  if (!seen.windowFound)
    header = "未找到拍卖窗口 (no auction window)";
  else if (seen.originFrom.empty())
    header = "未找到页面 (no page: no anchor found)";
  else
    header = "origin " + std::to_string(seen.origin.x) + "," + std::to_string(seen.origin.y) +
             " from " + seen.originFrom;
  return header + "   tick " + std::to_string(seen.tickMs) + " ms";
}

std::string SeenLabel(const SeenBox& box) {
  if (box.point || box.value.empty() || box.label.empty()) return "";
  return box.label + ": " + box.value;
}

uint32_t SeenColour(const SeenBox& box) {
  if (box.value.empty()) return kSeenPlaceColour;
  return box.read ? kSeenReadColour : kSeenUnreadColour;
}

SeenPageFeed::SeenPageFeed(const SeenPageSources& sources) : sources_(sources) {}

void SeenPageFeed::start() {
  thread_.start();
  thread_.request();
}

std::shared_ptr<const SeenPage> SeenPageFeed::latest() const {
  std::lock_guard lock(mutex_);
  return latest_;
}

void SeenPageFeed::takeOne() {
  auto seen = std::make_shared<const SeenPage>(TakeSeenPage(sources_));
  std::lock_guard lock(mutex_);
  latest_ = std::move(seen);
}

}  // namespace tavik
