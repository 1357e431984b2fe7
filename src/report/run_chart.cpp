#include "report/run_chart.h"

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

int32_t PriceAt(const std::vector<ChartEvent>& events, int64_t t) {
  int32_t price = 0;
  for (const ChartEvent& e : events) {
    if (e.kind != "lowest_price") continue;
    if (e.ms > t && price != 0) break;
    price = e.price;
  }
  return price;
}

// A mark at an event: its kind and time ride along as data attributes.
std::string Mark(const ChartEvent& e, const std::string& shape) {
  return "<g class=\"mark\" data-kind=\"" + HtmlEscape(e.kind) + "\" data-ms=\"" +
         std::to_string(e.ms) + "\"><title>" + HtmlEscape(e.title) + "</title>" + shape + "</g>\n";
}

std::string Axis(const Axes& a) {
  std::string svg;
  for (int64_t t = (a.t0 / 10'000 + 1) * 10'000; t <= a.t1; t += 10'000) {
    const double x = a.x(t);
    svg += Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#eee\"/>", x,
                  kTop, x, kPlotBottom);
    svg += Format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n", x,
                  kLaneTop + kLaneHeight + 18, TimeOfDayText(t).substr(0, 8).c_str());
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
std::string PriceCourseSvg(const Axes& a, const std::vector<ChartEvent>& events) {
  std::vector<std::pair<int64_t, int32_t>> steps{{a.t0, PriceAt(events, a.t0)}};
  for (const ChartEvent& e : events)
    if (e.kind == "lowest_price" && e.ms > a.t0 && e.ms <= a.t1) steps.push_back({e.ms, e.price});
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

bool IsEnter(const ChartEvent& e) {
  return e.kind == "enter" || (e.kind == "user_key" && e.detail == "Enter");
}

std::string EventMarks(const Axes& a, const std::vector<ChartEvent>& events) {
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
  for (const ChartEvent& e : events) {
    if (e.ms < a.t0 || e.ms > a.t1) continue;
    const double x = a.x(e.ms);
    const double y = a.y(std::clamp(e.hasPrice ? e.price : 0, a.p0, a.p1));
    if (e.kind == "bid_button") {
      svg += Mark(e, Format("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"5\" fill=\"none\" "
                            "stroke=\"#555\" stroke-width=\"2\"/>",
                            x, y));
    } else if (e.kind == "captcha_shown") {
      boxFrom = e.ms;
      svg += Mark(e, Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" "
                            "stroke=\"#d9a400\" stroke-width=\"2\"/>",
                            x, kLaneTop - 6, x, kLaneTop + kLaneHeight));
    } else if (e.kind == "captcha_gone") {
      boxClosed(e.ms);
      svg += Mark(e, Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" "
                            "stroke=\"#a07800\" stroke-width=\"1\" stroke-dasharray=\"2 2\"/>",
                            x, kLaneTop, x, kLaneTop + kLaneHeight + 6));
    } else if (e.kind == "ok_clicked" || e.kind == "cancel_clicked") {
      boxClosed(e.ms);
      svg += Mark(e, Format("<path d=\"M%.1f %.1fl-6 10h12z\" fill=\"%s\"/>", x, y - 6,
                            e.kind == "ok_clicked" ? "#333" : "#999"));
    } else if (IsEnter(e)) {
      svg += Mark(e, Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" "
                            "stroke=\"#7a3db8\" stroke-width=\"2\"/>",
                            x, kLaneTop + 4, x, kLaneTop + kLaneHeight - 4));
    } else if (e.kind == "bid_accepted") {
      svg += Mark(e, Format("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"6\" fill=\"#1a9c3a\"/>", x, y));
    } else if (e.kind == "bid_refused" || e.kind == "no_captcha") {
      svg += Mark(e, Format("<path d=\"M%.1f %.1fl10 10m0 -10l-10 10\" stroke=\"#d22\" "
                            "stroke-width=\"3\"/>",
                            x - 5, y - 5));
    } else if (e.kind == "info_window") {
      svg += Mark(e, Format("<rect x=\"%.1f\" y=\"%.1f\" width=\"8\" height=\"8\" fill=\"#d22\"/>",
                            x - 4, kTop + 4));
    } else if (e.kind == "screenshot") {
      // A link to the picture of that second; the address is a file on this machine.
      svg += "<a href=\"" + HtmlEscape(e.detail) + "\">" +
             Mark(e, Format("<rect x=\"%.1f\" y=\"%.1f\" width=\"3\" height=\"8\" "
                            "fill=\"#2a8a8a\"/>",
                            x - 1.5, kLaneTop + kLaneHeight + 22)) +
             "</a>\n";
    }
  }
  boxClosed(a.t1);
  return boxes + svg;
}

