#include <ctime>

#include "platform/clock.h"

namespace tavik {

int64_t RealClock::localOffsetMs(int64_t unixMs) {
  const std::time_t secs = std::time_t(unixMs >= 0 ? unixMs / 1000 : (unixMs - 999) / 1000);
  std::tm local{};
  localtime_r(&secs, &local);
  return int64_t(local.tm_gmtoff) * 1000;
}

}  // namespace tavik
