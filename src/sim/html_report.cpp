#include "sim/html_report.h"

#include <algorithm>
#include <cstdio>

namespace tavik {

namespace {

// The run picture shows at most these last minutes of the auction, and a little after the end.
constexpr int64_t kShownMs = 180'000;
constexpr int64_t kAfterEndMs = 3000;
// A bid counts within this much of the lowest price.
constexpr int kWindow = 300;
// The drawing's size and margins, in SVG units.
constexpr double kWidth = 1000, kHeight = 460, kLeft = 70, kRight = 20, kTop = 20;
constexpr double kPlotBottom = 360;  // the price plot; the lane of boxes and keys lies below
constexpr double kLaneTop = 380, kLaneHeight = 30;

std::string Format(const char* format, auto... values) {
  char text[512];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += ch;
    }
  }
  return out;
}

std::string Page(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
         Escape(title) +
         "</title>\n<style>body{font:14px sans-serif;margin:16px;color:#222}"
         "svg text{font:12px sans-serif}table{border-collapse:collapse}"
         "td,th{border:1px solid #ccc;padding:2px 8px;text-align:right}"
         ".legend span{margin-right:14px}</style></head><body>\n" +
         body + "</body></html>\n";
}

// Maps the page clock and prices to the drawing.
struct Axes {
  int64_t t0, t1;
  int32_t p0, p1;
  double x(int64_t t) const {
    return kLeft + double(t - t0) / double(t1 - t0) * (kWidth - kLeft - kRight);
  }
  double y(int32_t p) const {
    return kTop + double(p1 - p) / double(p1 - p0) * (kPlotBottom - kTop);
  }
};

int32_t PriceAt(const std::vector<SimEvent>& events, int64_t t) {
  int32_t price = 0;
  for (const SimEvent& e : events) {
    if (e.kind != "lowest_price") continue;
    if (e.auctionMs > t && price != 0) break;
    price = e.fields.value("price", 0);
  }
  return price;
}

// A mark at an event: its kind and time ride along as data attributes.
std::string Mark(const SimEvent& e, const std::string& shape) {
  return "<g class=\"mark\" data-kind=\"" + e.kind + "\" data-ms=\"" + std::to_string(e.auctionMs) +
         "\"><title>" + Escape(e.line()) + "</title>" + shape + "</g>\n";
}

std::string Axis(const Axes& a) {
  std::string svg;
  for (int64_t t = (a.t0 / 10'000 + 1) * 10'000; t <= a.t1; t += 10'000) {
    const double x = a.x(t);
    svg += Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#eee\"/>", x,
                  kTop, x, kPlotBottom);
    svg += Format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n", x,
                  kLaneTop + kLaneHeight + 18, AuctionTimeText(t).substr(0, 8).c_str());
  }
  const int32_t step = std::max<int32_t>(100, (a.p1 - a.p0) / 800 * 100);
  for (int32_t p = (a.p0 / step + 1) * step; p < a.p1; p += step) {
    const double y = a.y(p);
    svg += Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#eee\"/>", kLeft,
                  y, kWidth - kRight, y);
    svg +=
        Format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%d</text>\n", kLeft - 6, y + 4, p);
  }
  svg += Format(
      "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" "
      "stroke=\"#999\"/>\n",
      kLeft, kTop, kWidth - kLeft - kRight, kPlotBottom - kTop);
  return svg;
}

// The lowest price as steps, with the band of prices a bid would count at around it.
std::string PriceCourseSvg(const Axes& a, const std::vector<SimEvent>& events) {
  std::vector<std::pair<int64_t, int32_t>> steps{{a.t0, PriceAt(events, a.t0)}};
  for (const SimEvent& e : events)
    if (e.kind == "lowest_price" && e.auctionMs > a.t0 && e.auctionMs <= a.t1)
      steps.push_back({e.auctionMs, e.fields.value("price", 0)});
  std::string line, upper, lower;
  for (size_t i = 0; i < steps.size(); ++i) {
    const int64_t to = i + 1 < steps.size() ? steps[i + 1].first : a.t1;
    const int32_t p = steps[i].second;
    line += Format("%.1f,%.1f %.1f,%.1f ", a.x(steps[i].first), a.y(p), a.x(to), a.y(p));
    upper += Format("%.1f,%.1f %.1f,%.1f ", a.x(steps[i].first), a.y(p + kWindow), a.x(to),
                    a.y(p + kWindow));
    lower = Format("%.1f,%.1f %.1f,%.1f ", a.x(to), a.y(p - kWindow), a.x(steps[i].first),
                   a.y(p - kWindow)) +
            lower;
  }
  return "<polygon class=\"window\" points=\"" + upper + lower +
         "\" fill=\"#cfe3ff\" fill-opacity=\"0.6\"/>\n<polyline class=\"lowest\" points=\"" + line +
         "\" fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"2\"/>\n";
}

