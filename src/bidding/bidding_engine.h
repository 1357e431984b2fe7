#pragma once
// The bidding engine: worker 3 calls BiddingEngineStep every 100 ms while a run has found the
// auction window. Each call looks at the engine state, takes at most one transition (sometimes
// waiting inside the call, as the page's reactions need) and returns: the second and third bids
// and the remedy entered at their seconds, the captcha box awaited, the user's Enter taken, the
// confirmation handed to the timing rules, Space and a price fallen below the lowest handled.

#include <string>

#include "bidding/bid_context.h"
#include "bidding/confirmation.h"
#include "bidding/page_actions.h"
#include "bidding/price_rules.h"

namespace tavik {

class BiddingEngine {
 public:
  BiddingEngine(BidContext& c, PageActions& actions, ConfirmationTiming& timing);

  void BiddingEngineStep();

 private:
  void setState(SystemState s);
  void followPage();
  void beginSecondHalf();
  bool pageKnown();
  bool captchaWait();
  void dropEnterBeforeBox();
  void keepEarlyOutcome(int phaseBefore);
  void enterPressed(int r);
  bool spacePressed(int r);
  bool priceBelowLowest(const Strategy& s, int r);
  bool refusedForBidButton(BidKind kind);
  bool enter(const Strategy& s, int32_t price, BidKind kind);
  void placeBid(const Strategy& s, BidKind kind);
  void remedy(const Strategy& s, int r);
  PriceInputs inputs() const;
  void logStatus(const std::string& text);
  void sleep(int ms);

  BidContext& c_;
  PageActions& actions_;
  ConfirmationTiming& timing_;
};

}  // namespace tavik
