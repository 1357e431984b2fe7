#pragma once
// What the page readers publish for everyone else: the auction stage, the prices and the
// captcha box's state.

#include "core/atomic_int.h"

namespace tavik {

struct PageState {
  // 0 not yet read, 1 first half, 2 second half (the bidding stage).
  AtomicInt m_auctionStage{0};
  // The current lowest acceptable price in yuan, and its value at the last price log line.
  AtomicInt m_lowestPrice{0};
  AtomicInt m_loggedLowestPrice{0};
  // The month's warning price: stands in for a lowest price not read yet (set at start-up).
  AtomicInt m_warningPrice{88100};
  // The captcha box on the page: 1 shown, 0 not.
  AtomicInt g_captchaState{0};

  void reset() {
    m_auctionStage = 0;
    m_lowestPrice = 0;
    m_loggedLowestPrice = 0;
    g_captchaState = 0;
  }
};

}  // namespace tavik
