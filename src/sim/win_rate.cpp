#include "sim/win_rate.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>

namespace tavik {

namespace {

// The z of a two-sided 95% interval.
constexpr double kZ95 = 1.959964;

// SplitMix64: every finish's draws come from the run's seed and the finish's index alone, the
// same with every standard library and in every order the workers take them.
class Draws {
 public:
  Draws(uint64_t seed, int index) : state_(seed ^ (uint64_t(index) * 0x9E3779B97F4A7C15ull)) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

 private:
  uint64_t state_;
};

std::string Format(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

std::string Percent(int part, int whole) {
  return whole > 0 ? Format("%.1f%%", 100.0 * part / whole) : std::string("-");
}

}  // namespace

const char* FinishResultName(FinishResult r) {
  static const char* const kNames[kFinishResults] = {"won",
                                                     "refused outside the window",
                                                     "not confirmed in time",
                                                     "outbid at the end",
                                                     "refused otherwise",
                                                     "no bid placed"};
  return kNames[int(r)];
}

SimScenario DrawFinish(const SimScenario& scenario, uint64_t seed, int index) {
  SimScenario s = scenario;
  Draws draws(seed, index);
  // Drawn in a fixed order, each whether or not the scenario spreads it, so that adding one
  // spread leaves the other draws as they were.
  s.lowestPrice = scenario.lowestPrice.reseeded(uint32_t(draws.next()));
  const uint64_t judge = draws.next(), captcha = draws.next(), typing = draws.next(),
                 react = draws.next();
  const auto pick = [](uint64_t draw, const Spread& r) {
    return r.low + int(draw % uint64_t(r.high - r.low + 1));
  };
  if (s.judgeDelaySpread) s.judgeDelayMs = pick(judge, *s.judgeDelaySpread);
  if (s.captchaDelaySpread) s.captchaDelayMs = pick(captcha, *s.captchaDelaySpread);
  const auto user = [&](UserTyping& t) {
    if (s.typingSpread) t.typingMs = pick(typing, *s.typingSpread);
    if (s.reactSpread) t.reactMs = pick(react, *s.reactSpread);
  };
  user(s.typing);
  for (UserTyping& t : s.typingPerBox) user(t);
  return s;
}

FinishRecord Classify(const SimScenario& s, const SimOutcome& out) {
  enum class Last { none, entered, accepted, outside, other, late } last = Last::none;
  for (const SimEvent& e : out.events) {
    if (e.kind == "bid_button") last = Last::entered;
    if (e.kind == "bid_accepted") last = Last::accepted;
    if (e.kind == "no_captcha") last = Last::late;
    if (e.kind == "bid_refused") {
      const std::string why = e.fields.value("why", std::string());
      last = why == "outside the window" ? Last::outside
             : why == "auction over"     ? Last::late
                                         : Last::other;
    }
  }
  FinishRecord r;
  if (out.wins()) {
    r.result = FinishResult::win;
    for (const SimEvent& e : out.events) {
      if (e.kind == "bid_accepted" && e.fields.value("price", 0) == out.bestPrice()) {
        r.acceptedLeftMs = s.endMs - e.auctionMs;
        break;
      }
    }
    return r;
  }
  switch (last) {
    case Last::none:
      r.result = FinishResult::noBidPlaced;
      break;
    case Last::entered:
    case Last::late:
      r.result = FinishResult::notConfirmedInTime;
      break;
    case Last::accepted:
      r.result = FinishResult::outbidAtTheEnd;
      break;
    case Last::outside:
      r.result = FinishResult::refusedOutsideWindow;
      break;
    case Last::other:
      r.result = FinishResult::refusedOtherwise;
      break;
  }
  return r;
}

WinRate Summarise(const std::vector<FinishRecord>& records) {
  WinRate w;
  w.runs = int(records.size());
  std::vector<int64_t> left;
  for (const FinishRecord& r : records) {
    ++w.counts[size_t(r.result)];
    if (r.result == FinishResult::win) left.push_back(r.acceptedLeftMs);
  }
  w.wins = w.counts[size_t(FinishResult::win)];
  if (w.runs > 0) {
    // Wilson's score interval: sound near 0% and 100% and for small counts.
    const double n = w.runs, p = w.wins / n, z2 = kZ95 * kZ95;
    const double centre = (p + z2 / (2 * n)) / (1 + z2 / n);
    const double half = kZ95 * std::sqrt(p * (1 - p) / n + z2 / (4 * n * n)) / (1 + z2 / n);
    w.low = std::max(0.0, centre - half);
    w.high = std::min(1.0, centre + half);
  }
  if (!left.empty()) {
    std::sort(left.begin(), left.end());
    const size_t m = left.size() / 2;
    w.medianLeftSec = (left.size() % 2 ? double(left[m]) : (left[m - 1] + left[m]) / 2.0) / 1000;
  }
  return w;
}

int WorkerCount(int threads) {
  if (threads > 0) return threads;
  return std::max(1, int(std::thread::hardware_concurrency()));
}

void RunJobs(int jobs, int threads, const std::function<void(int)>& job,
             const std::function<void(int)>& done) {
  std::atomic<int> next{0};
  std::mutex mutex;  // guards finished, failure and the calls of `done`
  int finished = 0;
  std::exception_ptr failure;
  const auto work = [&] {
    for (int i = next++; i < jobs; i = next++) {
      try {
        job(i);
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure) failure = std::current_exception();
        next = jobs;
      }
      std::lock_guard lock(mutex);
      ++finished;
      if (done) done(finished);
    }
  };
  std::vector<std::thread> workers;
  for (int t = 1; t < std::min(WorkerCount(threads), jobs); ++t) workers.emplace_back(work);
  work();
  for (std::thread& t : workers) t.join();
  if (failure) std::rethrow_exception(failure);
}

std::vector<FinishRecord> RunFinishes(const SimScenario& scenario, int runs, uint64_t seed,
                                      int threads, const std::function<void(int)>& done) {
  std::vector<FinishRecord> records(static_cast<size_t>(std::max(runs, 0)));
  RunJobs(
      runs, threads,
      [&](int i) {
        const SimScenario s = DrawFinish(scenario, seed, i);
        records[size_t(i)] = Classify(s, RunSimulation(s));
      },
      done);
  return records;
}

std::vector<SweepRates> RunSweepFinishes(const SimScenario& scenario, const SweepRange& range,
                                         int runs, uint64_t seed, int threads,
                                         const std::function<void(int, int)>& done) {
  std::vector<int32_t> values;
  for (int64_t v = range.from; v <= range.to; v += range.step) values.push_back(int32_t(v));
  const int jobs = int(values.size()) * runs;
  std::vector<FinishRecord> records(static_cast<size_t>(jobs));
  RunJobs(
      jobs, threads,
      [&](int job) {
        SimScenario s = DrawFinish(scenario, seed, job % runs);
        s.profileKeys.emplace_back(range.key, values[size_t(job / runs)]);
        records[size_t(job)] = Classify(s, RunSimulation(s));
      },
      [&](int finished) {
        if (done) done(finished, jobs);
      });
  std::vector<SweepRates> rows;
  for (size_t v = 0; v < values.size(); ++v) {
    const auto first = records.begin() + std::ptrdiff_t(v) * runs;
    rows.push_back({values[v], Summarise(std::vector<FinishRecord>(first, first + runs))});
  }
  return rows;
}

std::string FormatWinRate(const SimScenario& s, const WinRate& w, uint64_t seed) {
  std::string text = Format("scenario %s: %d finishes drawn from seed %llu\n",
                            s.name.empty() ? "(unnamed)" : s.name.c_str(), w.runs,
                            static_cast<unsigned long long>(seed));
  text += Format("win rate: %s (%d of %d; 95%% interval %.1f%%..%.1f%%)\n",
                 Percent(w.wins, w.runs).c_str(), w.wins, w.runs, 100 * w.low, 100 * w.high);
  for (int r = 1; r < kFinishResults; ++r)
    text += Format("lost, %s: %s (%d)\n", FinishResultName(FinishResult(r)),
                   Percent(w.counts[size_t(r)], w.runs).c_str(), w.counts[size_t(r)]);
  text += w.medianLeftSec ? Format("median seconds left at acceptance: %.1f s\n", *w.medianLeftSec)
                          : std::string("median seconds left at acceptance: - (no win)\n");
  return text;
}

std::string FormatSweepRates(const SweepRange& range, const std::vector<SweepRates>& rows) {
  std::string out = "| " + range.key +
                    " | win rate | 95% interval | refused outside | not confirmed | outbid |"
                    " refused otherwise | no bid | median s left |\n";
  out += "|---:|---:|---|---:|---:|---:|---:|---:|---:|\n";
  for (const SweepRates& row : rows) {
    const WinRate& w = row.rate;
    out += Format("| %d | %s | %.1f%%..%.1f%% |", row.value, Percent(w.wins, w.runs).c_str(),
                  100 * w.low, 100 * w.high);
    for (int r = 1; r < kFinishResults; ++r)
      out += " " + Percent(w.counts[size_t(r)], w.runs) + " |";
    out += w.medianLeftSec ? Format(" %.1f |\n", *w.medianLeftSec) : std::string(" - |\n");
  }
  return out;
}

}  // namespace tavik
