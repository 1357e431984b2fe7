#pragma once
// A thread of its own that does one piece of work each time it is asked, and otherwise waits.
//
// The view of what tavik sees and the guided calibration capture the auction window on such a
// thread, asked by their window's refresh timer: the cadence is the window's, and the thread
// never sleeps on a Clock. (The controller's Clock is the virtual clock in the UI tests, and a
// thread that is not registered with it would move virtual time itself when it slept.)

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace tavik {

class OnRequestThread {
 public:
  explicit OnRequestThread(std::function<void()> work) : work_(std::move(work)) {}
  ~OnRequestThread() { stop(); }
  OnRequestThread(const OnRequestThread&) = delete;
  OnRequestThread& operator=(const OnRequestThread&) = delete;

  // Starts the thread (again after a stop); idempotent.
  void start();
  // Asks for one run of the work soon; asks made while it runs or waits merge into one.
  // Does nothing while stopped.
  void request();
  // Lets the run in hand finish (one capture) and joins; later asks are dropped.
  void stop();
  // Runs finished since construction.
  uint64_t runs() const;

 private:
  void loop();

  std::function<void()> work_;
  mutable std::mutex mutex_;  // guards the fields below
  std::condition_variable changed_;
  bool stopping_ = true;
  bool requested_ = false;
  uint64_t runs_ = 0;
  std::thread thread_;  // started and joined by the owner's thread only
};

}  // namespace tavik
