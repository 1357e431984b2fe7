#pragma once
// What the page locator and the readers keep and publish for everyone else: the auction stage,
// the prices, the captcha box's state, the page origin and the positions of the page's marks
// and buttons. Every position is one packed word, so a reader never pairs the x of one update
// with the y of another.
//
// Owner: the page layer (page/). Only the locator, the readers and the recognition updates
// store into these fields, except m_lowestPrice, which everyone changes through the named
// operations of LowestPrice; m_warningPrice, which the controller sets at start-up and on
// the simulator's request (Controller::SetWarningPrice); and the corrections and choices the
// remote main parameters make through the operations below. The page publishes what it saw (the
// captcha box appeared at a time, the box is gone, an information window was dismissed); the
// bidding engine reads those and decides what its own state becomes.

#include <array>
#include <optional>

#include "core/atomic_int.h"
#include "core/lowest_price.h"
#include "core/packed_values.h"

namespace tavik {

struct PageState {
  // 0 not yet read, 1 first half, 2 second half (the bidding stage).
  AtomicInt m_auctionStage{0};
  // The current lowest acceptable price in yuan with where it came from.
  LowestPrice m_lowestPrice;
  // The month's warning price: stands in for a lowest price not read yet (set at start-up).
  AtomicInt m_warningPrice{88100};
  // The captcha box on the page: 1 shown, 0 not.
  AtomicInt g_captchaState{0};
  // When the tracker first saw the box now up (the Clock's UTC ms; 0 while none is up), and
  // since when it has looked and not found it (0 while it is up or was never seen). A box that
  // is back within a moment (a missed look while the browser is dragged) keeps its first time.
  AtomicStamp m_captchaShownMs{0};
  AtomicStamp m_captchaGoneMs{0};
  // The user's key count (KeyFlags::g_keyCount) when the box came up: keys typed for this box
  // are those counted after it.
  AtomicInt m_keyCountAtBox{0};

  // Where the page is. Kept across runs: nothing resets the origin or the marker positions.
  AtomicPoint g_browserPos;  // top-left of the auction window (below 1 stored as 0)
  AtomicPoint g_pageOrigin;  // every element offset is added to it
  AtomicPoint g_originInBrowser{Point{25, 62}};  // origin - browser, when it moves unseen
  AtomicPoint g_anchor201Pos;                    // where "dd_201" was last found
  AtomicPoint g_anchorJJPos;                     // where "dd_jj" was last found
  AtomicPoint g_anchor201Adjust;                 // real-mode corrections (remote main parameters)
  AtomicPoint g_anchorJjAdjust;
  AtomicInt g_preferJjAnchor{0};       // 1: "dd_jj" is tried first
  AtomicPoint g_mqzdPos;               // marker "908"
  AtomicPoint g_qujianPos;             // marker "915"
  AtomicPoint g_zhiPos;                // marker "909"
  AtomicPoint g_nowTimePos;            // marker "920"
  AtomicPoint g_nddPos;                // the last bid-count marker found
  AtomicPoint g_priceAreaAdjust;       // correction of the price cells (remote main parameters)
  AtomicInt g_browserSizeFixes{100};   // automatic resizes left
  AtomicInt g_windowArrangeMoves{20};  // automatic window arrangements left

  // Per run: the first click into the page, the captcha box's buttons and refreshes, the
  // information window, the bid button.
  AtomicInt m_pageActivated{0};
  AtomicPoint m_captchaOkPos;
  AtomicPoint m_captchaCancelPos;
  AtomicPoint m_infoOkPos;
  AtomicInt m_captchaRefreshSec{0};
  AtomicInt m_captchaRefreshCount{0};
  AtomicInt g_bidButtonSeen{0};
  // The remaining second at which the tracker last dismissed an information window, and how
  // many it has dismissed in this run (the engine compares the count with the one it saw at
  // its last entry).
  AtomicInt m_infoWindowSec{0};
  AtomicInt m_infoWindowCount{0};
  // 1 once the locator has found the page's anchor in this run: until then the origin is only
  // where the page was in an earlier run, and nothing clicks there.
  AtomicInt m_pageLocatedInRun{0};

  // Price readings of this run: valid ones counted up to 1000, and for each of the last 60
  // seconds whether a well-formed price was read in it (index = remaining second).
  AtomicInt m_pagePriceReads{0};
  std::array<AtomicInt, 61> m_priceReadMarks{};

  // The remote main parameters' corrections of where the page is read: a coordinate not sent
  // keeps its value, and the point is published whole.
  void AdjustPriceArea(std::optional<int32_t> x, std::optional<int32_t> y) {
    adjust(g_priceAreaAdjust, x, y);
  }
  void AdjustAnchorJj(std::optional<int32_t> x, std::optional<int32_t> y) {
    adjust(g_anchorJjAdjust, x, y);
  }
  void AdjustAnchor201(Point adjust) { g_anchor201Adjust = adjust; }
  // The vendor says the second half has begun, before the stage reader may have seen it.
  void EnterSecondHalf() { m_auctionStage = 2; }
  // Which anchor the locator tries first; a choice the locator made meanwhile is not undone.
  void PreferJjAnchor(bool jjFirst) {
    g_preferJjAnchor.compareExchange(jjFirst ? 0 : 1, jjFirst ? 1 : 0);
  }

  void reset() {
    m_auctionStage = 0;
    m_lowestPrice.Reset();
    g_captchaState = 0;
    m_captchaShownMs = 0;
    m_captchaGoneMs = 0;
    m_keyCountAtBox = 0;
    m_infoWindowSec = 0;
    m_infoWindowCount = 0;
    m_pageLocatedInRun = 0;
    m_pageActivated = 0;
    m_captchaOkPos = Point{};
    m_captchaCancelPos = Point{};
    m_captchaRefreshSec = 0;
    m_captchaRefreshCount = 0;
    m_pagePriceReads = 0;
    for (AtomicInt& mark : m_priceReadMarks) mark = 0;
  }

 private:
  static void adjust(AtomicPoint& point, std::optional<int32_t> x, std::optional<int32_t> y) {
    const Point old = point.load();
    point.store({x.value_or(old.x), y.value_or(old.y)});
  }
};

}  // namespace tavik
