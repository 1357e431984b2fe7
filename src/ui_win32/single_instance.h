#pragma once
// One copy of tavik per user: two copies would both bid into one page. The first copy holds a
// named mutex for its lifetime and marks its main window; a later start finds that window,
// brings it (or the dialog open over it) to the front, and ends.

#include <windows.h>

namespace tavik::win32ui {

class SingleInstance {
 public:
  // Claims the per-user name; first() tells whether this is the only copy.
  SingleInstance();
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  bool first() const { return first_; }

  // Marks `window` as the main window a later start raises.
  static void MarkMainWindow(HWND window);
  // Brings the running copy's window to the front; it may still be starting, so it is looked
  // for during at most `waitMs`. False when none was found.
  static bool RaiseRunningCopy(DWORD waitMs);

 private:
  HANDLE mutex_ = nullptr;
  bool first_ = true;
};

}  // namespace tavik::win32ui
