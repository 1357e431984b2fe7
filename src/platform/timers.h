#pragma once
// Window timers: periodic callbacks on the window's thread, identified by small integers as
// SetTimer/KillTimer do. Qt timers in the application, virtual timers in tests.

#include <functional>

namespace tavik {

class WindowTimers {
 public:
  using Handler = std::function<void(int timerId)>;
  virtual ~WindowTimers() = default;
  // The one handler that receives every timer's firings.
  virtual void setHandler(Handler handler) = 0;
  // Starts (or restarts with the new period) timer `id`.
  virtual void start(int id, int periodMs) = 0;
  virtual void stop(int id) = 0;
  virtual bool isActive(int id) const = 0;
};

}  // namespace tavik
