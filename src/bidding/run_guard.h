#pragma once
// Which run an engine step belongs to. The engine takes a ticket at the start of every step
// (the run's generation, counted up at each Start and Stop); the step's page actions, waits
// and state changes ask Live() first. Once the user stops the run (Stop, F2, the end of the
// auction) or a new run starts, the step's waits end within one slice and nothing of it clicks,
// types, pastes or changes the engine's state afterwards.

#include <algorithm>

#include "core/atomic_int.h"
#include "platform/clock.h"

namespace tavik {

class RunGuard {
 public:
  // `running` and `generation` are the controller's; null when the engine is driven without a
  // controller (tests of single rules): every step is live then.
  RunGuard(const AtomicInt* running, const AtomicInt* generation, Clock& clock)
      : running_(running), generation_(generation), clock_(clock) {}

  // On the engine's thread, at the start of a step.
  void Begin() { ticket_ = generation_ ? generation_->load() : 0; }
  bool Live() const {
    if (!running_ || !generation_) return true;
    return running_->load() == 1 && generation_->load() == ticket_.load();
  }
  // Sleeps `ms` on the clock in slices, and returns false at once when the run has ended.
  bool Sleep(int ms) {
    if (!running_ || !generation_) {
      clock_.sleepMs(ms);
      return true;
    }
    if (!Live()) return false;
    if (ms <= 0) {
      clock_.sleepMs(ms);
      return Live();
    }
    while (ms > 0) {
      const int slice = std::min(ms, kSliceMs);
      clock_.sleepMs(slice);
      ms -= slice;
      if (!Live()) return false;
    }
    return true;
  }

 private:
  // How soon a wait notices that its run has ended.
  static constexpr int kSliceMs = 50;

  const AtomicInt* running_;
  const AtomicInt* generation_;
  Clock& clock_;
  AtomicInt ticket_{0};
};

}  // namespace tavik
