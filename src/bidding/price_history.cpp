#include "bidding/price_history.h"

#include <algorithm>

namespace tavik {

void RecordPriceHistory(PriceHistory& history, int32_t remainSec, int32_t price) {
  if (remainSec < 1 || remainSec > kPriceHistoryLastSec) return;
  auto& e = history.entries;
  const auto r = static_cast<size_t>(remainSec);
  e[r] = std::max(price, e[r + 1].load());
  if (remainSec < 2 || remainSec > kPriceHistoryLastSec - 1) return;
  // Fill the seconds passed without a sample, walking down from the table's top so that each
  // gap takes the value of the second before it.
  for (size_t s = kPriceHistoryLastSec; s > r; --s) {
    if (e[s] == 0) e[s] = e[s + 1].load();
  }
}

}  // namespace tavik
