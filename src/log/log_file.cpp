#include "log/log_file.h"

#include <filesystem>

#include "core/file_names.h"
#include "core/gbk.h"

namespace tavik {

LogFile::LogFile(Clock& clock, std::string path) : clock_(clock), path_(std::move(path)) {}

LogFile::~LogFile() {
  if (m_file) std::fclose(m_file);
}

bool LogFile::openLocked() {
  if (m_file) return true;
  if (path_.empty()) return false;
  // The folder of the fixed location may not exist on a fresh account.
  std::error_code ec;
  const auto parent = PathFromUtf8(path_).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  m_file = OpenFileUtf8(path_, "ab");
  return m_file != nullptr;
}

void LogFile::LogLine(std::string_view utf8Text) {
  const std::string text = utf8ToGbk(utf8Text);
  std::lock_guard lock(m_lock);
  // Stamped under the lock: a stamp read before it could be overtaken by another thread's
  // later one, and the file would run backwards in time at a second boundary.
  const CalendarTime t = clock_.localTime();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  if (!openLocked()) return;
  std::fwrite(stamp, 1, 19, m_file);
  std::fwrite("---", 1, 3, m_file);
  std::fwrite(text.data(), 1, text.size(), m_file);
  std::fwrite("\r\n", 1, 2, m_file);
  std::fflush(m_file);
}

}  // namespace tavik
