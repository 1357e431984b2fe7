#pragma once
// The dialogs on Win32, as in the Qt window: the two settings dialogs (advanced options,
// smart-bid table), help, about, the bid number and the version notice. Each is a modal form.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/controls.h"
#include "ui_win32/form.h"

namespace tavik::win32ui {

// Works on a copy of its settings; the caller writes the copy back only when the dialog ends
// with OK (IDOK). Writes no file.
class SettingsDialog : public Form {
 public:
  // The values in binding order; `bindings` name the controls (their fields are not touched).
  SettingsDialog(const std::vector<BoundControl>& bindings, const std::vector<int32_t>& values);
  const std::vector<int32_t>& values() const { return values_; }
  // Where the "not an integer" message goes; a modal message box unless replaced (tests).
  void setMessageHandler(std::function<void(const std::string&)> handler) {
    messageHandler_ = std::move(handler);
  }
  // OK: takes every control into the copy; an edit that is not an integer is refused with a
  // message, gets the focus, and the dialog stays open.
  void accept();

 protected:
  void showValues();
  void addButtons();
  void onCommand(int id, int code) override;

 private:
  std::vector<BoundControl> bindings_;  // ids and kinds; fields point into members_
  std::unique_ptr<int32_t[]> members_;
  std::vector<int32_t> values_;
  std::function<void(const std::string&)> messageHandler_;
};

class AdvancedDialog final : public SettingsDialog {
 public:
  AdvancedDialog(const std::vector<BoundControl>& bindings, const std::vector<int32_t>& values,
                 HWND owner);
};

class SmartDialog final : public SettingsDialog {
 public:
  SmartDialog(const std::vector<BoundControl>& bindings, const std::vector<int32_t>& values,
              HWND owner);
};

class HelpDialog final : public Form {
 public:
  explicit HelpDialog(HWND owner);

 private:
  void onCommand(int id, int code) override;
};

// The about box's version line.
inline constexpr int kAboutVersion = 1001;

class AboutDialog final : public Form {
 public:
  explicit AboutDialog(HWND owner);

 private:
  void onCommand(int id, int code) override;
};

class BidNumberDialog final : public Form {
 public:
  BidNumberDialog(const std::string& current, std::function<bool(const std::string&)> enter,
                  HWND owner);

 private:
  void onCommand(int id, int code) override;
  std::function<bool(const std::string&)> enter_;
};

class VersionNoticeDialog final : public Form {
 public:
  VersionNoticeDialog(std::string downloadUrl, std::function<void(const std::string&)> openUrl,
                      HWND owner);

 private:
  void onCommand(int id, int code) override;
  std::string downloadUrl_;
  std::function<void(const std::string&)> openUrl_;
};

}  // namespace tavik::win32ui
