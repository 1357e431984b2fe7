#pragma once
// What the bidding code works with: its own state and the user's keys, the page (its state,
// the element table, the screen, the desktop, the clock and the log, through the page
// context), the locator's searches, the strategy in force, and the few fields and calls of
// higher owners (passed in, so this layer includes nothing above it).

#include <functional>

#include "bidding/bid_state.h"
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
};

struct BidContext {
  BidState& bid;
  KeyFlags& keys;
  const PageContext& page;  // page.page, page.clock, page.net, page.table, page.desktop, ...
  PageLocator& locator;
  const StrategyStore& strategy;
  const BidInputs& in;
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
