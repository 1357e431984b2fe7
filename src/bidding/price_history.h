#pragma once
// The lowest price seen at each remaining second of this run, which the bid price rules read to
// see how fast the price has been rising.

#include <array>
#include <cstdint>

#include "core/atomic_int.h"

namespace tavik {

inline constexpr int kPriceHistorySize = 2000;
// The highest remaining second a sample is kept for (the second half lasts 1800 seconds).
inline constexpr int kPriceHistoryLastSec = 1799;

// m_priceHistory: entry s holds the lowest price seen with s seconds remaining, 0 = none. Only
// the engine's thread writes it; the entries are atomic so that the run reset from the
// window's thread never tears a step that is still running.
struct PriceHistory {
  std::array<AtomicInt, kPriceHistorySize> entries{};

  // Entry `sec`, or 0 for a second outside the table (callers look up to 49 seconds past the
  // current one, and the remaining time can be far above the table's end).
  int32_t at(int64_t sec) const {
    return sec >= 0 && sec < kPriceHistorySize ? entries[static_cast<size_t>(sec)].load() : 0;
  }

  void reset() {
    for (AtomicInt& entry : entries) entry = 0;
  }
};

// Stores the lowest price `price` seen with `remainSec` seconds left. An entry never falls below
// the entry of the second before it, and seconds skipped since the last sample take the last
// earlier value, so the table reads as a rising step curve from the first sample on.
void RecordPriceHistory(PriceHistory& history, int32_t remainSec, int32_t price);

}  // namespace tavik
