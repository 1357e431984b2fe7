// Values read together are published together: a reader on another thread, hammering the
// boundary where every part of the value changes at once, never sees parts of two updates.
// Real threads: virtual time runs one thread at a time and would hide a torn read, and
// ThreadSanitizer does not flag relaxed atomics read separately.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "clock/clock_state.h"
#include "settings/scheme.h"
#include "settings/strategy.h"

namespace tavik {
namespace {

constexpr int kRounds = 20000;

// Runs `write(0)`, `write(1)`, ... on another thread while `read` runs kRounds times on this
// one, once the first write is done; returns how many reads `read` judged torn.
int TornReads(const std::function<void(int)>& write, const std::function<bool()>& read) {
  std::atomic<bool> started{false}, done{false};
  std::thread writer([&] {
    for (int i = 0; !done; ++i) {
      write(i);
      started = true;
    }
  });
  while (!started) std::this_thread::yield();
  int torn = 0;
  for (int i = 0; i < kRounds; ++i) torn += read() ? 0 : 1;
  done = true;
  writer.join();
  return torn;
}

TEST(GroupedValues, ShownTimeAcrossTheMinuteAndTheHour) {
  ClockState c;
  c.m_endTime = TimeOfDay{11, 30, 0};
  const TimeOfDay before{11, 59, 59}, after{12, 0, 0};
  const int torn = TornReads([&](int i) { c.m_curTime = i % 2 ? after : before; },
                             [&] {
                               const TimeOfDay t = c.m_curTime.load();
                               return t == before || t == after;
                             });
  EXPECT_EQ(torn, 0);

  // The remaining seconds at 11:29:59 -> 11:30:00 are 1 or 0, never a minute off.
  const int offByAMinute = TornReads(
      [&](int i) {
        c.m_curTime = i % 2 ? TimeOfDay{11, 30, 0} : TimeOfDay{11, 29, 59};
      },
      [&] {
        const int remain = c.m_endTime.seconds() - c.m_curTime.seconds();
        return remain == 0 || remain == 1;
      });
  EXPECT_EQ(offByAMinute, 0);
}

TEST(GroupedValues, EndTime) {
  ClockState c;
  const TimeOfDay a{11, 30, 0}, b{12, 5, 0};
  EXPECT_EQ(TornReads([&](int i) { c.m_endTime = i % 2 ? b : a; },
                      [&] {
                        const TimeOfDay t = c.m_endTime.load();
                        return t == a || t == b;
                      }),
            0);
}

TEST(GroupedValues, PointAndSize) {
  AtomicPoint p;
  const Point a{-3, 1920}, b{1280, -1};
  EXPECT_EQ(TornReads([&](int i) { p = i % 2 ? b : a; },
                      [&] {
                        const Point q = p.load();
                        return q == a || q == b;
                      }),
            0);
}

// Every stored setting of a scheme set to `value`.
Strategy Uniform(int32_t value) {
  Strategy s;
  int32_t recording = 0;
  for (const SchemeKey& key : SchemeKeys(s, recording)) *key.field = value;
  return s;
}

bool IsUniform(const Strategy& snapshot) {
  Strategy s = snapshot;
  int32_t recording = 0;
  const auto keys = SchemeKeys(s, recording);
  const int32_t first = *keys.front().field;
  for (const SchemeKey& key : keys) {
    if (key.field != &recording && *key.field != first) return false;
  }
  return true;
}

TEST(GroupedValues, AnEngineStepSeesOneSchemeWhole) {
  StrategyStore store;
  const Strategy one = Uniform(1), two = Uniform(2);
  store.publish(one);
  EXPECT_EQ(TornReads([&](int i) { store.publish(i % 2 ? two : one); },
                      [&] { return IsUniform(*store.snapshot()); }),
            0);
  // Edits from two threads never lose each other's changes.
  store.publish(one);
  std::thread other([&] {
    for (int i = 0; i < 1000; ++i) store.update([](Strategy& s) { return ++s.m_bid2Sec, true; });
  });
  for (int i = 0; i < 1000; ++i) store.update([](Strategy& s) { return ++s.m_bid3Sec, true; });
  other.join();
  EXPECT_EQ(store.snapshot()->m_bid2Sec, 1 + 1000);
  EXPECT_EQ(store.snapshot()->m_bid3Sec, 1 + 1000);
}

}  // namespace
}  // namespace tavik
