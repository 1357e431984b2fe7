#pragma once
// The bidding engine's shared fields, and the keys the user presses for it.
//
// Owner of BidState: the bidding layer (bidding/). The engine's state machine (m_systemState,
// m_bidPhase) changes only in bidding: the engine's step, the page actions it runs, and the
// outcome detection, which moves the phase forward with a compare-exchange. Other layers read
// these fields, or publish what they saw for the engine to act on (page/page_state.h).
//
// KeyFlags are written by the keyboard hook (app/keyboard_hook.cpp) and consumed in bidding
// with an exchange or a compare-exchange.

#include "bidding/price_history.h"
#include "core/atomic_int.h"
#include "core/guarded_text.h"

namespace tavik {

// The engine's states; the log and the status line show their numbers.
enum class SystemState : int32_t {
  Ready = 0,         // nothing entered, or the last entry is over
  BidEntered = 1,    // a price entered and the bid button pressed; the captcha box awaited
  CaptchaUp = 2,     // the captcha box is up; the user types
  EnterPressed = 3,  // the user pressed Enter; the confirmation rules pick the moment
  Confirmed = 6,     // the box's OK clicked; the page judges the bid
  ThirdDone = 7,     // the third bid counted: nothing more to do in this run
};

// The bidding stages: the next bid due.
enum class BidPhase : int32_t {
  FirstBid = 0,   // the first half's bid
  SecondBid = 1,  // second half: the second bid due
  ThirdBid = 2,   // the third bid due
  Done = 3,       // all bids made
};

struct BidState {
  // Next bidding stage (BidPhase): 0 first bid, 1 second bid due, 2 third bid due, 3 all done.
  AtomicInt m_bidPhase{0};
  // Engine state (SystemState): 0 ready, 1 bid entered, 2 captcha box up, 3 Enter pressed,
  // 6 OK clicked, 7 third bid done.
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
  // The page's count of dismissed information windows (PageState::m_infoWindowCount) as the
  // engine last acted on it, and as it was at the last entry: a window counts for an entry
  // only when it came after it.
  AtomicInt m_infoWindowsHandled{0};
  AtomicInt m_infoWindowsAtEntry{0};
  // When the page actions last set the key count back to 0 (the Clock's UTC ms).
  AtomicStamp m_keyCountClearedMs{0};
  // 1 once the engine has logged, in this run, that an entry waits for the page.
  AtomicInt m_pageWaitLogged{0};

  // Moves the phase forward to `to`, never back: the engine (the second half begun) and outcome
  // detection (a success seen) may raise it at the same time.
  void RaisePhase(BidPhase to) {
    for (int32_t now = m_bidPhase.load(); now < int32_t(to); now = m_bidPhase.load()) {
      if (m_bidPhase.compareExchange(now, int32_t(to))) return;
    }
  }

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
    m_infoWindowsHandled = 0;
    m_infoWindowsAtEntry = 0;
    m_pageWaitLogged = 0;
    if (atStart) m_enterLog.clear();
  }
};

// Set by the desktop-wide keyboard hook (on the hook's own thread) and consumed by the engine
// and the 200 ms tick with an exchange, so a press that arrives between a read and a clear is
// never lost.
struct KeyFlags {
  // The Clock's UTC ms of the last Enter not yet taken (never 0 for a press), 0 when none: an
  // Enter counts for a captcha box only when it came after the box appeared.
  AtomicStamp g_enterPressed{0};
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
