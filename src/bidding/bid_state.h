#pragma once
// The bidding engine's shared fields, and the keys the user presses for it.

#include "bidding/price_history.h"
#include "core/atomic_int.h"
#include "core/guarded_text.h"

namespace tavik {

struct BidState {
  // Next bidding stage: 0 first bid, 1 second bid due, 2 third bid due, 3 all bids done.
  AtomicInt m_bidPhase{0};
  // Engine state: 0 ready, 1 bid entered, 2 captcha box up, 3 Enter pressed, 6 OK clicked,
  // 7 third bid done.
  AtomicInt m_systemState{0};
  AtomicInt m_myPrice{0};
  // The last price submitted successfully (kept across runs) and the second it went in.
  AtomicInt m_submittedPrice{0};
  AtomicInt m_submittedSec{0};
  // Record of the Enter presses of this run.
  GuardedText m_enterLog;
  // Bid attempts refused because the bid button was not recognised; 0 after every entry (kept
  // across runs).
  AtomicInt m_noBidButtonRetries{0};
  // 1 once the remedy has fired in this run: the second-bid rule is off then.
  AtomicInt m_remedyEntered{0};
  // The third bid needs 1; the typing variants of the entry actions clear it.
  AtomicInt m_bid3Allowed{1};
  // Remaining seconds when the last price was entered.
  AtomicInt m_bidSentSec{0};
  // The lowest price of each remaining second of this run, for the bid price rules.
  PriceHistory m_priceHistory;

  // Stop keeps the Enter record for the result upload; Start begins a new one.
  void reset(bool atStart) {
    m_bidPhase = 0;
    m_systemState = 0;
    m_myPrice = 0;
    m_submittedSec = 0;
    m_priceHistory.reset();
    m_remedyEntered = 0;
    m_bid3Allowed = 1;
    m_bidSentSec = 0;
    if (atStart) m_enterLog.clear();
  }
};

// Set by the desktop-wide keyboard hook (on the hook's own thread) and consumed by the engine
// and the 200 ms tick with an exchange, so a press that arrives between a read and a clear is
// never lost.
struct KeyFlags {
  // 1 on any Enter event.
  AtomicInt g_enterPressed{0};
  // 9 on a Space release.
  AtomicInt g_spacePressed{0};
  // 1..12 for the first F1..F12 release while it is 0.
  AtomicInt g_functionKey{0};
  // Key events let through.
  AtomicInt g_keyCount{0};

  void reset() {
    g_enterPressed = 0;
    g_functionKey = 0;
  }
};

}  // namespace tavik
