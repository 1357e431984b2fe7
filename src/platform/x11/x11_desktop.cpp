#include "platform/x11/x11_desktop.h"

#include "platform/native_desktop.h"

#include <X11/extensions/XTest.h>
#include <spawn.h>
#include <sys/utsname.h>
#include <sys/wait.h>

#include <cstdio>
#include <thread>

#include "platform/x11/x11_capture.h"
#include "platform/x11/x11_clipboard.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_keyboard_hook.h"
#include "platform/x11/x11_keys.h"
#include "platform/x11/x11_windows.h"

extern char** environ;

namespace tavik {
namespace {

constexpr int kClipboardTimeoutMs = 1000;

class X11Desktop final : public Desktop {
 public:
  explicit X11Desktop(Display* first) : pool_(first) {
    atoms_.intern(first);
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    xtest_ = XTestQueryExtension(first, &event, &error, &major, &minor);
  }
  ~X11Desktop() override {
    hook_.stop();
    clipboard_.reset();
  }

  bool available() override { return xtest_ && display() != nullptr; }

  WindowId foregroundWindow() override {
    Display* d = display();
    return d ? query(d).foreground() : 0;
  }
  WindowId windowBelow(WindowId w) override { return neighbour(w, +1); }
  WindowId windowAbove(WindowId w) override { return neighbour(w, -1); }
  std::string windowTitle(WindowId w) override {
    Display* d = display();
    return d && w ? query(d).title(Window(w)) : std::string();
  }
  std::string windowClass(WindowId w) override {
    Display* d = display();
    return d && w ? query(d).wmClass(Window(w)) : std::string();
  }
  bool windowRect(WindowId w, Rect& out) override {
    Display* d = display();
    return d && query(d).rect(Window(w), out);
  }
  bool windowExists(WindowId w) override {
    Display* d = display();
    return d && query(d).exists(Window(w));
  }
  bool windowVisible(WindowId w) override {
    Display* d = display();
    return d && query(d).viewable(Window(w));
  }
  bool moveWindow(WindowId w, const Rect& r) override {
    Display* d = display();
    if (!d || w == 0 || r.empty()) return false;
    x11::ErrorTrap trap(d);
    XMoveResizeWindow(d, Window(w), r.left, r.top, unsigned(r.width()), unsigned(r.height()));
    return trap.ok();
  }

  Size screenSize() override {
    Display* d = display();
    if (!d) return {};
    return {DisplayWidth(d, DefaultScreen(d)), DisplayHeight(d, DefaultScreen(d))};
  }
  bool captureScreen(const Rect& r, Image& out) override {
    return x11::captureRoot(pool_.current(), r, out);
  }

  Point cursorPos() override {
    Display* d = display();
    if (!d) return {};
    Window rootReturn = 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    int wx = 0;
    int wy = 0;
    unsigned mask = 0;
    XQueryPointer(d, DefaultRootWindow(d), &rootReturn, &child, &x, &y, &wx, &wy, &mask);
    return {x, y};
  }
  // Input goes through XTest, so that it takes the server's own input path like a real device:
  // grabs, focus and every observer see it as the user's.
  void setCursorPos(Point p) override {
    if (Display* d = inputDisplay()) {
      XTestFakeMotionEvent(d, -1, p.x, p.y, CurrentTime);
      XSync(d, False);
    }
  }
  void leftButtonDown() override { button(true); }
  void leftButtonUp() override { button(false); }
  void keyDown(int vk) override { key(vk, true); }
  void keyUp(int vk) override { key(vk, false); }

  bool setClipboardText(const std::string& text) override {
    std::call_once(clipboardOnce_,
                   [this] { clipboard_ = std::make_unique<x11::ClipboardOwner>(atoms_); });
    return clipboard_->set(text, kClipboardTimeoutMs);
  }
  bool clipboardText(std::string& out) override {
    return x11::readClipboard(pool_.current(), atoms_, out, kClipboardTimeoutMs);
  }

  bool installKeyboardHook(KeyboardHook hook) override { return hook_.start(std::move(hook)); }
  void removeKeyboardHook() override { hook_.stop(); }

  bool launchProgram(const std::vector<std::string>& argv) override;
  OsVersion osVersion() override;

 private:
  Display* display() { return pool_.current().display; }
  Display* inputDisplay() { return xtest_ ? display() : nullptr; }
  x11::WindowQuery query(Display* d) { return x11::WindowQuery(d, atoms_); }

  WindowId neighbour(WindowId w, int step) {
    Display* d = display();
    if (!d || w == 0) return 0;
    const std::vector<Window> list = query(d).stackingTopFirst();
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i] != Window(w)) continue;
      const long j = long(i) + step;
      return j >= 0 && size_t(j) < list.size() ? list[size_t(j)] : 0;
    }
    return 0;
  }

  void button(bool down) {
    if (Display* d = inputDisplay()) {
      XTestFakeButtonEvent(d, 1, down ? True : False, CurrentTime);
      XSync(d, False);
    }
  }

  void key(int vk, bool down) {
    Display* d = inputDisplay();
    if (!d) return;
    // Looked up at every press, so that a keyboard layout changed meanwhile is honoured.
    const KeySym sym = x11::keysymForVk(vk);
    const KeyCode kc = sym == NoSymbol ? 0 : XKeysymToKeycode(d, sym);
    if (kc == 0) return;
    XTestFakeKeyEvent(d, kc, down ? True : False, CurrentTime);
    XSync(d, False);
  }

  x11::ConnectionPool pool_;
  x11::Atoms atoms_;
  bool xtest_ = false;
  std::once_flag clipboardOnce_;
  std::unique_ptr<x11::ClipboardOwner> clipboard_;
  x11::RecordKeyboardHook hook_;
};

bool X11Desktop::launchProgram(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return false;
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // Its own session: the browser outlives us and our terminal.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], nullptr, &attr, args.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return false;
  // Nobody waits for the program, but its exit status is collected so that no zombie is left.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return true;
}

OsVersion X11Desktop::osVersion() {
  OsVersion v;
  utsname u{};
  if (uname(&u) != 0) return v;
  std::sscanf(u.release, "%d.%d", &v.major, &v.minor);
  v.description = std::string(u.sysname) + " " + u.release;
  return v;
}

}  // namespace

std::unique_ptr<Desktop> createX11Desktop() {
  Display* first = x11::openDisplay();
  if (!first) return nullptr;
  return std::make_unique<X11Desktop>(first);
}

std::unique_ptr<Desktop> createNativeDesktop() {
  return createX11Desktop();
}

}  // namespace tavik
