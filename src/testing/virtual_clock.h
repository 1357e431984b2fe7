#pragma once
// A clock in virtual time that runs its registered threads one at a time.
//
// The thread that is not registered (the test, or the simulator's main loop) is the driver:
// runFor/runUntil (or its own sleepMs) advance time. Time moves only when every registered
// thread sleeps; the earliest wake-up runs next, window timers before threads at the same
// instant, ties in order of registration. The same program thus gives the same interleaving,
// the same virtual times and the same log on every run, and an auction hour takes seconds.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/mailbox.h"
#include "platform/timers.h"

namespace tavik {

class VirtualClock final : public Clock {
 public:
  // Starts at the given UTC time; local time is UTC + localOffsetMs (China: +8 h).
  explicit VirtualClock(int64_t startUtcMs = 1'765'245'600'000,  // 2025-12-09 02:00:00 UTC
                        int64_t localOffsetMs = 8 * 3'600'000);
  ~VirtualClock() override;

  // Clock
  void sleepMs(int ms) override;
  uint32_t tickCountMs() override;
  int64_t utcNowMs() override;
  int64_t localOffsetMs(int64_t unixMs) override;
  int reserveThread(const std::string& name) override;
  void beginThread(int slot) override;
  void endThread(int slot) override;
  void interruptSleeps() override;

  // Driver side.
  void runFor(int64_t ms);
  void runUntil(int64_t virtualMs);
  // Runs until the local time of day reaches h:m:s.ms today (or does nothing if past).
  void runUntilLocal(int h, int m, int s, int ms = 0);
  // Virtual milliseconds elapsed since construction.
  int64_t elapsedMs() const;
  // Makes the machine's clock read `deltaMs` more than true time from now on, without moving
  // the tick count or any wake-up (a wrong PC clock, for network-time tests).
  void skewUtc(int64_t deltaMs);

  // Timers that fire on the driver thread. Returns a handle for cancelTimer.
  int addTimer(int64_t periodMs, std::function<void()> callback);
  void cancelTimer(int handle);
  // Runs `work` once on the driver thread at the current instant, before any thread that
  // wakes at that instant; from any thread.
  void postToDriver(std::function<void()> work);
  // Whether the calling thread is the driver (not a thread registered with this clock).
  bool isDriverThread() const;

 private:
  enum class SlotState { Reserved, Sleeping, Running, Ended };
  struct Slot {
    std::string name;
    SlotState state = SlotState::Reserved;
    int64_t wakeAt = 0;
  };
  struct Timer {
    int64_t dueAt = 0;
    int64_t periodMs = 0;
    std::function<void()> callback;
    bool once = false;
  };

  void runUntilLocked(std::unique_lock<std::mutex>& lock, int64_t target);

  // Wakes the thread that is to run next, and nobody else: one condition for each slot and one
  // for the driver, so a hand-over costs one wake-up however many threads sleep.
  void wakeSlot(int slot) { slotWakes_[size_t(slot)].notify_one(); }
  void wakeAll();

  mutable std::mutex mutex_;
  std::condition_variable driverWake_;
  std::deque<std::condition_variable> slotWakes_;  // by slot; a deque never moves them
  int64_t now_ = 0;                                // virtual ms since construction
  int64_t startUtcMs_;
  int64_t skewMs_ = 0;
  int64_t localOffsetMs_;
  std::vector<Slot> slots_;
  int current_ = -1;  // slot allowed to run, -1 while the driver runs
  bool interrupted_ = false;
  std::map<int, Timer> timers_;  // by handle = creation order
  int nextTimer_ = 1;
};

// The window's mailbox in virtual time: the driver runs posted work at the current instant.
class VirtualMailbox final : public WindowMailbox {
 public:
  explicit VirtualMailbox(VirtualClock& clock) : clock_(clock) {}
  void post(std::function<void()> work) override { clock_.postToDriver(std::move(work)); }

 private:
  VirtualClock& clock_;
};

// Window timers in virtual time, firing on the driver thread. Started or stopped from another
// thread, the change is posted to the driver, as a real window's timers are.
class VirtualTimers final : public WindowTimers {
 public:
  explicit VirtualTimers(VirtualClock& clock) : clock_(clock) {}
  ~VirtualTimers() override;
  void setHandler(Handler handler) override { handler_ = std::move(handler); }
  void start(int id, int periodMs) override;
  void stop(int id) override;
  bool isActive(int id) const override;

 private:
  void startHere(int id, int periodMs);
  void stopHere(int id);

  VirtualClock& clock_;
  Handler handler_;
  mutable std::mutex mutex_;
  std::map<int, int> active_;  // timer id -> clock handle
};

}  // namespace tavik
