#pragma once
// The service's log (stderr in the program): one line per event, "tavik-service: " first. Text
// that comes from a client is escaped (a line break or a control byte could forge a line or
// garble the terminal) and cut. Refused requests are written once per status and stretch of
// time: the first in full, the rest counted and told in one line when the stretch ends, so
// that a client cannot make the log grow at the rate it sends.

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace tavik::service {

// Client text in a log line keeps at most this many bytes of what was sent.
inline constexpr size_t kMaxLoggedBytes = 200;
// Refused requests of one status are written at most once in this stretch.
inline constexpr int kRepeatWindowMs = 10'000;

// Printable ASCII as it is, "\" as "\\", every other byte as "\xHH"; beyond `limit` bytes of
// `text` the rest is cut and its size told ("...(+123 bytes)").
std::string EscapeForLog(std::string_view text, size_t limit = kMaxLoggedBytes);

class ServiceLog {
 public:
  ServiceLog(std::ostream& out, Clock& clock) : out_(out), clock_(clock) {}

  // The service's own message, written as it is.
  void note(std::string_view text);
  // A request answered with an error: its status, why, and its target as sent.
  void refused(int status, std::string_view target);
  // Writes the count of every stretch that has ended. The server calls it on each pass.
  void tick();

 private:
  struct Stretch {
    uint32_t startMs = 0;
    int64_t more = 0;  // refused in the stretch after its first
  };
  void closeStretch(int status, const Stretch& stretch);

  std::mutex mutex_;
  std::ostream& out_;
  Clock& clock_;
  std::map<int, Stretch> stretches_;  // by status
};

}  // namespace tavik::service
