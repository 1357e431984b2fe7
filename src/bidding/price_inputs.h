#pragma once
// The run-state values the bid price rules work on, read once per computation so that one price
// is computed from one set of values even while other threads update the fields.

#include <cstdint>
#include <string>

#include "bidding/bid_state.h"
#include "clock/clock_state.h"
#include "core/atomic_int.h"
#include "net/net_state.h"
#include "page/page_state.h"

namespace tavik {

// The auction takes a bid within this much above the lowest acceptable price: a bid price is
// reached once it is at most the lowest price plus this margin, and no price is entered below
// the lowest price plus it.
inline constexpr int32_t kReachedMargin = 300;

struct PriceInputs {
  int32_t m_lowestPrice = 0;  // the page's lowest acceptable price (L)
  int32_t m_remainSec = 0;    // whole seconds left (r)
  int32_t m_warningPrice = 88100;
  int32_t m_submittedPrice = 0;  // the last successful bid's price
  int32_t m_realMode = 1;        // 1 real bid number, 0 practice
  std::string m_featureSwitches;
};

// The values in force now. `realMode` is the controller's m_realMode.
inline PriceInputs ReadPriceInputs(const PageState& page, const ClockState& clock,
                                   const BidState& bid, const NetState& net,
                                   const AtomicInt& realMode) {
  return PriceInputs{
      page.m_lowestPrice.load(),   clock.m_remainSec.load(), page.m_warningPrice.load(),
      bid.m_submittedPrice.load(), realMode.load(),          net.m_featureSwitches.get()};
}

}  // namespace tavik
