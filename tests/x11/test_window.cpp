// gtest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "x11/test_window.h"
#include "x11/x11_fixture.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "platform/x11/x11_connection.h"

namespace tavik::testing {
namespace {

using Steady = std::chrono::steady_clock;

int msLeft(Steady::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
  return left.count() > 0 ? int(left.count()) : 0;
}

// While openbox runs, a test window's connection is parked instead of closed. A closed
// connection's window ids go to the next client, and openbox, still working through the events
// of a destroyed window, would take a new window with the same id for the old one and unmanage
// it. The parked connections close when the window manager stops.
std::mutex parkedMutex;
bool parking = false;
std::vector<Display*> parked;

void parkConnectionsWhileManaged(bool on) {
  std::vector<Display*> closing;
  {
    std::lock_guard lock(parkedMutex);
    parking = on;
    if (!on) closing.swap(parked);
  }
  for (Display* d : closing) XCloseDisplay(d);
}

bool parkConnection(Display* d) {
  std::lock_guard lock(parkedMutex);
  if (parking) parked.push_back(d);
  return parking;
}

}  // namespace

Atom atom(Display* d, const char* name) {
  return XInternAtom(d, name, False);
}

Window activeWindowProperty(Display* d) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  Window w = 0;
  if (XGetWindowProperty(d, DefaultRootWindow(d), atom(d, "_NET_ACTIVE_WINDOW"), 0, 1, False,
                         XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
      data && count == 1)
    w = Window(*reinterpret_cast<long*>(data));
  if (data) XFree(data);
  return w;
}

bool eventually(const std::function<bool()>& condition, int timeoutMs) {
  const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (Steady::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TestWindow::TestWindow(const WindowSpec& spec, bool waitForMap) {
  // Thread-safe Xlib and the backend's error handler, which records errors instead of ending
  // the process (a window manager's check window may vanish under us).
  x11::initXlibOnce();
  display_ = XOpenDisplay(nullptr);
  if (!display_) throw std::runtime_error("no X display");
  Display* d = display_;
  XSetWindowAttributes attributes{};
  attributes.background_pixel = spec.background;
  attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                          PointerMotionMask | StructureNotifyMask | ExposureMask | FocusChangeMask;
  window_ =
      XCreateWindow(d, DefaultRootWindow(d), spec.rect.left, spec.rect.top,
                    unsigned(spec.rect.width()), unsigned(spec.rect.height()), 0, CopyFromParent,
                    InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
  // Ask a window manager to keep the position and size we chose.
  XSizeHints hints{};
  hints.flags = USPosition | USSize;
  hints.x = spec.rect.left;
  hints.y = spec.rect.top;
  hints.width = spec.rect.width();
  hints.height = spec.rect.height();
  XSetWMNormalHints(d, window_, &hints);
  XWMHints wm{};
  wm.flags = InputHint;
  wm.input = True;
  XSetWMHints(d, window_, &wm);

  if (spec.latin1TitleOnly) {
    XChangeProperty(d, window_, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(spec.title.data()),
                    int(spec.title.size()));
  } else {
    XChangeProperty(d, window_, atom(d, "_NET_WM_NAME"), atom(d, "UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(spec.title.data()),
                    int(spec.title.size()));
  }
  const std::string instance = "tavik-test";
  std::string cls = instance + '\0' + spec.windowClass + '\0';
  XChangeProperty(d, window_, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(cls.data()), int(cls.size()));
  XMapWindow(d, window_);
  XSync(d, False);
  if (!waitForMap) return;
  if (!waitFor([](const XEvent& e) { return e.type == MapNotify; })) {
    std::string seen;
    for (const XEvent& e : events_) seen += " " + std::to_string(e.type);
    throw std::runtime_error("window not mapped; events:" + seen);
  }
  clearEvents();
}

TestWindow::~TestWindow() {
  destroy();
  if (!parkConnection(display_)) XCloseDisplay(display_);
}

void TestWindow::destroy() {
  if (!window_) return;
  XDestroyWindow(display_, window_);
  XSync(display_, False);
  window_ = 0;
}

void TestWindow::focus(bool raise) {
  Display* d = display_;
  if (raise) XRaiseWindow(d, window_);
  XSetInputFocus(d, window_, RevertToPointerRoot, CurrentTime);
  // Under a window manager, also ask it to activate the window, as a pager would.
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window_;
  e.xclient.message_type = atom(d, "_NET_ACTIVE_WINDOW");
  e.xclient.format = 32;
  e.xclient.data.l[0] = 2;
  e.xclient.data.l[1] = CurrentTime;
  if (raise)
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &e);
  XSync(d, False);
}

void TestWindow::raise() {
  XRaiseWindow(display_, window_);
  XSync(display_, False);
}

void TestWindow::unmap() {
  XUnmapWindow(display_, window_);
  XSync(display_, False);
}

void TestWindow::fill(uint32_t rgb, const Rect& area) {
  GC gc = XCreateGC(display_, window_, 0, nullptr);
  XSetForeground(display_, gc, rgb);
  XFillRectangle(display_, window_, gc, area.left, area.top, unsigned(area.width()),
                 unsigned(area.height()));
  XFreeGC(display_, gc);
  XSync(display_, False);
}

void TestWindow::putImage(const Image& image, const Rect& from) {
  std::vector<uint32_t> pixels(size_t(from.width()) * size_t(from.height()));
  for (int y = 0; y < from.height(); ++y)
    for (int x = 0; x < from.width(); ++x)
      pixels[size_t(y) * size_t(from.width()) + size_t(x)] = image.at(from.left + x, from.top + y);
  Visual* visual = DefaultVisual(display_, DefaultScreen(display_));
  XImage* ximage = XCreateImage(display_, visual, 24, ZPixmap, 0,
                                reinterpret_cast<char*>(pixels.data()), unsigned(from.width()),
                                unsigned(from.height()), 32, 0);
  GC gc = XCreateGC(display_, window_, 0, nullptr);
  XPutImage(display_, window_, gc, ximage, 0, 0, 0, 0, unsigned(from.width()),
            unsigned(from.height()));
  XFreeGC(display_, gc);
  ximage->data = nullptr;  // the pixels belong to the vector
  XDestroyImage(ximage);
  XSync(display_, False);
}

void TestWindow::pump(int timeoutMs) {
  if (XPending(display_) == 0) {
    pollfd fd{ConnectionNumber(display_), POLLIN, 0};
    poll(&fd, 1, timeoutMs);
  }
  while (XPending(display_)) {
    XEvent e;
    XNextEvent(display_, &e);
    events_.push_back(e);
  }
}

bool TestWindow::waitFor(const std::function<bool(const XEvent&)>& match, int timeoutMs) {
  const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    for (; checked_ < events_.size(); ++checked_) {
      if (match(events_[checked_])) {
        ++checked_;
        return true;
      }
    }
    const int left = msLeft(deadline);
    if (left == 0) return false;
    pump(std::min(left, 50));
  }
}

KeySym TestWindow::keysymOf(const XEvent& e) const {
  return XkbKeycodeToKeysym(display_, KeyCode(e.xkey.keycode), 0, 0);
}

bool TestWindow::waitForKey(int type, KeySym keysym, int timeoutMs) {
  return waitFor([&](const XEvent& e) { return e.type == type && keysymOf(e) == keysym; },
                 timeoutMs);
}

bool TestWindow::sawKey(KeySym keysym) const {
  for (const XEvent& e : events_)
    if ((e.type == KeyPress || e.type == KeyRelease) && keysymOf(e) == keysym) return true;
  return false;
}

}  // namespace tavik::testing

extern char** environ;

namespace tavik::testing {
namespace {

// The window manager's check window, when one runs: it names itself.
bool managerRuns(Display* d) {
  auto read = [&](Window w, Window& out) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    out = 0;
    if (XGetWindowProperty(d, w, atom(d, "_NET_SUPPORTING_WM_CHECK"), 0, 1, False, XA_WINDOW, &type,
                           &format, &count, &after, &data) == Success &&
        data && count == 1)
      out = Window(*reinterpret_cast<long*>(data));
    XSync(d, False);
    if (data) XFree(data);
    return out != 0;
  };
  Window check = 0;
  Window self = 0;
  return read(DefaultRootWindow(d), check) && read(check, self) && self == check;
}

}  // namespace

bool WindowManager::start() {
  char arg0[] = "openbox";
  char arg1[] = "--sm-disable";
  char* argv[] = {arg0, arg1, nullptr};
  if (posix_spawnp(&pid_, "openbox", nullptr, nullptr, argv, environ) != 0) {
    pid_ = 0;
    return false;
  }
  parkConnectionsWhileManaged(true);
  x11::initXlibOnce();
  Display* d = XOpenDisplay(nullptr);
  bool up = eventually([&] { return managerRuns(d); }, 10000);
  XCloseDisplay(d);
  // Openbox names itself before it manages windows: it is ready once it frames a probe window.
  for (int attempt = 0; up && attempt < 50; ++attempt) {
    TestWindow probe(WindowSpec{"probe"}, false);
    if (probe.waitFor([](const XEvent& e) { return e.type == ReparentNotify; }, 200)) return true;
  }
  return false;
}

void WindowManager::stop() {
  if (pid_ == 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = 0;
  parkConnectionsWhileManaged(false);
}

}  // namespace tavik::testing
