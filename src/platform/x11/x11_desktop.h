#pragma once
// The X11 backend of the desktop seam. Xlib stays inside this folder.
//
// What callers should know about X:
// - Windows are named by their client windows; windowClass is the class part of WM_CLASS
//   (e.g. "Chromium", "firefox"). With an EWMH window manager the foreground window and the
//   stacking order are the manager's; without one, the input focus and the root's children.
// - The keyboard hook observes every key of the server (XRecord) but cannot swallow an event
//   after the fact: the return value of KeyboardHook::proc is not used. Keys are withheld in
//   advance instead, by grabs on the root window that KeyboardHook::keepFromOthers decides: a
//   withheld key reaches no other program, press and release alike. Injected key events look
//   like the user's (no "injected" flag).
// - Synthetic input goes through XTest; a display without XTest is not available().

#include <memory>

#include "platform/desktop.h"

namespace tavik {

// Opens the display named by $DISPLAY; returns nullptr when there is no usable display.
std::unique_ptr<Desktop> createX11Desktop();

}  // namespace tavik
