#pragma once
// Top-level Win32 windows for the backend tests: a title, a solid painted pattern, an edit
// control, and a record of the keys that reach them. Created on the test's thread, which pumps
// their messages while it waits.

#include <windows.h>

#include <string>
#include <vector>

#include "core/window_ref.h"

namespace tavik::testing {

class TestWindow {
 public:
  // A visible window at `r` (outer rectangle), brought to the front. The client area is
  // painted in four quadrants: red, green, blue and white.
  TestWindow(const std::wstring& title, const Rect& r, bool withEdit = false);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  WindowId id() const { return WindowId(reinterpret_cast<uintptr_t>(hwnd_)); }
  HWND edit() const { return edit_; }
  // The client area in screen coordinates.
  Rect clientOnScreen() const;
  std::string editText() const;
  // Virtual-key codes of WM_KEYDOWN messages that reached the window or its edit control.
  const std::vector<int>& keysDown() const { return keysDown_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
  HWND edit_ = nullptr;
  WNDPROC editBase_ = nullptr;
  std::vector<int> keysDown_;
};

// Dispatches this thread's messages for `ms` milliseconds, or until `done` says so.
template <typename Done>
bool PumpUntil(Done done, int ms = 3000) {
  const ULONGLONG deadline = GetTickCount64() + ULONGLONG(ms);
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (GetTickCount64() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

inline void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace tavik::testing
