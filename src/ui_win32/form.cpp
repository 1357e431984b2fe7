#include "ui_win32/form.h"

#include <algorithm>
#include <map>

#include "core/utf16.h"

namespace tavik::win32ui {
namespace {

constexpr int kSpacing = 4;
// WM_DPICHANGED, named here for headers that predate it.
constexpr UINT kDpiChangedMessage = 0x02E0;

// Calls of Windows 10 1607 and later, looked up at run time: the program runs on Windows 7 too.
template <typename Function>
Function User32Call(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

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

int WindowDpi(HWND window) {
  using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
  static const auto getDpi = User32Call<GetDpiForWindowCall>("GetDpiForWindow");
  const int dpi = getDpi && window ? int(getDpi(window)) : 0;
  return dpi > 0 ? dpi : ScreenDpi();
}

HFONT WindowFontFor(int dpi) {
  static const wchar_t* face = [] {
    HDC dc = GetDC(nullptr);
    const wchar_t* found = L"SimSun";
    for (const wchar_t* candidate : {L"Microsoft YaHei", L"SimSun", L"WenQuanYi Micro Hei"}) {
      if (Installed(dc, candidate)) {
        found = candidate;
        break;
      }
    }
    ReleaseDC(nullptr, dc);
    return found;
  }();
  // The window's thread only; a handful of DPIs at most in a session.
  static std::map<int, HFONT> fonts;
  HFONT& font = fonts[dpi];
  if (!font) {
    font = CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, face);
  }
  return font;
}

HFONT WindowFont() {
  return WindowFontFor(ScreenDpi());
}

Form::~Form() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void Form::create(const std::string& title, DWORD style, HWND owner, int width) {
  RegisterFormClass();
  dpi_ = ScreenDpi();
  width_ = scaled(width);
  left_ = x_ = scaled(8);
  y_ = scaled(4);
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, W(title).c_str(), style, CW_USEDEFAULT,
                          CW_USEDEFAULT, width_, 100, owner, nullptr, GetModuleHandleW(nullptr),
                          nullptr);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
}

void Form::newRow(int height) {
  y_ += rowHeight_ + (rowHeight_ ? scaled(2) : 0);
  x_ = left_;
  rowHeight_ = scaled(height);
}

void Form::skip(int pixels) {
  x_ += scaled(pixels);
}

int Form::fitWidth(Kind kind, const std::wstring& caption) const {
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, font());
  SIZE size{};
  GetTextExtentPoint32W(dc, caption.c_str(), int(caption.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  switch (kind) {
    case Kind::Check:
    case Kind::Radio:
      return size.cx + scaled(20);
    case Kind::Button:
    case Kind::DefaultButton:
      return std::max(scaled(60), int(size.cx) + scaled(16));
    case Kind::Edit:
      return scaled(58);
    case Kind::ReadOnly:
      return scaled(104);
    default:
      return size.cx + scaled(2);
  }
}

// The width a label's or a check box's caption needs at the form's DPI; 0 for other controls,
// which keep their width.
int Form::captionWidth(HWND control) const {
  wchar_t cls[16] = {};
  GetClassNameW(control, cls, 16);
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  const LONG_PTR type = style & 0x0F;
  std::wstring text(size_t(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(control, text.data(), int(text.size()))));
  if (text.empty()) return 0;
  if (std::wstring(cls) == L"Static" && type == SS_LEFT) return fitWidth(Kind::Label, text);
  if (std::wstring(cls) == L"Button" &&
      (type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_CHECKBOX)) {
    return fitWidth(Kind::Check, text);
  }
  return 0;
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
  const int w = width > 0 ? scaled(width) : fitWidth(kind, text);
  const int h = height > 0 ? scaled(height) : (kind == Kind::Combo ? scaled(200) : rowHeight_);
  HWND c = CreateWindowExW(exStyle, cls, text.c_str(), style, x_, y_, w, h, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
  SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
  x_ += w + scaled(kSpacing);
  if (id >= 0) {
    controls_[id] = c;
    order_.push_back(id);
  }
  return c;
}

void Form::beginGroup(const char* caption) {
  newRow(0);
  HWND box = CreateWindowExW(0, L"BUTTON", W(caption).c_str(), WS_CHILD | WS_VISIBLE | BS_GROUPBOX,
                             left_ - scaled(2), y_, groupWidth(), scaled(20), hwnd_, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
  groups_.push_back({box, y_});
  y_ += scaled(16);
  left_ += scaled(8);
}

void Form::endGroup() {
  const Group g = groups_.back();
  groups_.pop_back();
  left_ -= scaled(8);
  y_ += rowHeight_ + scaled(6);
  rowHeight_ = 0;
  SetWindowPos(g.box, nullptr, 0, 0, groupWidth(), y_ - g.top, SWP_NOMOVE | SWP_NOZORDER);
  y_ += scaled(2);
}

void Form::finish() {
  y_ += rowHeight_ + scaled(8);
  rowHeight_ = 0;
  const SIZE outer = outerSize();
  SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER);
  // Made on a monitor of another scale than the system's: laid out for that one. (A form laid
  // out anew after WM_DPICHANGED already has the DPI it was told.)
  if (followMonitorDpi_)
    if (const int dpi = WindowDpi(hwnd_); dpi != dpi_) applyDpi(dpi, nullptr);
}

SIZE Form::outerSize() const {
  const SIZE client = laidOutSize();
  RECT r{0, 0, client.cx, client.cy};
  const DWORD style = DWORD(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  const BOOL menu = GetMenu(hwnd_) != nullptr;
  using AdjustForDpiCall = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = User32Call<AdjustForDpiCall>("AdjustWindowRectExForDpi");
  if (!adjustForDpi || !adjustForDpi(&r, style, menu, WS_EX_CONTROLPARENT, UINT(dpi_))) {
    AdjustWindowRectEx(&r, style, menu, WS_EX_CONTROLPARENT);
  }
  return SIZE{r.right - r.left, r.bottom - r.top};
}

int Form::groupWidth() const {
  return width_ - 2 * (left_ - columnBase_) - scaled(12);
}

void Form::beginColumns() {
  newRow(0);
  columnTop_ = columnBottom_ = y_;
}

void Form::nextColumn() {
  newRow(0);
  columnBottom_ = std::max(columnBottom_, y_);
  columnBase_ += stride();
  left_ += stride();
  x_ = left_;
  y_ = columnTop_;
  ++columns_;
}

void Form::endColumns() {
  newRow(0);
  y_ = std::max(columnBottom_, y_);
  left_ -= columnBase_;
  x_ = left_;
  columnBase_ = 0;
}

void Form::clearLayout() {
  while (HWND child = GetWindow(hwnd_, GW_CHILD)) DestroyWindow(child);
  controls_.clear();
  order_.clear();
  groups_.clear();
  left_ = x_ = scaled(8);
  y_ = scaled(4);
  rowHeight_ = 0;
  columns_ = 1;
  columnBase_ = columnTop_ = columnBottom_ = 0;
}

// Every control keeps its place relative to the others: positions, sizes and the layout's own
// lengths are multiplied by the ratio of the DPIs, and the font is the one made for the new DPI.
void Form::applyDpi(int dpi, const RECT* suggested) {
  if (dpi > 0 && dpi != dpi_) {
    const int old = dpi_;
    const auto scale = [&](int v) { return MulDiv(v, dpi, old); };
    dpi_ = dpi;
    for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      RECT r;
      GetWindowRect(c, &r);
      MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
      int bottom = r.bottom;
      wchar_t cls[16] = {};
      GetClassNameW(c, cls, 16);
      if (std::wstring(cls) == L"ComboBox") {  // its height is that of the dropped list
        RECT dropped{};
        SendMessageW(c, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        bottom = r.top + (dropped.bottom - dropped.top);
      }
      SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
      // A font's text does not grow exactly with the DPI: a caption that fit may need a few
      // pixels more at the new scale. (One far wider wraps by design, and keeps its width.)
      int width = scale(r.right) - scale(r.left);
      if (const int need = captionWidth(c); need > width && need <= width + width / 10) {
        width = need;
      }
      SetWindowPos(c, nullptr, scale(r.left), scale(r.top), width, scale(bottom) - scale(r.top),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (int* length :
         {&width_, &left_, &x_, &y_, &rowHeight_, &columnBase_, &columnTop_, &columnBottom_}) {
      *length = scale(*length);
    }
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
  }
  if (suggested) {
    SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    const SIZE outer = outerSize();
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
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
    case kDpiChangedMessage:
      self->onDpiChanged(LOWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    default:
      return self->onMessage(msg, wparam, lparam);
  }
}

}  // namespace tavik::win32ui
