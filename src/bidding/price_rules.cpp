#include "bidding/price_rules.h"
#include "core/fill_text.h"

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>

namespace tavik {
namespace {

constexpr int32_t kRealFloor = 88400;
constexpr int32_t kPracticeFloor = 80000;
constexpr int32_t kFloatingOption = 12;
constexpr size_t kFloatingSwitch = 5;

// A price held to the int32 range.
int32_t Clamp(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

void Log(Logger& log, std::string_view text) {
  log.LogStatus(text, true);
}

// Lowest price + the row's increment, topped up when the row says so.
int32_t SmartPrice(SmartRow row, const PriceInputs& in, Logger& log) {
  const int32_t topUp = row.topUp == 1 ? TopUpAmount(in.m_lowestPrice, in.m_warningPrice, log) : 0;
  return Clamp(int64_t{in.m_lowestPrice} + row.add + topUp);
}

// Lowest price + a fixed increment, topped up when `topUpFlag` is set.
int32_t AddPrice(int32_t add, int32_t topUpFlag, const PriceInputs& in, Logger& log) {
  const int32_t topUp = topUpFlag != 0 ? TopUpAmount(in.m_lowestPrice, in.m_warningPrice, log) : 0;
  return Clamp(int64_t{in.m_lowestPrice} + add + topUp);
}

// A bid entered well after its second (a retry after the page or the captcha box held it up) is
// repriced from the smart table, which follows the price of the moment.
bool LateSecondBid(int64_t bidSec, int64_t r) {
  return (r >= 80 && bidSec >= r + 1700) || (20 < r && r < 80 && bidSec >= r + 8) ||
         (r <= 20 && bidSec >= r + 3);
}

bool LateThirdBid(int64_t bidSec, int64_t r) {
  return (r > 20 && bidSec >= r + 8) || (r <= 20 && bidSec >= r + 3);
}

bool SwitchOn(const std::string& switches, size_t index) {
  return index < switches.size() && switches[index] == '1';
}

// Entry of a floating table (fast add or slow subtract) for the first smart row 1..6 whose
// seconds are at least `r`; 0 when none is, or when the entry lies outside 0..300.
int32_t FloatingRowValue(const Strategy& s, const int32_t (&table)[kJumpRows + 1], int32_t r) {
  for (int row = 1; row <= kJumpRows; ++row) {
    if (s.m_smartSec[row] >= r) return table[row] < 0 || table[row] > 300 ? 0 : table[row];
  }
  return 0;
}

std::string JumpChart(const PriceHistory& h, int64_t jump) {
  std::string text = "跳价图:[倒数32-15秒,跳价" + std::to_string(jump) + "],[32]";
  for (int s = 32; s >= 25; --s) text += (s == 32 ? "" : ",") + std::to_string(h.at(s));
  text += ",[24]";
  for (int s = 24; s >= 16; --s) text += (s == 24 ? "" : ",") + std::to_string(h.at(s));
  return text + ",[15]" + std::to_string(h.at(15));
}

int32_t NoMovementIncrement(const Strategy& s, int32_t r, BidKind kind) {
  switch (kind) {
    case BidKind::Second:
      return s.m_bid2Mode == 0 ? s.m_bid2AddPrice : LookupSmartRow(s, r).add;
    case BidKind::Third:
      return s.m_bid3Mode == 0 ? s.m_bid3AddPrice : LookupSmartRow(s, r).add;
    case BidKind::Remedy:
      break;
  }
  return s.m_remedyAdd;
}

std::string_view NoMovementLine(BidKind kind) {
  switch (kind) {
    case BidKind::Second:
      return "出价前50秒无价格变化，第2次加价出价";
    case BidKind::Third:
      return "出价前50秒无价格变化，第3次加价出价";
    case BidKind::Remedy:
      break;
  }
  return "出价前30秒无价格变化，补救加价出价";
}

std::string AbnormalLine(BidKind kind, int32_t price) {
  switch (kind) {
    case BidKind::Second:
      return Fill("第二次出价:%d", {price}) + "严重错误！！！第2次出价价格不正常,改成加价出价";
    case BidKind::Third:
      return "严重错误！！！第3次出价价格不正常,改成加价出价";
    case BidKind::Remedy:
      break;
  }
  return "严重错误！！！补救出价价格不正常,改成加价出价";
}

int32_t TopUp(int32_t price, int32_t warningPrice, Logger* log) {
  const int64_t d = int64_t{price} - warningPrice;
  if (d < 100 || d > 4999) return 0;
  const int64_t t = 200 - (d + 200) % 300;
  if (log) Log(*log, Fill("补档:当前价格:%d,警示价:%d,补价格:%d", {price, warningPrice, t}));
  return t == 100 || t == 200 ? static_cast<int32_t>(t) : 0;
}

}  // namespace

bool PriceMovedRecently(const PriceInputs& in, const PriceHistory& history, Logger& log) {
  const int32_t lowest = in.m_lowestPrice;
  const int64_t r = in.m_remainSec;
  if (lowest == 0) {
    log.LogStatus("价格0", false);
    return false;
  }
  if (2 <= r && r <= 89 && lowest <= in.m_warningPrice) {
    log.LogStatus("价格小于当月警示价", false);
    return false;
  }
  for (int64_t s = r + 1; s <= r + 49; ++s) {
    const int32_t sample = history.at(s);
    if (sample != 0 && sample < lowest) {
      log.LogStatus("检查到最近50秒有跳价", false);
      return true;
    }
  }
  log.LogRaw("检查到最近50没有跳价");
  return false;
}

SmartRow LookupSmartRow(const Strategy& s, int32_t remainSec) {
  int row = 1;
  while (row < kSmartRows && remainSec > s.m_smartSec[row]) ++row;
  return SmartRow{std::max(s.m_smartAdd[row], 300), s.m_smartTopUp[row]};
}

int32_t TopUpAmount(int32_t price, int32_t warningPrice) {
  return TopUp(price, warningPrice, nullptr);
}

int32_t TopUpAmount(int32_t price, int32_t warningPrice, Logger& log) {
  return TopUp(price, warningPrice, &log);
}

int32_t FloatingAdjust(const Strategy& s, const PriceInputs& in, const PriceHistory& history,
                       int32_t price, Logger& log) {
  if (s.m_advOption[kFloatingOption] != 1 || !SwitchOn(in.m_featureSwitches, kFloatingSwitch)) {
    return price;
  }
  const int32_t r = in.m_remainSec;
  if (r <= 4 || r > 15) {
    Log(log, "浮动调价:出价时间不在15秒内,正常出价");
    return price;
  }
  const int64_t jump = int64_t{history.at(15)} - history.at(32);
  Log(log, JumpChart(history, jump));
  if (jump >= s.m_jumpFastThreshold && s.m_jumpFastThreshold > 100) {
    const int32_t add = FloatingRowValue(s, s.m_jumpFastAdd, r);
    Log(log,
        Fill("浮动调价:跳价速度过快,跳价%d>=设定值%d,加价%d", {jump, s.m_jumpFastThreshold, add}));
    return Clamp(int64_t{price} + add);
  }
  if (jump <= s.m_jumpSlowThreshold && s.m_jumpSlowThreshold < 300) {
    const int32_t sub = FloatingRowValue(s, s.m_jumpSlowSub, r);
    Log(log,
        Fill("浮动调价:跳价速度过慢,跳价%d<=设定值%d,减价%d", {jump, s.m_jumpSlowThreshold, sub}));
    return Clamp(int64_t{price} - sub);
  }
  Log(log, Fill("浮动调价:跳价速度正常,跳价%d", {jump}));
  return price;
}

int32_t SecondBidPrice(const Strategy& s, const PriceInputs& in, Logger& log) {
  const int32_t r = in.m_remainSec;
  if (r <= 4) return Clamp(int64_t{in.m_lowestPrice} + kReachedMargin);
  if (s.m_bid2Mode == 0) {
    if (!LateSecondBid(s.m_bid2Sec, r)) return AddPrice(s.m_bid2AddPrice, s.m_bid2TopUp, in, log);
    const int32_t price = SmartPrice(LookupSmartRow(s, r), in, log);
    Log(log, "重出第二次出价,智能出价重算");
    return price;
  }
  if (s.m_bid2Mode == 1 || (int64_t{s.m_bid2Sec} >= int64_t{r} + 8 && s.m_bid2LateSmart == 1)) {
    return SmartPrice(LookupSmartRow(s, r), in, log);
  }
  return s.m_bid2DirPrice;
}

int32_t ThirdBidPrice(const Strategy& s, const std::function<PriceInputs()>& readInputs,
                      Clock& clock, Logger& log) {
  const SmartRow row = LookupSmartRow(s, readInputs().m_remainSec);
  clock.sleepMs(100);
  return ThirdBidPrice(s, row, readInputs(), log);
}

int32_t ThirdBidPrice(const Strategy& s, SmartRow row, const PriceInputs& in, Logger& log) {
  int32_t price = 0;
  if (s.m_bid3Now == 1) {
    price = SmartPrice(row, in, log);
    Log(log, "完成第二次出价立即智能出价");
  } else if (LateThirdBid(s.m_bid3Sec, in.m_remainSec)) {
    price = SmartPrice(row, in, log);
    Log(log, "重出第三次出价,智能出价重算");
  } else {
    // The increment mode tops up by the second bid's checkbox, as the bids always have.
    price = AddPrice(s.m_bid3AddPrice, s.m_bid2TopUp, in, log);
  }
  if (in.m_submittedPrice >= price) {
    price = Clamp(int64_t{in.m_submittedPrice} + 100);
    Log(log, "第三次出价小于等于第二次出价，加100");
  }
  return price;
}

int32_t RemedyPrice(const Strategy& s, const PriceInputs& in, const PriceHistory& history,
                    Logger& log) {
  const int32_t r = in.m_remainSec;
  int32_t price = 0;
  if (r <= 4) {
    price = Clamp(int64_t{in.m_lowestPrice} + kReachedMargin);
  } else {
    // Price from the lowest price at the remedy's second when it is known and lower than now:
    // the remedy undoes a bid priced on a jump that has not lasted.
    int32_t base = in.m_lowestPrice;
    const int32_t sec = s.m_remedySec;
    if (int64_t{sec} >= int64_t{r} + 5 && sec <= kPriceHistoryLastSec && history.at(sec) != 0) {
      base = history.at(sec);
    }
    base = std::min(base, in.m_lowestPrice);
    const int32_t topUp = s.m_remedyTopUp != 0 ? TopUpAmount(base, in.m_warningPrice, log) : 0;
    price = Clamp(int64_t{base} + s.m_remedyAdd + topUp);
    Log(log, Fill("***补救进2,价格:%d+%d=%d***", {base, s.m_remedyAdd, price}));
  }
  if (price <= in.m_submittedPrice) price = Clamp(int64_t{in.m_submittedPrice} + 100);
  return price;
}

BidEntry ChooseEntry(const Strategy& s, const PriceInputs& in, const PriceHistory& history,
                     int32_t price, BidKind kind, Logger& log) {
  const bool moved = PriceMovedRecently(in, history, log);
  if (in.m_remainSec < 30 && !moved) {
    Log(log, NoMovementLine(kind));
    return {EntryKind::Increment, NoMovementIncrement(s, in.m_remainSec, kind)};
  }
  const int32_t floor = in.m_realMode == 1 ? kRealFloor : kPracticeFloor;
  if (price < floor || int64_t{price} < int64_t{in.m_lowestPrice} + kReachedMargin) {
    Log(log, AbnormalLine(kind, price));
    return {EntryKind::Increment, LookupSmartRow(s, in.m_remainSec).add};
  }
  return {EntryKind::Price, price};
}

}  // namespace tavik
