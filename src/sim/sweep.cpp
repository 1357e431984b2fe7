#include "sim/sweep.h"

#include <charconv>
#include <cstdio>

namespace tavik {

namespace {

constexpr int kMaxSweepRuns = 200;

std::optional<int32_t> Number(std::string_view text) {
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

// "91400 @ 36 s" of an accepted bid, or "-".
std::string BidCell(const SimScenario& s, const SimOutcome& out, int bid) {
  for (const SimEvent& e : out.events) {
    if (e.kind != "bid_accepted" || e.fields.value("bid", 0) != bid) continue;
    const int left = int((s.endMs - e.auctionMs + 999) / 1000);
    return std::to_string(e.fields.value("price", 0)) + " @ " + std::to_string(left) + " s";
  }
  return "-";
}

}  // namespace

std::optional<SweepRange> ParseSweepRange(std::string_view text, std::string& error) {
  const size_t eq = text.rfind('=');
  const size_t dots = text.find("..", eq == std::string_view::npos ? 0 : eq);
  if (eq == std::string_view::npos || dots == std::string_view::npos) {
    error = "a sweep is KEY=FROM..TO or KEY=FROM..TO:STEP, e.g. \"Last Sec 2=40..55\"";
    return std::nullopt;
  }
  SweepRange r;
  r.key = std::string(text.substr(0, eq));
  if (!IsProfileKey(r.key)) {
    error = "\"" + r.key + "\" is not a profile key";
    return std::nullopt;
  }
  std::string_view rest = text.substr(dots + 2);
  const size_t colon = rest.find(':');
  const auto from = Number(text.substr(eq + 1, dots - eq - 1));
  const auto to = Number(rest.substr(0, colon));
  const auto step =
      colon == std::string_view::npos ? std::optional<int32_t>(1) : Number(rest.substr(colon + 1));
  if (!from || !to || !step || *step <= 0 || *to < *from) {
    error = "the range must be FROM..TO with FROM <= TO, and a step above 0";
    return std::nullopt;
  }
  if ((int64_t(*to) - *from) / *step + 1 > kMaxSweepRuns) {
    error = "a sweep runs at most " + std::to_string(kMaxSweepRuns) + " values";
    return std::nullopt;
  }
  r.from = *from;
  r.to = *to;
  r.step = *step;
  return r;
}

std::vector<SweepRow> RunSweep(const SimScenario& scenario, const SweepRange& range,
                               const std::function<void(const SweepRow&)>& done) {
  std::vector<SweepRow> rows;
  for (int64_t v = range.from; v <= range.to; v += range.step) {
    SimScenario s = scenario;
    s.profileKeys.emplace_back(range.key, int32_t(v));
    rows.push_back({int32_t(v), RunSimulation(s)});
    if (done) done(rows.back());
  }
  return rows;
}

std::string FormatSweep(const SimScenario& s, const SweepRange& range,
                        const std::vector<SweepRow>& rows) {
  char line[256];
  std::string out = "| " + range.key + " | second bid | third bid | final lowest | wins |\n";
  out += "|---:|---|---|---:|---|\n";
  for (const SweepRow& row : rows) {
    std::snprintf(line, sizeof line, "| %d | %s | %s | %d | %s |\n", row.value,
                  BidCell(s, row.outcome, 2).c_str(), BidCell(s, row.outcome, 3).c_str(),
                  row.outcome.finalLowest, row.outcome.wins() ? "yes" : "no");
    out += line;
  }
  return out;
}

}  // namespace tavik
