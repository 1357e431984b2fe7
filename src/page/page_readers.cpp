#include "page/page_readers.h"

#include <cctype>
#include <cstdio>

#include "page/element_table.h"
#include "page/page_reads.h"

namespace tavik {

namespace {

constexpr int kPriceCountLimit = 1000;
constexpr int kTimeHitsLimit = 5000;

bool DigitsAt(const std::string& text, std::initializer_list<size_t> positions) {
  for (size_t i : positions) {
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

// Seconds of the day of "hh:mm" at the start of a schedule text.
int ScheduleSeconds(const std::string& text) {
  if (text.size() < 5) return 0;
  return (LeadingNumber(text.substr(0, 2)) * 60 + LeadingNumber(text.substr(3, 2))) * 60;
}

bool In(int v, int low, int high) {
  return low <= v && v <= high;
}

}  // namespace

int LeadingNumber(const std::string& text) {
  long long v = 0;
  for (char ch : text) {
    if (!std::isdigit(static_cast<unsigned char>(ch))) break;
    v = v * 10 + (ch - '0');
    if (v > 2'000'000'000) return 2'000'000'000;  // far beyond any price or time
  }
  return int(v);
}

bool PageReaders::pageReadable() const {
  const Point origin = c_.page.g_pageOrigin.load();
  return c_.in.m_clientFound == 1 && c_.in.m_auctionWnd.load() != 0 && origin.x >= 0 &&
         origin.y >= 0;
}

std::string PageReaders::readCell(Point at, int w, int h, const std::string& colours) const {
  return ReadTextInRect(c_, at.x, at.y, at.x + w, at.y + h, colours, kReadFirstWord);
}

void PageReaders::ReadAuctionStage() {
  PageState& p = c_.page;
  if (p.m_auctionStage != 2) {
    const bool window = c_.in.m_auctionWnd.load() != 0;
    if (c_.in.m_clientFound == 1 && window) {
      const Point origin = p.g_pageOrigin.load();
      const ElementRect half = c_.table.row(FixedRow::halfmark_rec).rect;
      const Rect r = RowOnScreen(origin, half);
      const std::string words =
          c_.screen.OcrWords(r.left, r.top, r.right, r.bottom, kReaderRed, 1.0);
      if (In(LeadingNumber(c_.screen.WordOfResult(words, 0)), 4001, 14999)) p.m_auctionStage = 2;
    }
    if (p.m_auctionStage != 2 && window) {
      const int remain = c_.clock.m_remainSec;
      const bool lastPart = c_.in.m_realMode == 1
                                ? (1 < remain && remain <= 1802)
                                : (c_.in.m_realMode == 0 && 1 < remain && remain <= 122);
      p.m_auctionStage =
          lastPart || ElementShowsWord(c_, RectRow::net_rec_bidbutton, "902") == 1 ? 2 : 1;
    }
  }
  // The second half: the bidding engine begins it (the second bid due) on its next step.
  if (p.m_auctionStage == 2) return;
  const int netMode = c_.net.m_netMode;
  if (c_.in.m_compatMode != 0 && (netMode == 2 || netMode == 3)) {
    const int now = c_.time.localTime().secondsOfDay();
    const int start = ScheduleSeconds(c_.clock.m_auctionStartText.get());
    const int half = ScheduleSeconds(c_.clock.m_auctionHalfText.get());
    const int end = ScheduleSeconds(c_.clock.m_auctionEndText.get());
    p.m_auctionStage = start < now && now < half ? 1 : half < now && now < end ? 2 : 0;
  }
}

int PageReaders::ReadEndTime() {
  ClockState& clock = c_.clock;
  const std::string known = clock.m_endTimeText.get();
  if (known.size() == 8) return 1;
  if (c_.in.m_realMode == 1) {
    const std::string end = clock.m_auctionEndText.get();
    int h = 0, m = 0, s = 0;
    if (std::sscanf(end.c_str(), "%d:%d:%d", &h, &m, &s) >= 2)
      clock.DeliverEndTime(TimeOfDay{h, m, 0}, end);
    else
      clock.DeliverEndTime(clock.m_endTime.load(), end);
    return 1;
  }
  if (!pageReadable() || c_.page.m_auctionStage == 0) return 0;
  if (known.size() >= 8) return -1;
  const auto table = c_.table.snapshot();
  const Point origin = c_.page.g_pageOrigin.load();
  const auto cell = [&](FixedRow row) {
    const ElementRect r = table->row(row).rect;
    return readCell({origin.x + r.x, origin.y + r.y}, r.w, r.h, kEndTimeColours);
  };
  const std::string hours = cell(FixedRow::endtime_hours);
  if (hours.size() != 2 || LeadingNumber(hours) > 23) return -1;
  const std::string minutes = cell(FixedRow::endtime_minutes);
  if (minutes.size() != 2 || LeadingNumber(minutes) > 59) return -1;
  const std::string text = hours + ":" + minutes + ":00";
  if (text.size() != 8 || !DigitsAt(text, {0, 1, 3, 4})) return -1;
  int hour = LeadingNumber(hours);
  const int minute = LeadingNumber(minutes);
  // A practice end time earlier in the hour than the clock belongs to the next hour.
  if (minute < clock.m_curTime.load().minute) hour += 1;
  char shown[32];
  std::snprintf(shown, sizeof shown, "%02d:%02d:00", hour, minute);
  clock.DeliverEndTime(TimeOfDay{hour, minute, 0}, shown);
  return 1;
}

// Reads the three clock cells at the given places into `text`. Strict (the origin-relative
// read): every cell must hold two characters in range, else -1. Lenient (the marker-relative
// read): an hours cell of two characters starts the text, a minutes or seconds cell of two
// characters adds ":" and, when in range, itself; anything else leaves the text short. A value
// is taken when in range. 0 when the auction window vanished between the reads.
int PageReaders::readClockFrom(Point hours, Point minutes, Point seconds, const ElementRect& cell,
                               bool strict, int& hour, int& minute, int& second,
                               std::string& text) const {
  text.clear();
  const Point at[3] = {hours, minutes, seconds};
  const int limit[3] = {23, 59, 59};
  int* value[3] = {&hour, &minute, &second};
  for (int i = 0; i < 3; ++i) {
    const std::string part = readCell(at[i], cell.w, cell.h, kReaderRed);
    if (c_.in.m_auctionWnd.load() == 0) return 0;
    const bool inRange = part.size() == 2 && LeadingNumber(part) <= limit[i];
    if (strict && !inRange) return -1;
    if (part.size() != 2) continue;
    if (i > 0) text += ":";
    if (i == 0 || inRange) text += part;
    if (inRange) *value[i] = LeadingNumber(part);
  }
  return 1;
}

int PageReaders::ReadPageTime(int& hour, int& minute, int& second, std::string& text) {
  PageState& p = c_.page;
  if (!pageReadable() || p.m_auctionStage == 0) return 0;
  if (c_.in.m_realMode == 0) p.m_auctionStage = 2;
  const int stage = p.m_auctionStage;
  const auto table = c_.table.snapshot();
  const bool first = stage == 1;
  const ElementRect h =
      table->row(first ? FixedRow::clock_first_hours : FixedRow::clock_second_hours).rect;
  const ElementRect m =
      table->row(first ? FixedRow::clock_first_minutes : FixedRow::clock_second_minutes).rect;
  const ElementRect s =
      table->row(first ? FixedRow::clock_first_seconds : FixedRow::clock_second_seconds).rect;

  // From the clock's marker first, then at the page origin.
  const Point t = p.g_nowTimePos.load();
  int read = readClockFrom({t.x + 61, t.y}, {t.x + 85, t.y}, {t.x + 109, t.y}, h, false, hour,
                           minute, second, text);
  if (read == 0) return 0;
  if (text.size() != 8) {
    const Point o = p.g_pageOrigin.load();
    read = readClockFrom({o.x + h.x, o.y + h.y}, {o.x + m.x, o.y + m.y}, {o.x + s.x, o.y + s.y}, h,
                         true, hour, minute, second, text);
    if (read != 1) return read;
  }
  if (text.find('.') != std::string::npos || text.size() != 8 ||
      !DigitsAt(text, {0, 1, 3, 4, 6, 7}))
    return -1;

  const int64_t at = ((int64_t(hour) * 60 + minute) * 60 + second) * 1000;
  const int64_t start = int64_t(c_.clock.m_auctionStartSec) * 1000;
  const int64_t end = int64_t(c_.clock.m_auctionEndSec) * 1000;
  if (!(start < at && at < end + 10)) return -1;
  AtomicInt& hits = stage == 2 ? c_.netTime.m_pageTimeHits2 : c_.netTime.m_pageTimeHits1;
  if (hits < kTimeHitsLimit) ++hits;
  return 1;
}

// One way of reading the second-half price: where, how the value is corrected, which values
// may raise the price and which count as valid readings, and the log line of a raise.
struct PageReaders::PriceMethod {
  Rect area;
  bool direct;  // OcrText of the area, without the screen-bounds test
  int correction;
  int raiseLow, raiseHigh;
  int countLow, countHigh;
  const char* logLine;  // null: none
  bool markEveryText;   // marks the second for any text, before the multiple-of-100 test
};

void PageReaders::markPriceRead(int remain) {
  if (1 <= remain && remain <= 60) c_.page.m_priceReadMarks[size_t(remain)] = 1;
}

// The lowest price only ever rises; a higher price another thread stored meanwhile is kept.
bool PageReaders::raisePrice(int price) {
  return c_.page.m_lowestPrice.RaiseFromRead(price);
}

// True when the method raised the price.
bool PageReaders::readPrice(const PriceMethod& m, const std::string& colours, int remain) {
  const Rect& a = m.area;
  const std::string text =
      m.direct ? c_.screen.OcrText(a.left, a.top, a.right, a.bottom, colours, 1.0)
               : ReadTextInRect(c_, a.left, a.top, a.right, a.bottom, colours, kReadFirstWord);
  if (text.empty()) return false;
  if (m.markEveryText) markPriceRead(remain);
  const int price = LeadingNumber(text) + m.correction;
  if (price % 100 != 0) return false;
  if (!m.markEveryText) markPriceRead(remain);
  if (In(price, m.countLow, m.countHigh) && c_.page.m_pagePriceReads < kPriceCountLimit)
    ++c_.page.m_pagePriceReads;
  if (!In(price, m.raiseLow, m.raiseHigh) || !raisePrice(price)) return false;
  if (m.logLine) c_.log.LogStatus(m.logLine, true);
  return true;
}

int PageReaders::firstHalfPrice() {
  const Point origin = c_.page.g_pageOrigin.load();
  const Point adjust = c_.page.g_priceAreaAdjust.load();
  const ElementRect r = c_.table.row(FixedRow::nowprice1).rect;
  const std::string text =
      readCell({origin.x + r.x + adjust.x, origin.y + r.y + adjust.y}, r.w, r.h, kReaderRed);
  if (text.empty()) return -1;
  const int v = LeadingNumber(text);
  if (v % 100 != 0) return -1;
  return raisePrice(v) ? 1 : -1;
}

int PageReaders::ReadLowestPrice() {
  const int stage = c_.page.m_auctionStage;
  if (!pageReadable() || (stage != 1 && stage != 2)) return 0;
  if (stage == 1) return firstHalfPrice();

  const bool real = c_.in.m_realMode == 1;
  const ElementRow row = c_.table.row(RectRow::net_rec_nowprice);
  const int w = row.rect.w, h = row.rect.h;
  const Point o = c_.page.g_pageOrigin.load();
  const Point adj = c_.page.g_priceAreaAdjust.load();
  const Point q = c_.page.g_qujianPos.load();
  const Point mq = c_.page.g_mqzdPos.load();
  const Point z = c_.page.g_zhiPos.load();
  const int cellX = o.x + row.rect.x + adj.x, cellY = o.y + row.rect.y + adj.y;
  // Real pages only ever show prices from 80001 on; the practice pages' range and marker
  // figures may be lower.
  const int low = real ? 80001 : 10001;
  const int rangeHigh = real ? 249999 : 99999;
  const int zhiLow = real ? 80001 : 10001;
  // clang-format off
  const PriceMethod methods[] = {
      // where                                        direct corr  raise           count                        log on raise
      {{cellX, cellY, cellX + w, cellY + h},            false,   0, 80001, 249999, 80001, real ? 249999 : 149999, nullptr, false},
      {{q.x + 33, q.y, q.x + 33 + w, q.y + h},          false, 300, 80001, 249999, low, rangeHigh, "读qujian价格正确", false},
      {{q.x + 33, q.y, q.x + 38 + w, q.y + h},          true,  300, 80001, 249999, low, rangeHigh, "读qujian-ocr价格正确", false},
      {{mq.x + 117, mq.y, mq.x + 117 + w, mq.y + h},    false,   0, 80001, 249999, low, rangeHigh, "读mqzd价格正确", true},
      {{z.x + 13, z.y, z.x + 18 + w, z.y + h},          false, -300, zhiLow, 249999, zhiLow, 249999, real ? nullptr : "读zhi价格正确", false},
      {{z.x + 13, z.y, z.x + 18 + w, z.y + h},          true,  -300, zhiLow, 249999, zhiLow, 249999, real ? nullptr : "读zhi-ocr价格正确", false},
  };
  // clang-format on
  const int remain = c_.clock.m_remainSec;
  for (const PriceMethod& m : methods) {
    if (readPrice(m, row.colours, remain)) return 1;
  }
  return -1;
}

}  // namespace tavik
