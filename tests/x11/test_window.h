#pragma once
// Real top-level windows for the X11 tests, opened through Xlib on a connection of their own,
// with the title and WM_CLASS a test chooses. A window records every event it gets, so that a
// test can see where injected clicks landed and which keys reached it.

#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <vector>

#include "core/window_ref.h"
#include "platform/image.h"

namespace tavik::testing {

struct WindowSpec {
  std::string title;
  std::string windowClass = "TavikTest";
  Rect rect{100, 100, 500, 400};
  uint32_t background = 0xFFFFFF;
  bool latin1TitleOnly = false;  // only WM_NAME as Latin-1, as old programs set it
};

class TestWindow {
 public:
  explicit TestWindow(const WindowSpec& spec, bool waitForMap = true);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  WindowId id() const { return window_; }
  Display* display() const { return display_; }

  // Gives the window the input focus (and, under a window manager, makes it the active one);
  // `raise` also puts it on top.
  void focus(bool raise = true);
  void raise();
  void unmap();
  void destroy();
  void fill(uint32_t rgb, const Rect& area);  // window coordinates
  // Draws the part `from` of `image` (0x00RRGGBB pixels) at the window's top-left; needs a
  // 24-bit TrueColor display, as Xvfb gives.
  void putImage(const Image& image, const Rect& from);

  // Waits until an event satisfying `match` arrives (or has arrived since the last clear);
  // returns false after `timeoutMs`.
  bool waitFor(const std::function<bool(const XEvent&)>& match, int timeoutMs = 5000);
  bool waitForKey(int type, KeySym keysym, int timeoutMs = 5000);
  const std::vector<XEvent>& events() const { return events_; }
  void clearEvents() {
    events_.clear();
    checked_ = 0;
  }
  bool sawKey(KeySym keysym) const;
  KeySym keysymOf(const XEvent& e) const;

 private:
  void pump(int timeoutMs);

  Display* display_ = nullptr;
  Window window_ = 0;
  std::vector<XEvent> events_;
  size_t checked_ = 0;
};

// Root properties and client messages of an EWMH window manager, for tests.
Atom atom(Display* d, const char* name);
Window activeWindowProperty(Display* d);
// Polls `condition` until it holds or `timeoutMs` passes.
bool eventually(const std::function<bool()>& condition, int timeoutMs = 5000);

}  // namespace tavik::testing
