#pragma once
// The view of what tavik sees: the captured auction window scaled to fit, with every
// element-table rectangle and click point drawn over it and labelled with what was read there
// last, green when read and red when not; the origin, the anchor that gave it and the tick.
// Snapshots come from a SeenPageFeed, whose thread runs only while the window is open.

#include <QDialog>
#include <QTimer>
#include <memory>

#include "app/page_view.h"

namespace tavik {

class PageViewWindow final : public QDialog {
  Q_OBJECT
 public:
  // Without a feed the window shows only what show(SeenPage) gives it (tests, screenshots).
  explicit PageViewWindow(std::unique_ptr<SeenPageFeed> feed, QWidget* parent = nullptr);
  ~PageViewWindow() override;

  void showSeen(std::shared_ptr<const SeenPage> seen);
  const SeenPage* seen() const { return seen_.get(); }
  // Where a screen point of the snapshot lies in the window.
  QPointF toWindow(Point screen) const;
  // The outline colours.
  static QColor readColour() { return QColor(QRgb(kSeenReadColour)); }
  static QColor unreadColour() { return QColor(QRgb(kSeenUnreadColour)); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QRectF imageArea() const;
  double scale() const;

  std::unique_ptr<SeenPageFeed> feed_;
  QTimer refresh_;
  std::shared_ptr<const SeenPage> seen_;
};

}  // namespace tavik
