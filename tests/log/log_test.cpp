#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "core/gbk.h"
#include "log/log_file.h"
#include "log/logger.h"
#include "support/temp_dir.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

using testing::TempDir;

class LogTest : public ::testing::Test {
 protected:
  LogTest() { clock.runUntilLocal(11, 29, 59, 400); }

  std::string logText() const { return TempDir::readFile(path); }

  TempDir dir;
  std::string path = dir.file("my.Log");
  VirtualClock clock;  // local time: 2025-12-09 11:29:59.400
  LogFile file{clock, path};
  AtomicInt logEnabled{0};
  Logger logger{file, logEnabled, [] { return std::string("状态:3"); }};
};

TEST_F(LogTest, LineIsTimeStampSeparatorGbkTextCrLf) {
  file.LogLine("系统启动,我的IP地址:10.0.0.7");
  const std::string expected =
      "2025-12-09 11:29:59---" + utf8ToGbk("系统启动,我的IP地址:10.0.0.7") + "\r\n";
  EXPECT_EQ(logText(), expected);
  // The GBK bytes of the first character, to be sure the file is not UTF-8.
  EXPECT_EQ(expected.substr(22, 2), "\xCF\xB5");
}

TEST_F(LogTest, AppendsAfterLinesOfEarlierRuns) {
  TempDir::writeFile(path, "2025-12-08 11:00:00---old\r\n");
  file.LogLine("new");
  EXPECT_EQ(logText(), "2025-12-08 11:00:00---old\r\n2025-12-09 11:29:59---new\r\n");
}

TEST_F(LogTest, FailedOpenDropsTheLineAndTheNextCallRetries) {
  const std::string blocked = dir.file("missing/dir/my.Log");
  TempDir::writeFile(dir.file("missing"), "a file where the folder should be");
  LogFile stuck(clock, blocked);
  stuck.LogLine("dropped");
  std::filesystem::remove(dir.file("missing"));
  stuck.LogLine("kept");
  EXPECT_EQ(TempDir::readFile(blocked), "2025-12-09 11:29:59---kept\r\n");
}

TEST_F(LogTest, LogStatusRules) {
  logger.LogStatus("off: nothing at all", true);
  EXPECT_EQ(logText(), "");

  logEnabled = 1;
  logger.LogStatus("88300", false);
  logger.LogStatus("x", true);  // a one-byte text: only the status line
  logger.LogStatus("", true);
  std::istringstream lines(logText());
  std::vector<std::string> got;
  for (std::string l; std::getline(lines, l);) got.push_back(gbkToUtf8(l.substr(22)));
  const std::string status = "状态:3\r";
  EXPECT_EQ(got, (std::vector<std::string>{"88300\r", status, status}));
}

TEST(LogFileThreads, ConcurrentWritersNeverInterleaveWithinALine) {
  TempDir dir;
  RealClock clock;
  LogFile file(clock, dir.file("my.Log"));
  constexpr int kThreads = 4, kLines = 300;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&file, t] {
      const std::string body(100 + t * 37, char('a' + t));
      for (int i = 0; i < kLines; ++i) file.LogLine(body);
    });
  }
  for (auto& t : threads) t.join();

  std::istringstream in(TempDir::readFile(dir.file("my.Log")));
  int count = 0;
  for (std::string line; std::getline(in, line); ++count) {
    ASSERT_EQ(line.back(), '\r');
    ASSERT_EQ(line.substr(19, 3), "---");
    const std::string body = line.substr(22, line.size() - 23);
    ASSERT_FALSE(body.empty());
    EXPECT_EQ(body, std::string(body.size(), body[0])) << "mixed line";
    EXPECT_EQ(body.size(), size_t(100 + (body[0] - 'a') * 37));
  }
  EXPECT_EQ(count, kThreads * kLines);
}

TEST(Gbk, UnmappableAndMalformedBecomeQuestionMarks) {
  EXPECT_EQ(utf8ToGbk("价格"), "\xBC\xDB\xB8\xF1");
  EXPECT_EQ(utf8ToGbk("a\xF0\x9F\x98\x80"
                      "b"),
            "a?b");  // an emoji has no GBK code
  EXPECT_EQ(utf8ToGbk("a\xFF"
                      "b"),
            "a?b");
  EXPECT_EQ(gbkToUtf8("\xBC\xDB\xB8\xF1"), "价格");
}

}  // namespace
}  // namespace tavik
