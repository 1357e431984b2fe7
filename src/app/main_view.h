#pragma once
// What the controller needs of its window. The Qt window implements it; tests and headless
// runs use HeadlessView. Controls are addressed by their ids (ctl:: in settings/control_ids.h).

#include <string>

#include <vector>
#include "core/window_ref.h"

#include "settings/control_ids.h"

namespace tavik {

class MainView {
 public:
  virtual ~MainView() = default;

  virtual void setTitle(const std::string& title) = 0;
  // The window as the desktop names it, for moving it beside the auction page; 0 for none.
  virtual WindowId nativeWindow() const { return 0; }
  virtual void moveTo(int x, int y) = 0;
  virtual void setText(int controlId, const std::string& text) = 0;
  virtual void setChecked(int controlId, bool checked) = 0;
  virtual void setVisible(int controlId, bool visible) = 0;
  virtual void setFocus(int controlId) = 0;

  // Strategy controls on (at Stop) or off (at Start).
  virtual void enableStrategyControls(bool on) = 0;
  // Hides the strategy controls for good (marker file "hd.txt").
  virtual void hideStrategyControls() = 0;

  // What a control holds: an edit's or label's text, a checkbox's or radio's check state.
  // The controller's data exchange reads the strategy controls through these.
  virtual std::string controlText(int controlId) const = 0;
  virtual bool isChecked(int controlId) const = 0;

  // The drop-down list (scheme selector). Selecting from here does not count as the user's
  // selection change.
  virtual void addComboItem(int controlId, const std::string& text) = 0;
  virtual int comboCount(int controlId) const = 0;
  virtual void setComboSelection(int controlId, int index) = 0;
  virtual int comboSelection(int controlId) const = 0;

  // A modal message box with a fixed text.
  virtual void messageBox(const std::string& text) = 0;
  // The modal version-update notice, with the download address.
  virtual void showVersionNotice(const std::string& downloadUrl) = 0;
};

}  // namespace tavik
