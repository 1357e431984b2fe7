#include "ui/calibration_window.h"

#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/assistant.h"
#include "app/calibration_session.h"

namespace tavik {

namespace {

constexpr int kRefreshMs = 250;
constexpr int kPictureWidth = 640;

QString U8(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

CalibrationWindow::CalibrationWindow(Assistant& controller, QWidget* parent)
    : QDialog(parent), controller_(controller) {
  setWindowTitle(QString::fromUtf8("从屏幕学习字库"));
  auto* layout = new QVBoxLayout(this);
  picture_ = new QLabel(this);
  picture_->setMinimumSize(kPictureWidth, 200);
  picture_->installEventFilter(this);
  status_ = new QLabel(this);
  status_->setWordWrap(true);
  save_ = new QPushButton(QString::fromUtf8("保存字库"), this);
  save_->setEnabled(false);
  layout->addWidget(picture_);
  layout->addWidget(status_);
  layout->addWidget(save_);
  connect(save_, &QPushButton::clicked, this, [this] { saveDictionary(); });
  session_ = controller.NewCalibrationSession();
  if (session_) session_->start();
  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, [this] { refresh(); });
  refresh_.start();
  refresh();
}

CalibrationWindow::~CalibrationWindow() {
  if (session_) session_->stop();
}

void CalibrationWindow::hideEvent(QHideEvent* event) {
  refresh_.stop();
  if (session_) session_->stop();
  QDialog::hideEvent(event);
}

double CalibrationWindow::scale() const {
  const auto& f = progress_.frame;
  return f && f->image.width > 0 ? double(kPictureWidth) / f->image.width : 1.0;
}

Rect CalibrationWindow::screenBox(QPoint from, QPoint to) const {
  const Point at = progress_.frame ? progress_.frame->at : Point{};
  const double s = scale();
  const QRect r = QRect(from, to).normalized();
  return {at.x + int(r.left() / s), at.y + int(r.top() / s), at.x + int((r.right() + 1) / s) + 1,
          at.y + int((r.bottom() + 1) / s) + 1};
}

QString CalibrationWindow::statusText() const {
  if (!session_) return QString::fromUtf8("没有找到拍卖窗口：请先打开拍卖页面 (no auction window)");
  QString text;
  if (!progress_.anchorKnown)
    text += QString::fromUtf8(
        "请在图上拖一个框，框住页面左侧的定位文字 (drag a box around the anchor)\n");
  for (const std::string& m : progress_.missing) text += U8("missing: " + m + "\n");
  for (const WordNeed& w : progress_.words)
    if (!w.learned) text += U8("not yet: " + w.what + " (" + w.howToShow + ")\n");
  if (!progress_.messages.empty()) text += U8(progress_.messages.back());
  if (progress_.complete) text += QString::fromUtf8("\n可以保存 (ready to save)");
  return text;
}

void CalibrationWindow::refresh() {
  if (!session_) {
    status_->setText(statusText());
    return;
  }
  progress_ = session_->progress();
  status_->setText(statusText());
  save_->setEnabled(progress_.complete);
  if (!progress_.frame) return;
  const Image& image = progress_.frame->image;
  QImage shown = QImage(reinterpret_cast<const uchar*>(image.pixels.data()), image.width,
                        image.height, image.width * 4, QImage::Format_RGB32)
                     .scaledToWidth(kPictureWidth, Qt::SmoothTransformation);
  if (!drag_.isNull()) {
    QPainter painter(&shown);
    painter.setPen(QPen(QColor(0, 170, 0), 1));
    painter.drawRect(drag_);
  }
  picture_->setPixmap(QPixmap::fromImage(shown));
}

bool CalibrationWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != picture_ || !session_) return QDialog::eventFilter(watched, event);
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (event->type() == QEvent::MouseButtonPress) {
    dragFrom_ = mouse->position().toPoint();
    drag_ = QRect();
    return true;
  }
  if (event->type() == QEvent::MouseMove) {
    drag_ = QRect(dragFrom_, mouse->position().toPoint()).normalized();
    return true;
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    session_->setAnchorBox(screenBox(dragFrom_, mouse->position().toPoint()));
    refresh();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

bool CalibrationWindow::saveDictionary() {
  std::string error;
  const std::string path = controller_.DictionaryPath();
  if (!session_ || !session_->save(path, error)) {
    status_->setText(U8(error.empty() ? "nothing to save" : error));
    return false;
  }
  if (!controller_.UseSavedDictionary()) {
    status_->setText(
        QString::fromUtf8("字库已保存，但无法启用 (saved, but it cannot be put in use)"));
    save_->setEnabled(false);
    return false;
  }
  status_->setText(
      QString::fromUtf8("字库已保存并启用 (saved and in use; the previous one is sscai.dll.bak)"));
  save_->setEnabled(false);
  return true;
}

}  // namespace tavik
