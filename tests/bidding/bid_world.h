#pragma once
// Everything the bidding code works with, on the fake desktop in virtual time: the log (on, its
// status line a time stamp "@ms"), the page's state and context, the locator, the strategy and
// the bid context. A fixture adds the parts under test (actions, timing, engine) after it.

#include <atomic>
#include <functional>
#include <string>

#include "bidding/bid_context.h"
#include "support/temp_dir.h"
#include "testing/fake_desktop.h"
#include "testing/virtual_clock.h"

namespace tavik::testing {

// The clock is virtual for the rules' tests, real for the tests of threads meeting.
template <typename ClockType = VirtualClock>
struct BasicBidWorld {
  // The status line under each log event; the log's lines then carry the time they were written.
  std::function<std::string()> statusLine = [this] {
    return "@" + std::to_string(clock.utcNowMs());
  };

  TempDir dir;
  ClockType clock;
  FakeDesktop desktop{clock};
  ScreenDriver screen{desktop};
  LogFile logFile{clock, dir.file("my.Log")};
  AtomicInt logEnabled{1};
  Logger logger{logFile, logEnabled, [this] { return statusLine(); }};

  BidState bid;
  KeyFlags keys;
  std::atomic<WindowId> auctionWnd{1};
  std::atomic<WindowId> ownWnd{0};
  AtomicInt clientFound{1};
  AtomicPoint screenSize;
  AtomicInt realMode{1};
  AtomicInt compatMode{0};
  GuardedText pageTitle;
  PageInputs pageIn{auctionWnd, clientFound, screenSize,      realMode, compatMode,
                    pageTitle,  ownWnd,      keys.g_keyCount, [] {}};
  PageState page;
  ClockState clockState;
  NetworkTimeState netTime;
  NetState net;
  ElementTableStore table;
  PageContext pageContext{page,  clockState, netTime, net,   pageIn,
                          table, screen,     desktop, clock, logger};
  PageLocator locator{pageContext};
  StrategyStore store;
  BidInputs bidIn{realMode, clientFound, {}};
  BidContext context{bid, keys, pageContext, locator, store, bidIn};

  // The rules are tried on a page this run has already found (the wait for it has its own
  // tests); a case that needs a price read sets one.
  BasicBidWorld() { page.m_pageLocatedInRun = 1; }
};

using BidWorld = BasicBidWorld<VirtualClock>;

}  // namespace tavik::testing
