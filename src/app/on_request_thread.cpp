#include "app/on_request_thread.h"

namespace tavik {

void OnRequestThread::start() {
  if (thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = false;
    requested_ = false;
  }
  thread_ = std::thread([this] { loop(); });
}

void OnRequestThread::request() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    requested_ = true;
  }
  changed_.notify_one();
}

void OnRequestThread::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_one();
  if (thread_.joinable()) thread_.join();
}

uint64_t OnRequestThread::runs() const {
  std::lock_guard lock(mutex_);
  return runs_;
}

void OnRequestThread::loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    // Stop wakes this wait, so it lasts no longer than the window that asks stays open.
    changed_.wait(lock, [this] { return stopping_ || requested_; });
    if (stopping_) return;
    requested_ = false;
    lock.unlock();
    work_();
    lock.lock();
    ++runs_;
  }
}

}  // namespace tavik
