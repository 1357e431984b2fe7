#pragma once
// The desktop-wide keyboard hook on X. The RECORD extension shows us every key event of the
// server, whoever receives it, but cannot stop one; keys that must not reach other programs are
// grabbed on the root window in advance instead, and the grabbing connection simply drops them.
//
// Two connections of our own: the data connection blocks in XRecordEnableContext on the
// recording thread and delivers the events; the control connection belongs to the grab thread,
// which keeps the grabs in step with the hook's wishes and, at the end, disables the recording.

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <X11/Xlib.h>
#include <X11/extensions/record.h>

#include "platform/desktop.h"
#include "platform/x11/x11_connection.h"

namespace tavik::x11 {

class RecordKeyboardHook {
 public:
  RecordKeyboardHook() = default;
  ~RecordKeyboardHook() { stop(); }
  RecordKeyboardHook(const RecordKeyboardHook&) = delete;
  RecordKeyboardHook& operator=(const RecordKeyboardHook&) = delete;

  // Starts observing; returns once the server records (so no later key is missed), or false
  // when the server has no RECORD extension or cannot be reached.
  bool start(KeyboardHook hook);
  void stop();

 private:
  struct Grab {
    int vk;
    bool always;  // Esc: kept from other programs whatever the hook says
    bool active = false;
  };

  void buildKeyTable();
  void findLockMasks();
  void setGrab(Grab& grab, bool on);
  void updateGrabs();
  void recordLoop();
  void grabLoop();
  void onKeyEvent(bool press, int keycode);
  static void recordCallback(XPointer self, XRecordInterceptData* data);
  void closeConnections();

  KeyboardHook hook_;
  Display* control_ = nullptr;
  Display* data_ = nullptr;
  XRecordContext context_ = 0;
  std::array<std::atomic<int>, 256> vkOfKeycode_{};  // vk | 0x100 when extended
  std::array<int, 8> lockCombos_{};
  int lockComboCount_ = 0;
  std::array<Grab, 3> grabs_{{{0x1B, true}, {0x71, false}, {0x72, false}}};
  bool altDown_ = false;  // recording thread only

  std::thread recordThread_;
  std::thread grabThread_;
  int wakePipe_[2] = {-1, -1};
  std::atomic<bool> stopping_{false};
  std::mutex startMutex_;
  std::condition_variable started_;
  bool recording_ = false;  // the server has started recording
  bool recordEnded_ = false;
  bool running_ = false;
};

}  // namespace tavik::x11
