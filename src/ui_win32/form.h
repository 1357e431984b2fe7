#pragma once
// A top-level Win32 window built from code: controls placed row by row (no dialog resources),
// addressed by their control ids, in one font. The main window and the dialogs are forms.
// Every size a form is given is in pixels at 96 DPI (100%); the form scales it to the screen's
// DPI, as the font is, so that at 125%, 150% or 200% the text still fits its controls.

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
// that Wine finds on Linux (WenQuanYi Micro Hei), at 9 points. Created once.
HFONT WindowFont();
// The screen's DPI (96 at 100%) and a 96-DPI length scaled to it.
int ScreenDpi();
int Scaled(int pixelsAt96);

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
  SIZE laidOutSize() const { return SIZE{width_ - Scaled(16), y_}; }
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
  // Sizes the window around the rows made so far.
  void finish();

  virtual void onCommand(int id, int code);
  virtual bool onClose();  // true when the window may close
  virtual LRESULT onMessage(UINT msg, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  int fitWidth(Kind kind, const std::wstring& caption) const;
  void centreOver(HWND owner);

  HWND hwnd_ = nullptr;
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
  bool modal_ = false;
  bool done_ = false;
  int result_ = 0;
};

}  // namespace tavik::win32ui
