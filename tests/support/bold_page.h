#pragma once
// An auction page in a font the dictionary in use does not know (the test glyphs in bold), on
// the fake desktop, its clock showing the virtual clock's local time: what the guided
// calibration learns from in the window tests.

#include <cstdio>
#include <string>

#include "page/element_table.h"
#include "testing/fake_desktop.h"
#include "testing/page_renderer.h"
#include "testing/virtual_clock.h"

namespace tavik::testing {

class BoldPage {
 public:
  BoldPage(FakeDesktop& desktop, VirtualClock& clock) : desktop_(desktop), clock_(clock) {
    scene_.browser = {10, 10};
    scene_.origin = {35, 72};
    scene_.half = AuctionHalf::second;
    scene_.endTime = "11:30";
    scene_.lowestPrice = "89300";
    scene_.halfMark = "4500";
    scene_.bidButton = true;
    scene_.bidCount = 1;
    window_ = desktop.addWindow("上海市个人非营业性客车额度投标拍卖", "Chromium",
                                {10, 10, 10 + 950, 10 + 850});
    desktop.setForeground(window_);
    show();
  }

  WindowId window() const { return window_; }
  const PageScene& scene() const { return scene_; }
  // Draws the page as it is at the virtual clock's second.
  void show() {
    const CalendarTime t = clock_.localTime();
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    scene_.clock = text;
    desktop_.paint([&](Image& fb) {
      std::fill(fb.pixels.begin(), fb.pixels.end(), 0xFFFFFF);
      PageRenderer(ElementTable::Defaults(), BoldPageGlyphDictionary()).render(scene_, fb);
    });
  }
  // The anchor text on the screen, with a few pixels of slack as a user drags it.
  Rect anchorBox() const {
    const ElementRect& r = ElementTable::Defaults().rect(RectRow::net_rec_dd201);
    return {scene_.origin.x + r.x - 4, scene_.origin.y + r.y - 3, scene_.origin.x + r.x + 40,
            scene_.origin.y + r.y + 12};
  }

 private:
  FakeDesktop& desktop_;
  VirtualClock& clock_;
  PageScene scene_;
  WindowId window_ = 0;
};

}  // namespace tavik::testing
