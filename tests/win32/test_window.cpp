#include "win32/test_window.h"

namespace tavik::testing {
namespace {

constexpr wchar_t kClass[] = L"TavikTestWindow";
constexpr COLORREF kQuadrants[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255),
                                   RGB(255, 255, 255)};

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT c;
  GetClientRect(hwnd, &c);
  const int midX = c.right / 2;
  const int midY = c.bottom / 2;
  const RECT parts[] = {{0, 0, midX, midY},
                        {midX, 0, c.right, midY},
                        {0, midY, midX, c.bottom},
                        {midX, midY, c.right, c.bottom}};
  for (int i = 0; i < 4; ++i) {
    HBRUSH brush = CreateSolidBrush(kQuadrants[i]);
    FillRect(dc, &parts[i], brush);
    DeleteObject(brush);
  }
  EndPaint(hwnd, &ps);
}

}  // namespace

LRESULT CALLBACK TestWindow::Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<TestWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (msg == WM_PAINT) {
    Paint(hwnd);
    return 0;
  }
  if (msg == WM_KEYDOWN && self) self->keysDown_.push_back(int(wparam));
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

LRESULT CALLBACK TestWindow::EditProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_KEYDOWN) self->keysDown_.push_back(int(wparam));
  return CallWindowProcW(self->editBase_, hwnd, msg, wparam, lparam);
}

TestWindow::TestWindow(const std::wstring& title, const Rect& r, bool withEdit) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  RegisterClassW(&wc);  // fails harmlessly when registered before
  hwnd_ = CreateWindowExW(WS_EX_TOPMOST, kClass, title.c_str(), WS_POPUP | WS_VISIBLE, r.left,
                          r.top, r.width(), r.height(), nullptr, nullptr, wc.hInstance, this);
  if (withEdit) {
    edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 4, 4, r.width() - 8,
                            24, hwnd_, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(edit_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    editBase_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
  }
  SetForegroundWindow(hwnd_);
  SetFocus(edit_ ? edit_ : hwnd_);
  UpdateWindow(hwnd_);
  Pump(300);
}

TestWindow::~TestWindow() {
  DestroyWindow(hwnd_);
  Pump(50);
}

Rect TestWindow::clientOnScreen() const {
  RECT c;
  GetClientRect(hwnd_, &c);
  POINT origin{0, 0};
  ClientToScreen(hwnd_, &origin);
  return {origin.x, origin.y, origin.x + c.right, origin.y + c.bottom};
}

std::string TestWindow::editText() const {
  char text[256] = {};
  GetWindowTextA(edit_, text, sizeof text);
  return text;
}

}  // namespace tavik::testing
