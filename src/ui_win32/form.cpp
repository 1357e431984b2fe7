#include "ui_win32/form.h"

#include <algorithm>

#include "core/utf16.h"

namespace tavik::win32ui {
namespace {

constexpr int kSpacing = 4;

int CALLBACK FontExists(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool Installed(HDC dc, const wchar_t* face) {
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(query.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(dc, &query, FontExists, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

void RegisterFormClass() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;  // replaced per window in create()
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

std::wstring W(const std::string& utf8) {
  return WidenUtf8(utf8);
}
std::string U8(const std::wstring& text) {
  return NarrowToUtf8(text);
}

int ScreenDpi() {
  static const int dpi = [] {
    HDC dc = GetDC(nullptr);
    const int d = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return d > 0 ? d : 96;
  }();
  return dpi;
}

int Scaled(int pixelsAt96) {
  return MulDiv(pixelsAt96, ScreenDpi(), 96);
}

HFONT WindowFont() {
  static HFONT font = [] {
    HDC dc = GetDC(nullptr);
    const wchar_t* face = L"SimSun";
    for (const wchar_t* candidate : {L"Microsoft YaHei", L"SimSun", L"WenQuanYi Micro Hei"}) {
      if (Installed(dc, candidate)) {
        face = candidate;
        break;
      }
    }
    const int height = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, face);
  }();
  return font;
}

Form::~Form() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void Form::create(const std::string& title, DWORD style, HWND owner, int width) {
  RegisterFormClass();
  width_ = Scaled(width);
  left_ = x_ = Scaled(8);
  y_ = Scaled(4);
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, W(title).c_str(), style, CW_USEDEFAULT,
                          CW_USEDEFAULT, width_, 100, owner, nullptr, GetModuleHandleW(nullptr),
                          nullptr);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont()), FALSE);
}

void Form::newRow(int height) {
  y_ += rowHeight_ + (rowHeight_ ? Scaled(2) : 0);
  x_ = left_;
  rowHeight_ = Scaled(height);
}

void Form::skip(int pixels) {
  x_ += Scaled(pixels);
}

int Form::fitWidth(Kind kind, const std::wstring& caption) const {
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, WindowFont());
  SIZE size{};
  GetTextExtentPoint32W(dc, caption.c_str(), int(caption.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  switch (kind) {
    case Kind::Check:
    case Kind::Radio:
      return size.cx + Scaled(20);
    case Kind::Button:
    case Kind::DefaultButton:
      return std::max(Scaled(60), int(size.cx) + Scaled(16));
    case Kind::Edit:
      return Scaled(58);
    case Kind::ReadOnly:
      return Scaled(104);
    default:
      return size.cx + Scaled(2);
  }
}

HWND Form::add(Kind kind, int id, const char* caption, int width, int height) {
  const std::wstring text = W(caption);
  const wchar_t* cls = L"STATIC";
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD exStyle = 0;
  switch (kind) {
    case Kind::Label:
      style |= SS_LEFT | SS_NOPREFIX;
      break;
    case Kind::Edit:
      cls = L"EDIT";
      style |= WS_TABSTOP | ES_AUTOHSCROLL;
      exStyle = WS_EX_CLIENTEDGE;
      break;
    case Kind::ReadOnly:
      cls = L"EDIT";
      style |= ES_READONLY | ES_AUTOHSCROLL | WS_DISABLED;
      exStyle = WS_EX_CLIENTEDGE;
      break;
    case Kind::Check:
      cls = L"BUTTON";
      style |= BS_AUTOCHECKBOX | WS_TABSTOP;
      break;
    case Kind::Radio:
      cls = L"BUTTON";
      style |= BS_RADIOBUTTON | WS_TABSTOP;
      break;
    case Kind::Button:
      cls = L"BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case Kind::DefaultButton:
      cls = L"BUTTON";
      style |= BS_DEFPUSHBUTTON | WS_TABSTOP;
      break;
    case Kind::Combo:
      cls = L"COMBOBOX";
      style |= CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL;
      break;
  }
  const int w = width > 0 ? Scaled(width) : fitWidth(kind, text);
  const int h = height > 0 ? Scaled(height) : (kind == Kind::Combo ? Scaled(200) : rowHeight_);
  HWND c = CreateWindowExW(exStyle, cls, text.c_str(), style, x_, y_, w, h, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
  SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont()), FALSE);
  x_ += w + Scaled(kSpacing);
  if (id >= 0) {
    controls_[id] = c;
    order_.push_back(id);
  }
  return c;
}

void Form::beginGroup(const char* caption) {
  newRow(0);
  HWND box = CreateWindowExW(0, L"BUTTON", W(caption).c_str(), WS_CHILD | WS_VISIBLE | BS_GROUPBOX,
                             left_ - Scaled(2), y_, width_ - 2 * left_ - Scaled(12), Scaled(20),
                             hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(WindowFont()), FALSE);
  groups_.push_back({box, y_});
  y_ += Scaled(16);
  left_ += Scaled(8);
}

void Form::endGroup() {
  const Group g = groups_.back();
  groups_.pop_back();
  left_ -= Scaled(8);
  y_ += rowHeight_ + Scaled(6);
  rowHeight_ = 0;
  SetWindowPos(g.box, nullptr, 0, 0, width_ - 2 * left_ - Scaled(12), y_ - g.top,
               SWP_NOMOVE | SWP_NOZORDER);
  y_ += Scaled(2);
}

void Form::finish() {
  y_ += rowHeight_ + Scaled(8);
  rowHeight_ = 0;
  RECT r{0, 0, width_ - Scaled(16), y_};
  const DWORD style = DWORD(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  AdjustWindowRectEx(&r, style, GetMenu(hwnd_) != nullptr, WS_EX_CONTROLPARENT);
  SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
}

HWND Form::control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

std::string Form::text(int id) const {
  HWND c = control(id);
  if (!c) return {};
  std::wstring t(size_t(GetWindowTextLengthW(c)) + 1, L'\0');
  t.resize(size_t(GetWindowTextW(c, t.data(), int(t.size()))));
  return U8(t);
}

void Form::setText(int id, const std::string& text) {
  if (HWND c = control(id)) SetWindowTextW(c, W(text).c_str());
}

bool Form::checked(int id) const {
  HWND c = control(id);
  return c && SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Form::setChecked(int id, bool on) {
  if (HWND c = control(id)) SendMessageW(c, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int Form::runModal(HWND owner) {
  modal_ = true;
  done_ = false;
  if (owner) centreOver(owner);
  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  MSG msg;
  while (!done_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (!done_) PostQuitMessage(int(msg.wParam));  // the application ends: pass it on
  if (owner) {
    EnableWindow(owner, TRUE);
    SetForegroundWindow(owner);
  }
  ShowWindow(hwnd_, SW_HIDE);
  modal_ = false;
  return result_;
}

// Over the middle of `owner`, kept inside the work area of the owner's monitor.
void Form::centreOver(HWND owner) {
  RECT o, r;
  GetWindowRect(owner, &o);
  GetWindowRect(hwnd_, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  int x = o.left + ((o.right - o.left) - w) / 2;
  int y = o.top + ((o.bottom - o.top) - h) / 2;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& a = monitor.rcWork;
    x = std::max(LONG(a.left), std::min(LONG(x), a.right - w));
    y = std::max(LONG(a.top), std::min(LONG(y), a.bottom - h));
  }
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::endModal(int result) {
  result_ = result;
  done_ = true;
  PostMessageW(hwnd_, WM_NULL, 0, 0);  // wakes the loop
}

void Form::onCommand(int, int) {}

bool Form::onClose() {
  if (modal_) {
    endModal(IDCANCEL);
    return false;
  }
  return true;
}

LRESULT Form::onMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(hwnd_, msg, wparam, lparam);
}

LRESULT CALLBACK Form::Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wparam, lparam);
  switch (msg) {
    case WM_COMMAND:
      self->onCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_CLOSE:
      if (self->onClose()) DestroyWindow(hwnd);
      return 0;
    default:
      return self->onMessage(msg, wparam, lparam);
  }
}

}  // namespace tavik::win32ui
