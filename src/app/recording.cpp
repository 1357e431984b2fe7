#include "app/recording.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>

#include "core/file_names.h"
#include "recognition/bmp.h"

namespace tavik {

namespace {

bool PlainDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace

ScreenshotWriter::ScreenshotWriter(std::function<void(const std::string&)> onFailure)
    : onFailure_(std::move(onFailure)), thread_([this] { run(); }) {}

ScreenshotWriter::~ScreenshotWriter() {
  stop();
}

bool ScreenshotWriter::submit(std::string path, Image image) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ || queue_.size() >= kMaxQueued) return false;
    queue_.push_back(Job{std::move(path), std::move(image)});
  }
  changed_.notify_all();
  return true;
}

bool ScreenshotWriter::waitIdle(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return queue_.empty() && !busy_; });
}

void ScreenshotWriter::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

int ScreenshotWriter::failures() const {
  std::lock_guard lock(mutex_);
  return failures_;
}

void ScreenshotWriter::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, and everything queued is written
    Job job = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    // The folder is made here, whichever way recording was switched on (marker, checkbox or a
    // scheme's "lx"), and off the window's thread.
    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(job.path).parent_path(), ec);
    std::string error;
    const bool written = WriteBmpUnsynced(job.path, job.image, error);
    if (!written && onFailure_) onFailure_(job.path);
    lock.lock();
    busy_ = false;
    if (!written) ++failures_;
    changed_.notify_all();
  }
}

std::string RecordingDirectory(const RunState& run) {
  return run.m_exeDir.get() + "log/" + run.m_bidNumber.get();
}

bool EnsureRecordingDirectory(const RunState& run) {
  if (!PlainDigits(run.m_bidNumber.get())) return false;
  std::error_code ec;
  const std::filesystem::path dir = PathFromUtf8(RecordingDirectory(run));
  std::filesystem::create_directories(dir, ec);
  return std::filesystem::is_directory(dir, ec);
}

void CaptureSecond(const RunState& run, const ClockState& clock, ProcessFlags& flags,
                   ScreenDriver& screen, ScreenshotWriter& writer) {
  const int remain = clock.m_remainSec;
  if (run.m_recording != 1 || remain <= 0 || remain >= 60 || remain == flags.g_lastShotSec) return;
  flags.g_lastShotSec = remain;
  const std::string bid = run.m_bidNumber.get();
  if (!PlainDigits(bid)) return;
  const Size size = run.m_screenSize.loadSize();
  Image image;
  if (!screen.CaptureImage(0, 0, size.width, size.height, image)) return;
  const std::string path = RecordingDirectory(run) + "/img_" + std::to_string(remain) + "_" +
                           std::to_string(4 - clock.m_subSecondTicks) + ".bmp";
  writer.submit(path, std::move(image));
}

}  // namespace tavik
