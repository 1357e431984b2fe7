#include "ui/page_view_window.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

namespace tavik {

namespace {

// The band above the picture for the origin line.
constexpr int kHeaderHeight = 22;

QString U(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

PageViewWindow::PageViewWindow(std::unique_ptr<SeenPageFeed> feed, QWidget* parent)
    : QDialog(parent), feed_(std::move(feed)) {
  setWindowTitle(QString::fromUtf8("tavik 看到的页面"));
  resize(720, 680);
  refresh_.setInterval(kSeenRefreshMs);  // the feed takes one snapshot each time
  connect(&refresh_, &QTimer::timeout, this, [this] {
    if (!feed_) return;
    showSeen(feed_->latest());
    feed_->request();  // the next snapshot, on the feed's thread
  });
  // The program ends before the controller goes: no snapshot may outlive it.
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
    refresh_.stop();
    if (feed_) feed_->stop();
  });
}

PageViewWindow::~PageViewWindow() {
  if (feed_) feed_->stop();
}

void PageViewWindow::showEvent(QShowEvent* event) {
  if (feed_) feed_->start();
  refresh_.start();
  QDialog::showEvent(event);
}

// Closed: the feed's thread stops, so the view costs nothing.
void PageViewWindow::hideEvent(QHideEvent* event) {
  refresh_.stop();
  if (feed_) feed_->stop();
  QDialog::hideEvent(event);
}

void PageViewWindow::showSeen(std::shared_ptr<const SeenPage> seen) {
  if (!seen || seen == seen_) return;
  seen_ = std::move(seen);
  update();
}

QRectF PageViewWindow::imageArea() const {
  return QRectF(0, kHeaderHeight, width(), height() - kHeaderHeight);
}

double PageViewWindow::scale() const {
  if (!seen_ || seen_->image.width == 0 || seen_->image.height == 0) return 1.0;
  const QRectF area = imageArea();
  return std::min(area.width() / seen_->image.width, area.height() / seen_->image.height);
}

QPointF PageViewWindow::toWindow(Point screen) const {
  const Point at = seen_ ? seen_->imageAt : Point{};
  const double s = scale();
  return {(screen.x - at.x) * s, kHeaderHeight + (screen.y - at.y) * s};
}

void PageViewWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(40, 40, 40));
  if (!seen_) return;
  const SeenPage& seen = *seen_;
  QFont small = font();
  small.setPixelSize(11);
  painter.setFont(small);
  const QString header = U(SeenHeader(seen));
  painter.setPen(seen.originFrom.empty() ? unreadColour().lighter(150) : readColour().lighter(150));
  painter.drawText(QRectF(6, 0, width() - 12, kHeaderHeight), Qt::AlignVCenter, header);
  if (!seen.windowFound) return;
  const QImage image(reinterpret_cast<const uchar*>(seen.image.pixels.data()), seen.image.width,
                     seen.image.height, seen.image.width * 4, QImage::Format_RGB32);
  const double s = scale();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRectF(0, kHeaderHeight, image.width() * s, image.height() * s), image);
  for (const SeenBox& b : seen.boxes) {
    const QPointF tl = toWindow({b.rect.left, b.rect.top});
    const QColor colour = QColor(QRgb(SeenColour(b)));
    painter.setPen(QPen(colour, 1));
    if (b.point) {
      painter.drawLine(tl + QPointF(-4, 0), tl + QPointF(4, 0));
      painter.drawLine(tl + QPointF(0, -4), tl + QPointF(0, 4));
      continue;
    }
    const QPointF br = toWindow({b.rect.right, b.rect.bottom});
    painter.drawRect(QRectF(tl, br));
    const QString text = U(SeenLabel(b));
    if (text.isEmpty()) continue;
    const QRectF textBox(br.x() + 2, tl.y() - 1, 220, 13);
    painter.fillRect(
        QRectF(textBox.topLeft(), QSizeF(painter.fontMetrics().horizontalAdvance(text) + 4, 13)),
        QColor(255, 255, 255, 200));
    painter.drawText(textBox.adjusted(2, 0, 0, 0), Qt::AlignVCenter, text);
  }
}

}  // namespace tavik
