#pragma once
// The guided calibration: the auction window's capture, on which the user drags one box around
// the anchor text when tavik does not find it; what is still missing and how to bring each word
// up; and Save, which writes the learned dictionary beside the program (the previous one kept
// as sscai.dll.bak) and puts it in use. Capturing and learning run on the session's thread.

#include <QDialog>
#include <QTimer>
#include <memory>

#include "app/calibration_session.h"

class QLabel;
class QPushButton;

namespace tavik {

class Assistant;

class CalibrationWindow final : public QDialog {
  Q_OBJECT
 public:
  CalibrationWindow(Assistant& controller, QWidget* parent = nullptr);
  ~CalibrationWindow() override;

  // The picture's box in screen coordinates, from a drag between two points of the picture.
  Rect screenBox(QPoint from, QPoint to) const;
  // Saves and puts the dictionary in use; false (and a message shown) when it cannot.
  bool saveDictionary();
  // What the window tells the user now.
  QString statusText() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void refresh();
  double scale() const;

  Assistant& controller_;
  std::unique_ptr<CalibrationSession> session_;
  CalibrationProgress progress_;
  QLabel* picture_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* save_ = nullptr;
  QTimer refresh_;
  QPoint dragFrom_;
  QRect drag_;
  bool saved_ = false;
};

}  // namespace tavik
