#include "sim/html_report.h"

#include <algorithm>
#include <cstdio>

#include "report/run_chart.h"

namespace tavik {

namespace {

std::string Format(const char* format, auto... values) {
  char text[512];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// The simulator's event as the chart draws it.
ChartEvent ChartEventOf(const SimEvent& e) {
  ChartEvent c{e.auctionMs, e.kind,  e.fields.value("price", 0), e.fields.contains("price"),
               "",          e.line()};
  if (e.kind == "user_key") c.detail = e.fields.value("key", std::string());
  return c;
}

}  // namespace

std::string RunReportHtml(const SimScenario& s, const SimOutcome& out) {
  RunChart chart;
  chart.title = "tavik-sim: " + s.name;
  chart.heading = "tavik-sim: " + (s.name.empty() ? std::string("(unnamed)") : s.name);
  chart.description = s.description;
  chart.summary = FormatSummary(s, out);
  chart.startMs = s.startMs;
  chart.endMs = s.endMs;
  for (const SimEvent& e : out.events) chart.events.push_back(ChartEventOf(e));
  chart.clocks = {
      {"this machine", Format("%lld ms", static_cast<long long>(s.localOffsetMs))},
      {"time servers", s.networkTimeAnswers
                           ? Format("%lld ms", static_cast<long long>(s.networkOffsetMs))
                           : "no answer"}};
  return RunChartHtml(chart);
}

std::string WinRateReportHtml(const SimScenario& s, const WinRate& w, uint64_t seed) {
  std::string body = "<h1>tavik-sim: " + HtmlEscape(s.name) + "</h1>\n<pre>" +
                     HtmlEscape(FormatWinRate(s, w, seed)) + "</pre>\n";
  constexpr double kBarLeft = 230, kBarWidth = 600, kRow = 26;
  body += Format("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"900\" height=\"%.0f\">\n",
                 kRow * kFinishResults + 10);
  for (int r = 0; r < kFinishResults; ++r) {
    const double share = w.runs > 0 ? double(w.counts[size_t(r)]) / w.runs : 0;
    const double y = 5 + r * kRow;
    body += Format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%s</text>", kBarLeft - 8,
                   y + 15, FinishResultName(FinishResult(r)));
    body += Format(
        "<rect class=\"share\" data-result=\"%d\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" "
        "height=\"18\" fill=\"%s\"/>",
        r, kBarLeft, y, kBarWidth * share, r == 0 ? "#1a9c3a" : "#d88");
    body += Format("<text x=\"%.1f\" y=\"%.1f\">%.1f%% (%d)</text>\n",
                   kBarLeft + kBarWidth * share + 6, y + 15, 100 * share, w.counts[size_t(r)]);
  }
  return HtmlPage("tavik-sim: " + s.name, body + "</svg>\n");
}

std::string SweepRateReportHtml(const SimScenario& s, const SweepRange& range,
                                const std::vector<SweepRates>& rows, int runs, uint64_t seed) {
  std::string body =
      "<h1>tavik-sim: " + HtmlEscape(s.name) + "</h1>\n" +
      Format(
          "<p>Win rate against %s, %d finishes for each value, drawn from seed "
          "%llu; the bars are 95%% intervals.</p>\n",
          HtmlEscape(range.key).c_str(), runs, static_cast<unsigned long long>(seed));
  constexpr double kW = 900, kH = 360, kL = 60, kR = 20, kT = 20, kB = 320;
  const double n = std::max<double>(1, double(rows.size()) - 1);
  const auto x = [&](size_t i) {
    return rows.size() == 1 ? (kL + kW - kR) / 2 : kL + i / n * (kW - kL - kR);
  };
  const auto y = [&](double rate) { return kT + (1 - rate) * (kB - kT); };
  body +=
      Format("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\">\n", kW, kH);
  for (int pct = 0; pct <= 100; pct += 25)
    body += Format(
        "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#eee\"/>"
        "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%d%%</text>\n",
        kL, y(pct / 100.0), kW - kR, y(pct / 100.0), kL - 6, y(pct / 100.0) + 4, pct);
  std::string line;
  for (size_t i = 0; i < rows.size(); ++i) {
    const WinRate& w = rows[i].rate;
    const double rate = w.runs > 0 ? double(w.wins) / w.runs : 0;
    line += Format("%.1f,%.1f ", x(i), y(rate));
    body += Format(
        "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#999\" "
        "stroke-width=\"2\"/>",
        x(i), y(w.low), x(i), y(w.high));
    body += Format(
        "<circle class=\"rate\" data-value=\"%d\" data-wins=\"%d\" data-runs=\"%d\" "
        "cx=\"%.1f\" cy=\"%.1f\" r=\"5\" fill=\"#1a9c3a\"/>",
        rows[i].value, w.wins, w.runs, x(i), y(rate));
    body += Format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%d</text>\n", x(i), kB + 20,
                   rows[i].value);
  }
  body += "<polyline points=\"" + line + "\" fill=\"none\" stroke=\"#1a9c3a\"/>\n";
  body += Format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n", (kL + kW) / 2,
                 kH - 4, HtmlEscape(range.key).c_str());
  return HtmlPage("tavik-sim: " + s.name,
                  body + "</svg>\n<pre>" + HtmlEscape(FormatSweepRates(range, rows)) + "</pre>\n");
}

}  // namespace tavik
