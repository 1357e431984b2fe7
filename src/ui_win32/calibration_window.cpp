#include "ui_win32/calibration_window.h"

#include <windowsx.h>

#include <algorithm>

#include "ui_win32/picture_paint.h"

namespace tavik::win32ui {
namespace {

constexpr UINT_PTR kRefreshTimer = 1;
// The picture's height at 96 DPI; its width is the guided window's picture width.
constexpr int kPictureHeight = 480;
constexpr int kStatusHeight = 120;

}  // namespace

CalibrationWindow::CalibrationWindow(Assistant& controller, HWND owner) : controller_(controller) {
  create("从屏幕学习字库", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, owner,
         kCalibrationPictureWidth + 32);
  newRow(kPictureHeight);  // the picture, drawn by the window itself
  skip(kCalibrationPictureWidth);
  newRow(kStatusHeight);
  add(Kind::Label, kStatus, "", kCalibrationPictureWidth);
  newRow(26);
  EnableWindow(add(Kind::Button, kSave, "保存字库", 120, 26), FALSE);
  finish();
  session_ = StartGuidedCalibration(controller);
  refresh();
}

CalibrationWindow::~CalibrationWindow() {
  close();
}

void CalibrationWindow::open() {
  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
  if (open_) return;
  open_ = true;
  SetTimer(hwnd(), kRefreshTimer, kCalibrationCaptureMs, nullptr);
}

// Closed: the timer and the session's thread stop; nothing is written.
void CalibrationWindow::close() {
  open_ = false;
  KillTimer(hwnd(), kRefreshTimer);
  if (session_) session_->stop();
  ShowWindow(hwnd(), SW_HIDE);
}

bool CalibrationWindow::onClose() {
  close();
  return false;  // the main window drops it; the next open starts a new session
}

RECT CalibrationWindow::pictureArea() const {
  const int left = Scaled(8), top = Scaled(4);
  return {left, top, left + Scaled(kCalibrationPictureWidth), top + Scaled(kPictureHeight)};
}

double CalibrationWindow::scale() const {
  const auto& f = progress_.frame;
  if (!f || f->image.width == 0 || f->image.height == 0) return 1.0;
  const RECT a = pictureArea();
  return std::min(double(a.right - a.left) / f->image.width,
                  double(a.bottom - a.top) / f->image.height);
}

void CalibrationWindow::refresh() {
  if (saved_) return;  // the saved message stays
  if (session_) {
    progress_ = session_->progress();
    session_->request();  // the next capture, on the session's thread
  }
  setText(kStatus, CalibrationStatusText(session_.get(), progress_));
  EnableWindow(control(kSave), progress_.complete);
  const RECT a = pictureArea();
  InvalidateRect(hwnd(), &a, FALSE);
}

bool CalibrationWindow::saveDictionary() {
  std::string error;
  if (!session_ || !SaveGuidedCalibration(controller_, *session_, error)) {
    setText(kStatus, error.empty() ? "nothing to save" : error);
    return false;
  }
  // Done: the capture stops and the message stays.
  saved_ = true;
  KillTimer(hwnd(), kRefreshTimer);
  session_->stop();
  setText(kStatus, kCalibrationSaved);
  EnableWindow(control(kSave), FALSE);
  return true;
}

void CalibrationWindow::onCommand(int id, int code) {
  if (id == kSave && code == BN_CLICKED) saveDictionary();
}

void CalibrationWindow::endDrag(POINT at) {
  dragging_ = false;
  ReleaseCapture();
  if (!session_ || !progress_.frame) return;
  const RECT a = pictureArea();
  const Point from{dragFrom_.x - a.left, dragFrom_.y - a.top};
  const Point to{at.x - a.left, at.y - a.top};
  session_->setAnchorBox(ScreenBoxFromPicture(progress_.frame->at, scale(), from, to));
  refresh();
}

void CalibrationWindow::drawPicture(HDC dc) const {
  const RECT a = pictureArea();
  const RECT whole{0, 0, a.right - a.left, a.bottom - a.top};
  HBRUSH background = CreateSolidBrush(RGB(40, 40, 40));
  FillRect(dc, &whole, background);
  DeleteObject(background);
  if (!progress_.frame) return;
  DrawImage(dc, progress_.frame->image, 0, 0, scale());
  if (!dragging_) return;
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 170, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, std::min(dragFrom_.x, dragTo_.x) - a.left, std::min(dragFrom_.y, dragTo_.y) - a.top,
            std::max(dragFrom_.x, dragTo_.x) - a.left + 1,
            std::max(dragFrom_.y, dragTo_.y) - a.top + 1);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

LRESULT CalibrationWindow::onMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  switch (msg) {
    case WM_DESTROY:
      close();  // the main window goes: no capture may outlive the controller
      break;
    case WM_TIMER:
      if (wparam != kRefreshTimer) break;
      refresh();
      return 0;
    case WM_LBUTTONDOWN: {
      const RECT a = pictureArea();
      if (!session_ || !PtInRect(&a, at)) break;
      SetCapture(hwnd());
      dragging_ = true;
      dragFrom_ = dragTo_ = at;
      return 0;
    }
    case WM_MOUSEMOVE:
      if (!dragging_) break;
      dragTo_ = at;
      InvalidateRect(hwnd(), nullptr, FALSE);
      return 0;
    case WM_LBUTTONUP:
      if (!dragging_) break;
      endDrag(at);
      return 0;
    case WM_PAINT:
      PaintBuffered(hwnd(), pictureArea(), [this](HDC dc) { drawPicture(dc); });
      return 0;
    default:
      break;
  }
  return Form::onMessage(msg, wparam, lparam);
}

}  // namespace tavik::win32ui
