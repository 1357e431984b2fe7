#pragma once
// The window's mailbox and window timers on the Win32 message loop of the window's thread: a
// message-only window receives the posted work (WM_APP) and the timers (WM_TIMER).

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "platform/mailbox.h"
#include "platform/timers.h"

namespace tavik::win32ui {

// Create on the window's thread. Work posted from any thread runs there, in order; work
// posted after the mailbox is gone is dropped.
class Win32Mailbox final : public WindowMailbox {
 public:
  Win32Mailbox();
  ~Win32Mailbox() override;
  Win32Mailbox(const Win32Mailbox&) = delete;
  Win32Mailbox& operator=(const Win32Mailbox&) = delete;

  void post(std::function<void()> work) override;
  bool onWindowThread() const { return GetCurrentThreadId() == threadId_; }
  HWND hwnd() const { return hwnd_; }
  // Where WM_TIMER goes.
  void setTimerHandler(std::function<void(int)> handler) { timerHandler_ = std::move(handler); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  void runPosted();

  HWND hwnd_ = nullptr;
  DWORD threadId_;
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  std::function<void(int)> timerHandler_;
};

// SetTimer on the mailbox's window; a start or stop from another thread goes there through the
// mailbox. The set of active timers is guarded, so isActive can be asked from anywhere.
class Win32Timers final : public WindowTimers {
 public:
  explicit Win32Timers(Win32Mailbox& mailbox);
  void setHandler(Handler handler) override { handler_ = std::move(handler); }
  void start(int id, int periodMs) override;
  void stop(int id) override;
  bool isActive(int id) const override;

 private:
  Win32Mailbox& mailbox_;
  Handler handler_;
  mutable std::mutex mutex_;
  std::map<int, bool> active_;
};

}  // namespace tavik::win32ui
