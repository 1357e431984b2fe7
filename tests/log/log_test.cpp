#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
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

// A clock whose reads give the listed times in turn, as time moves on between two writers'
// reads. The first read takes its time and then holds its caller until release(), or for at
// most kHoldMs. A log that reads the clock before its lock lets the other writer stamp and write
// its line meanwhile; one that reads it under the lock keeps the other writer waiting on the
// lock, so the hold ends by its time limit and the other writer goes second.
class HeldFirstReadClock final : public Clock {
 public:
  static constexpr int kHoldMs = 500;
  explicit HeldFirstReadClock(std::vector<int64_t> utcMs) : times_(std::move(utcMs)) {}

  int64_t utcNowMs() override {
    std::unique_lock lock(mutex_);
    const int64_t now = times_[std::min(reads_, times_.size() - 1)];
    if (reads_++ == 0) {
      held_ = true;
      changed_.notify_all();
      changed_.wait_for(lock, std::chrono::milliseconds(kHoldMs), [this] { return released_; });
    }
    return now;
  }
  int64_t localOffsetMs(int64_t) override { return 8 * 3'600'000; }
  void sleepMs(int) override {}
  uint32_t tickCountMs() override { return 0; }
  void interruptSleeps() override {}

  void waitUntilHeld() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return held_; });
  }
  void release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int64_t> times_;
  size_t reads_ = 0;
  bool held_ = false;
  bool released_ = false;
};

// A writer that has read 11:29:59 and is then held up must not end up after a line that
// another writer stamped 11:30:00: each line's stamp is taken when the line gets its turn.
TEST(LogFileThreads, LinesAreInTheOrderOfTheirTimeStampsAcrossASecond) {
  TempDir dir;
  constexpr int64_t kBeforeTheSecond = 1'765'250'999'900;  // 2025-12-09 11:29:59.900, UTC+8
  HeldFirstReadClock clock({kBeforeTheSecond, kBeforeTheSecond + 200});
  LogFile file(clock, dir.file("my.Log"));
  std::thread first([&file] { file.LogLine("first"); });
  clock.waitUntilHeld();
  file.LogLine("second");
  clock.release();
  first.join();
  EXPECT_EQ(TempDir::readFile(dir.file("my.Log")),
            "2025-12-09 11:29:59---first\r\n2025-12-09 11:30:00---second\r\n");
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
