#pragma once
// The desktop of the platform the program is built for: X11 on Linux, Win32 on Windows. Each
// backend defines this; only programs and tools call it, the core gets the Desktop passed in.
#include <memory>

#include "platform/desktop.h"

namespace tavik {

// Null when the desktop cannot be reached (no display).
std::unique_ptr<Desktop> createNativeDesktop();

}  // namespace tavik
