#pragma once
// A diagnostic log in a fresh temporary file, read back as UTF-8.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/gbk.h"
#include "log/log_file.h"

namespace tavik::testing {

class TempLog {
 public:
  explicit TempLog(Clock& clock) : path_(uniquePath()), file(clock, path_) {}
  ~TempLog() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
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
  static std::string uniquePath() {
    static std::atomic<int> next{0};
    return ::testing::TempDir() + "clock_test_" + std::to_string(::getpid()) + "_" +
           std::to_string(next++) + ".log";
  }
  std::string path_;

 public:
  LogFile file;
};

}  // namespace tavik::testing
