#pragma once
// Screen recording of the last minute: one screenshot per remaining second, into a folder per
// bid number beside the program. The 200 ms tick only takes the picture; encoding and writing
// it happen on the screenshot writer's own thread, so the window's thread never waits for the
// disk in the bidding minute.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/run_state.h"
#include "clock/clock_state.h"
#include "platform/image.h"
#include "recognition/screen_driver.h"

namespace tavik {

// Writes queued screenshots as BMP files on a thread of its own, without waiting for the disk
// to confirm them (screenshots are diagnostics).
class ScreenshotWriter {
 public:
  // Pictures waiting at most; a full-screen picture is several megabytes.
  static constexpr size_t kMaxQueued = 3;

  // `onFailure` is told the path of each picture that could not be written (from the
  // writer's thread).
  explicit ScreenshotWriter(std::function<void(const std::string&)> onFailure = {});
  ~ScreenshotWriter();  // writes what is queued, then stops
  ScreenshotWriter(const ScreenshotWriter&) = delete;
  ScreenshotWriter& operator=(const ScreenshotWriter&) = delete;

  // Queues a picture; false (and the picture is dropped) when the queue is full or stopped.
  bool submit(std::string path, Image image);
  // Waits up to timeoutMs until every queued picture is written; true when it was.
  bool waitIdle(int timeoutMs);
  // Writes what is queued and ends the thread; idempotent.
  void stop();
  int failures() const;

 private:
  struct Job {
    std::string path;
    Image image;
  };
  void run();

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  bool busy_ = false;
  bool stopping_ = false;
  int failures_ = 0;
  std::function<void(const std::string&)> onFailure_;
  std::thread thread_;
};

// "<exeDir>log/<bidNumber>", the folder the screenshots go to.
std::string RecordingDirectory(const RunState& run);

// Creates the recording folder when it is missing. The bid number becomes a folder name, so
// only a plain digit string is accepted; returns whether the folder exists afterwards.
bool EnsureRecordingDirectory(const RunState& run);

// The screenshot step of the 200 ms tick: at most one capture per remaining second while
// 0 < m_remainSec < 60, recording is on and a bid number names the folder.
void CaptureSecond(const RunState& run, const ClockState& clock, ProcessFlags& flags,
                   ScreenDriver& screen, ScreenshotWriter& writer);

}  // namespace tavik
