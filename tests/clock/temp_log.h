#pragma once
// A diagnostic log in a fresh temporary file, read back as UTF-8.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/gbk.h"
#include "log/log_file.h"
#include "support/temp_dir.h"

namespace tavik::testing {

class TempLog {
 public:
  explicit TempLog(Clock& clock) : path_(dir_.file("clock_test.log")), file(clock, path_) {}
  std::string text() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return gbkToUtf8(s.str());
  }
  int count(const std::string& needle) const {
    const std::string all = text();
    int n = 0;
    for (auto at = all.find(needle); at != std::string::npos; at = all.find(needle, at + 1)) ++n;
    return n;
  }

 private:
  // First: the folder goes after the log file has closed (Windows keeps an open file).
  TempDir dir_;
  std::string path_;

 public:
  LogFile file;
};

}  // namespace tavik::testing
