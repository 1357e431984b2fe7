// tavik-sim: the whole assistant against a simulated auction, in virtual time.
//
//   tavik-sim [--out DIR] SCENARIO.json
//   tavik-sim --sweep "KEY=FROM..TO[:STEP]" SCENARIO.json
//   tavik-sim --runs N [--seed S] [--threads T] [--sweep ...] SCENARIO.json
//
// A run writes DIR/NAME.events.jsonl (the page's events) and DIR/NAME.log (the diagnostic log)
// and prints a summary; a sweep prints a table; --runs prints the win rate over N finishes
// (per swept value with --sweep). The scenario format: docs/simulator.md.

#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/file_names.h"

#include "sim/html_report.h"
#include "sim/scenario.h"
#include "sim/simulation.h"
#include "sim/sweep.h"
#include "sim/win_rate.h"

namespace {

using namespace tavik;

constexpr const char* kUsage =
    "usage: tavik-sim [--out DIR] SCENARIO.json\n"
    "       tavik-sim --sweep \"KEY=FROM..TO[:STEP]\" SCENARIO.json\n"
    "       tavik-sim --runs N [--seed S] [--threads T] [--sweep ...] SCENARIO.json\n"
    "Runs the assistant against a simulated auction in virtual time (docs/simulator.md).\n";

constexpr int64_t kMaxRuns = 100'000;
constexpr int64_t kMaxThreads = 256;

struct Options {
  std::string scenario;
  std::string outDir = "tavik-sim-out";
  std::string sweep;
  int runs = 0;  // 0: one run of the scenario as written
  uint64_t seed = 1;
  int threads = 0;  // 0: one worker per core
};

// A whole number within low..high, or nothing.
std::optional<uint64_t> Whole(const std::string& text, uint64_t low, uint64_t high) {
  uint64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high)
    return std::nullopt;
  return v;
}

bool ParseArgs(const std::vector<std::string>& args, Options& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool number = a == "--runs" || a == "--seed" || a == "--threads";
    if ((a == "--out" || a == "--sweep") && i + 1 < args.size()) {
      (a == "--out" ? o.outDir : o.sweep) = args[++i];
    } else if (number && i + 1 < args.size()) {
      const std::string v = args[++i];
      const auto n = a == "--runs"      ? Whole(v, 1, kMaxRuns)
                     : a == "--threads" ? Whole(v, 1, kMaxThreads)
                                        : Whole(v, 0, UINT64_MAX);
      if (!n) {
        std::fprintf(stderr, "tavik-sim: %s takes a whole number%s\n", a.c_str(),
                     a == "--runs"      ? " from 1 to 100000"
                     : a == "--threads" ? " from 1 to 256"
                                        : "");
        return false;
      }
      if (a == "--runs") o.runs = int(*n);
      if (a == "--seed") o.seed = *n;
      if (a == "--threads") o.threads = int(*n);
    } else if (a.rfind("--", 0) == 0 || !o.scenario.empty()) {
      return false;
    } else {
      o.scenario = a;
    }
  }
  return !o.scenario.empty();
}

// A progress line on a terminal, rewritten in place.
class Progress {
 public:
  Progress() : on_(isatty(STDERR_FILENO) != 0) {}
  ~Progress() {
    if (on_ && shown_) std::fputs("\r\033[K", stderr);
  }
  void show(const std::string& text) {
    if (!on_) return;
    std::fprintf(stderr, "\r\033[K%s", text.c_str());
    std::fflush(stderr);
    shown_ = true;
  }

 private:
  bool on_;
  bool shown_ = false;
};

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(PathFromUtf8(path), std::ios::binary);
  out << text;
  return bool(out.flush());
}

// An output file of the scenario's in the output folder (the name holds no path, the scenario
// reader makes sure of that).
std::string OutFile(const SimScenario& s, const Options& o, const char* suffix) {
  return o.outDir + "/" + (s.name.empty() ? "scenario" : s.name) + suffix;
}

