#pragma once
// A top-level Win32 window built from code: controls placed row by row (no dialog resources),
// addressed by their control ids, in one font. The main window and the dialogs are forms.
// Every size a form is given is in pixels at 96 DPI (100%); the form scales it to its DPI, as
// the font is, so that at 125%, 150% or 200% the text still fits its controls. The process is
// aware of each monitor's DPI (PerMonitorV2 in the manifest): a form moved to a monitor of
// another scale is told (WM_DPICHANGED) and scales its controls, their font and itself anew.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace tavik::win32ui {

// The window class of every form (the main window and the dialogs).
inline constexpr wchar_t kFormClass[] = L"TavikForm";

std::wstring W(const std::string& utf8);
std::string U8(const std::wstring& text);

// The window font: a CJK font that Windows ships (Microsoft YaHei, else SimSun), else one
// that Wine finds on Linux (WenQuanYi Micro Hei), at 9 points at `dpi`. Created once per DPI.
HFONT WindowFontFor(int dpi);
// The system's DPI (96 at 100%), a 96-DPI length scaled to it, and the font at it.
int ScreenDpi();
int Scaled(int pixelsAt96);
HFONT WindowFont();
// The DPI of the monitor `window` is on (Windows 10 1607 and later), else the system's.
int WindowDpi(HWND window);

enum class Kind { Label, Edit, ReadOnly, Check, Radio, Button, DefaultButton, Combo };

class Form {
 public:
  Form() = default;
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  HWND hwnd() const { return hwnd_; }
  // The control with this id, or null; ids of labels without one are -1 and not found.
  HWND control(int id) const;
  std::string text(int id) const;
  void setText(int id, const std::string& text);
  bool checked(int id) const;
  void setChecked(int id, bool on);
  // The client area the rows take (finish() sizes the window around it; a screen smaller than
  // that may keep the window smaller).
  SIZE laidOutSize() const { return SIZE{columns_ * stride(), y_}; }
  // The window's size around laidOutSize().
  SIZE outerSize() const;
  // The DPI the form is laid out for, and its font.
  int dpi() const { return dpi_; }
  HFONT font() const { return WindowFontFor(dpi_); }
  // Scales the form from its DPI to `dpi`: every control's place and size, the font, the
  // window (to `suggested` when Windows gives a rectangle, else around the scaled layout).
  void applyDpi(int dpi, const RECT* suggested);
  // The control ids in the order they were made.
  const std::vector<int>& ids() const { return order_; }

  // Runs the form as a modal window, centred over `owner`, until endModal; returns its result.
  int runModal(HWND owner);
  void endModal(int result);

 protected:
  // Makes the window (hidden) with a client area `width` wide; the height follows the rows.
  void create(const std::string& title, DWORD style, HWND owner, int width);
  // Layout: rows of controls left to right. A width of 0 fits the caption.
  void newRow(int height = 22);
  HWND add(Kind kind, int id, const char* caption, int width = 0, int height = 0);
  void skip(int pixels);
  void beginGroup(const char* caption);
  void endGroup();
  // Sizes the window around the rows made so far, at the DPI of its monitor.
  void finish();
  // Side-by-side columns, each as wide as the form was created: the rows after nextColumn()
  // start at the top of the first column again, to its right; endColumns() goes on below the
  // tallest.
  void beginColumns();
  void nextColumn();
  void endColumns();
  // Removes every control and starts the layout again at the top (a form laid out anew in
  // another arrangement).
  void clearLayout();
  // Whether finish() takes the DPI of the window's monitor (off while a form is laid out anew
  // for the DPI WM_DPICHANGED gave).
  bool followMonitorDpi_ = true;
  // A length at 96 DPI at the form's DPI.
  int scaled(int pixelsAt96) const { return MulDiv(pixelsAt96, dpi_, 96); }

  virtual void onCommand(int id, int code);
  virtual bool onClose();  // true when the window may close
  virtual LRESULT onMessage(UINT msg, WPARAM wparam, LPARAM lparam);
  // WM_DPICHANGED: the form moved to a monitor of another scale. Scales it (applyDpi).
  virtual void onDpiChanged(int dpi, const RECT* suggested) { applyDpi(dpi, suggested); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  int fitWidth(Kind kind, const std::wstring& caption) const;
  int captionWidth(HWND control) const;
  void centreOver(HWND owner);
  // The width of one column of the client area.
  int stride() const { return width_ - scaled(16); }
  // A group box across the current column.
  int groupWidth() const;

  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  std::map<int, HWND> controls_;
  std::vector<int> order_;
  int width_ = 0;
  int left_ = 8;
  int x_ = 8;
  int y_ = 4;
  int rowHeight_ = 0;
  struct Group {
    HWND box;
    int top;
  };
  std::vector<Group> groups_;
  int columns_ = 1;
  int columnBase_ = 0;  // left edge of the current column
  int columnTop_ = 0;
  int columnBottom_ = 0;  // the tallest column so far
  bool modal_ = false;
  bool done_ = false;
  int result_ = 0;
};

}  // namespace tavik::win32ui
