#include "platform/win32/win32_desktop.h"

#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "core/utf16.h"
#include "platform/native_desktop.h"
#include "platform/win32/win32_keyboard_hook.h"

namespace tavik {
namespace {

HWND Hwnd(WindowId w) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(w));
}
WindowId Id(HWND h) {
  return static_cast<WindowId>(reinterpret_cast<uintptr_t>(h));
}

// A screen device context and a 32-bit top-down DIB section, released together.
class ScreenCopy {
 public:
  ScreenCopy(int width, int height)
      : screen_(GetDC(nullptr)), memory_(CreateCompatibleDC(screen_)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (screen_ && memory_)
      bitmap_ = CreateDIBSection(memory_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (bitmap_) old_ = SelectObject(memory_, bitmap_);
  }
  ~ScreenCopy() {
    if (old_) SelectObject(memory_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (memory_) DeleteDC(memory_);
    if (screen_) ReleaseDC(nullptr, screen_);
  }
  ScreenCopy(const ScreenCopy&) = delete;
  ScreenCopy& operator=(const ScreenCopy&) = delete;

  // The pixels of the screen area at (x, y), or null.
  const uint32_t* copy(int x, int y, int width, int height) {
    if (!bitmap_ || !BitBlt(memory_, 0, 0, width, height, screen_, x, y, SRCCOPY)) return nullptr;
    GdiFlush();
    return static_cast<const uint32_t*>(bits_);
  }

 private:
  HDC screen_;
  HDC memory_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

// The clipboard is opened by one program at a time; another may hold it for a moment.
class ClipboardSession {
 public:
  ClipboardSession() {
    for (int attempt = 0; attempt < 20 && !open_; ++attempt) {
      open_ = OpenClipboard(nullptr);
      if (!open_) Sleep(10);
    }
  }
  ~ClipboardSession() {
    if (open_) CloseClipboard();
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  bool open() const { return open_; }

 private:
  bool open_ = false;
};

// A movable global block holding `bytes`, for SetClipboardData, or null.
HGLOBAL GlobalCopy(const void* data, size_t bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!block) return nullptr;
  void* p = GlobalLock(block);
  if (!p) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(p, data, bytes);
  GlobalUnlock(block);
  return block;
}

// The text of the clipboard's CF_UNICODETEXT, up to its terminator.
bool ReadUnicodeText(std::string& out) {
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (!data) return false;
  const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
  if (!text) return false;
  const size_t capacity = GlobalSize(data) / sizeof(wchar_t);
  const size_t length = std::find(text, text + capacity, L'\0') - text;
  out = NarrowToUtf8(std::wstring_view(text, length));
  GlobalUnlock(data);
  return true;
}

// The version the system really runs: GetVersionEx answers what the program's manifest claims
// to support, RtlGetVersion does not.
OsVersion SystemVersion() {
  OsVersion v;
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto rtlGetVersion = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                                   reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                             : nullptr;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!rtlGetVersion || rtlGetVersion(&info) != 0) return v;
  v.major = int(info.dwMajorVersion);
  v.minor = int(info.dwMinorVersion);
  v.description = "Windows " + std::to_string(v.major) + "." + std::to_string(v.minor) + " build " +
                  std::to_string(info.dwBuildNumber);
  return v;
}

// One argument of a command line, quoted the way CommandLineToArgvW and the C runtime read it
// back: backslashes double only before a quote.
std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

class Win32Desktop final : public Desktop {
 public:
  bool available() override { return GetDesktopWindow() != nullptr; }

  WindowId foregroundWindow() override { return Id(GetForegroundWindow()); }
  WindowId windowBelow(WindowId w) override { return w ? Id(GetWindow(Hwnd(w), GW_HWNDNEXT)) : 0; }
  WindowId windowAbove(WindowId w) override { return w ? Id(GetWindow(Hwnd(w), GW_HWNDPREV)) : 0; }
  std::string windowTitle(WindowId w) override {
    wchar_t text[512] = {};
    const int n = w ? GetWindowTextW(Hwnd(w), text, int(std::size(text))) : 0;
    return NarrowToUtf8(std::wstring_view(text, size_t(n > 0 ? n : 0)));
  }
  std::string windowClass(WindowId w) override {
    wchar_t text[256] = {};
    const int n = w ? GetClassNameW(Hwnd(w), text, int(std::size(text))) : 0;
    return NarrowToUtf8(std::wstring_view(text, size_t(n > 0 ? n : 0)));
  }
  bool windowRect(WindowId w, Rect& out) override {
    RECT r;
    if (!w || !GetWindowRect(Hwnd(w), &r)) return false;
    out = Rect{r.left, r.top, r.right, r.bottom};
    return true;
  }
  bool windowExists(WindowId w) override { return w && IsWindow(Hwnd(w)); }
  bool windowVisible(WindowId w) override { return w && IsWindowVisible(Hwnd(w)); }
  bool moveWindow(WindowId w, const Rect& r) override {
    return w && SetWindowPos(Hwnd(w), nullptr, r.left, r.top, r.width(), r.height(),
                             SWP_NOZORDER | SWP_NOACTIVATE);
  }

  Size screenSize() override {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  bool captureScreen(const Rect& r, Image& out) override;

  Point cursorPos() override {
    POINT p{};
    GetCursorPos(&p);
    return {p.x, p.y};
  }
  void setCursorPos(Point p) override;
  void leftButtonDown() override { mouseButton(MOUSEEVENTF_LEFTDOWN); }
  void leftButtonUp() override { mouseButton(MOUSEEVENTF_LEFTUP); }
  void keyDown(int vk) override { key(vk, 0); }
  void keyUp(int vk) override { key(vk, KEYEVENTF_KEYUP); }

  bool setClipboardText(const std::string& text) override;
  bool clipboardText(std::string& out) override;

  bool installKeyboardHook(KeyboardHook hook) override { return hook_.start(std::move(hook)); }
  void removeKeyboardHook() override { hook_.stop(); }

  bool launchProgram(const std::vector<std::string>& argv) override;
  OsVersion osVersion() override { return SystemVersion(); }

 private:
  static void mouseButton(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
  }
  static void key(int vk, DWORD flags) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = WORD(vk);
    in.ki.wScan = WORD(MapVirtualKeyW(UINT(vk), MAPVK_VK_TO_VSC));
    in.ki.dwFlags = flags;
    SendInput(1, &in, sizeof in);
  }

  win32::LowLevelKeyboardHook hook_;
};

bool Win32Desktop::captureScreen(const Rect& r, Image& out) {
  const Size screen = screenSize();
  const Rect clipped{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, screen.width),
                     std::min(r.bottom, screen.height)};
  if (clipped.empty()) return false;
  ScreenCopy copy(clipped.width(), clipped.height());
  const uint32_t* bits = copy.copy(clipped.left, clipped.top, clipped.width(), clipped.height());
  if (!bits) return false;
  out = Image(clipped.width(), clipped.height());
  std::transform(bits, bits + out.pixels.size(), out.pixels.begin(),
                 [](uint32_t bgrx) { return bgrx & 0x00FFFFFF; });
  return true;
}

// An absolute move in the 0..65535 coordinates of the primary screen, rounded so that the
// system maps it back onto the wanted pixel.
void Win32Desktop::setCursorPos(Point p) {
  const Size screen = screenSize();
  if (screen.width <= 1 || screen.height <= 1) return;
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = LONG((int64_t(p.x) * 65535 + (screen.width - 1) / 2) / (screen.width - 1));
  in.mi.dy = LONG((int64_t(p.y) * 65535 + (screen.height - 1) / 2) / (screen.height - 1));
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

// Both formats: CF_UNICODETEXT for programs that read Unicode, CF_TEXT (GBK on a Chinese
// system) for the ones that do not.
bool Win32Desktop::setClipboardText(const std::string& text) {
  const std::wstring wide = WidenUtf8(text);
  ClipboardSession session;
  if (!session.open() || !EmptyClipboard()) return false;
  HGLOBAL unicode = GlobalCopy(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  if (!unicode || !SetClipboardData(CF_UNICODETEXT, unicode)) {
    if (unicode) GlobalFree(unicode);
    return false;
  }
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n > 0) {
    std::string narrow(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow.data(), n, nullptr, nullptr);
    HGLOBAL ansi = GlobalCopy(narrow.data(), narrow.size());
    if (ansi && !SetClipboardData(CF_TEXT, ansi)) GlobalFree(ansi);
  }
  return true;
}

bool Win32Desktop::clipboardText(std::string& out) {
  ClipboardSession session;
  return session.open() && ReadUnicodeText(out);
}

// A program with its arguments; an address or a document (no program file to start) goes to
// the shell, which opens it with its registered program.
bool Win32Desktop::launchProgram(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return false;
  // An address alone is opened by the shell in the default browser; ShellExecuteW fails when
  // no program is registered for it.
  if (argv.size() == 1 && argv[0].find("://") != std::string::npos) {
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"open", WidenUtf8(argv[0]).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
  }
  std::wstring commandLine;
  for (const std::string& a : argv)
    commandLine += (commandLine.empty() ? L"" : L" ") + QuoteArgument(WidenUtf8(a));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const std::wstring program = WidenUtf8(argv[0]);
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
  }
  if (argv.size() != 1) return false;
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace

std::unique_ptr<Desktop> createWin32Desktop() {
  return std::make_unique<Win32Desktop>();
}

std::unique_ptr<Desktop> createNativeDesktop() {
  return createWin32Desktop();
}

}  // namespace tavik
