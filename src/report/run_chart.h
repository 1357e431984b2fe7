#pragma once
// One run's last minutes as a self-contained HTML page (inline SVG, nothing fetched): the lowest
// price with the band a bid counts in, the bids entered, the captcha boxes, Enter, OK and the
// verdicts on one time axis, and the clocks' offsets. The simulator draws its runs with it, and
// the assistant draws its own runs from its log and recording.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tavik {

// One thing that happened, at a time of the page clock (ms of the day).
struct ChartEvent {
  int64_t ms = 0;
  // "lowest_price" (a step of the price line), "bid_button", "captcha_shown", "captcha_gone",
  // "user_key" or "enter", "ok_clicked", "cancel_clicked", "bid_accepted", "bid_refused",
  // "no_captcha", "info_window", "screenshot"; other kinds are not drawn.
  std::string kind;
  int32_t price = 0;
  bool hasPrice = false;
  std::string detail;  // the key of a "user_key"; the file address of a "screenshot"
  std::string title;   // shown when the pointer rests on the mark
};

// The words of the page, so that a report can be written in the user's language.
struct ChartLabels {
  std::string lang = "en";
  std::string lane = "captcha box, Enter";
  std::string end = "end";
  std::string legend =
      "<span style=\"color:#1f5fbf\">&#9473; lowest price</span>"
      "<span style=\"color:#6f9fdf\">&#9608; within 300 of it</span>"
      "<span>&#9675; bid entered</span><span>&#9650; OK</span>"
      "<span style=\"color:#1a9c3a\">&#9679; accepted</span>"
      "<span style=\"color:#d22\">&#10005; refused or no box</span>"
      "<span style=\"color:#d9a400\">&#9608; captcha box up</span>"
      "<span style=\"color:#7a3db8\">| Enter</span>";
  // Added to the legend when the run has information windows or screenshots.
  std::string infoWindowLegend = "<span style=\"color:#d22\">&#9632; information window</span>";
  std::string screenshotLegend = "<span style=\"color:#2a8a8a\">&#9646; screenshot</span>";
  std::string clockHeading = "clock";
  std::string offsetHeading = "ahead of the page clock";
};

struct RunChart {
  std::string title;               // of the browser's tab
  std::string heading;             // the page's first line
  std::string description;         // a paragraph under it, none when empty
  std::string summary;             // preformatted text above the chart
  std::vector<std::string> notes;  // paragraphs under the summary (plain text)
  int64_t startMs = 0;             // the run's start and the auction's end, page clock
  int64_t endMs = 0;
  std::vector<ChartEvent> events;  // in time order
  // Rows of the clocks' table: which clock, how far it is ahead of the page clock (as text).
  std::vector<std::pair<std::string, std::string>> clocks;
  ChartLabels labels;
};

// The page's HTML. Each mark carries data-kind and data-ms (the event's kind and page-clock ms of
// the day), so that a reader (or a test) can take the points back out.
std::string RunChartHtml(const RunChart& chart);

// Shared by every page the programs write.
std::string HtmlEscape(const std::string& text);
std::string HtmlPage(const std::string& title, const std::string& body,
                     const std::string& lang = "en");
// "hh:mm:ss.mmm" of ms of the day.
std::string TimeOfDayText(int64_t msOfDay);

}  // namespace tavik
