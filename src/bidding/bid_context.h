#pragma once
// What the bidding code works with: its own state and the user's keys, the page (its state,
// the element table, the screen, the desktop, the clock and the log, through the page
// context), the locator's searches, the strategy in force, and the few fields and calls of
// higher owners (passed in, so this layer includes nothing above it).

#include <functional>

#include "bidding/bid_state.h"
#include "bidding/run_guard.h"
#include "core/atomic_int.h"
#include "page/page_context.h"
#include "page/page_locator.h"
#include "settings/strategy.h"

namespace tavik {

struct BidInputs {
  const AtomicInt& m_realMode;
  const AtomicInt& m_clientFound;
  // Starts timer 9, which requests the result upload after `delayMs`; from any thread (it goes
  // through the window's mailbox).
  std::function<void(int delayMs)> armResultUpload;
  // The controller's run: on (m_running) and its identity (m_runGeneration). Null when the
  // engine is driven without a controller: every step is live then.
  const AtomicInt* m_running = nullptr;
  const AtomicInt* m_runGeneration = nullptr;
};

struct BidContext {
  BidState& bid;
  KeyFlags& keys;
  const PageContext& page;  // page.page, page.clock, page.net, page.table, page.desktop, ...
  PageLocator& locator;
  const StrategyStore& strategy;
  const BidInputs& in;
  // The run the engine's current step belongs to; its page actions and waits ask it.
  RunGuard run{in.m_running, in.m_runGeneration, page.time};
};

// The two actions on the captcha box that the confirmation rules and the engine take; the page
// actions implement them, tests may record them.
class CaptchaBoxActions {
 public:
  virtual ~CaptchaBoxActions() = default;
  // Clicks the box's OK; the engine state becomes 6.
  virtual void ConfirmCaptchaBox() = 0;
  // Closes the box with its cancel button.
  virtual void CancelCaptchaBox() = 0;
};

}  // namespace tavik
