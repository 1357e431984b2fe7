#pragma once
// The diagnostic log file: one line per call, "YYYY-mm-dd HH:MM:SS---text\r\n", appended and
// flushed at once, lines of concurrent writers never interleaved.

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace tavik {

class LogFile {
 public:
  LogFile(Clock& clock, std::string path);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Writes one line; the text is UTF-8 and lands in the file as GBK. When the file cannot be
  // opened the line is dropped and the next call tries again.
  void LogLine(std::string_view utf8Text);
  const std::string& path() const { return path_; }

  // The log's fixed place on this platform: $XDG_STATE_HOME/tavik/my.Log, or
  // ~/.local/state/tavik/my.Log when XDG_STATE_HOME is not set; on Windows
  // %LOCALAPPDATA%\tavik\my.Log.
  static std::string defaultPath();

 private:
  bool openLocked();

  Clock& clock_;
  std::mutex m_lock;
  std::string path_;
  std::FILE* m_file = nullptr;
};

}  // namespace tavik
