#include "ui/calibration_window.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavik {

namespace {

QString U8(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

CalibrationWindow::CalibrationWindow(Assistant& controller, QWidget* parent)
    : QDialog(parent), controller_(controller) {
  setWindowTitle(QString::fromUtf8("从屏幕学习字库"));
  auto* layout = new QVBoxLayout(this);
  picture_ = new QLabel(this);
  picture_->setObjectName("picture");
  picture_->setMinimumSize(kCalibrationPictureWidth, 200);
  picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // drags are measured from its corner
  picture_->installEventFilter(this);
  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setWordWrap(true);
  save_ = new QPushButton(QString::fromUtf8("保存字库"), this);
  save_->setObjectName("save");
  save_->setEnabled(false);
  layout->addWidget(picture_);
  layout->addWidget(status_);
  layout->addWidget(save_);
  connect(save_, &QPushButton::clicked, this, [this] { saveDictionary(); });
  session_ = StartGuidedCalibration(controller);
  refresh_.setInterval(kCalibrationCaptureMs);
  connect(&refresh_, &QTimer::timeout, this, [this] { refresh(); });
  refresh_.start();
  refresh();
  // The program ends before the controller goes: no capture may outlive it.
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
    refresh_.stop();
    if (session_) session_->stop();
  });
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
  return f && f->image.width > 0 ? double(kCalibrationPictureWidth) / f->image.width : 1.0;
}

Rect CalibrationWindow::screenBox(QPoint from, QPoint to) const {
  const Point at = progress_.frame ? progress_.frame->at : Point{};
  return ScreenBoxFromPicture(at, scale(), {from.x(), from.y()}, {to.x(), to.y()});
}

QString CalibrationWindow::statusText() const {
  return status_->text();
}

void CalibrationWindow::refresh() {
  if (saved_) return;  // the saved message stays
  if (!session_) {
    status_->setText(U8(CalibrationStatusText(nullptr, progress_)));
    return;
  }
  progress_ = session_->progress();
  session_->request();  // the next capture, on the session's thread
  status_->setText(U8(CalibrationStatusText(session_.get(), progress_)));
  save_->setEnabled(progress_.complete);
  if (!progress_.frame) return;
  const Image& image = progress_.frame->image;
  QImage shown = QImage(reinterpret_cast<const uchar*>(image.pixels.data()), image.width,
                        image.height, image.width * 4, QImage::Format_RGB32)
                     .scaledToWidth(kCalibrationPictureWidth, Qt::SmoothTransformation);
  if (!drag_.isNull()) {
    QPainter painter(&shown);
    painter.setPen(QPen(QColor(0, 170, 0), 1));
    painter.drawRect(drag_);
  }
  picture_->setPixmap(QPixmap::fromImage(shown));
  if (picture_->size() != shown.size()) {
    // The whole capture in view, so that the anchor can be dragged wherever the page put it.
    picture_->setFixedSize(shown.size());
    adjustSize();
  }
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
  if (!session_ || !SaveGuidedCalibration(controller_, *session_, error)) {
    status_->setText(U8(error.empty() ? "nothing to save" : error));
    return false;
  }
  // Done: the capture stops and the message stays.
  saved_ = true;
  refresh_.stop();
  session_->stop();
  status_->setText(U8(kCalibrationSaved));
  save_->setEnabled(false);
  return true;
}

}  // namespace tavik
