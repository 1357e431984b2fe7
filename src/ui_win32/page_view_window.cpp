#include "ui_win32/page_view_window.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ui_win32/picture_paint.h"

namespace tavik::win32ui {
namespace {

// The window's own refresh timer (the controller's timers run on the mailbox window).
constexpr UINT_PTR kRefreshTimer = 1;
// The band above the picture for the header line, and the labels' height, at 96 DPI.
constexpr int kHeaderHeight = 22;
constexpr int kLabelPixels = 11;

COLORREF Ref(uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Half-way to white: the header's text on the dark band.
COLORREF Lighter(uint32_t rgb) {
  const auto half = [](uint32_t c) { return BYTE((c + 0xFF) / 2); };
  return RGB(half((rgb >> 16) & 0xFF), half((rgb >> 8) & 0xFF), half(rgb & 0xFF));
}

HFONT LabelFont() {
  LOGFONTW font{};
  GetObjectW(WindowFont(), sizeof font, &font);
  font.lfHeight = -Scaled(kLabelPixels);
  return CreateFontIndirectW(&font);
}

}  // namespace

PageViewWindow::PageViewWindow(std::unique_ptr<SeenPageFeed> feed, HWND owner)
    : feed_(std::move(feed)), small_(LabelFont()) {
  create("tavik 看到的页面", WS_OVERLAPPEDWINDOW, owner, 720);
  RECT r{0, 0, Scaled(720), Scaled(680)};
  AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
  SetWindowPos(hwnd(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

PageViewWindow::~PageViewWindow() {
  close();
  DeleteObject(small_);
}

void PageViewWindow::open() {
  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
  if (open_) return;
  open_ = true;
  SetTimer(hwnd(), kRefreshTimer, kSeenRefreshMs, nullptr);
  if (feed_) feed_->start();
}

// Closed: the timer and the feed's thread stop, so the view costs nothing.
void PageViewWindow::close() {
  if (!open_) return;
  open_ = false;
  KillTimer(hwnd(), kRefreshTimer);
  if (feed_) feed_->stop();
  ShowWindow(hwnd(), SW_HIDE);
}

bool PageViewWindow::onClose() {
  close();
  return false;  // kept for the next open
}

void PageViewWindow::showSeen(std::shared_ptr<const SeenPage> seen) {
  if (!seen || seen == seen_) return;
  seen_ = std::move(seen);
  InvalidateRect(hwnd(), nullptr, FALSE);
}

double PageViewWindow::scale() const {
  if (!seen_ || seen_->image.width == 0 || seen_->image.height == 0) return 1.0;
  RECT c;
  GetClientRect(hwnd(), &c);
  return std::min(double(c.right) / seen_->image.width,
                  double(c.bottom - Scaled(kHeaderHeight)) / seen_->image.height);
}

POINT PageViewWindow::toWindow(Point screen) const {
  const Point at = seen_ ? seen_->imageAt : Point{};
  const double s = scale();
  return {LONG(std::lround((screen.x - at.x) * s)),
          LONG(Scaled(kHeaderHeight) + std::lround((screen.y - at.y) * s))};
}

void PageViewWindow::draw(HDC dc, const RECT& client) const {
  HBRUSH background = CreateSolidBrush(RGB(40, 40, 40));
  FillRect(dc, &client, background);
  DeleteObject(background);
  if (!seen_) return;
  const SeenPage& seen = *seen_;
  HGDIOBJ oldFont = SelectObject(dc, small_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Lighter(seen.originFrom.empty() ? kSeenUnreadColour : kSeenReadColour));
  RECT band{Scaled(6), 0, client.right - Scaled(6), Scaled(kHeaderHeight)};
  DrawTextW(dc, W(SeenHeader(seen)).c_str(), -1, &band,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (seen.windowFound && seen.image.width > 0) {
    DrawImage(dc, seen.image, 0, Scaled(kHeaderHeight), scale());
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    SetBkColor(dc, RGB(255, 255, 255));
    for (const SeenBox& b : seen.boxes) {
      const COLORREF colour = Ref(SeenColour(b));
      HPEN pen = CreatePen(PS_SOLID, 1, colour);
      HGDIOBJ oldPen = SelectObject(dc, pen);
      const POINT tl = toWindow({b.rect.left, b.rect.top});
      if (b.point) {
        MoveToEx(dc, tl.x - 4, tl.y, nullptr);
        LineTo(dc, tl.x + 5, tl.y);
        MoveToEx(dc, tl.x, tl.y - 4, nullptr);
        LineTo(dc, tl.x, tl.y + 5);
      } else {
        const POINT br = toWindow({b.rect.right, b.rect.bottom});
        Rectangle(dc, tl.x, tl.y, br.x + 1, br.y + 1);  // the outline through both corners
        if (const std::wstring label = W(SeenLabel(b)); !label.empty()) {
          SetBkMode(dc, OPAQUE);
          SetTextColor(dc, colour);
          TextOutW(dc, br.x + 3, tl.y - 1, label.c_str(), int(label.size()));
          SetBkMode(dc, TRANSPARENT);
        }
      }
      SelectObject(dc, oldPen);
      DeleteObject(pen);
    }
  }
  SelectObject(dc, oldFont);
}

Image PageViewWindow::picture() const {
  RECT c;
  GetClientRect(hwnd(), &c);
  Image out(c.right, c.bottom);
  if (c.right <= 0 || c.bottom <= 0) return out;
  const BITMAPINFO bi = TopDown32(c.right, c.bottom);
  void* bits = nullptr;
  HDC screen = GetDC(hwnd());
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, dib);
  draw(dc, c);
  GdiFlush();
  std::memcpy(out.pixels.data(), bits, out.pixels.size() * sizeof(uint32_t));
  for (uint32_t& p : out.pixels) p &= 0xFFFFFF;
  SelectObject(dc, old);
  DeleteObject(dib);
  DeleteDC(dc);
  ReleaseDC(hwnd(), screen);
  return out;
}

LRESULT PageViewWindow::onMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_DESTROY:
      close();  // the main window goes: no capture may outlive the controller
      break;
    case WM_TIMER:
      if (wparam != kRefreshTimer) break;
      if (feed_) {
        showSeen(feed_->latest());
        feed_->request();  // the next snapshot, on the feed's thread
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painted whole in WM_PAINT
    case WM_SIZE:
      InvalidateRect(hwnd(), nullptr, FALSE);
      return 0;
    case WM_PAINT: {
      RECT c;
      GetClientRect(hwnd(), &c);
      PaintBuffered(hwnd(), c, [&](HDC dc) { draw(dc, c); });
      return 0;
    }
    default:
      break;
  }
  return Form::onMessage(msg, wparam, lparam);
}

}  // namespace tavik::win32ui
