#pragma once
// The view's picture for the screenshots of both windows: what tavik sees on a second-half
// page, with the origin, the price, the clock and the bid-count marker read (green) and the end
// time not yet (red).

#include <atomic>

#include "app/page_view.h"
#include "clock/clock_state.h"
#include "page/element_table_store.h"
#include "page/page_state.h"
#include "testing/fake_desktop.h"
#include "testing/page_renderer.h"

namespace tavik::testing {

inline SeenPage SeenSecondHalf(Clock& clock) {
  PageScene scene;
  scene.browser = {0, 0};
  scene.origin = {25, 62};
  scene.half = AuctionHalf::second;
  scene.clock = "11:29:12";
  scene.endTime = "11:30";
  scene.lowestPrice = "89300";
  scene.halfMark = "4500";
  scene.bidButton = true;
  scene.bidCount = 1;
  FakeDesktop pageDesktop(clock, Size{950, 850});
  PageRenderer().render(scene, pageDesktop.framebuffer());
  std::atomic<WindowId> wnd{pageDesktop.addWindow("额度投标拍卖", "Chromium", {0, 0, 950, 850})};
  PageState page;
  ClockState seenClock;
  ElementTableStore table;
  GuardedText title{"额度投标拍卖"};
  AtomicInt realMode{0};
  const ElementRect& anchor = ElementTable::Defaults().rect(RectRow::net_rec_dd201);
  page.g_pageOrigin = scene.origin;
  page.g_anchor201Pos = Point{scene.origin.x + anchor.x, scene.origin.y + anchor.y};
  page.m_auctionStage = 2;
  page.m_lowestPrice.Set(89300);
  page.g_bidButtonSeen = 1;
  page.g_nddPos = Point{scene.origin.x + 435, scene.origin.y + 458};
  seenClock.m_clockText.set("11:29:12");
  seenClock.m_remainSec = 48;
  return TakeSeenPage({page, seenClock, table, wnd, title, realMode, pageDesktop, clock});
}

}  // namespace tavik::testing
