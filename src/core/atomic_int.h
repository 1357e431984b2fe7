#pragma once
// The shared 32-bit scalars of the run state. Every reader only needs "seen at the next pass",
// so relaxed ordering is enough; the wrapper keeps call sites as short as plain ints.

#include <atomic>
#include <cstdint>

namespace tavik {

class AtomicInt {
 public:
  constexpr AtomicInt(int32_t v = 0) noexcept : v_(v) {}  // NOLINT(google-explicit-constructor)
  AtomicInt(const AtomicInt&) = delete;
  // Assigning one shared field to another copies the value, as it would for plain ints.
  AtomicInt& operator=(const AtomicInt& other) noexcept { return *this = other.load(); }

  int32_t load() const noexcept { return v_.load(std::memory_order_relaxed); }
  operator int32_t() const noexcept { return load(); }  // NOLINT(google-explicit-constructor)
  AtomicInt& operator=(int32_t v) noexcept {
    v_.store(v, std::memory_order_relaxed);
    return *this;
  }
  // Read-modify-write: returns the new value, like ++x.
  int32_t operator++() noexcept { return v_.fetch_add(1, std::memory_order_relaxed) + 1; }
  int32_t operator+=(int32_t d) noexcept { return v_.fetch_add(d, std::memory_order_relaxed) + d; }
  int32_t exchange(int32_t v) noexcept { return v_.exchange(v, std::memory_order_relaxed); }
  // Check-then-store in one step: stores `desired` only when the field still holds
  // `expected`, so a value another thread stored in between is never overwritten.
  bool compareExchange(int32_t expected, int32_t desired) noexcept {
    return v_.compare_exchange_strong(expected, desired, std::memory_order_relaxed);
  }

 private:
  std::atomic<int32_t> v_;
};

}  // namespace tavik

namespace tavik {

// A moment, as the Clock's UTC milliseconds, kept in one atomic word: 0 while none is set.
// Used where an event and its time are read together (an Enter and when it was pressed, the
// captcha box and when it first showed).
class AtomicStamp {
 public:
  constexpr AtomicStamp(int64_t v = 0) noexcept : v_(v) {}  // NOLINT(google-explicit-constructor)
  AtomicStamp(const AtomicStamp&) = delete;
  AtomicStamp& operator=(const AtomicStamp&) = delete;

  int64_t load() const noexcept { return v_.load(std::memory_order_relaxed); }
  operator int64_t() const noexcept { return load(); }  // NOLINT(google-explicit-constructor)
  AtomicStamp& operator=(int64_t v) noexcept {
    v_.store(v, std::memory_order_relaxed);
    return *this;
  }
  int64_t exchange(int64_t v) noexcept { return v_.exchange(v, std::memory_order_relaxed); }
  bool compareExchange(int64_t expected, int64_t desired) noexcept {
    return v_.compare_exchange_strong(expected, desired, std::memory_order_relaxed);
  }

 private:
  std::atomic<int64_t> v_;
};

}  // namespace tavik
