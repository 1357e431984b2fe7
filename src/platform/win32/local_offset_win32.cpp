#include <windows.h>

#include "platform/clock.h"

namespace tavik {
namespace {

constexpr int64_t kUnixEpochIn100ns = 116'444'736'000'000'000;

int64_t FileTimeMs(const FILETIME& t) {
  const int64_t ticks = (int64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return (ticks - kUnixEpochIn100ns) / 10'000;
}

}  // namespace

// The zone's offset at that instant (daylight saving included), as the system's time zone
// settings give it.
int64_t RealClock::localOffsetMs(int64_t unixMs) {
  const int64_t secondMs = (unixMs >= 0 ? unixMs / 1000 : (unixMs - 999) / 1000) * 1000;
  const int64_t ticks = secondMs * 10'000 + kUnixEpochIn100ns;
  const FILETIME utc{DWORD(ticks & 0xFFFFFFFF), DWORD(uint64_t(ticks) >> 32)};
  SYSTEMTIME utcParts{};
  SYSTEMTIME localParts{};
  FILETIME local{};
  if (!FileTimeToSystemTime(&utc, &utcParts) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utcParts, &localParts) ||
      !SystemTimeToFileTime(&localParts, &local))
    return 0;
  return FileTimeMs(local) - secondMs;
}

}  // namespace tavik
