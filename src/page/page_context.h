#pragma once
// What the page locator and the readers work with: their own state, the clock's, the element
// table, the screen component and the desktop, and the few fields of higher owners they read
// (passed as const references, so this layer includes nothing above it and changes nothing of
// theirs).

#include <atomic>
#include <functional>

#include "clock/clock_state.h"
#include "clock/time_state.h"
#include "core/atomic_int.h"
#include "core/guarded_text.h"
#include "core/packed_values.h"
#include "core/window_ref.h"
#include "log/logger.h"
#include "net/net_state.h"
#include "page/element_table_store.h"
#include "page/page_state.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "recognition/screen_driver.h"

namespace tavik {

// Fields of other owners.
struct PageInputs {
  const std::atomic<WindowId>& m_auctionWnd;
  const AtomicInt& m_clientFound;
  const AtomicPoint& m_screenSize;
  const AtomicInt& m_realMode;
  const AtomicInt& m_compatMode;
  const GuardedText& m_pageTitle;
  // Our own main window, which the auction window is arranged beside; 0 when unknown.
  const std::atomic<WindowId>& m_ownWnd;
  // The key count of the keyboard hook, read when a captcha box comes up.
  const AtomicInt& g_keyCount;
  // The bid outcome detection, run after an information window was dismissed.
  std::function<void()> detectBidOutcome;
};

struct PageContext {
  PageState& page;
  ClockState& clock;
  NetworkTimeState& netTime;  // the page clock's trust counters
  const NetState& net;
  const PageInputs& in;
  const ElementTableStore& table;
  ScreenDriver& screen;
  Desktop& desktop;
  Clock& time;
  Logger& log;
};

// The size the auction window is held at.
inline constexpr int m_browserWidth = 950;
inline constexpr int m_browserHeight = 850;

}  // namespace tavik
