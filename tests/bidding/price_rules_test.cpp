// The per-second price history of a run.

#include <gtest/gtest.h>

#include "bidding/bid_state.h"
#include "bidding/price_history.h"

namespace tavik {
namespace {

TEST(PriceHistory, NeverFallsAndFillsSkippedSeconds) {
  PriceHistory history;
  RecordPriceHistory(history, 40, 89000);
  RecordPriceHistory(history, 38, 89300);
  EXPECT_EQ(history.at(41), 0);  // before the first sample
  EXPECT_EQ(history.at(40), 89000);
  EXPECT_EQ(history.at(39), 89000);
  EXPECT_EQ(history.at(38), 89300);
  RecordPriceHistory(history, 37, 89100);
  EXPECT_EQ(history.at(37), 89300);

  // Only seconds 1..1799 are kept.
  RecordPriceHistory(history, 0, 95000);
  RecordPriceHistory(history, 1800, 95000);
  RecordPriceHistory(history, 1799, 95000);
  EXPECT_EQ(history.at(0), 0);
  EXPECT_EQ(history.at(1800), 0);
  EXPECT_EQ(history.at(1799), 95000);

  BidState bid;
  RecordPriceHistory(bid.m_priceHistory, 40, 89000);
  bid.reset(false);
  EXPECT_EQ(bid.m_priceHistory.at(40), 0);
}

}  // namespace
}  // namespace tavik
