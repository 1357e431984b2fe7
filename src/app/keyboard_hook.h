#pragma once
// The desktop-wide keyboard hook: how the user's Enter, Space and function keys reach the
// bidding engine, and why Esc never reaches the auction page.

#include <cstdint>

#include "bidding/bid_state.h"

namespace tavik {

// Handles one key event of the desktop (hook code, virtual-key code, low-level flags, the
// Clock's UTC ms now) and returns true when the event is swallowed (kept from every program).
bool KeyboardHookProc(KeyFlags& flags, int code, int vk, int eventFlags, int64_t nowMs = 1);

// Whether a backend that must withhold keys in advance (X11 grabs) should withhold `vk` now:
// Esc always, F2 and F3 while no function key is latched.
bool KeyKeptFromOthers(const KeyFlags& flags, int vk);

}  // namespace tavik
