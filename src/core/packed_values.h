#pragma once
// Values that readers on other threads must see whole: a time of day and a screen point (or
// size) are each published as one atomic word, so a reader never combines the minute of one
// update with the second of the next.

#include <atomic>
#include <cstdint>

#include "core/window_ref.h"

namespace tavik {

// A time of day as hour, minute and second. Hours past 23 are kept (a network time may run
// past midnight of the auction day), so it is a count of seconds, not a wall-clock value.
struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;

  static constexpr TimeOfDay fromSeconds(int32_t s) { return {s / 3600, s % 3600 / 60, s % 60}; }
  constexpr int32_t seconds() const { return hour * 3600 + minute * 60 + second; }
  friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

// A time of day stored as its seconds in one relaxed atomic.
class AtomicTimeOfDay {
 public:
  constexpr AtomicTimeOfDay() noexcept = default;
  AtomicTimeOfDay(const AtomicTimeOfDay&) = delete;
  AtomicTimeOfDay& operator=(const AtomicTimeOfDay&) = delete;

  TimeOfDay load() const noexcept { return TimeOfDay::fromSeconds(seconds()); }
  int32_t seconds() const noexcept { return s_.load(std::memory_order_relaxed); }
  void store(const TimeOfDay& t) noexcept { s_.store(t.seconds(), std::memory_order_relaxed); }
  AtomicTimeOfDay& operator=(const TimeOfDay& t) noexcept {
    store(t);
    return *this;
  }

 private:
  std::atomic<int32_t> s_{0};
};

// Two 32-bit coordinates packed into one 64-bit atomic: a point, or a width and height.
class AtomicPoint {
 public:
  constexpr AtomicPoint() noexcept = default;
  constexpr explicit AtomicPoint(Point initial) noexcept : v_(pack(initial)) {}
  AtomicPoint(const AtomicPoint&) = delete;
  AtomicPoint& operator=(const AtomicPoint&) = delete;

  Point load() const noexcept { return unpack(v_.load(std::memory_order_relaxed)); }
  void store(Point p) noexcept { v_.store(pack(p), std::memory_order_relaxed); }
  AtomicPoint& operator=(Point p) noexcept {
    store(p);
    return *this;
  }
  // Stores `desired` only when the point still equals `expected`; returns whether it did.
  bool compareExchange(Point expected, Point desired) noexcept {
    uint64_t e = pack(expected);
    return v_.compare_exchange_strong(e, pack(desired), std::memory_order_relaxed);
  }

  Size loadSize() const noexcept {
    const Point p = load();
    return {p.x, p.y};
  }
  void storeSize(Size s) noexcept { store({s.width, s.height}); }

 private:
  static constexpr uint64_t pack(Point p) {
    return (uint64_t(uint32_t(p.x)) << 32) | uint64_t(uint32_t(p.y));
  }
  static constexpr Point unpack(uint64_t v) {
    return {int32_t(uint32_t(v >> 32)), int32_t(uint32_t(v))};
  }
  std::atomic<uint64_t> v_{0};
};

}  // namespace tavik
