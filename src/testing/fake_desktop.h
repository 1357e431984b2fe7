#pragma once
// A desktop in memory for tests: windows in a z-order, a framebuffer that captures read, a
// clipboard, and a record of every synthetic action with the virtual time it happened at.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/desktop.h"

namespace tavik {

class FakeDesktop final : public Desktop {
 public:
  struct Window {
    WindowId id = 0;
    std::string title;
    std::string windowClass;
    Rect rect;
    bool visible = true;
  };
  struct Action {
    int64_t atMs = 0;  // clock's UTC time in ms
    // e.g. "key_down 0x56", "move 10,20", "left_down", "clipboard 88500"; a key of the user's
    // that the hook let through to the windows: "user_key_down 0x0D", "user_key_up 0x0D".
    std::string what;
  };

  explicit FakeDesktop(Clock& clock, Size screen = {1280, 1024});

  // Test set-up.
  WindowId addWindow(std::string title, std::string windowClass, Rect rect = {0, 0, 800, 600});
  void removeWindow(WindowId w);
  void setForeground(WindowId w);  // also raises it to the top
  void setAvailable(bool available) { available_ = available; }
  Image& framebuffer() { return framebuffer_; }
  // Draws on the framebuffer while no capture reads it (a page redrawn beside a thread that
  // captures).
  void paint(const std::function<void(Image&)>& draw) {
    std::lock_guard lock(mutex_);
    draw(framebuffer_);
  }
  // Delivers a key event of the user's to the installed hook; returns whether the hook
  // swallowed it. A key the hook lets through reaches the windows: it is recorded as a
  // "user_key_..." action, where the page under it sees it.
  bool sendKey(int vk, int flags);
  std::vector<Action> actions() const;
  // The actions from index `first` on (a page that plays them keeps its place).
  std::vector<Action> actionsSince(size_t first) const;
  std::vector<std::vector<std::string>> launches() const;
  // Programs are recorded but reported as not started (no browser on the machine).
  void failLaunches() {
    std::lock_guard lock(mutex_);
    launchFails_ = true;
  }
  void clearActions();

  // Desktop
  bool available() override { return available_; }
  WindowId foregroundWindow() override;
  WindowId windowBelow(WindowId w) override;
  WindowId windowAbove(WindowId w) override;
  std::string windowTitle(WindowId w) override;
  std::string windowClass(WindowId w) override;
  bool windowRect(WindowId w, Rect& out) override;
  bool windowExists(WindowId w) override;
  bool windowVisible(WindowId w) override;
  bool moveWindow(WindowId w, const Rect& r) override;
  Size screenSize() override { return screen_; }
  bool captureScreen(const Rect& r, Image& out) override;
  Point cursorPos() override;
  void setCursorPos(Point p) override;
  void leftButtonDown() override;
  void leftButtonUp() override;
  void keyDown(int vk) override;
  void keyUp(int vk) override;
  bool setClipboardText(const std::string& text) override;
  // The next `count` texts put on the clipboard are refused (another program holds it).
  void refuseClipboard(int count) {
    std::lock_guard lock(mutex_);
    clipboardFailures_ = count;
  }
  bool clipboardText(std::string& out) override;
  bool installKeyboardHook(KeyboardHook hook) override;
  void removeKeyboardHook() override;
  bool launchProgram(const std::vector<std::string>& argv) override;
  OsVersion osVersion() override { return osVersion_; }
  void setOsVersion(OsVersion v) { osVersion_ = std::move(v); }

 private:
  void record(std::string what);
  const Window* find(WindowId w) const;
  int indexOf(WindowId w) const;

  Clock& clock_;
  mutable std::mutex mutex_;
  Size screen_;
  Image framebuffer_;
  bool available_ = true;
  std::vector<Window> zOrder_;  // top first
  WindowId foreground_ = 0;
  WindowId nextId_ = 0x100;
  Point cursor_;
  std::string clipboard_;
  int clipboardFailures_ = 0;
  KeyboardHook hook_;
  std::vector<Action> actions_;
  std::vector<std::vector<std::string>> launches_;
  bool launchFails_ = false;
  OsVersion osVersion_{6, 1, "Linux 6.1"};
};

}  // namespace tavik
