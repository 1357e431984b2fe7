#pragma once
// Event lines for every subsystem: LogStatus writes a text and, when asked, the status line
// under it. The log knows nothing of the run: whether it is on is a flag its owner keeps, and
// the status line comes from a function its owner sets. Nothing is written while it is off.

#include <functional>
#include <string>
#include <string_view>

#include "core/atomic_int.h"
#include "log/log_file.h"

namespace tavik {

class Logger {
 public:
  // Makes the status line (UTF-8) at the moment it is written.
  using StatusLine = std::function<std::string()>;

  // `enabled` is the owner's m_logEnabled; the log is on while it is not 0.
  Logger(LogFile& file, const AtomicInt& enabled, StatusLine statusLine = {})
      : file_(file), enabled_(enabled), statusLine_(std::move(statusLine)) {}

  // The status line's source; set before any other thread logs.
  void setStatusLine(StatusLine statusLine) { statusLine_ = std::move(statusLine); }

  // A line without status, whatever the switch says (callers test it where it matters).
  void LogLine(std::string_view text) { file_.LogLine(text); }
  // Text longer than one byte, then the status line when withStatus; only when the log is on.
  void LogStatus(std::string_view text, bool withStatus);
  // LogLine when the log is on.
  void LogRaw(std::string_view text) {
    if (enabled()) file_.LogLine(text);
  }
  bool enabled() const { return enabled_.load() != 0; }

 private:
  LogFile& file_;
  const AtomicInt& enabled_;
  StatusLine statusLine_;
};

}  // namespace tavik
