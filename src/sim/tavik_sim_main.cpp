// tavik-sim: the whole assistant against a simulated auction, in virtual time.
//
//   tavik-sim [--out DIR] SCENARIO.json
//   tavik-sim --sweep "KEY=FROM..TO[:STEP]" SCENARIO.json
//
// A run writes DIR/NAME.events.jsonl (the page's events) and DIR/NAME.log (the diagnostic log)
// and prints a summary; a sweep prints a table. The scenario format: docs/simulator.md.

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include "core/file_names.h"

#include "sim/scenario.h"
#include "sim/simulation.h"
#include "sim/sweep.h"

namespace {

using namespace tavik;

constexpr const char* kUsage =
    "usage: tavik-sim [--out DIR] SCENARIO.json\n"
    "       tavik-sim --sweep \"KEY=FROM..TO[:STEP]\" SCENARIO.json\n"
    "Runs the assistant against a simulated auction in virtual time (docs/simulator.md).\n";

struct Options {
  std::string scenario;
  std::string outDir = "tavik-sim-out";
  std::string sweep;
};

bool ParseArgs(const std::vector<std::string>& args, Options& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--out" || a == "--sweep") && i + 1 < args.size()) {
      (a == "--out" ? o.outDir : o.sweep) = args[++i];
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
  const std::string name = s.name.empty() ? "scenario" : s.name;
  const std::string events = o.outDir + "/" + name + ".events.jsonl";
  const std::string log = o.outDir + "/" + name + ".log";
  if (!WriteFile(events, out.eventLines) || !WriteFile(log, out.log)) {
    std::fprintf(stderr, "tavik-sim: cannot write %s or %s\n", events.c_str(), log.c_str());
    return 1;
  }
  std::fputs(FormatSummary(s, out).c_str(), stdout);
  std::printf("events: %s\nlog: %s\n", events.c_str(), log.c_str());
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
