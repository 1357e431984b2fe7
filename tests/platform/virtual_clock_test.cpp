#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "testing/virtual_clock.h"

namespace tavik {
namespace {

// A thread registered with the clock the way the controller's workers are.
class ClockThread {
 public:
  ClockThread(VirtualClock& clock, const std::string& name, std::function<void()> body)
      : clock_(clock), slot_(clock.reserveThread(name)), thread_([this, body] {
          clock_.beginThread(slot_);
          body();
          clock_.endThread(slot_);
        }) {}
  ~ClockThread() { thread_.join(); }

 private:
  VirtualClock& clock_;
  int slot_;
  std::thread thread_;
};

TEST(VirtualClock, RunsThreadsInWakeOrderWithTiesInRegistrationOrder) {
  VirtualClock clock;
  std::mutex m;
  std::vector<std::string> trace;
  auto note = [&](const std::string& what) {
    std::lock_guard lock(m);
    trace.push_back(std::to_string(clock.elapsedMs()) + " " + what);
  };
  {
    ClockThread a(clock, "a", [&] {
      for (int i = 0; i < 3; ++i) {
        clock.sleepMs(100);
        note("a");
      }
    });
    ClockThread b(clock, "b", [&] {
      for (int i = 0; i < 2; ++i) {
        clock.sleepMs(150);
        note("b");
      }
    });
    clock.runFor(1000);
  }
  EXPECT_EQ(trace, (std::vector<std::string>{"100 a", "150 b", "200 a", "300 a", "300 b"}));
  EXPECT_EQ(clock.elapsedMs(), 1000);
}

TEST(VirtualClock, TimeStandsStillWhileAThreadRuns) {
  VirtualClock clock;
  int64_t before = -1, after = -2;
  {
    ClockThread t(clock, "busy", [&] {
      clock.sleepMs(10);
      before = clock.elapsedMs();
      std::this_thread::sleep_for(
          std::chrono::milliseconds(20));  // real work takes no virtual time
      after = clock.elapsedMs();
    });
    clock.runFor(50);
  }
  EXPECT_EQ(before, 10);
  EXPECT_EQ(after, 10);
}

TEST(VirtualClock, TimersFireOnTheDriverBeforeThreadsDueAtTheSameInstant) {
  VirtualClock clock;
  VirtualTimers timers(clock);
  std::vector<std::string> trace;
  std::mutex m;
  timers.setHandler([&](int id) {
    std::lock_guard lock(m);
    trace.push_back(std::to_string(clock.elapsedMs()) + " timer" + std::to_string(id));
    if (id == 9) timers.stop(9);  // one-shot, as the upload trigger
  });
  timers.start(1, 200);
  timers.start(9, 300);
  {
    ClockThread t(clock, "w", [&] {
      clock.sleepMs(200);
      std::lock_guard lock(m);
      trace.push_back(std::to_string(clock.elapsedMs()) + " worker");
    });
    clock.runFor(700);
  }
  EXPECT_EQ(trace, (std::vector<std::string>{"200 timer1", "200 worker", "300 timer9", "400 timer1",
                                             "600 timer1"}));
}

TEST(VirtualClock, LocalAndUtcTimeFollowVirtualTimeAndSkew) {
  VirtualClock clock(0, 8 * 3'600'000);
  clock.runUntilLocal(10, 59, 58, 700);
  CalendarTime local = clock.localTime();
  EXPECT_EQ(local.hour, 10);
  EXPECT_EQ(local.minute, 59);
  EXPECT_EQ(local.second, 58);
  EXPECT_EQ(local.millisecond, 700);
  EXPECT_EQ(clock.utcTime().hour, 2);
  const uint32_t ticks = clock.tickCountMs();
  clock.skewUtc(1500);
  EXPECT_EQ(clock.localTime().second, 0);
  EXPECT_EQ(clock.tickCountMs(), ticks);
}

TEST(VirtualClock, InterruptReleasesSleepersForShutdown) {
  VirtualClock clock;
  std::atomic<int> passes{0};
  {
    ClockThread t(clock, "sleeper", [&] {
      clock.sleepMs(1'000'000);
      ++passes;
    });
    clock.runFor(10);
    clock.interruptSleeps();
  }
  EXPECT_EQ(passes, 1);
}

}  // namespace
}  // namespace tavik
