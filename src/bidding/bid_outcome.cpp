#include "bidding/bid_outcome.h"

#include <cstdio>

#include "bidding/page_actions.h"
#include "page/page_readers.h"
#include "page/page_reads.h"

namespace tavik {

namespace {

// Timer 9 started by the first success requests the result upload this much later.
constexpr int kFirstSuccessUploadDelayMs = 25'000;
// A second bid found already made takes the price read back when it is a plausible price and
// no price above this is recorded yet.
constexpr int32_t kRecordedPriceFloor = 70000;
constexpr int32_t kReadBackLow = 70001;
constexpr int32_t kReadBackHigh = 149999;
// Read-back texts at least this long are not the cell's.
constexpr size_t kPriceTextLimit = 7;
constexpr size_t kTimeTextLimit = 60;
// The cells relative to the bid-count marker, for a page whose cells are not where the table
// puts them.
constexpr Point kPriceFromMarker{62, 17};
constexpr Point kTimeFromMarker{136, 33};

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[256];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

bool Contains(const std::string& text, const char* word) {
  return text.find(word) != std::string::npos;
}

bool Known(Point p) {
  return p.x != 0 && p.y != 0;
}

}  // namespace

void BidOutcome::DetectBidOutcome() {
  if (c_.page.in.m_auctionWnd.load() == 0) return;
  int marker = 0;
  if (c_.page.net.featureSwitchIs(3, '1')) marker = c_.locator.LocateBidCountMarker();
  const int32_t phase = c_.bid.m_bidPhase;
  if (marker > 0 && marker != phase) log("@@@@@@@@@范围检测出价次数成功@@@@@@@@@@");
  const std::string text = readIndicator();
  // The marker search stands in for the text for the first two bids only.
  if (phase < 1 && (marker == 1 || Contains(text, "501"))) {
    firstSuccess();
  } else if (phase < 2 && (marker == 2 || Contains(text, "502"))) {
    secondSuccess();
  } else if (phase < 3 && Contains(text, "503")) {
    thirdSuccess();
  }
}

// The whole text of the bid-count row of the real or practice page; "aaa" (matching nothing)
// when nothing is read.
std::string BidOutcome::readIndicator() const {
  const ElementRow row = c_.in.m_realMode == 1 ? c_.page.table.row(RectRow::net_rec_bidtimesrec)
                                               : c_.page.table.row(FixedRow::bidtimesrec_practice);
  const Rect r = RowOnScreen(c_.page.page.g_pageOrigin.load(), row.rect);
  const std::string text =
      ReadTextInRect(c_.page, r.left, r.top, r.right, r.bottom, row.colours, kReadWhole);
  return text.empty() ? "aaa" : text;
}

void BidOutcome::firstSuccess() {
  log("@@@@@@@@@进入,检测到第1次出价成功@@@@@@@@@@");
  ReadBidBack();
  if (c_.in.armResultUpload) c_.in.armResultUpload(kFirstSuccessUploadDelayMs);
  // The first bid's price is not the one the later rules compare with.
  c_.bid.m_submittedPrice = 0;
  logStatus("***第1次出价成功***");
  c_.bid.RaisePhase(BidPhase::SecondBid);
}

void BidOutcome::secondSuccess() {
  log("@@@@@@@@@进入,,检测到第2次出价成功@@@@@@@@@@");
  if (c_.bid.m_bidPhase.compareExchange(1, 2)) {
    c_.bid.m_submittedPrice = c_.bid.m_myPrice;
    c_.bid.m_submittedSec = remain();
    ResetSystemState(c_);
    logStatus("***第2次出价成功***");
  }
  const int32_t price = ReadBidBack();
  const int32_t state = c_.bid.m_systemState;
  // A second bid made before this run saw the first (by hand, or before Start) has no price of
  // ours: take the page's. Not while our confirmation is still being processed (state 6).
  if (state != 6 && c_.bid.m_submittedPrice < kRecordedPriceFloor && kReadBackLow <= price &&
      price <= kReadBackHigh) {
    c_.bid.m_submittedPrice = price;
    c_.bid.m_submittedSec = remain();
  }
  if (state == 0) c_.bid.RaisePhase(BidPhase::ThirdBid);
}

void BidOutcome::thirdSuccess() {
  log("@@@@@@@@@进入,,检测到第3次出价成功@@@@@@@@@@");
  if (c_.bid.m_bidPhase == 2) logStatus("***第3次出价成功***");
  c_.bid.RaisePhase(BidPhase::Done);
  c_.bid.m_systemState = 7;
  ReadBidBack();
}

int32_t BidOutcome::ReadBidBack() {
  using enum FixedRow;
  const bool first = c_.page.page.m_auctionStage == 1;
  const bool real = c_.in.m_realMode == 1;
  const FixedRow priceRow =
      real ? (first ? readback_price_first : readback_price_second)
           : (first ? readback_price_first_practice : readback_price_second_practice);
  const FixedRow timeRow =
      real ? (first ? readback_time_first : readback_time_second)
           : (first ? readback_time_first_practice : readback_time_second_practice);
  const auto table = c_.page.table.snapshot();
  const Point origin = c_.page.page.g_pageOrigin.load();
  const Point ndd = c_.page.page.g_nddPos.load();
  const int32_t price = readPrice(table->row(priceRow), origin, ndd);
  const std::string time = readTime(table->row(timeRow), origin, ndd);
  const std::string record = Format("%d,%d,%s", int(c_.bid.m_bidPhase), int(price), time.c_str());
  net_.RecordBidResult(record);
  logStatus(record);
  return price;
}

// The price cell's first word when it holds a price on the 100-yuan step; when the cell reads
// nothing, the same cell measured from the bid-count marker.
int32_t BidOutcome::readPrice(const ElementRow& cell, Point origin, Point ndd) {
  const Rect r = RowOnScreen(origin, cell.rect);
  const std::string text =
      ReadTextInRect(c_.page, r.left, r.top, r.right, r.bottom, cell.colours, kReadFirstWord);
  if (!text.empty()) {
    if (text.size() >= kPriceTextLimit) return 0;
    const int32_t value = LeadingNumber(text);
    return value % 100 == 0 ? value : 0;
  }
  if (!Known(ndd)) return 0;
  const int x = ndd.x + kPriceFromMarker.x, y = ndd.y + kPriceFromMarker.y;
  const std::string alt =
      ReadTextInRect(c_.page, x, y, x + cell.rect.w, y + cell.rect.h, cell.colours, kReadFirstWord);
  if (alt.empty() || alt.size() >= kPriceTextLimit) return 0;
  const int32_t value = LeadingNumber(alt);
  if (value % 100 != 0) return 0;
  logStatus(Format("Ndd读出出价:%d", int(value)));
  return value;
}

std::string BidOutcome::readTime(const ElementRow& cell, Point origin, Point ndd) {
  const Rect r = RowOnScreen(origin, cell.rect);
  const std::string text =
      ReadTextInRect(c_.page, r.left, r.top, r.right, r.bottom, cell.colours, kReadWhole);
  if (!text.empty()) return text.size() < kTimeTextLimit ? text : std::string();
  if (!Known(ndd)) return {};
  const int x = ndd.x + kTimeFromMarker.x, y = ndd.y + kTimeFromMarker.y;
  const std::string alt =
      ReadTextInRect(c_.page, x, y, x + cell.rect.w + 1, y + cell.rect.h, cell.colours, kReadWhole);
  if (alt.empty() || alt.size() >= kTimeTextLimit) return {};
  logStatus(Format("Ndd读出出价时间:%s", alt.c_str()));
  return alt;
}

int32_t BidOutcome::remain() const {
  return c_.page.clock.m_remainSec;
}

}  // namespace tavik
