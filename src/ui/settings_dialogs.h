#pragma once
// The two settings dialogs: advanced options (Ctavikadv) and the smart-bid table (CSmartdlg).
// Each works on a copy of its settings; the caller writes the copy back only when the dialog
// ends with OK. Neither writes a file.

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "settings/controls.h"

class QCheckBox;
class QLineEdit;
class QGridLayout;
class QBoxLayout;

namespace tavik {

class SettingsDialog : public QDialog {
  Q_OBJECT
 public:
  // The values in binding order; `bindings` name the controls (their fields are not touched).
  SettingsDialog(const std::vector<BoundControl>& bindings, const std::vector<int32_t>& values,
                 QWidget* parent);
  ~SettingsDialog() override;

  const std::vector<int32_t>& values() const { return values_; }
  QWidget* control(int id) const;
  // Where the "not an integer" message goes; a modal message box unless replaced (tests).
  void setMessageHandler(std::function<void(const QString&)> handler) {
    messageHandler_ = std::move(handler);
  }

  // OK: takes every control into the copy; an edit that is not an integer is refused with a
  // message, gets the focus, and the dialog stays open.
  void accept() override;

 protected:
  QCheckBox* makeCheck(int id, const char* caption);
  QLineEdit* makeEdit(int id);
  // Member to control, once the subclass has built its controls.
  void showValues();
  // The OK and Cancel buttons, at the bottom of `layout`.
  void addButtons(QBoxLayout* layout);

 private:
  std::vector<BoundControl> bindings_;  // ids and kinds; fields point into members_
  std::unique_ptr<int32_t[]> members_;
  std::vector<int32_t> values_;
  std::map<int, QWidget*> controls_;
  std::function<void(const QString&)> messageHandler_;
};

class Ctavikadv final : public SettingsDialog {
  Q_OBJECT
 public:
  Ctavikadv(const std::vector<BoundControl>& bindings, const std::vector<int32_t>& values,
            QWidget* parent = nullptr);
};

class CSmartdlg final : public SettingsDialog {
  Q_OBJECT
 public:
  CSmartdlg(const std::vector<BoundControl>& bindings, const std::vector<int32_t>& values,
            QWidget* parent = nullptr);
};

}  // namespace tavik
