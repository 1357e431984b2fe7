#include "ui/page_view_window.h"

#include <QImage>
#include <QPainter>

namespace tavik {

namespace {

// A few times a second while open.
constexpr int kRefreshMs = 250;
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
  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, [this] {
    if (feed_) showSeen(feed_->latest());
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
  QString header;
  if (!seen.windowFound)
    header = QString::fromUtf8("未找到拍卖窗口 (no auction window)");
  else if (seen.originFrom.empty())
    header = QString::fromUtf8("未找到页面 (no page: no anchor found)");
  else
    header = QString("origin %1,%2 from %3")
                 .arg(seen.origin.x)
                 .arg(seen.origin.y)
                 .arg(U(seen.originFrom));
  header += QString("   tick %1 ms").arg(seen.tickMs);
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
    const QColor colour = b.value.empty() ? QColor(90, 90, 200)
                          : b.read        ? readColour()
                                          : unreadColour();
    painter.setPen(QPen(colour, 1));
    if (b.point) {
      painter.drawLine(tl + QPointF(-4, 0), tl + QPointF(4, 0));
      painter.drawLine(tl + QPointF(0, -4), tl + QPointF(0, 4));
      continue;
    }
    const QPointF br = toWindow({b.rect.right, b.rect.bottom});
    painter.drawRect(QRectF(tl, br));
    if (b.value.empty() || b.label.empty()) continue;
    const QString text = U(b.label + ": " + b.value);
    const QRectF textBox(br.x() + 2, tl.y() - 1, 220, 13);
    painter.fillRect(
        QRectF(textBox.topLeft(), QSizeF(painter.fontMetrics().horizontalAdvance(text) + 4, 13)),
        QColor(255, 255, 255, 200));
    painter.drawText(textBox.adjusted(2, 0, 0, 0), Qt::AlignVCenter, text);
  }
}

}  // namespace tavik
