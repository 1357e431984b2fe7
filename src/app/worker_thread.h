#pragma once
// A named thread that loops "sleep for the period, then one pass" on the Clock until stopped.

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/clock.h"

namespace tavik {

class WorkerThread {
 public:
  // `period` is asked before every sleep; `pass` runs after it unless a stop was requested.
  WorkerThread(Clock& clock, std::string name, std::function<int()> period,
               std::function<void()> pass);
  ~WorkerThread();  // stops and joins
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  void requestStop() { stop_ = true; }
  void join();
  const std::string& name() const { return name_; }

 private:
  void run(int slot);

  Clock& clock_;
  std::string name_;
  std::function<int()> period_;
  std::function<void()> pass_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace tavik
