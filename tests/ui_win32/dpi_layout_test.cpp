// The main window and every dialog at the screen's DPI (scripts run it at 96, 120 and 144 by
// Wine's LogPixels): every visible control lies inside its window's client area, and its text
// fits the control, read from the controls' own rectangles and the window font.
// TAVIK_EXPECT_DPI names the DPI the run was set up for; TAVIK_SCREENSHOTS a folder that gets a
// picture of each window (BMP).

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "core/utf16.h"
#include "platform/win32/win32_desktop.h"
#include "recognition/bmp.h"
#include "settings/controls.h"
#include "settings/strategy.h"
#include "ui_win32/dialogs.h"
#include "ui_win32/main_window.h"

namespace tavik::win32ui {
namespace {

std::wstring ClassOf(HWND w) {
  wchar_t cls[32] = {};
  GetClassNameW(w, cls, 32);
  return cls;
}

std::wstring TextOf(HWND w) {
  wchar_t text[256] = {};
  GetWindowTextW(w, text, 256);
  return text;
}

// The room the text of `control` needs beyond its own extent: a check box's box, a button's
// border.
int Padding(HWND control) {
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE) & 0x0F;
  if (ClassOf(control) != L"Button") return 0;
  if (style == BS_AUTOCHECKBOX || style == BS_RADIOBUTTON || style == BS_CHECKBOX)
    return Scaled(16);
  return Scaled(4);
}

// Every visible control of `form`: inside the client area the form laid out, its text not cut
// off. (The window itself may be cut by a screen too small for it: reported apart.)
void CheckLayout(const Form& f, const char* name) {
  SCOPED_TRACE(name);
  const HWND form = f.hwnd();
  RECT client{0, 0, f.laidOutSize().cx, f.laidOutSize().cy};
  MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&client), 2);
  RECT shown;
  GetClientRect(form, &shown);
  if (shown.bottom < client.bottom - client.top)
    std::printf("%s at %d DPI: %ld pixels high, more than the screen leaves it (%ld)\n", name,
                ScreenDpi(), client.bottom - client.top, shown.bottom);
  HDC dc = GetDC(form);
  HGDIOBJ old = SelectObject(dc, WindowFont());
  int checked = 0;
  for (HWND c = GetWindow(form, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!(GetWindowLongPtrW(c, GWL_STYLE) & WS_VISIBLE)) continue;
    RECT r;
    GetWindowRect(c, &r);
    const std::wstring text = TextOf(c);
    const std::string what =
        NarrowToUtf8(ClassOf(c) + L" \"" + text + L"\" id " + std::to_wstring(GetDlgCtrlID(c)));
    if (ClassOf(c) == L"ComboBox") {  // its rectangle includes the closed list
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      GetComboBoxInfo(c, &info);
      r.bottom = r.top + (info.rcItem.bottom - info.rcItem.top) + Scaled(6);
    }
    EXPECT_TRUE(r.left >= client.left && r.top >= client.top && r.right <= client.right &&
                r.bottom <= client.bottom)
        << what << " at " << r.left << "," << r.top << "-" << r.right << "," << r.bottom
        << " outside " << client.left << "," << client.top << "-" << client.right << ","
        << client.bottom;
    const bool edit = ClassOf(c) == L"Edit";
    if (!text.empty() && !edit && ClassOf(c) != L"ComboBox") {
      RECT need{0, 0, r.right - r.left - Padding(c), 0};
      const bool groupBox =
          (GetWindowLongPtrW(c, GWL_STYLE) & 0x0F) == BS_GROUPBOX && ClassOf(c) == L"Button";
      // Labels wrap at their width; one line of everything else must fit.
      const UINT flags = ClassOf(c) == L"Static" ? DT_WORDBREAK : DT_SINGLELINE;
      DrawTextW(dc, text.c_str(), int(text.size()), &need, DT_CALCRECT | flags);
      EXPECT_LE(need.right, r.right - r.left - Padding(c)) << what << " is cut off at the side";
      if (!groupBox) {
        EXPECT_LE(need.bottom, r.bottom - r.top) << what << " is cut off below";
      }
    }
    ++checked;
  }
  SelectObject(dc, old);
  ReleaseDC(form, dc);
  EXPECT_GT(checked, 0);
}

// A picture of the window for the documentation, when a folder is named.
void Picture(HWND form, const std::string& name) {
  const char* dir = std::getenv("TAVIK_SCREENSHOTS");
  if (!dir) return;
  SetWindowPos(form, HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(form);
  RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  for (int i = 0; i < 40; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  RECT r;
  GetWindowRect(form, &r);
  Image image;
  std::string error;
  auto screen = createWin32Desktop();
  if (screen->captureScreen({r.left, r.top, r.right, r.bottom}, image))
    WriteBmp(std::string(dir) + "/" + name + "_" + std::to_string(ScreenDpi()) + ".bmp", image,
             error);
}

TEST(Win32Dpi, TheRunIsAtTheDpiItWasSetUpFor) {
  if (const char* want = std::getenv("TAVIK_EXPECT_DPI")) {
    EXPECT_EQ(ScreenDpi(), std::atoi(want));
  }
}

TEST(Win32Dpi, EveryControlOfEveryWindowIsInsideAndReadable) {
  MainWindow window;
  ShowWindow(window.hwnd(), SW_SHOW);
  CheckLayout(window, "main window");
  Picture(window.hwnd(), "main");

  Strategy strategy;
  const auto adv = AdvancedDialogBindings(strategy);
  const auto smart = SmartDialogBindings(strategy);
  const std::pair<const char*, std::function<std::unique_ptr<Form>()>> dialogs[] = {
      {"advanced",
       [&] { return std::make_unique<AdvancedDialog>(adv, CopyIn(adv), window.hwnd()); }},
      {"smart", [&] { return std::make_unique<SmartDialog>(smart, CopyIn(smart), window.hwnd()); }},
      {"help", [&] { return std::make_unique<HelpDialog>(window.hwnd()); }},
      {"about", [&] { return std::make_unique<AboutDialog>(window.hwnd()); }},
      {"bid_number",
       [&] {
         return std::make_unique<BidNumberDialog>(
             "12345678", [](const std::string&) { return true; }, window.hwnd());
       }},
      {"version_notice",
       [&] {
         return std::make_unique<VersionNoticeDialog>(
             "http://127.0.0.1/download", [](const std::string&) {}, window.hwnd());
       }},
  };
  for (const auto& [name, make] : dialogs) {
    const std::unique_ptr<Form> dialog = make();
    ShowWindow(dialog->hwnd(), SW_SHOWNOACTIVATE);
    CheckLayout(*dialog, name);
    Picture(dialog->hwnd(), std::string(name) + "_dialog");
  }
}

}  // namespace
}  // namespace tavik::win32ui
