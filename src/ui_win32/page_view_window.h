#pragma once
// The view of what tavik sees, on Win32: the captured auction window scaled to fit, with every
// element-table rectangle and click point drawn over it and labelled with what was read there
// last, green when read and red when not; the origin, the anchor that gave it and the tick.
// Snapshots come from a SeenPageFeed, whose thread runs only while the window is open and takes
// one snapshot each time the window's refresh timer asks.

#include <memory>

#include "app/page_view.h"
#include "platform/image.h"
#include "ui_win32/form.h"

namespace tavik::win32ui {

class PageViewWindow final : public Form {
 public:
  // Without a feed the window shows only what showSeen gives it (tests, screenshots).
  PageViewWindow(std::unique_ptr<SeenPageFeed> feed, HWND owner);
  ~PageViewWindow() override;

  // Shows the window, starts the feed and the refresh timer.
  void open();
  bool isOpen() const { return open_; }
  void showSeen(std::shared_ptr<const SeenPage> seen);
  const SeenPage* seen() const { return seen_.get(); }
  // Where a screen point of the snapshot lies in the client area.
  POINT toWindow(Point screen) const;
  // The client area as it is drawn now (tests, screenshots).
  Image picture() const;

 private:
  void draw(HDC dc, const RECT& client) const;
  double scale() const;
  void close();
  bool onClose() override;
  LRESULT onMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;

  std::unique_ptr<SeenPageFeed> feed_;
  std::shared_ptr<const SeenPage> seen_;
  HFONT small_ = nullptr;
  bool open_ = false;
};

}  // namespace tavik::win32ui
