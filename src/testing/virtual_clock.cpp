#include "testing/virtual_clock.h"

#include <limits>

namespace tavik {
namespace {

// The virtual clock and slot the current thread is registered with.
thread_local const VirtualClock* tl_clock = nullptr;
thread_local int tl_slot = -1;

}  // namespace

VirtualClock::VirtualClock(int64_t startUtcMs, int64_t localOffsetMs)
    : startUtcMs_(startUtcMs), localOffsetMs_(localOffsetMs) {}

VirtualClock::~VirtualClock() {
  interruptSleeps();
}

bool VirtualClock::isDriverThread() const {
  return tl_clock != this;
}

uint32_t VirtualClock::tickCountMs() {
  std::lock_guard lock(mutex_);
  return uint32_t(10'000'000 + now_);  // an arbitrary boot time, far from wrapping
}

int64_t VirtualClock::utcNowMs() {
  std::lock_guard lock(mutex_);
  return startUtcMs_ + now_ + skewMs_;
}

int64_t VirtualClock::localOffsetMs(int64_t) {
  return localOffsetMs_;
}

int64_t VirtualClock::elapsedMs() const {
  std::lock_guard lock(mutex_);
  return now_;
}

void VirtualClock::skewUtc(int64_t deltaMs) {
  std::lock_guard lock(mutex_);
  skewMs_ += deltaMs;
}

int VirtualClock::reserveThread(const std::string& name) {
  std::lock_guard lock(mutex_);
  slots_.push_back(Slot{name, SlotState::Reserved, now_});
  slotWakes_.emplace_back();
  return int(slots_.size()) - 1;
}

void VirtualClock::beginThread(int slot) {
  std::unique_lock lock(mutex_);
  tl_clock = this;
  tl_slot = slot;
  slotWakes_[size_t(slot)].wait(lock, [&] { return interrupted_ || current_ == slot; });
  slots_[slot].state = SlotState::Running;
}

void VirtualClock::endThread(int slot) {
  {
    std::lock_guard lock(mutex_);
    slots_[slot].state = SlotState::Ended;
    if (current_ == slot) current_ = -1;
    tl_clock = nullptr;
    tl_slot = -1;
  }
  driverWake_.notify_all();
}

void VirtualClock::sleepMs(int ms) {
  if (isDriverThread()) {
    runFor(ms < 0 ? 0 : ms);
    return;
  }
  std::unique_lock lock(mutex_);
  if (interrupted_) return;
  Slot& me = slots_[tl_slot];
  me.state = SlotState::Sleeping;
  me.wakeAt = now_ + (ms < 0 ? 0 : ms);
  current_ = -1;
  driverWake_.notify_all();
  const int slot = tl_slot;
  slotWakes_[size_t(slot)].wait(lock, [&] { return interrupted_ || current_ == slot; });
  slots_[slot].state = SlotState::Running;
}

void VirtualClock::interruptSleeps() {
  {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
  }
  wakeAll();
}

void VirtualClock::wakeAll() {
  std::lock_guard lock(mutex_);
  for (auto& wake : slotWakes_) wake.notify_all();
  driverWake_.notify_all();
}

void VirtualClock::runFor(int64_t ms) {
  std::unique_lock lock(mutex_);
  runUntilLocked(lock, now_ + ms);
}

void VirtualClock::runUntil(int64_t virtualMs) {
  std::unique_lock lock(mutex_);
  runUntilLocked(lock, virtualMs);
}

void VirtualClock::runUntilLocal(int h, int m, int s, int ms) {
  int64_t target;
  {
    std::lock_guard lock(mutex_);
    const int64_t localNow = startUtcMs_ + now_ + skewMs_ + localOffsetMs_;
    const int64_t msOfDay = ((localNow % 86'400'000) + 86'400'000) % 86'400'000;
    const int64_t wanted = ((int64_t(h) * 60 + m) * 60 + s) * 1000 + ms;
    if (wanted <= msOfDay) return;
    target = now_ + (wanted - msOfDay);
  }
  runUntil(target);
}

void VirtualClock::runUntilLocked(std::unique_lock<std::mutex>& lock, int64_t target) {
  while (!interrupted_) {
    // Wait for the running thread to sleep or end.
    driverWake_.wait(lock, [&] { return interrupted_ || current_ == -1; });
    if (interrupted_) return;

    // The earliest event: timers first at equal times, then threads in slot order.
    int64_t bestAt = std::numeric_limits<int64_t>::max();
    int bestTimer = -1;
    int bestSlot = -1;
    for (const auto& [handle, t] : timers_) {
      if (t.dueAt < bestAt) {
        bestAt = t.dueAt;
        bestTimer = handle;
      }
    }
    for (size_t i = 0; i < slots_.size(); ++i) {
      const Slot& s = slots_[i];
      if (s.state != SlotState::Sleeping && s.state != SlotState::Reserved) continue;
      if (s.wakeAt < bestAt) {
        bestAt = s.wakeAt;
        bestSlot = int(i);
        bestTimer = -1;
      }
    }
    if (bestAt > target) {
      if (target > now_) now_ = target;
      return;
    }
    if (bestAt > now_) now_ = bestAt;

    if (bestTimer != -1) {
      Timer& t = timers_[bestTimer];
      t.dueAt = now_ + (t.periodMs > 0 ? t.periodMs : 1);
      auto callback = t.callback;  // the callback may cancel its own timer
      if (t.once) timers_.erase(bestTimer);
      lock.unlock();
      callback();
      lock.lock();
      continue;
    }
    current_ = bestSlot;
    wakeSlot(bestSlot);
    driverWake_.wait(lock, [&] { return interrupted_ || current_ != bestSlot; });
  }
}

int VirtualClock::addTimer(int64_t periodMs, std::function<void()> callback) {
  std::lock_guard lock(mutex_);
  const int handle = nextTimer_++;
  timers_[handle] = Timer{now_ + periodMs, periodMs, std::move(callback)};
  return handle;
}

void VirtualClock::cancelTimer(int handle) {
  std::lock_guard lock(mutex_);
  timers_.erase(handle);
}

void VirtualClock::postToDriver(std::function<void()> work) {
  std::lock_guard lock(mutex_);
  // Handles grow with creation, so posted work runs in the order posted.
  timers_[nextTimer_++] = Timer{now_, 0, std::move(work), true};
}

VirtualTimers::~VirtualTimers() {
  std::lock_guard lock(mutex_);
  for (const auto& [id, handle] : active_) clock_.cancelTimer(handle);
}

bool VirtualTimers::isActive(int id) const {
  std::lock_guard lock(mutex_);
  return active_.count(id) != 0;
}

void VirtualTimers::start(int id, int periodMs) {
  if (clock_.isDriverThread())
    startHere(id, periodMs);
  else
    clock_.postToDriver([this, id, periodMs] { startHere(id, periodMs); });
}

void VirtualTimers::stop(int id) {
  if (clock_.isDriverThread())
    stopHere(id);
  else
    clock_.postToDriver([this, id] { stopHere(id); });
}

void VirtualTimers::startHere(int id, int periodMs) {
  stopHere(id);
  std::lock_guard lock(mutex_);
  active_[id] = clock_.addTimer(periodMs, [this, id] {
    if (handler_) handler_(id);
  });
}

void VirtualTimers::stopHere(int id) {
  std::lock_guard lock(mutex_);
  auto it = active_.find(id);
  if (it == active_.end()) return;
  clock_.cancelTimer(it->second);
  active_.erase(it);
}

}  // namespace tavik
