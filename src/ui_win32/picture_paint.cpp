#include "ui_win32/picture_paint.h"

#include <algorithm>

namespace tavik::win32ui {

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

void DrawImage(HDC dc, const Image& image, int x, int y, double scale) {
  const BITMAPINFO bi = TopDown32(image.width, image.height);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, x, y, int(image.width * scale), int(image.height * scale), 0, 0, image.width,
                image.height, image.pixels.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
}

void PaintBuffered(HWND window, const RECT& area, const std::function<void(HDC)>& draw) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  const int width = std::max(1L, area.right - area.left);
  const int height = std::max(1L, area.bottom - area.top);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  draw(memory);
  BitBlt(dc, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(window, &ps);
}

}  // namespace tavik::win32ui
