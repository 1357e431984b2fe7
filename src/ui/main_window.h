#pragma once
// The main window: renders what the controller shows and forwards the user's commands.

#include <QWidget>
#include <map>

#include "app/main_view.h"

class QPushButton;
class QLineEdit;
class QLabel;

namespace tavik {

class Controller;

class MainWindow final : public QWidget, public MainView {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);
  void bind(Controller* controller) { controller_ = controller; }

  // MainView
  void setTitle(const std::string& title) override;
  void moveTo(int x, int y) override;
  void setText(int controlId, const std::string& text) override;
  void setChecked(int controlId, bool checked) override;
  void setVisible(int controlId, bool visible) override;
  void setFocus(int controlId) override;
  void enableStrategyControls(bool on) override;
  void hideStrategyControls() override;
  bool exchangeToFields() override { return true; }
  void exchangeToControls() override {}
  void messageBox(const std::string& text) override;
  void showVersionNotice(const std::string& downloadUrl) override;

 private:
  Controller* controller_ = nullptr;
  std::map<int, QWidget*> controls_;
};

}  // namespace tavik
