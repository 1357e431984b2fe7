#include "platform/clock.h"

#include <chrono>

namespace tavik {
namespace {

constexpr int64_t kMsPerDay = 86'400'000;

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
int64_t daysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = int(yoe + era * 400 + (m <= 2));
}

int64_t floorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

CalendarTime calendarFromUnixMs(int64_t unixMs) {
  const int64_t days = floorDiv(unixMs, kMsPerDay);
  int64_t msOfDay = unixMs - days * kMsPerDay;
  CalendarTime t;
  civilFromDays(days, t.year, t.month, t.day);
  t.dayOfWeek = int(floorDiv(days + 4, 7) * -7 + days + 4);  // 1970-01-01 was a Thursday
  t.hour = int(msOfDay / 3'600'000);
  msOfDay %= 3'600'000;
  t.minute = int(msOfDay / 60'000);
  msOfDay %= 60'000;
  t.second = int(msOfDay / 1000);
  t.millisecond = int(msOfDay % 1000);
  return t;
}

int64_t unixMsFromCalendar(const CalendarTime& t) {
  return daysFromCivil(t.year, t.month, t.day) * kMsPerDay + int64_t(t.hour) * 3'600'000 +
         int64_t(t.minute) * 60'000 + int64_t(t.second) * 1000 + t.millisecond;
}

void RealClock::sleepMs(int ms) {
  std::unique_lock lock(mutex_);
  if (ms <= 0 || interrupted_) return;
  wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return interrupted_; });
}

uint32_t RealClock::tickCountMs() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int64_t RealClock::utcNowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void RealClock::interruptSleeps() {
  {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
  }
  wake_.notify_all();
}

}  // namespace tavik
