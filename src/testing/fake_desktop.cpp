#include "testing/fake_desktop.h"

#include <algorithm>
#include <cstdio>

#include "platform/keys.h"

namespace tavik {

FakeDesktop::FakeDesktop(Clock& clock, Size screen)
    : clock_(clock), screen_(screen), framebuffer_(screen.width, screen.height, 0xFFFFFF) {}

WindowId FakeDesktop::addWindow(std::string title, std::string windowClass, Rect rect) {
  std::lock_guard lock(mutex_);
  Window w{nextId_++, std::move(title), std::move(windowClass), rect, true};
  zOrder_.insert(zOrder_.begin(), w);
  return w.id;
}

void FakeDesktop::removeWindow(WindowId w) {
  std::lock_guard lock(mutex_);
  const int i = indexOf(w);
  if (i >= 0) zOrder_.erase(zOrder_.begin() + i);
  if (foreground_ == w) foreground_ = 0;
}

void FakeDesktop::setForeground(WindowId w) {
  std::lock_guard lock(mutex_);
  const int i = indexOf(w);
  if (i < 0) return;
  const Window win = zOrder_[size_t(i)];
  zOrder_.erase(zOrder_.begin() + i);
  zOrder_.insert(zOrder_.begin(), win);
  foreground_ = w;
}

int FakeDesktop::indexOf(WindowId w) const {
  for (size_t i = 0; i < zOrder_.size(); ++i)
    if (zOrder_[i].id == w) return int(i);
  return -1;
}

const FakeDesktop::Window* FakeDesktop::find(WindowId w) const {
  const int i = indexOf(w);
  return i < 0 ? nullptr : &zOrder_[size_t(i)];
}

WindowId FakeDesktop::foregroundWindow() {
  std::lock_guard lock(mutex_);
  return foreground_;
}

WindowId FakeDesktop::windowBelow(WindowId w) {
  std::lock_guard lock(mutex_);
  const int i = indexOf(w);
  return i < 0 || size_t(i) + 1 >= zOrder_.size() ? 0 : zOrder_[size_t(i) + 1].id;
}

WindowId FakeDesktop::windowAbove(WindowId w) {
  std::lock_guard lock(mutex_);
  const int i = indexOf(w);
  return i <= 0 ? 0 : zOrder_[size_t(i) - 1].id;
}

std::string FakeDesktop::windowTitle(WindowId w) {
  std::lock_guard lock(mutex_);
  const Window* win = find(w);
  return win ? win->title : std::string();
}

std::string FakeDesktop::windowClass(WindowId w) {
  std::lock_guard lock(mutex_);
  const Window* win = find(w);
  return win ? win->windowClass : std::string();
}

bool FakeDesktop::windowRect(WindowId w, Rect& out) {
  std::lock_guard lock(mutex_);
  const Window* win = find(w);
  if (!win) return false;
  out = win->rect;
  return true;
}

bool FakeDesktop::windowExists(WindowId w) {
  std::lock_guard lock(mutex_);
  return find(w) != nullptr;
}

bool FakeDesktop::windowVisible(WindowId w) {
  std::lock_guard lock(mutex_);
  const Window* win = find(w);
  return win && win->visible;
}

bool FakeDesktop::moveWindow(WindowId w, const Rect& r) {
  std::lock_guard lock(mutex_);
  const int i = indexOf(w);
  if (i < 0) return false;
  zOrder_[size_t(i)].rect = r;
  return true;
}

bool FakeDesktop::captureScreen(const Rect& r, Image& out) {
  std::lock_guard lock(mutex_);
  const Rect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, framebuffer_.width),
               std::min(r.bottom, framebuffer_.height)};
  if (c.empty()) return false;
  out = Image(c.width(), c.height());
  for (int y = 0; y < c.height(); ++y) {
    const uint32_t* from = &framebuffer_.at(c.left, c.top + y);
    std::copy(from, from + c.width(), &out.at(0, y));
  }
  return true;
}

void FakeDesktop::record(std::string what) {
  actions_.push_back(Action{clock_.utcNowMs(), std::move(what)});
}

Point FakeDesktop::cursorPos() {
  std::lock_guard lock(mutex_);
  return cursor_;
}

void FakeDesktop::setCursorPos(Point p) {
  std::lock_guard lock(mutex_);
  cursor_ = p;
  record("move " + std::to_string(p.x) + "," + std::to_string(p.y));
}

void FakeDesktop::leftButtonDown() {
  std::lock_guard lock(mutex_);
  record("left_down");
}

void FakeDesktop::leftButtonUp() {
  std::lock_guard lock(mutex_);
  record("left_up");
}

static std::string hexKey(const char* what, int vk) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s 0x%02X", what, unsigned(vk));
  return buf;
}

void FakeDesktop::keyDown(int vk) {
  std::lock_guard lock(mutex_);
  record(hexKey("key_down", vk));
}

void FakeDesktop::keyUp(int vk) {
  std::lock_guard lock(mutex_);
  record(hexKey("key_up", vk));
}

bool FakeDesktop::setClipboardText(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (clipboardFailures_ > 0) {
    --clipboardFailures_;
    record("clipboard refused");
    return false;
  }
  clipboard_ = text;
  record("clipboard " + text);
  return true;
}

bool FakeDesktop::clipboardText(std::string& out) {
  std::lock_guard lock(mutex_);
  out = clipboard_;
  return true;
}

bool FakeDesktop::installKeyboardHook(KeyboardHook hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
  return true;
}

void FakeDesktop::removeKeyboardHook() {
  std::lock_guard lock(mutex_);
  hook_ = {};
}

bool FakeDesktop::sendKey(int vk, int flags) {
  std::function<bool(int, int, int)> proc;
  {
    std::lock_guard lock(mutex_);
    proc = hook_.proc;
  }
  const bool swallowed = proc ? proc(0, vk, flags) : false;
  if (!swallowed) {
    std::lock_guard lock(mutex_);
    record(hexKey((flags & vk::kFlagUp) ? "user_key_up" : "user_key_down", vk));
  }
  return swallowed;
}

bool FakeDesktop::launchProgram(const std::vector<std::string>& argv) {
  std::lock_guard lock(mutex_);
  launches_.push_back(argv);
  std::string line = "launch";
  for (const auto& a : argv) line += " " + a;
  record(line);
  return !launchFails_;
}

std::vector<FakeDesktop::Action> FakeDesktop::actions() const {
  std::lock_guard lock(mutex_);
  return actions_;
}

std::vector<FakeDesktop::Action> FakeDesktop::actionsSince(size_t first) const {
  std::lock_guard lock(mutex_);
  if (first >= actions_.size()) return {};
  return {actions_.begin() + std::ptrdiff_t(first), actions_.end()};
}

std::vector<std::vector<std::string>> FakeDesktop::launches() const {
  std::lock_guard lock(mutex_);
  return launches_;
}

void FakeDesktop::clearActions() {
  std::lock_guard lock(mutex_);
  actions_.clear();
  launches_.clear();
}

}  // namespace tavik
