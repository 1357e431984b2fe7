#pragma once
// A strategy sweep: one scenario run again for every value of one profile key in a range, and
// a table of what each setting would have done.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/scenario.h"
#include "sim/simulation.h"

namespace tavik {

struct SweepRange {
  std::string key;  // a profile key, e.g. "Last Sec 2"
  int32_t from = 0, to = 0, step = 1;
};

// "KEY=FROM..TO" or "KEY=FROM..TO:STEP"; nothing with `error` set when malformed, the key is
// unknown or the range holds more than 200 values.
std::optional<SweepRange> ParseSweepRange(std::string_view text, std::string& error);

struct SweepRow {
  int32_t value = 0;
  SimOutcome outcome;
};

// Runs the scenario once for each value; `done` is told after each run.
std::vector<SweepRow> RunSweep(const SimScenario& scenario, const SweepRange& range,
                               const std::function<void(const SweepRow&)>& done = {});

// The table: one row per value with the bids the page accepted and whether the user wins.
std::string FormatSweep(const SimScenario& scenario, const SweepRange& range,
                        const std::vector<SweepRow>& rows);

}  // namespace tavik
