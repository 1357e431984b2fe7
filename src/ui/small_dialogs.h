#pragma once
// The small fixed dialogs of the main window: help, About, the version-update notice and the
// entry of the user's bid number.

#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;

namespace tavik {

// Ctavikhelp: the operating hints, with an OK button.
class Ctavikhelp final : public QDialog {
  Q_OBJECT
 public:
  explicit Ctavikhelp(QWidget* parent = nullptr);
};

// CAboutDlg: the icon, the name and an OK button.
class CAboutDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

// CRegback: a required update; its button opens the download address in the browser.
class CRegback final : public QDialog {
  Q_OBJECT
 public:
  CRegback(std::string downloadUrl, std::function<void(const std::string&)> openUrl,
           QWidget* parent = nullptr);

 private:
  std::string downloadUrl_;
  std::function<void(const std::string&)> openUrl_;
};

// Asks for the eight-digit bid number. `enter` checks and takes it (telling the user what is
// wrong); the dialog closes only once it has been taken.
class BidNumberDialog final : public QDialog {
  Q_OBJECT
 public:
  BidNumberDialog(const std::string& current, std::function<bool(const std::string&)> enter,
                  QWidget* parent = nullptr);
  void accept() override;
  QLineEdit* edit() const { return edit_; }

 private:
  QLineEdit* edit_;
  std::function<bool(const std::string&)> enter_;
};

}  // namespace tavik
