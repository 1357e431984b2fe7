#pragma once
// Event lines for every subsystem: LogStatus writes a text and, when asked, a snapshot of the
// bidding state (the status line) under it. Nothing is written while the log is switched off.

#include <string>
#include <string_view>

#include "core/run_state.h"
#include "log/log_file.h"

namespace tavik {

// The status line of the current run state, as it appears in the log (UTF-8).
std::string FormatStatusLine(const RunState& run, const ProcessFlags& flags);

class Logger {
 public:
  Logger(LogFile& file, const RunState& run, const ProcessFlags& flags)
      : file_(file), run_(run), flags_(flags) {}

  // A line without status, whatever m_logEnabled says (callers test it where it matters).
  void LogLine(std::string_view text) { file_.LogLine(text); }
  // Text longer than one byte, then the status line when withStatus; only when the log is on.
  void LogStatus(std::string_view text, bool withStatus);
  // LogLine when the log is on.
  void LogRaw(std::string_view text) {
    if (enabled()) file_.LogLine(text);
  }
  bool enabled() const { return run_.m_logEnabled.load() != 0; }

 private:
  LogFile& file_;
  const RunState& run_;
  const ProcessFlags& flags_;
};

}  // namespace tavik
