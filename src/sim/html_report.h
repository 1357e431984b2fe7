#pragma once
// Pictures of simulated auctions, as self-contained HTML pages (inline SVG, nothing fetched):
// one run's last minutes on one time axis, and the win rates of runs of many finishes.

#include <string>
#include <vector>

#include "sim/scenario.h"
#include "sim/simulation.h"
#include "sim/sweep.h"
#include "sim/win_rate.h"

namespace tavik {

// One run: the lowest price over the last minutes with the ±300 window shaded, the bids entered,
// the captcha boxes, Enter, OK and the verdicts, and the clocks' offsets. Each mark carries
// data-kind and data-ms (the event's kind and page-clock ms of the day), so that a reader (or a
// test) can take the points back out.
std::string RunReportHtml(const SimScenario& scenario, const SimOutcome& outcome);

// Runs of many finishes: the share of each way a finish ended, or with a sweep the win rate (and
// its interval) against the swept value.
std::string WinRateReportHtml(const SimScenario& scenario, const WinRate& rate, uint64_t seed);
std::string SweepRateReportHtml(const SimScenario& scenario, const SweepRange& range,
                                const std::vector<SweepRates>& rows, int runs, uint64_t seed);

}  // namespace tavik
