// One step of the bidding engine (worker 3, every 100 ms) with no transition due, the common
// case of a run: before the second bid's second, with the captcha box up and no Enter yet, and
// after Enter while the price is not reached yet. The log is off, as it is unless "dt.dat"
// exists; nothing in these steps waits.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "bidding/bidding_engine.h"
#include "testing/fake_desktop.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

// The engine with the state a run has in the second half, 60 s before the end.
struct EngineRun {
  fs::path dir = fs::temp_directory_path() / ("tavik-engine-bench-" + std::to_string(getpid()));
  VirtualClock clock;
  FakeDesktop desktop{clock};
  ScreenDriver screen{desktop};
  LogFile logFile{clock, (dir / "my.Log").string()};
  AtomicInt logEnabled{0};
  Logger logger{logFile, logEnabled};

  BidState bid;
  KeyFlags keys;
  std::atomic<WindowId> auctionWnd{1}, ownWnd{0};
  AtomicInt clientFound{1}, realMode{1}, compatMode{0};
  AtomicPoint screenSize;
  GuardedText title;
  PageInputs in{auctionWnd, clientFound, screenSize,      realMode, compatMode,
                title,      ownWnd,      keys.g_keyCount, {}};
  PageState page;
  ClockState clockState;
  NetworkTimeState netTime;
  NetState net;
  ElementTableStore table;
  PageContext c{page, clockState, netTime, net, in, table, screen, desktop, clock, logger};
  PageLocator locator{c};
  StrategyStore strategy;
  BidInputs bidIn{realMode, clientFound, {}};
  BidContext context{bid, keys, c, locator, strategy, bidIn};
  PageActions actions{context};
  ConfirmationTiming timing{context, strategy, actions};
  BiddingEngine engine{context, actions, timing};

  // Second bid at 48 s, 700 above the lowest price; my price `gap` above it.
  EngineRun(int32_t remain, int32_t state, int32_t gap) {
    fs::create_directories(dir);
    Strategy s;
    s.m_bid2Sec = 48;
    s.m_bid2AddPrice = 700;
    s.m_earlyMaxDiff = 400;
    s.m_earlySec = 8;
    s.DeriveModes();
    strategy.publish(s);
    page.g_pageOrigin = Point{35, 72};
    page.m_auctionStage = 2;
    page.m_lowestPrice.Set(90000);
    page.g_captchaState = state >= 2 ? 1 : 0;
    page.g_bidButtonSeen = 1;
    clockState.m_remainSec = remain;
    bid.m_bidPhase = 1;
    bid.m_systemState = state;
    bid.m_myPrice = 90000 + gap;
  }
  ~EngineRun() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

void Step(benchmark::State& st, int32_t remain, int32_t state, int32_t gap) {
  EngineRun run(remain, state, gap);
  for (auto _ : st) run.engine.BiddingEngineStep();
  // Nothing may have moved: a step that did something is not the case measured.
  if (run.bid.m_systemState != state || !run.desktop.actions().empty())
    st.SkipWithError("the step took a transition");
}

void BM_StepBeforeTheBidSecond(benchmark::State& st) {
  Step(st, 60, 0, 0);
}
void BM_StepBoxUpNoEnter(benchmark::State& st) {
  Step(st, 40, 2, 700);
}
void BM_StepEnterPriceNotReached(benchmark::State& st) {
  Step(st, 40, 3, 700);
}
BENCHMARK(BM_StepBeforeTheBidSecond);
BENCHMARK(BM_StepBoxUpNoEnter);
BENCHMARK(BM_StepEnterPriceNotReached);

}  // namespace
}  // namespace tavik

BENCHMARK_MAIN();
