#pragma once
// Price reports: every copy in real mode tells the vendor's three servers the lowest price it
// reads off the page, one report per price change and server, so that the vendor's price
// service and the other copies learn it.

#include "net/net_price.h"

namespace tavik {

// Reported prices lie strictly between these.
inline constexpr int32_t kReportPriceAbove = 80000;
inline constexpr int32_t kReportPriceBelow = 150000;
// The pause of a report worker that has nothing to report for a while.
inline constexpr int kReportIdlePauseMs = 3000;

class PriceReporter {
 public:
  explicit PriceReporter(const NetPriceContext& c) : c_(c) {}

  // Report worker of vendor server `server` (1..3; workers 8, 9, 10), every 400 ms while
  // running: sends m_lowestPrice to the server's www name when it differs from the last price
  // sent there. A practice page stops all reports.
  void ReportPrice(int server);

 private:
  bool practiceTitle(int server) const;
  bool reportable(int32_t price, int32_t reported, int32_t remain) const;

  NetPriceContext c_;
};

}  // namespace tavik
