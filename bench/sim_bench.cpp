// The simulator's wall time: a whole auction hour (Start at 10:29:50, end 11:30:00) and the last
// 90 seconds, both the calm scenario of the repository with every worker, timer and page
// recognition running in virtual time; and a win rate over 200 drawn fast finishes (the last two
// minutes each), on every core.

#include <benchmark/benchmark.h>

#include <string>
#include <variant>

#include "sim/scenario.h"
#include "sim/simulation.h"
#include "sim/win_rate.h"

namespace {

using namespace tavik;

SimScenario Calm(const char* start) {
  auto loaded = LoadScenario(std::string(TAVIK_SCENARIOS) + "/calm.json");
  SimScenario s = std::get<SimScenario>(loaded);
  s.startMs = *ParseTimeOfDay(start);
  return s;
}

void Run(benchmark::State& state, const char* start) {
  const SimScenario s = Calm(start);
  for (auto _ : state) {
    const SimOutcome out = RunSimulation(s);
    if (out.accepted().size() != 2) state.SkipWithError("the calm auction did not place both bids");
    benchmark::DoNotOptimize(out.eventLines.data());
  }
}

void BM_WholeAuctionHour(benchmark::State& state) {
  Run(state, "10:29:50");
}
void BM_LastNinetySeconds(benchmark::State& state) {
  Run(state, "11:28:30");
}

void BM_TwoHundredFastFinishes(benchmark::State& state) {
  auto loaded = LoadScenario(std::string(TAVIK_SCENARIOS) + "/fast_finish_runs.json");
  const SimScenario s = std::get<SimScenario>(loaded);
  for (auto _ : state) {
    const WinRate rate = Summarise(RunFinishes(s, 200, 1, 0));
    if (rate.runs != 200) state.SkipWithError("not every finish ran");
    benchmark::DoNotOptimize(rate.wins);
  }
}

BENCHMARK(BM_WholeAuctionHour)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_LastNinetySeconds)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_TwoHundredFastFinishes)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
