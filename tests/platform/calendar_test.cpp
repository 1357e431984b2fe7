#include <gtest/gtest.h>

#include "platform/clock.h"

namespace tavik {
namespace {

TEST(Calendar, RoundTripsDatesAroundEpochsAndLeapDays) {
  struct Case {
    int64_t unixMs;
    int y, mo, d, wd, h, mi, s, ms;
  };
  const Case cases[] = {
      {0, 1970, 1, 1, 4, 0, 0, 0, 0},
      {-2'208'988'800'000, 1900, 1, 1, 1, 0, 0, 0, 0},  // the NTP epoch, a Monday
      {951'782'400'123, 2000, 2, 29, 2, 0, 0, 0, 123},
      {1'765'280'999'999, 2025, 12, 9, 2, 11, 49, 59, 999},
      {-1, 1969, 12, 31, 3, 23, 59, 59, 999},
  };
  for (const Case& c : cases) {
    const CalendarTime t = calendarFromUnixMs(c.unixMs);
    EXPECT_EQ(t.year, c.y) << c.unixMs;
    EXPECT_EQ(t.month, c.mo) << c.unixMs;
    EXPECT_EQ(t.day, c.d) << c.unixMs;
    EXPECT_EQ(t.dayOfWeek, c.wd) << c.unixMs;
    EXPECT_EQ(t.hour, c.h) << c.unixMs;
    EXPECT_EQ(t.minute, c.mi) << c.unixMs;
    EXPECT_EQ(t.second, c.s) << c.unixMs;
    EXPECT_EQ(t.millisecond, c.ms) << c.unixMs;
    EXPECT_EQ(unixMsFromCalendar(t), c.unixMs);
  }
}

}  // namespace
}  // namespace tavik
