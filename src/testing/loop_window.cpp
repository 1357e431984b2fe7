#include "testing/loop_window.h"

#include <future>

namespace tavik {

LoopWindow::LoopWindow() : thread_([this] { run(); }) {}

LoopWindow::~LoopWindow() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void LoopWindow::post(std::function<void()> work) {
  {
    std::lock_guard lock(mutex_);
    work_.push_back(std::move(work));
  }
  changed_.notify_all();
}

void LoopWindow::start(int id, int periodMs) {
  if (onWindowThread()) {
    std::lock_guard lock(mutex_);
    timers_[id] = Timer{Steady::now() + std::chrono::milliseconds(periodMs), periodMs};
    return;
  }
  post([this, id, periodMs] { start(id, periodMs); });
}

void LoopWindow::stop(int id) {
  if (onWindowThread()) {
    std::lock_guard lock(mutex_);
    timers_.erase(id);
    return;
  }
  post([this, id] { stop(id); });
}

bool LoopWindow::isActive(int id) const {
  std::lock_guard lock(mutex_);
  return timers_.count(id) != 0;
}

void LoopWindow::runSync(const std::function<void()>& work) {
  std::promise<void> done;
  post([&] {
    work();
    done.set_value();
  });
  done.get_future().wait();
}

void LoopWindow::fireDue(std::unique_lock<std::mutex>& lock) {
  const auto now = Steady::now();
  for (auto& [id, t] : timers_) {
    if (t.due > now) continue;
    t.due = now + std::chrono::milliseconds(t.periodMs);
    const int firing = id;
    lock.unlock();
    if (handler_) handler_(firing);
    lock.lock();
    return;  // the handler may have changed the timers
  }
}

void LoopWindow::run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (!work_.empty()) {
      auto work = std::move(work_.front());
      work_.pop_front();
      lock.unlock();
      work();
      lock.lock();
      continue;
    }
    fireDue(lock);
    auto next = Steady::now() + std::chrono::milliseconds(50);
    for (const auto& [id, t] : timers_) next = std::min(next, t.due);
    changed_.wait_until(lock, next);
  }
}

}  // namespace tavik
