#pragma once
// One simulated auction: the real controller with all eleven workers and its window timers, in
// virtual time, on a fake desktop where the auction page model plays the page, against the
// vendor's services, the time servers and a user as the scenario scripts them. Only the page,
// the outside services and the user are simulated; everything of the assistant is its own code.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/auction_page.h"
#include "sim/event_log.h"
#include "sim/scenario.h"

namespace tavik {

struct SimOutcome {
  std::vector<AuctionPage::Bid> bids;  // every OK click on a captcha box, in order
  std::vector<SimEvent> events;
  std::string eventLines;  // the events as JSON lines
  std::string log;         // the diagnostic log, UTF-8
  int32_t finalLowest = 0;
  int priceReports = 0;

  // The accepted bids, the highest price among them, and whether it wins: the auction's result
  // is the final lowest price, and bids at or above it win.
  std::vector<AuctionPage::Bid> accepted() const;
  int32_t bestPrice() const;
  bool wins() const { return bestPrice() >= finalLowest && finalLowest > 0; }
};

// Reports the page clock (ms of the day) and the bids the page has counted, once a virtual
// second.
using SimProgress = std::function<void(int64_t pageMs, int bidCount)>;

SimOutcome RunSimulation(const SimScenario& scenario, const SimProgress& progress = {});

// The summary printed after a run.
std::string FormatSummary(const SimScenario& scenario, const SimOutcome& outcome);

}  // namespace tavik
