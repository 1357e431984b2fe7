#pragma once
// The main window on Win32: the same controls, ids, captions, order and grouping as the Qt
// window, placed in code. It renders what the controller shows and forwards the user's
// commands; the rules behind both live in the controller and the settings code.

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "app/main_view.h"
#include "ui_win32/form.h"

namespace tavik {
class Assistant;
}

namespace tavik::win32ui {

class PageViewWindow;
class CalibrationWindow;

// Menu commands (outside the range of the control ids).
inline constexpr int kMenuBidNumber = 40001;
inline constexpr int kMenuHelp = 40002;
inline constexpr int kMenuAbout = 40003;
inline constexpr int kMenuPageView = 40004;
inline constexpr int kMenuCalibration = 40005;
inline constexpr int kMenuLastReport = 40006;

class MainWindow final : public Form, public MainView {
 public:
  MainWindow();
  ~MainWindow() override;
  void bind(Assistant* controller) { controller_ = controller; }
  void show();
  // Whether the controls stand in two columns (the screen too low for one).
  bool twoColumns() const { return twoColumns_; }
  // Where message boxes go; a modal box unless replaced (tests, screenshots).
  void setMessageHandler(std::function<void(const std::string&)> handler) {
    messageHandler_ = std::move(handler);
  }

  // The commands of the buttons and the menu.
  void openAdvancedDialog();
  void openSmartDialog();
  void openHelpDialog();
  void openAboutDialog();
  void openBidNumberDialog();
  void openPageView();
  void openCalibration();
  // The view of what tavik sees and the guided calibration, once opened (tests).
  PageViewWindow* pageView() const { return pageView_.get(); }
  CalibrationWindow* calibration() const { return calibration_.get(); }

  // MainView
  void setTitle(const std::string& title) override;
  WindowId nativeWindow() const override;
  void moveTo(int x, int y) override;
  void setText(int controlId, const std::string& text) override;
  void setChecked(int controlId, bool checked) override;
  void setVisible(int controlId, bool visible) override;
  void setFocus(int controlId) override;
  void enableStrategyControls(bool on) override;
  void hideStrategyControls() override;
  std::string controlText(int controlId) const override;
  bool isChecked(int controlId) const override;
  void addComboItem(int controlId, const std::string& text) override;
  int comboCount(int controlId) const override;
  void setComboSelection(int controlId, int index) override;
  int comboSelection(int controlId) const override;
  void messageBox(const std::string& text) override;
  void showVersionNotice(const std::string& downloadUrl) override;

 private:
  void buildMenu();
  // The controls, in one column or in two (the status and the second bid to the left).
  void build(bool twoColumns);
  bool fitsWorkArea() const;
  void buildStatus();
  void buildSecondBid();
  void buildThirdBid();
  void buildRemedy();
  void buildCommands();
  void buildHidden();
  void statusLine(const char* caption, Kind kind, int id, const char* text, int width = 0);
  HWND radio(int id, const char* caption, int group, int width = 0);
  void onCommand(int id, int code) override;
  bool onClose() override;
  LRESULT onMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void onDpiChanged(int dpi, const RECT* suggested) override;
  // One column where the screen is tall enough for it, else two; the controls keep what they
  // show when the arrangement changes.
  void arrangeForScreen();
  bool oneColumnFits() const;
  void relayout(bool twoColumns);
  void forward(const std::function<void(Assistant&)>& command);

  Assistant* controller_ = nullptr;
  bool twoColumns_ = false;
  int oneColumnHeight96_ = 0;      // the client height of one column at 96 DPI
  std::map<int, int> radioGroup_;  // radio id -> group
  std::map<int, std::function<void()>> commands_;
  std::function<void(const std::string&)> messageHandler_;
  std::unique_ptr<PageViewWindow> pageView_;        // made on first use
  std::unique_ptr<CalibrationWindow> calibration_;  // made anew at each open
};

}  // namespace tavik::win32ui
