#pragma once
// Building server replies for the tests: NTP timestamps from milliseconds or microseconds.

#include <cstdint>

#include "clock/sntp_client.h"

namespace tavik::testing {

// Microseconds since 1900 as a 64-bit NTP timestamp. The fraction is rounded up, so that the
// client's truncation gives back exactly the millisecond (and microsecond) that was meant.
inline void PutNtpTimestampUs(uint8_t* p, int64_t usSince1900) {
  const uint64_t seconds = uint64_t(usSince1900 / 1'000'000);
  const uint64_t micros = uint64_t(usSince1900 % 1'000'000);
  const uint64_t fraction = ((micros << 32) + 999'999) / 1'000'000;
  const uint64_t both[2] = {seconds, fraction};
  for (int i = 0; i < 2; ++i)
    for (int b = 0; b < 4; ++b) p[i * 4 + b] = uint8_t(both[i] >> (24 - 8 * b));
}

inline void PutNtpTimestampMs(uint8_t* p, int64_t msSince1900) {
  PutNtpTimestampUs(p, msSince1900 * 1000);
}

// A server reply carrying receive time t2 and transmit time t3 (ms since 1900).
inline SntpPacket ServerReplyMs(int64_t t2, int64_t t3) {
  SntpPacket p{};
  p[0] = 0x1C;  // no leap warning, version 3, mode 4 (server)
  p[1] = 2;
  PutNtpTimestampMs(&p[32], t2);
  PutNtpTimestampMs(&p[40], t3);
  return p;
}

}  // namespace tavik::testing
