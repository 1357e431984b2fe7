#pragma once
// Drawing a captured picture in a window: both the view of what tavik sees and the guided
// calibration show the auction window's capture, scaled, under marks of their own.

#include <windows.h>

#include <functional>

#include "platform/image.h"

namespace tavik::win32ui {

// A 32-bit bitmap header for pixels kept top row first, as Image keeps them.
BITMAPINFO TopDown32(int width, int height);
// Draws `image` at (x, y), `scale` times its size, smoothed.
void DrawImage(HDC dc, const Image& image, int x, int y, double scale);
// WM_PAINT drawn off screen first, so that a refresh does not flicker: `draw` paints `area` of
// the client (in the area's own coordinates), which is then copied in one step.
void PaintBuffered(HWND window, const RECT& area, const std::function<void(HDC)>& draw);

}  // namespace tavik::win32ui
