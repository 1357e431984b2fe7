#pragma once
// The low-level keyboard hook of the Win32 backend. A WH_KEYBOARD_LL hook is called on the
// thread that installed it, inside that thread's message loop, so the hook has a thread of its
// own that does nothing else: a busy window thread could not hold keys up (the system drops a
// hook that answers too slowly).

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/desktop.h"

namespace tavik::win32 {

class LowLevelKeyboardHook {
 public:
  LowLevelKeyboardHook() = default;
  ~LowLevelKeyboardHook() { stop(); }
  LowLevelKeyboardHook(const LowLevelKeyboardHook&) = delete;
  LowLevelKeyboardHook& operator=(const LowLevelKeyboardHook&) = delete;

  // Installs the hook on its thread; returns once it is installed, false when the system
  // refused it. At most one at a time: a second start replaces the first.
  bool start(KeyboardHook hook);
  void stop();

 private:
  void run();

  KeyboardHook hook_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ready_;
  bool started_ = false;
  bool installed_ = false;
  DWORD threadId_ = 0;
};

}  // namespace tavik::win32
