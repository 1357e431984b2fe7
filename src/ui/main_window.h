#pragma once
// The main window: a narrow, tall window that stands beside the auction page. It renders what
// the controller shows and forwards the user's commands; the rules behind both live in the
// controller and the settings code.

#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

#include "app/main_view.h"
#include "settings/controls.h"

class QAbstractButton;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;

namespace tavik {

class Assistant;
class PageViewWindow;

// The application font: a CJK font that the setup installs, so that the Chinese texts render
// alike on every desktop. Call once after the QApplication exists.
void InstallWindowFont();

class MainWindow final : public QWidget, public MainView {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);
  void bind(Assistant* controller) { controller_ = controller; }

  // The control with this id, or nullptr.
  QWidget* control(int id) const;
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
  template <typename W>
  W* add(int id, W* widget);
  QLineEdit* edit(int id, QWidget* parent);
  QLineEdit* readOnlyBox(int id, QWidget* parent);
  QLabel* label(int id, const char* text, QWidget* parent);
  QAbstractButton* check(int id, const char* caption, QWidget* parent);
  QRadioButton* radio(int id, const char* caption, int group, QWidget* parent);
  QAbstractButton* button(int id, const char* caption, QWidget* parent,
                          std::function<void()> action);
  QComboBox* combo(int id) const;

  void buildMenu(QVBoxLayout* layout);
  QWidget* buildStatus();
  QWidget* buildSecondBid();
  QWidget* buildThirdBid();
  QWidget* buildRemedy();
  QWidget* buildCommands();
  void buildHidden();
  void radioClicked(QRadioButton* radio, int group);
  void forward(std::function<void(Assistant&)> command);
  template <typename Dialog>
  void editStrategy(std::vector<BoundControl> (*bind)(Strategy&));

  Assistant* controller_ = nullptr;
  std::map<int, QWidget*> controls_;
  std::map<int, std::vector<QRadioButton*>> radioGroups_;
  std::function<void(const std::string&)> messageHandler_;
  PageViewWindow* pageView_ = nullptr;  // child of this window, made on first use
};

}  // namespace tavik
