#pragma once
// The Win32 backend of the desktop seam. windows.h stays inside this folder.
//
// What callers should know about Windows:
// - WindowId is the HWND of a top-level window; titles and classes are read in UTF-16 and
//   given in UTF-8.
// - The keyboard hook is a WH_KEYBOARD_LL hook on a thread of its own with its message loop:
//   the system calls it before any program sees the key, so KeyboardHook::proc decides for
//   each event whether it is swallowed, and the injected flag (0x10) is the system's.
//   keepFromOthers is not needed and not called.
// - Synthetic input goes through SendInput, the screen is captured with BitBlt.
#include <memory>

#include "platform/desktop.h"

namespace tavik {

std::unique_ptr<Desktop> createWin32Desktop();

}  // namespace tavik
