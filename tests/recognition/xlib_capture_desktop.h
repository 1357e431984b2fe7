#pragma once
// A test-only desktop that captures the screen of an X display with XGetImage. Everything but
// the screen is left out: recognition only captures.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

#include "platform/desktop.h"

namespace tavik::test {

class XlibCaptureDesktop final : public Desktop {
 public:
  explicit XlibCaptureDesktop(Display* display) : display_(display) {}

  bool available() override { return display_ != nullptr; }
  Size screenSize() override {
    const int s = DefaultScreen(display_);
    return Size{DisplayWidth(display_, s), DisplayHeight(display_, s)};
  }
  bool captureScreen(const Rect& r, Image& out) override {
    const Size s = screenSize();
    const Rect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, s.width),
                 std::min(r.bottom, s.height)};
    if (c.empty()) return false;
    XImage* img = XGetImage(display_, DefaultRootWindow(display_), c.left, c.top,
                            unsigned(c.width()), unsigned(c.height()), AllPlanes, ZPixmap);
    if (!img) return false;
    out = Image(c.width(), c.height());
    for (int y = 0; y < c.height(); ++y)
      for (int x = 0; x < c.width(); ++x) out.at(x, y) = uint32_t(XGetPixel(img, x, y)) & 0xFFFFFF;
    XDestroyImage(img);
    return true;
  }

  WindowId foregroundWindow() override { return 0; }
  WindowId windowBelow(WindowId) override { return 0; }
  WindowId windowAbove(WindowId) override { return 0; }
  std::string windowTitle(WindowId) override { return {}; }
  std::string windowClass(WindowId) override { return {}; }
  bool windowRect(WindowId, Rect&) override { return false; }
  bool windowExists(WindowId) override { return false; }
  bool windowVisible(WindowId) override { return false; }
  bool moveWindow(WindowId, const Rect&) override { return false; }
  Point cursorPos() override { return {}; }
  void setCursorPos(Point) override {}
  void leftButtonDown() override {}
  void leftButtonUp() override {}
  void keyDown(int) override {}
  void keyUp(int) override {}
  bool setClipboardText(const std::string&) override { return false; }
  bool clipboardText(std::string&) override { return false; }
  bool installKeyboardHook(KeyboardHook) override { return false; }
  void removeKeyboardHook() override {}
  bool launchProgram(const std::vector<std::string>&) override { return false; }
  OsVersion osVersion() override { return {}; }

 private:
  Display* display_;
};

}  // namespace tavik::test
