#pragma once
// Win rates: one strategy run against many finishes of the same kind, each drawn from the
// scenario's price-course model (and its spreads of judging delay, captcha delay, reaction and
// typing time), and how often, and how, the user's bid would have won or lost. The runs are
// independent and go on every core; the report is the same whatever the number of workers,
// because every finish is drawn from the seed and its own index alone.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/scenario.h"
#include "sim/simulation.h"
#include "sim/sweep.h"

namespace tavik {

// How one finish ended for the user, by its last try (the last bid entered).
enum class FinishResult {
  win,
  refusedOutsideWindow,  // the last bid was judged outside the ±300 window
  notConfirmedInTime,    // the last bid entered never reached a verdict before the end
  outbidAtTheEnd,        // accepted, but the final lowest price passed it
  refusedOtherwise,      // a wrong captcha, no price, no bids left
  noBidPlaced,           // no bid was entered at all
};
inline constexpr int kFinishResults = 6;
const char* FinishResultName(FinishResult r);

struct FinishRecord {
  FinishResult result = FinishResult::noBidPlaced;
  // For a win: ms before the end at which the winning bid was accepted.
  int64_t acceptedLeftMs = 0;
};

// Finish `index` of a run of many from `seed`: the scenario with its course and spreads drawn.
SimScenario DrawFinish(const SimScenario& scenario, uint64_t seed, int index);
FinishRecord Classify(const SimScenario& scenario, const SimOutcome& outcome);

struct WinRate {
  int runs = 0;
  int wins = 0;
  double low = 0, high = 0;  // the 95% interval of the win rate (Wilson)
  std::array<int, kFinishResults> counts{};
  std::optional<double> medianLeftSec;  // of the winning bids' acceptance, when any won
};
WinRate Summarise(const std::vector<FinishRecord>& records);

// Runs `jobs` independent jobs on `threads` workers (0: one per core); `done` is told the number
// finished after each, from the worker that finished it.
void RunJobs(int jobs, int threads, const std::function<void(int)>& job,
             const std::function<void(int)>& done = {});
int WorkerCount(int threads);

// `runs` finishes of the scenario from `seed`.
std::vector<FinishRecord> RunFinishes(const SimScenario& scenario, int runs, uint64_t seed,
                                      int threads, const std::function<void(int)>& done = {});

struct SweepRates {
  int32_t value = 0;
  WinRate rate;
};
// The same `runs` finishes for every value of the sweep (so that the values are compared on the
// same auctions).
std::vector<SweepRates> RunSweepFinishes(const SimScenario& scenario, const SweepRange& range,
                                         int runs, uint64_t seed, int threads,
                                         const std::function<void(int, int)>& done = {});

std::string FormatWinRate(const SimScenario& scenario, const WinRate& rate, uint64_t seed);
std::string FormatSweepRates(const SweepRange& range, const std::vector<SweepRates>& rows);

}  // namespace tavik
