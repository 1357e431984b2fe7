#include "app/worker_thread.h"

#include <pthread.h>

namespace tavik {

WorkerThread::WorkerThread(Clock& clock, std::string name, std::function<int()> period,
                           std::function<void()> pass)
    : clock_(clock), name_(std::move(name)), period_(std::move(period)), pass_(std::move(pass)) {
  const int slot = clock_.reserveThread(name_);
  thread_ = std::thread([this, slot] { run(slot); });
}

WorkerThread::~WorkerThread() {
  requestStop();
  join();
}

void WorkerThread::join() {
  if (thread_.joinable()) thread_.join();
}

void WorkerThread::run(int slot) {
  pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
  clock_.beginThread(slot);
  while (!stop_) {
    clock_.sleepMs(period_());
    if (stop_) break;
    pass_();
  }
  clock_.endThread(slot);
}

}  // namespace tavik
