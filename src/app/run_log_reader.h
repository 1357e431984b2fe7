#pragma once
// Reads the assistant's own diagnostic log (and the names of its last-minute screenshots) back
// into the timeline of one run: the lowest price, the bids entered, the captcha box shown and
// gone, Enter, OK, the verdicts and the information windows, on the auction clock. The log is
// input from outside: every line is bounded, a line that cannot be read is skipped and
// counted, and nothing in it can make the reader fail.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/run_chart.h"

namespace tavik {

// Longer lines are skipped: the assistant writes none longer than its status line's buffer.
inline constexpr size_t kMaxLogLineBytes = 4096;

// The values of one status line (kStatusLineFormat), in its order.
struct StatusFields {
  int32_t remainSec = 0;
  int32_t tenths = 0;  // of the current second already gone
  int32_t lowestPrice = 0;
  int32_t myPrice = 0;
  int32_t submittedPrice = 0;
  int32_t submittedSec = 0;
  int32_t systemState = 0;
  int32_t captchaState = 0;
  int32_t keyCount = 0;
};

// The status line's fields, or nothing when `text` is not a whole status line with values in
// their ranges.
std::optional<StatusFields> ParseStatusLine(std::string_view text);

// One log line: the local time of its stamp (ms of the day, whole seconds) and its text.
struct LogLineParts {
  int64_t stampMs = 0;
  std::string_view text;
};
std::optional<LogLineParts> ParseLogLine(std::string_view line);

struct RunTimeline {
  // In time order, on the auction clock (ms of the day).
  std::vector<ChartEvent> events;
  size_t lines = 0;        // lines read
  size_t skipped = 0;      // lines that could not be read
  bool pageFound = false;  // the page was located in the run
  int64_t firstMs = -1;    // the first and last time the log shows, -1 when none
  int64_t lastMs = -1;
  // How far this machine's clock was ahead of the auction clock, from the stamps of the lines
  // against the remaining time in their status lines: between low and high.
  std::optional<std::pair<int64_t, int64_t>> machineAheadMs;
  int netTimeFailures = 0;  // lines where network time failed or was found wrong
  bool netTimeSynced = false;
  size_t screenshots = 0;
  size_t skippedFiles = 0;  // recording files whose names are not the recording's
};

// Rebuilds the timeline from the log's text (UTF-8) of one run. `endMs` is the auction's end on
// the assistant's clock (ms of the day); 0 when the run never learnt it, and then the times are
// the lines' stamps.
RunTimeline ReadRunLog(std::string_view utf8Log, int64_t endMs);

// Adds the last-minute screenshots ("img_<seconds left>_<fifth>.bmp", as the recording names
// them) to the timeline, each linked to its file under `dirUrl` ("file:///.../"). At most
// `kMaxRecordingFiles` names are looked at.
inline constexpr size_t kMaxRecordingFiles = 1000;
void AddRecording(RunTimeline& timeline, const std::vector<std::string>& fileNames,
                  const std::string& dirUrl, int64_t endMs);

}  // namespace tavik