std::string EventMarks(const Axes& a, const std::vector<SimEvent>& events) {
  std::string boxes, svg;  // the boxes go under the marks
  int64_t boxFrom = -1;
  const auto boxClosed = [&](int64_t t) {
    if (boxFrom < 0) return;
    boxes += Format(
        "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"#ffe9a8\" "
        "stroke=\"#d9a400\"/>\n",
        a.x(boxFrom), kLaneTop, std::max(1.0, a.x(t) - a.x(boxFrom)), kLaneHeight);
    boxFrom = -1;
  };
  for (const SimEvent& e : events) {
    if (e.auctionMs < a.t0 || e.auctionMs > a.t1) continue;
    const double x = a.x(e.auctionMs);
    const int32_t price = e.fields.value("price", 0);
    const double y = a.y(std::clamp(price, a.p0, a.p1));
    if (e.kind == "bid_button") {
      svg += Mark(e, Format("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"5\" fill=\"none\" "
                            "stroke=\"#555\" stroke-width=\"2\"/>",
                            x, y));
    } else if (e.kind == "captcha_shown") {
      boxFrom = e.auctionMs;
      svg += Mark(e, Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" "
                            "stroke=\"#d9a400\" stroke-width=\"2\"/>",
                            x, kLaneTop - 6, x, kLaneTop + kLaneHeight));
    } else if (e.kind == "ok_clicked" || e.kind == "cancel_clicked") {
      boxClosed(e.auctionMs);
      svg += Mark(e, Format("<path d=\"M%.1f %.1fl-6 10h12z\" fill=\"%s\"/>", x, y - 6,
                            e.kind == "ok_clicked" ? "#333" : "#999"));
    } else if (e.kind == "user_key" && e.fields.value("key", std::string()) == "Enter") {
      svg += Mark(e, Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" "
                            "stroke=\"#7a3db8\" stroke-width=\"2\"/>",
                            x, kLaneTop + 4, x, kLaneTop + kLaneHeight - 4));
    } else if (e.kind == "bid_accepted") {
      svg += Mark(e, Format("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"6\" fill=\"#1a9c3a\"/>", x, y));
    } else if (e.kind == "bid_refused" || e.kind == "no_captcha") {
      svg += Mark(e, Format("<path d=\"M%.1f %.1fl10 10m0 -10l-10 10\" stroke=\"#d22\" "
                            "stroke-width=\"3\"/>",
                            x - 5, y - 5));
    }
  }
  boxClosed(a.t1);
  return boxes + svg;
}

Axes RunAxes(const SimScenario& s, const SimOutcome& out) {
  Axes a{std::max(s.startMs, s.endMs - kShownMs), s.endMs + kAfterEndMs, 0, 0};
  int32_t low = PriceAt(out.events, a.t0), high = low;
  for (const SimEvent& e : out.events) {
    if (e.auctionMs < a.t0 || e.auctionMs > a.t1 || !e.fields.contains("price")) continue;
    const int32_t p = e.fields.value("price", 0);
    if (p <= 0) continue;
    low = std::min(low, p);
    high = std::max(high, p);
  }
  a.p0 = (low - kWindow - 200) / 100 * 100;
  a.p1 = (high + kWindow + 300) / 100 * 100;
  return a;
}

}  // namespace

std::string RunReportHtml(const SimScenario& s, const SimOutcome& out) {
  const Axes a = RunAxes(s, out);
  std::string body = "<h1>tavik-sim: " + Escape(s.name.empty() ? "(unnamed)" : s.name) + "</h1>\n";
  if (!s.description.empty()) body += "<p>" + Escape(s.description) + "</p>\n";
  body += "<pre>" + Escape(FormatSummary(s, out)) + "</pre>\n";
  body += Format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
      "viewBox=\"0 0 %.0f %.0f\">\n",
      kWidth, kHeight, kWidth, kHeight);
  body += Axis(a) + PriceCourseSvg(a, out.events);
  body += Format("<text x=\"%.1f\" y=\"%.1f\">captcha box, Enter</text>\n", 4.0, kLaneTop + 19);
  const double end = a.x(s.endMs);
  body += Format(
      "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#000\" "
      "stroke-dasharray=\"4 3\"/><text x=\"%.1f\" y=\"%.1f\">end</text>\n",
      end, kTop, end, kLaneTop + kLaneHeight, end + 3, kTop + 12);
  body += EventMarks(a, out.events) + "</svg>\n";
  body +=
      "<p class=\"legend\"><span style=\"color:#1f5fbf\">&#9473; lowest price</span>"
      "<span style=\"color:#6f9fdf\">&#9608; within 300 of it</span>"
      "<span>&#9675; bid entered</span><span>&#9650; OK</span>"
      "<span style=\"color:#1a9c3a\">&#9679; accepted</span>"
      "<span style=\"color:#d22\">&#10005; refused or no box</span>"
      "<span style=\"color:#d9a400\">&#9608; captcha box up</span>"
      "<span style=\"color:#7a3db8\">| Enter</span></p>\n";
  body += Format(
      "<table><tr><th>clock</th><th>ahead of the page clock</th></tr>"
      "<tr><td>this machine</td><td>%lld ms</td></tr>"
      "<tr><td>time servers</td><td>%s</td></tr></table>\n",
      static_cast<long long>(s.localOffsetMs),
      s.networkTimeAnswers ? Format("%lld ms", static_cast<long long>(s.networkOffsetMs)).c_str()
                           : "no answer");
  return Page("tavik-sim: " + s.name, body);
}

std::string WinRateReportHtml(const SimScenario& s, const WinRate& w, uint64_t seed) {
  std::string body = "<h1>tavik-sim: " + Escape(s.name) + "</h1>\n<pre>" +
                     Escape(FormatWinRate(s, w, seed)) + "</pre>\n";
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
  return Page("tavik-sim: " + s.name, body + "</svg>\n");
}

std::string SweepRateReportHtml(const SimScenario& s, const SweepRange& range,
                                const std::vector<SweepRates>& rows, int runs, uint64_t seed) {
  std::string body = "<h1>tavik-sim: " + Escape(s.name) + "</h1>\n" +
                     Format(
                         "<p>Win rate against %s, %d finishes for each value, drawn from seed "
                         "%llu; the bars are 95%% intervals.</p>\n",
                         Escape(range.key).c_str(), runs, static_cast<unsigned long long>(seed));
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
                 kH - 4, Escape(range.key).c_str());
  return Page("tavik-sim: " + s.name,
              body + "</svg>\n<pre>" + Escape(FormatSweepRates(range, rows)) + "</pre>\n");
}

}  // namespace tavik
