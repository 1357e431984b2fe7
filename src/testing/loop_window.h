#pragma once
// A window's thread in real time without a toolkit: one thread runs posted work and fires
// window timers, and starts or stops from other threads are posted to it, as in the Qt window.
// For tests with real threads (ThreadSanitizer) and the real clock.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "platform/mailbox.h"
#include "platform/timers.h"

namespace tavik {

class LoopWindow final : public WindowMailbox, public WindowTimers {
 public:
  LoopWindow();
  ~LoopWindow() override;  // ends the thread; work still queued is dropped
  LoopWindow(const LoopWindow&) = delete;
  LoopWindow& operator=(const LoopWindow&) = delete;

  // WindowMailbox
  void post(std::function<void()> work) override;
  // WindowTimers; the handler is set before any timer starts.
  void setHandler(Handler handler) override { handler_ = std::move(handler); }
  void start(int id, int periodMs) override;
  void stop(int id) override;
  bool isActive(int id) const override;

  // Runs `work` on the window's thread and waits for it (test set-up and checks).
  void runSync(const std::function<void()>& work);
  bool onWindowThread() const { return std::this_thread::get_id() == thread_.get_id(); }

 private:
  using Steady = std::chrono::steady_clock;
  struct Timer {
    Steady::time_point due;
    int periodMs = 0;
  };
  void run();
  void fireDue(std::unique_lock<std::mutex>& lock);

  Handler handler_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> work_;
  std::map<int, Timer> timers_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tavik