// Writes a chart of runs of many; 1 when it cannot be written.
int WriteChart(const SimScenario& s, const Options& o, const char* suffix,
               const std::string& html) {
  std::error_code ec;
  std::filesystem::create_directories(o.outDir, ec);
  const std::string path = OutFile(s, o, suffix);
  if (!WriteFile(path, html)) {
    std::fprintf(stderr, "tavik-sim: cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("chart: %s\n", path.c_str());
  return 0;
}

int RunOne(const SimScenario& s, const Options& o) {
  std::error_code ec;
  std::filesystem::create_directories(PathFromUtf8(o.outDir), ec);
  SimOutcome out;
  {
    Progress progress;
    out = RunSimulation(s, [&](int64_t pageMs, int bids) {
      if (pageMs % 5000 == 0)
        progress.show("tavik-sim: " + AuctionTimeText(pageMs).substr(0, 8) + "  bids counted " +
                      std::to_string(bids));
    });
  }
  const std::string events = OutFile(s, o, ".events.jsonl");
  const std::string log = OutFile(s, o, ".log");
  const std::string report = OutFile(s, o, ".html");
  if (!WriteFile(events, out.eventLines) || !WriteFile(log, out.log) ||
      !WriteFile(report, RunReportHtml(s, out))) {
    std::fprintf(stderr, "tavik-sim: cannot write %s, %s or %s\n", events.c_str(), log.c_str(),
                 report.c_str());
    return 1;
  }
  std::fputs(FormatSummary(s, out).c_str(), stdout);
  std::printf("events: %s\nlog: %s\nreport: %s\n", events.c_str(), log.c_str(), report.c_str());
  return 0;
}

int RunSweepCommand(const SimScenario& s, const Options& o) {
  std::string error;
  const auto range = ParseSweepRange(o.sweep, error);
  if (!range) {
    std::fprintf(stderr, "tavik-sim: --sweep: %s\n", error.c_str());
    return 2;
  }
  Progress progress;
  const auto rows = RunSweep(s, *range, [&](const SweepRow& row) {
    progress.show("tavik-sim: " + range->key + " = " + std::to_string(row.value) + " done");
  });
  progress.show("");
  std::fputs(FormatSweep(s, *range, rows).c_str(), stdout);
  return 0;
}

int RunFinishesCommand(const SimScenario& s, const Options& o) {
  std::optional<SweepRange> range;
  if (!o.sweep.empty()) {
    std::string error;
    range = ParseSweepRange(o.sweep, error);
    if (!range) {
      std::fprintf(stderr, "tavik-sim: --sweep: %s\n", error.c_str());
      return 2;
    }
  }
  if (!s.lowestPrice.isModel() && !s.judgeDelaySpread && !s.captchaDelaySpread && !s.typingSpread &&
      !s.reactSpread)
    std::fprintf(stderr,
                 "tavik-sim: note: the scenario draws nothing (no price model, no spread), so "
                 "every finish is the same\n");
  Progress progress;
  const auto show = [&](int finished, int all) {
    progress.show("tavik-sim: " + std::to_string(finished) + " of " + std::to_string(all) +
                  " finishes run");
  };
  if (range) {
    const auto rows = RunSweepFinishes(s, *range, o.runs, o.seed, o.threads, show);
    progress.show("");
    std::printf("scenario %s: %d finishes for each value, drawn from seed %llu\n",
                s.name.empty() ? "(unnamed)" : s.name.c_str(), o.runs,
                static_cast<unsigned long long>(o.seed));
    std::fputs(FormatSweepRates(*range, rows).c_str(), stdout);
    return WriteChart(s, o, ".sweep.html", SweepRateReportHtml(s, *range, rows, o.runs, o.seed));
  }
  const auto records =
      RunFinishes(s, o.runs, o.seed, o.threads, [&](int finished) { show(finished, o.runs); });
  progress.show("");
  const WinRate rate = Summarise(records);
  std::fputs(FormatWinRate(s, rate, o.seed).c_str(), stdout);
  return WriteChart(s, o, ".runs.html", WinRateReportHtml(s, rate, o.seed));
}

int Main(int argc, char** argv) {
  UseUtf8Console();
  Options o;
  if (!ParseArgs(Utf8Arguments(argc, argv), o)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const auto loaded = LoadScenario(o.scenario);
  if (const auto* e = std::get_if<ScenarioError>(&loaded)) {
    std::fprintf(stderr, "tavik-sim: %s\n", e->message.c_str());
    return 2;
  }
  const SimScenario& s = std::get<SimScenario>(loaded);
  if (o.runs > 0) return RunFinishesCommand(s, o);
  return o.sweep.empty() ? RunOne(s, o) : RunSweepCommand(s, o);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavik-sim: %s\n", e.what());
    return 1;
  }
}
