#pragma once
// The report after a practice or real run: when a run ends (the auction's end, Stop, F2/F3, or
// quitting during a run) the assistant draws the run's last minutes from its own log and
// recording into an HTML page beside the log, and remembers the last one for the window's
// menu. Reading the log and writing the page happen on a thread of this object's own, never on
// the window's thread.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/run_log_reader.h"
#include "app/run_state.h"
#include "clock/clock_state.h"
#include "clock/time_state.h"
#include "log/log_file.h"
#include "platform/clock.h"

namespace tavik {

// The most of the log's end a report reads; a longer run's start is left out (and said so).
inline constexpr size_t kMaxReportLogBytes = 8u << 20;
// Reports kept beside the log; older ones are removed when a new one is written.
inline constexpr size_t kKeptReports = 20;
// "tavik-run-20261209-113003.html"
inline constexpr const char* kReportPrefix = "tavik-run-";

// What the report needs of the run, taken on the window's thread when the run ends (before the
// run state is reset).
struct RunEndFacts {
  CalendarTime endedAt;      // the machine's local time
  int64_t auctionEndMs = 0;  // the auction's end on the assistant's clock; 0 never learnt
  bool realMode = true;
  bool logEnabled = false;
  std::string bidNumber;
  std::string recordingDir;  // the screenshots' folder, empty when there is none
  int32_t ntpOffsetMs = 0;
  bool ntpApplied = false;  // a sync cycle stored an offset in this run
};

// The log's part of one run: where it starts in the file, and the file's time then.
struct LogSpan {
  uint64_t from = 0;
  std::optional<std::filesystem::file_time_type> since;  // the log's last write at its start
};

// The page of one run.
std::string PostRunReportHtml(const RunEndFacts& facts, const RunTimeline& timeline,
                              bool logTruncated);

// Reads the run's part of the log and its recording, writes the page beside the log and removes
// the oldest reports beyond kKeptReports. Returns the page's path, empty when it could not be
// written.
std::string WriteRunReport(const std::string& logPath, const LogSpan& span,
                           const RunEndFacts& facts);

class RunReports {
 public:
  struct Sources {
    Clock& clock;
    LogFile& logFile;
    const RunState& run;
    const ClockState& clockState;
    const NetworkTimeState& netTime;
  };
  // Notes where the log ends now (the next run's part starts there) and finds the newest report
  // already beside the log.
  explicit RunReports(Sources sources);
  ~RunReports();  // stop()
  RunReports(const RunReports&) = delete;
  RunReports& operator=(const RunReports&) = delete;

  // The run has ended: takes its facts now and writes its report on the reports' thread.
  void RunEnded();
  // The last report written (or found at start-up), empty when there is none yet.
  std::string lastReport() const;
  // Waits up to timeoutMs until every queued report is written; true when it was.
  bool waitIdle(int timeoutMs);
  // Writes the report in hand and the queued ones, then ends the thread; idempotent. A report
  // reads at most kMaxReportLogBytes, so this is bounded.
  void stop();

 private:
  struct Job {
    LogSpan span;
    RunEndFacts facts;
  };
  void run();
  LogSpan logEnd() const;

  Sources s_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  LogSpan next_;  // the next run's part of the log; the window's thread alone touches it
  std::string last_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

// The window's menu command: opens the last report in the user's browser with `open`, or tells
// the user with `tell` why there is none to open.
inline constexpr const char* kNoRunReportYet =
    "还没有运行报告。一次练习或实拍运行结束后(拍卖结束、停止或退出), 报告会写在日志旁边。";
inline constexpr const char* kRunReportGone = "上次运行报告已不在: ";
void OpenLastRunReport(const RunReports& reports,
                       const std::function<void(const std::string&)>& open,
                       const std::function<void(const std::string&)>& tell);

}  // namespace tavik