Axes RunAxes(const RunChart& c) {
  Axes a{std::max(c.startMs, c.endMs - kShownMs), c.endMs + kAfterEndMs, 0, 0};
  int32_t low = PriceAt(c.events, a.t0), high = low;
  for (const ChartEvent& e : c.events) {
    if (e.ms < a.t0 || e.ms > a.t1 || !e.hasPrice) continue;
    if (e.price <= 0) continue;
    low = std::min(low, e.price);
    high = std::max(high, e.price);
  }
  a.p0 = (low - kWindow - 200) / 100 * 100;
  a.p1 = (high + kWindow + 300) / 100 * 100;
  return a;
}

bool Has(const RunChart& c, const char* kind) {
  return std::any_of(c.events.begin(), c.events.end(),
                     [&](const ChartEvent& e) { return e.kind == kind; });
}

}  // namespace

std::string TimeOfDayText(int64_t msOfDay) {
  constexpr int64_t kDayMs = 86'400'000;
  const int64_t ms = (msOfDay % kDayMs + kDayMs) % kDayMs;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", int(ms / 3'600'000),
                int(ms / 60'000 % 60), int(ms / 1000 % 60), int(ms % 1000));
  return text;
}

std::string HtmlEscape(const std::string& text) {
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

std::string HtmlPage(const std::string& title, const std::string& body, const std::string& lang) {
  return "<!DOCTYPE html>\n<html lang=\"" + HtmlEscape(lang) +
         "\"><head><meta charset=\"utf-8\"><title>" + HtmlEscape(title) +
         "</title>\n<style>body{font:14px sans-serif;margin:16px;color:#222}"
         "svg text{font:12px sans-serif}table{border-collapse:collapse}"
         "td,th{border:1px solid #ccc;padding:2px 8px;text-align:right}"
         ".legend span{margin-right:14px}</style></head><body>\n" +
         body + "</body></html>\n";
}

std::string RunChartHtml(const RunChart& c) {
  const Axes a = RunAxes(c);
  const ChartLabels& l = c.labels;
  std::string body = "<h1>" + HtmlEscape(c.heading) + "</h1>\n";
  if (!c.description.empty()) body += "<p>" + HtmlEscape(c.description) + "</p>\n";
  body += "<pre>" + HtmlEscape(c.summary) + "</pre>\n";
  for (const std::string& note : c.notes)
    body += "<p class=\"note\">" + HtmlEscape(note) + "</p>\n";
  body += Format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
      "viewBox=\"0 0 %.0f %.0f\">\n",
      kWidth, kHeight, kWidth, kHeight);
  body += Axis(a) + PriceCourseSvg(a, c.events);
  body += Format("<text x=\"%.1f\" y=\"%.1f\">%s</text>\n", 4.0, kLaneTop + 19,
                 HtmlEscape(l.lane).c_str());
  const double end = a.x(c.endMs);
  body += Format(
      "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#000\" "
      "stroke-dasharray=\"4 3\"/><text x=\"%.1f\" y=\"%.1f\">%s</text>\n",
      end, kTop, end, kLaneTop + kLaneHeight, end + 3, kTop + 12, HtmlEscape(l.end).c_str());
  body += EventMarks(a, c.events) + "</svg>\n";
  std::string legend = l.legend;
  if (Has(c, "info_window")) legend += l.infoWindowLegend;
  if (Has(c, "screenshot")) legend += l.screenshotLegend;
  body += "<p class=\"legend\">" + legend + "</p>\n";
  body += "<table><tr><th>" + HtmlEscape(l.clockHeading) + "</th><th>" +
          HtmlEscape(l.offsetHeading) + "</th></tr>";
  for (const auto& [clock, offset] : c.clocks)
    body += "<tr><td>" + HtmlEscape(clock) + "</td><td>" + HtmlEscape(offset) + "</td></tr>";
  body += "</table>\n";
  return HtmlPage(c.title, body, l.lang);
}

}  // namespace tavik
