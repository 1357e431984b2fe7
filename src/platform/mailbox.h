#pragma once
// The one way a worker reaches the window's thread: work posted here runs there soon, in the
// order posted, and the poster never waits for it. Timers started by a worker, message boxes
// and control changes all go this way, since toolkit objects live on the window's thread.
// A queued call in Qt; in virtual time the driver runs the work at the current instant.

#include <functional>

namespace tavik {

class WindowMailbox {
 public:
  virtual ~WindowMailbox() = default;
  // Safe from any thread; returns at once.
  virtual void post(std::function<void()> work) = 0;
};

}  // namespace tavik
