#pragma once
// The guided calibration on Win32, as in the Qt window: the auction window's capture, on which
// the user drags one box around the anchor text when tavik does not find it; what is still
// missing and how to bring each word up; and Save, which writes the learned dictionary beside
// the program (the previous one kept as sscai.dll.bak) and puts it in use. Capturing and
// learning run on the session's thread, asked by the window's refresh timer.

#include <memory>
#include <string>

#include "app/calibration_session.h"
#include "ui_win32/form.h"

namespace tavik {
class Assistant;
}

namespace tavik::win32ui {

class CalibrationWindow final : public Form {
 public:
  // Control ids.
  static constexpr int kStatus = 1001;
  static constexpr int kSave = 1002;

  CalibrationWindow(Assistant& controller, HWND owner);
  ~CalibrationWindow() override;

  // Shows the window and starts the refresh timer.
  void open();
  bool isOpen() const { return open_; }
  // Saves and puts the dictionary in use; false (and the reason shown) when it cannot.
  bool saveDictionary();
  std::string statusText() const { return text(kStatus); }
  // Where the picture lies in the client area, and how much it is scaled from the capture.
  RECT pictureArea() const;
  double scale() const;
  // Takes the session's progress into the window now (the refresh timer does it every tick).
  void refresh();

 private:
  void drawPicture(HDC dc) const;
  void endDrag(POINT at);
  void close();
  void onCommand(int id, int code) override;
  bool onClose() override;
  LRESULT onMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;

  Assistant& controller_;
  std::unique_ptr<CalibrationSession> session_;
  CalibrationProgress progress_;
  bool open_ = false;
  bool dragging_ = false;
  bool saved_ = false;
  POINT dragFrom_{};
  POINT dragTo_{};
};

}  // namespace tavik::win32ui
