// The main window and every dialog at the screen's DPI (scripts run it at 96, 120 and 144 by
// Wine's LogPixels): every visible control lies inside its window's client area, and its text
// fits the control, read from the controls' own rectangles and the window font.
// TAVIK_EXPECT_DPI names the DPI the run was set up for; TAVIK_SCREENSHOTS a folder that gets a
// picture of each window (BMP). The main window must also fit the screen's work area, and a
// window told of another DPI (WM_DPICHANGED) must be laid out anew for it.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "core/utf16.h"
#include "platform/win32/win32_desktop.h"
#include "recognition/bmp.h"
#include "settings/control_ids.h"
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

// The room the text of `control` needs beyond its own extent at `dpi`: a check box's box, a
// button's border.
int Padding(HWND control, int dpi) {
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE) & 0x0F;
  if (ClassOf(control) != L"Button") return 0;
  if (style == BS_AUTOCHECKBOX || style == BS_RADIOBUTTON || style == BS_CHECKBOX)
    return MulDiv(16, dpi, 96);
  return MulDiv(4, dpi, 96);
}

// The work area of the monitor `window` is on.
RECT WorkArea(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  return monitor.rcWork;
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
                f.dpi(), client.bottom - client.top, shown.bottom);
  const int dpi = f.dpi();
  HDC dc = GetDC(form);
  HGDIOBJ old = SelectObject(dc, f.font());
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
      r.bottom = r.top + (info.rcItem.bottom - info.rcItem.top) + MulDiv(6, dpi, 96);
    }
    EXPECT_TRUE(r.left >= client.left && r.top >= client.top && r.right <= client.right &&
                r.bottom <= client.bottom)
        << what << " at " << r.left << "," << r.top << "-" << r.right << "," << r.bottom
        << " outside " << client.left << "," << client.top << "-" << client.right << ","
        << client.bottom;
    const bool edit = ClassOf(c) == L"Edit";
    if (!text.empty() && !edit && ClassOf(c) != L"ComboBox") {
      RECT need{0, 0, r.right - r.left - Padding(c, dpi), 0};
      const bool groupBox =
          (GetWindowLongPtrW(c, GWL_STYLE) & 0x0F) == BS_GROUPBOX && ClassOf(c) == L"Button";
      // Labels wrap at their width; one line of everything else must fit.
      const UINT flags = ClassOf(c) == L"Static" ? DT_WORDBREAK : DT_SINGLELINE;
      DrawTextW(dc, text.c_str(), int(text.size()), &need, DT_CALCRECT | flags);
      EXPECT_LE(need.right, r.right - r.left - Padding(c, dpi))
          << what << " is cut off at the side";
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

// The main window fits the screen's work area: at 125% and 150% (a laptop's default) in two
// columns. At those scales it also fits the work area of a 1366x768 screen (a 40-pixel task
// bar), the smallest laptop screen sold with them.
TEST(Win32Dpi, TheMainWindowFitsTheScreen) {
  MainWindow window;
  RECT r;
  GetWindowRect(window.hwnd(), &r);
  const RECT work = WorkArea(window.hwnd());
  std::printf("main window at %d DPI: %ldx%ld, %s; work area %ldx%ld\n", window.dpi(),
              r.right - r.left, r.bottom - r.top,
              window.twoColumns() ? "two columns" : "one column", work.right - work.left,
              work.bottom - work.top);
  EXPECT_LE(r.bottom - r.top, work.bottom - work.top);
  EXPECT_LE(r.right - r.left, work.right - work.left);
  if (window.dpi() >= 120) {
    EXPECT_TRUE(window.twoColumns());
    EXPECT_LE(r.bottom - r.top, 768 - 40);
    EXPECT_LE(r.right - r.left, 1366);
  }
}

// Moved to a monitor of another scale, a window lays itself out for it: every control inside
// and readable in the font of the new DPI, the window as large as Windows suggests, or in two
// columns where one would run off the screen, and back in one where it fits again; the controls
// keep what they show.
TEST(Win32Dpi, AWindowMovedToAnotherScaleIsLaidOutForIt) {
  MainWindow window;
  window.setText(ctl::kRemainBox, "37");
  window.setChecked(ctl::kCompatMode, false);
  window.addComboItem(ctl::kSchemeCombo, "one");
  window.addComboItem(ctl::kSchemeCombo, "two");
  window.setComboSelection(ctl::kSchemeCombo, 1);
  const int from = window.dpi();
  const bool columnsAtStart = window.twoColumns();
  for (const int to : {from * 3 / 2, from * 2, from}) {
    SCOPED_TRACE(to);
    const bool columnsBefore = window.twoColumns();
    RECT suggested;
    GetWindowRect(window.hwnd(), &suggested);
    suggested.right = suggested.left + MulDiv(suggested.right - suggested.left, to, window.dpi());
    suggested.bottom = suggested.top + MulDiv(suggested.bottom - suggested.top, to, window.dpi());
    SendMessageW(window.hwnd(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(to, to),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window.dpi(), to);
    LOGFONTW font{};
    GetObjectW(
        reinterpret_cast<HFONT>(SendMessageW(window.control(ctl::kStartStop), WM_GETFONT, 0, 0)),
        sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -MulDiv(9, to, 72)) << "the font of the new scale";
    // Windows keeps a window within the largest size it lets one take (the screen's).
    RECT now;
    GetWindowRect(window.hwnd(), &now);
    if (window.twoColumns() == columnsBefore &&
        suggested.bottom - suggested.top <= GetSystemMetrics(SM_CYMAXTRACK)) {
      EXPECT_EQ(now.right - now.left, suggested.right - suggested.left);
      EXPECT_EQ(now.bottom - now.top, suggested.bottom - suggested.top);
    }
    const RECT work = WorkArea(window.hwnd());
    if (!window.twoColumns()) {
      EXPECT_LE(now.bottom - now.top, work.bottom - work.top);
    }
    if (to == from * 2) {
      EXPECT_TRUE(window.twoColumns()) << "one column at twice the scale";
    }
    EXPECT_EQ(window.controlText(ctl::kRemainBox), "37");
    EXPECT_FALSE(window.isChecked(ctl::kCompatMode));
    EXPECT_EQ(window.comboCount(ctl::kSchemeCombo), 2);
    EXPECT_EQ(window.comboSelection(ctl::kSchemeCombo), 1);
    CheckLayout(window, "main window moved");
  }
  EXPECT_EQ(window.twoColumns(), columnsAtStart) << "back at the first scale, its arrangement";
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
