#pragma once
// The one way the program reads time and waits. Every sleep, tick count and time-of-day read
// goes through a Clock, so that tests run whole auctions in virtual time.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace tavik {

// A calendar time with milliseconds, like the platform's SYSTEMTIME.
struct CalendarTime {
  int year = 1970;
  int month = 1;      // 1..12
  int dayOfWeek = 4;  // 0 = Sunday
  int day = 1;        // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  int secondsOfDay() const { return hour * 3600 + minute * 60 + second; }
};

// Milliseconds since 1970-01-01 00:00:00 UTC <-> calendar time (proleptic Gregorian, UTC).
CalendarTime calendarFromUnixMs(int64_t unixMs);
int64_t unixMsFromCalendar(const CalendarTime& t);

class Clock {
 public:
  virtual ~Clock() = default;

  // Blocks the calling thread for the given milliseconds (0 or less returns at once, but still
  // lets other virtual threads run). Returns early only after interruptSleeps().
  virtual void sleepMs(int ms) = 0;
  // Milliseconds since an arbitrary start, wrapping like GetTickCount.
  virtual uint32_t tickCountMs() = 0;
  // Milliseconds since 1970-01-01 UTC as the local machine's clock says.
  virtual int64_t utcNowMs() = 0;
  // Offset of the local time zone from UTC at that moment, in milliseconds.
  virtual int64_t localOffsetMs(int64_t unixMs) = 0;

  CalendarTime utcTime() { return calendarFromUnixMs(utcNowMs()); }
  CalendarTime localTime() {
    const int64_t now = utcNowMs();
    return calendarFromUnixMs(now + localOffsetMs(now));
  }

  // Threads that sleep on this clock announce themselves, so that a virtual clock can run them
  // one at a time. reserveThread runs on the creating thread before the thread starts, and
  // returns a slot that the new thread passes to beginThread first thing, and to endThread
  // before it returns. The real clock ignores all three.
  virtual int reserveThread(const std::string& /*name*/) { return -1; }
  virtual void beginThread(int /*slot*/) {}
  virtual void endThread(int /*slot*/) {}

  // Shutdown: every current and later sleep returns at once, so that threads can be joined.
  virtual void interruptSleeps() = 0;
};

// The machine's own clock: steady sleeps, the system's UTC time and local time zone.
class RealClock final : public Clock {
 public:
  void sleepMs(int ms) override;
  uint32_t tickCountMs() override;
  int64_t utcNowMs() override;
  int64_t localOffsetMs(int64_t unixMs) override;
  void interruptSleeps() override;

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool interrupted_ = false;
};

}  // namespace tavik
