#pragma once
// What the page locator and the readers keep and publish for everyone else: the auction stage,
// the prices, the captcha box's state, the page origin and the positions of the page's marks
// and buttons. Every position is one packed word, so a reader never pairs the x of one update
// with the y of another.

#include <array>

#include "core/atomic_int.h"
#include "core/packed_values.h"

namespace tavik {

struct PageState {
  // 0 not yet read, 1 first half, 2 second half (the bidding stage).
  AtomicInt m_auctionStage{0};
  // The current lowest acceptable price in yuan, and its value at the last price log line.
  AtomicInt m_lowestPrice{0};
  AtomicInt m_loggedLowestPrice{0};
  // The month's warning price: stands in for a lowest price not read yet (set at start-up).
  AtomicInt m_warningPrice{88100};
  // The captcha box on the page: 1 shown, 0 not.
  AtomicInt g_captchaState{0};

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
  AtomicInt m_infoWindowSec{0};

  // Price readings of this run: valid ones counted up to 1000, and for each of the last 60
  // seconds whether a well-formed price was read in it (index = remaining second).
  AtomicInt m_pagePriceReads{0};
  std::array<AtomicInt, 61> m_priceReadMarks{};

  void reset() {
    m_auctionStage = 0;
    m_lowestPrice = 0;
    m_loggedLowestPrice = 0;
    g_captchaState = 0;
    m_pageActivated = 0;
    m_captchaOkPos = Point{};
    m_captchaCancelPos = Point{};
    m_captchaRefreshSec = 0;
    m_captchaRefreshCount = 0;
    m_pagePriceReads = 0;
    for (AtomicInt& mark : m_priceReadMarks) mark = 0;
  }
};

}  // namespace tavik
