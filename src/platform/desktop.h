#pragma once
// The desktop the auction page runs on: its windows, the screen, synthetic input, the
// clipboard, the global keyboard observation and starting programs. A backend does primitives
// only (one key, one click, one capture); which keys, clicks and waits is the core's business.

#include <functional>
#include <string>
#include <vector>

#include "core/window_ref.h"
#include "platform/image.h"

namespace tavik {

struct OsVersion {
  int major = 0;
  int minor = 0;
  std::string description;  // free text for the log, e.g. "Linux 6.1"
};

// A global keyboard hook. `proc` sees every key event of the desktop as (hook code, virtual-key
// code, flags) in the neutral codes of platform/keys.h and returns true when the event is to be
// swallowed. `keepFromOthers` tells the backend, for a key it can only withhold from other
// programs in advance (X11 grabs), whether it should do so now.
struct KeyboardHook {
  std::function<bool(int code, int vk, int flags)> proc;
  std::function<bool(int vk)> keepFromOthers;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Whether the backend can work at all (display reachable, input injection possible).
  virtual bool available() = 0;

  // Top-level windows, in stacking order. 0 when there is none.
  virtual WindowId foregroundWindow() = 0;
  virtual WindowId windowBelow(WindowId w) = 0;     // next lower in z-order (GW_HWNDNEXT)
  virtual WindowId windowAbove(WindowId w) = 0;     // next higher in z-order (GW_HWNDPREV)
  virtual std::string windowTitle(WindowId w) = 0;  // UTF-8
  virtual std::string windowClass(WindowId w) = 0;
  virtual bool windowRect(WindowId w, Rect& out) = 0;  // screen coordinates
  virtual bool windowExists(WindowId w) = 0;
  virtual bool windowVisible(WindowId w) = 0;
  virtual bool moveWindow(WindowId w, const Rect& r) = 0;

  // The screen.
  virtual Size screenSize() = 0;
  // Copies the part of `r` that lies on the screen; false when nothing of it does.
  virtual bool captureScreen(const Rect& r, Image& out) = 0;

  // Synthetic input, as if from the user.
  virtual Point cursorPos() = 0;
  virtual void setCursorPos(Point p) = 0;
  virtual void leftButtonDown() = 0;
  virtual void leftButtonUp() = 0;
  virtual void keyDown(int vk) = 0;
  virtual void keyUp(int vk) = 0;

  // The text clipboard (UTF-8). clipboardText returns false when nothing could be read in time.
  virtual bool setClipboardText(const std::string& text) = 0;
  virtual bool clipboardText(std::string& out) = 0;

  // Global keyboard observation; at most one hook at a time.
  virtual bool installKeyboardHook(KeyboardHook hook) = 0;
  virtual void removeKeyboardHook() = 0;

  // Starting programs: always an argument vector, never a shell string. Not waited for.
  virtual bool launchProgram(const std::vector<std::string>& argv) = 0;

  virtual OsVersion osVersion() = 0;
};

}  // namespace tavik
