#include "platform/x11/x11_keyboard_hook.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <set>

#include "platform/keys.h"
#include "platform/x11/x11_keys.h"

namespace tavik::x11 {
namespace {

constexpr int kExtendedBit = 0x100;
// Keys without a code of their own still count as key events.
constexpr int kUnknownVk = 0xFF;
// How soon a change of the hook's wishes (a latch cleared by another thread) reaches the grabs.
constexpr int kGrabRecheckMs = 50;

}  // namespace

bool RecordKeyboardHook::start(KeyboardHook hook) {
  stop();
  hook_ = std::move(hook);
  control_ = openDisplay();
  data_ = openDisplay();
  int major = 0;
  int minor = 0;
  if (!control_ || !data_ || !XRecordQueryVersion(control_, &major, &minor) ||
      pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    closeConnections();
    return false;
  }
  XRecordRange* range = XRecordAllocRange();
  range->device_events.first = KeyPress;
  range->device_events.last = KeyRelease;
  XRecordClientSpec clients = XRecordAllClients;
  context_ = XRecordCreateContext(control_, 0, &clients, 1, &range, 1);
  XFree(range);
  XSync(control_, False);
  if (!context_) {
    closeConnections();
    return false;
  }
  buildKeyTable();
  findLockMasks();

  stopping_ = false;
  recording_ = false;
  recordEnded_ = false;
  recordThread_ = std::thread([this] { recordLoop(); });
  {
    std::unique_lock lock(startMutex_);
    started_.wait_for(lock, std::chrono::seconds(5), [&] { return recording_ || recordEnded_; });
    if (!recording_) {
      lock.unlock();
      XRecordDisableContext(control_, context_);
      XSync(control_, False);
      recordThread_.join();
      closeConnections();
      return false;
    }
  }
  for (Grab& g : grabs_)
    setGrab(g, g.always || (hook_.keepFromOthers && hook_.keepFromOthers(g.vk)));
  XSync(control_, False);
  grabThread_ = std::thread([this] { grabLoop(); });
  running_ = true;
  return true;
}

void RecordKeyboardHook::stop() {
  if (!running_) return;
  stopping_ = true;
  const char byte = 1;
  [[maybe_unused]] const auto n = write(wakePipe_[1], &byte, 1);
  grabThread_.join();  // it ends the recording and drops the grabs
  recordThread_.join();
  closeConnections();
  running_ = false;
}

void RecordKeyboardHook::closeConnections() {
  if (control_ && context_) XRecordFreeContext(control_, context_);
  context_ = 0;
  if (control_) XCloseDisplay(control_);
  if (data_) XCloseDisplay(data_);
  control_ = data_ = nullptr;
  for (int& fd : wakePipe_) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

void RecordKeyboardHook::buildKeyTable() {
  int minKeycode = 0;
  int maxKeycode = 0;
  XDisplayKeycodes(control_, &minKeycode, &maxKeycode);
  for (int kc = 0; kc < 256; ++kc) {
    int entry = 0;
    if (kc >= minKeycode && kc <= maxKeycode) {
      const VkOfKey v = vkForKeysym(XkbKeycodeToKeysym(control_, KeyCode(kc), 0, 0));
      entry = v.vk ? v.vk | (v.extended ? kExtendedBit : 0) : kUnknownVk;
    }
    vkOfKeycode_[kc].store(entry, std::memory_order_relaxed);
  }
}

// Grabs are exact about modifiers: a grab of F2 without modifiers misses F2 with Num Lock on.
// So every key is grabbed once for each combination of the lock modifiers.
void RecordKeyboardHook::findLockMasks() {
  unsigned numMask = 0;
  unsigned scrollMask = 0;
  const KeyCode num = XKeysymToKeycode(control_, XK_Num_Lock);
  const KeyCode scroll = XKeysymToKeycode(control_, XK_Scroll_Lock);
  if (XModifierKeymap* map = XGetModifierMapping(control_)) {
    for (int mod = 0; mod < 8; ++mod) {
      for (int k = 0; k < map->max_keypermod; ++k) {
        const KeyCode kc = map->modifiermap[mod * map->max_keypermod + k];
        if (kc == 0) continue;
        if (kc == num) numMask = 1u << mod;
        if (kc == scroll) scrollMask = 1u << mod;
      }
    }
    XFreeModifiermap(map);
  }
  std::set<unsigned> combos;
  const unsigned locks[] = {LockMask, numMask, scrollMask};
  for (unsigned subset = 0; subset < 8; ++subset) {
    unsigned mask = 0;
    for (int i = 0; i < 3; ++i)
      if (subset & (1u << i)) mask |= locks[i];
    combos.insert(mask);
  }
  lockComboCount_ = 0;
  for (unsigned m : combos) lockCombos_[lockComboCount_++] = int(m);
}

void RecordKeyboardHook::setGrab(Grab& grab, bool on) {
  const KeyCode kc = XKeysymToKeycode(control_, keysymForVk(grab.vk));
  grab.active = on;
  if (kc == 0) return;
  const Window root = DefaultRootWindow(control_);
  // Another program may hold one of these grabs already (BadAccess); the others still count.
  ErrorTrap trap(control_);
  for (int i = 0; i < lockComboCount_; ++i) {
    if (on)
      XGrabKey(control_, kc, unsigned(lockCombos_[i]), root, False, GrabModeAsync, GrabModeAsync);
    else
      XUngrabKey(control_, kc, unsigned(lockCombos_[i]), root);
  }
  trap.sync();
}

void RecordKeyboardHook::updateGrabs() {
  for (Grab& g : grabs_) {
    if (g.always) continue;
    const bool want = hook_.keepFromOthers && hook_.keepFromOthers(g.vk);
    if (want != g.active) setGrab(g, want);
  }
}

void RecordKeyboardHook::grabLoop() {
  const int xfd = ConnectionNumber(control_);
  while (!stopping_) {
    // Grabbed keys arrive here; dropping them is what keeps them from every other program.
    while (XPending(control_)) {
      XEvent event;
      XNextEvent(control_, &event);
      if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        buildKeyTable();
      }
    }
    updateGrabs();
    pollfd fds[2] = {{xfd, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    poll(fds, 2, kGrabRecheckMs);
    char drain[64];
    while (read(wakePipe_[0], drain, sizeof drain) > 0) {
    }
  }
  XRecordDisableContext(control_, context_);
  for (Grab& g : grabs_)
    if (g.active) setGrab(g, false);
  XSync(control_, False);
}

void RecordKeyboardHook::recordLoop() {
  XRecordEnableContext(data_, context_, recordCallback, reinterpret_cast<XPointer>(this));
  std::lock_guard lock(startMutex_);
  recordEnded_ = true;
  started_.notify_all();
}

void RecordKeyboardHook::recordCallback(XPointer self, XRecordInterceptData* data) {
  auto* hook = reinterpret_cast<RecordKeyboardHook*>(self);
  if (data->category == XRecordStartOfData) {
    std::lock_guard lock(hook->startMutex_);
    hook->recording_ = true;
    hook->started_.notify_all();
  } else if (data->category == XRecordFromServer && data->data_len >= 1) {
    const int type = data->data[0] & 0x7F;
    if (type == KeyPress || type == KeyRelease) hook->onKeyEvent(type == KeyPress, data->data[1]);
  }
  XRecordFreeData(data);
}

void RecordKeyboardHook::onKeyEvent(bool press, int keycode) {
  const int entry = vkOfKeycode_[keycode & 0xFF].load(std::memory_order_relaxed);
  const int vkCode = entry & 0xFF;
  if (vkCode == 0) return;
  if (vkCode == 0xA4 || vkCode == 0xA5) altDown_ = press;
  int flags = press ? 0 : vk::kFlagUp;
  if (entry & kExtendedBit) flags |= vk::kFlagExtended;
  if (altDown_) flags |= vk::kFlagAltDown;
  if (hook_.proc) hook_.proc(vk::kHcAction, vkCode, flags);
  // The answer to "keep F2/F3 from others" may have changed with this key.
  const char byte = 1;
  [[maybe_unused]] const auto n = write(wakePipe_[1], &byte, 1);
}

}  // namespace tavik::x11
