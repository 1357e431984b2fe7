#pragma once
// The sign under the buttons that a scheme was saved ("已保存：我的方案3"): shown when a save
// succeeds, so that the user sees the click was taken, and taken away kSavedSignMs later by a
// one-shot window timer of the controller's (WindowTimers), which runs on the window's clock:
// the Qt or Win32 timer in the program, virtual time in tests, as every other window timer.
// Window's thread only.

#include <string>

#include "app/main_view.h"
#include "platform/timers.h"

namespace tavik {

inline constexpr int kSavedSignMs = 4000;

class SavedSign {
 public:
  // `timerId` is the window timer the sign uses, of the controller's timer ids.
  SavedSign(MainView& view, WindowTimers& timers, int timerId)
      : view_(view), timers_(timers), timerId_(timerId) {}

  // Shows the sign for `schemeName`; a second save starts its time again.
  void show(const std::string& schemeName);
  // The timer fired: the sign goes.
  void expire();

 private:
  MainView& view_;
  WindowTimers& timers_;
  int timerId_;
};

}  // namespace tavik
