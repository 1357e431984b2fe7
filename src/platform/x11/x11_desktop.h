#pragma once
// The X11 backend of the desktop seam. Xlib stays inside this folder.

#include <memory>

#include "platform/desktop.h"

namespace tavik {

// Opens the display named by $DISPLAY; returns nullptr when there is no usable display.
std::unique_ptr<Desktop> createX11Desktop();

}  // namespace tavik
