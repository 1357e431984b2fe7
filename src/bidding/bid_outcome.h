#pragma once
// Watches the page's count of the user's successful bids ("501", "502", "503" for one, two and
// three) and moves the bidding phase on when a new one shows: after the first the second bid is
// due, after the second the third, after the third all are done. Each success reads the
// submitted price and time back off the page into the result record that the result upload
// sends.
//
// Runs on worker 1 before every page tracking tick, and again inside the tracker after it has
// dismissed an information window.

#include <cstdint>
#include <string>

#include "bidding/bid_context.h"
#include "core/guarded_text.h"
#include "net/net_state.h"

namespace tavik {

class BidOutcome {
 public:
  // `net` keeps the result record the upload sends (m_bidResultText).
  BidOutcome(BidContext& c, NetState& net) : c_(c), net_(net) {}

  void DetectBidOutcome();
  // The submitted price read back off the page (0 when none); writes the result record
  // "phase,price,time".
  int32_t ReadBidBack();

 private:
  std::string readIndicator() const;
  void firstSuccess();
  void secondSuccess();
  void thirdSuccess();
  int32_t readPrice(const ElementRow& cell, Point origin, Point ndd);
  std::string readTime(const ElementRow& cell, Point origin, Point ndd);
  int32_t remain() const;
  void logStatus(const std::string& text) { c_.page.log.LogStatus(text, true); }
  void log(const std::string& text) { c_.page.log.LogStatus(text, false); }

  BidContext& c_;
  NetState& net_;
};

}  // namespace tavik
