#pragma once
// What the bidding engine enters: the prices of the second bid, the third bid and the remedy
// re-bid, and whether a price goes in as a full price or through the page's increment box.
//
// The rules are functions of one strategy snapshot and one reading of the run state
// (PriceInputs); the only state they keep is the per-second price history. Prices are whole yuan
// on a 100-yuan step. Sums are taken in 64 bits and held to the int32 range: the settings'
// edit boxes accept any 32-bit number, and a wrapped sum would turn a huge price negative.
//
// Every line goes with the status line unless its function says otherwise.

#include <cstdint>
#include <functional>

#include "bidding/price_history.h"
#include "bidding/price_inputs.h"
#include "log/logger.h"
#include "platform/clock.h"
#include "settings/strategy.h"

namespace tavik {

enum class BidKind { Second, Third, Remedy };

// One row of the smart-bid table: its increment (at least 300) and its top-up flag.
struct SmartRow {
  int32_t add = 300;
  int32_t topUp = 0;
};

// How a price is entered: as a full price, or as an increment on the page's lowest price.
enum class EntryKind { Price, Increment };
struct BidEntry {
  EntryKind kind = EntryKind::Price;
  int32_t amount = 0;  // the price, or the increment
  friend bool operator==(const BidEntry&, const BidEntry&) = default;
};

// The lowest price "rises" once it is above a sample of the 49 seconds before `r`. Lines
// without the status line: "价格0" (nothing read yet), "价格小于当月警示价" (with 2..89 seconds
// left the price has not passed the warning price), "检查到最近50秒有跳价"; and, when it has
// not moved, "检查到最近50没有跳价" written straight to the log.
bool PriceMovedRecently(const PriceInputs& in, const PriceHistory& history, Logger& log);

// The smart table's row for `remainSec`: the first of rows 1..11 whose seconds are at least
// `remainSec`, else row 12 whatever its seconds.
SmartRow LookupSmartRow(const Strategy& strategy, int32_t remainSec);

// 0, 100 or 200: what lifts `price` onto the 300-yuan grid that starts at the warning price,
// for prices 100..4999 above it. The logging form writes "补档:..." for every price in that
// range; the status display uses the silent one.
int32_t TopUpAmount(int32_t price, int32_t warningPrice);
int32_t TopUpAmount(int32_t price, int32_t warningPrice, Logger& log);

// `price` raised or lowered by how fast the lowest price climbed from 32 to 15 seconds before
// the end, when advanced option 12 and feature switch 5 are on and 5..15 seconds remain.
int32_t FloatingAdjust(const Strategy& strategy, const PriceInputs& in, const PriceHistory& history,
                       int32_t price, Logger& log);

// The second bid's price (the engine logs "准备第二次出价" before).
int32_t SecondBidPrice(const Strategy& strategy, const PriceInputs& in, Logger& log);

// The third bid's price (the engine logs "准备第三次出价" before). The smart row is taken with
// the remaining seconds of the moment, then the engine's thread pauses 100 ms, and the price is
// computed from the values read after the pause.
int32_t ThirdBidPrice(const Strategy& strategy, const std::function<PriceInputs()>& readInputs,
                      Clock& clock, Logger& log);
// The same from a smart row already taken and the values after the pause.
int32_t ThirdBidPrice(const Strategy& strategy, SmartRow row, const PriceInputs& in, Logger& log);

// The remedy re-bid's price: the remedy increment on the lowest price, or on the price recorded
// at the remedy's second when that was lower.
int32_t RemedyPrice(const Strategy& strategy, const PriceInputs& in, const PriceHistory& history,
                    Logger& log);

// How `price` goes in. With fewer than 30 seconds left and no rise in the last 49 seconds, an
// increment bid of the kind's own increment; a price below the floor (88400 real, 80000
// practice) or already within 300 of the lowest price, an increment bid of the smart
// increment; otherwise the price itself.
BidEntry ChooseEntry(const Strategy& strategy, const PriceInputs& in, const PriceHistory& history,
                     int32_t price, BidKind kind, Logger& log);

}  // namespace tavik
