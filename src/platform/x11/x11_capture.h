#pragma once
// Screen capture: MIT-SHM into a segment of the calling thread's connection, XGetImage when
// the server cannot share memory with us (another host, no extension, attach refused).

#include <cstddef>  // image.h uses size_t

#include "core/window_ref.h"
#include "platform/image.h"
#include "platform/x11/x11_connection.h"

namespace tavik::x11 {

// Copies the part of `r` that lies on the screen into `out`; false when none does or the
// server refused.
bool captureRoot(ThreadConnection& connection, const Rect& r, Image& out);

}  // namespace tavik::x11
