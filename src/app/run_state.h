#pragma once
// The controller's own shared fields: whether the run is on, the auction window, the user's
// identity and mode, and the session's switches. The other subsystems keep theirs beside them
// (clock/clock_state.h, page/page_state.h, bidding/bid_state.h, net/net_state.h,
// clock/time_state.h); the controller's run reset calls each owner's reset in turn.

#include <atomic>
#include <string>

#include "core/atomic_int.h"
#include "core/guarded_text.h"
#include "core/packed_values.h"
#include "core/window_ref.h"

namespace tavik {

struct RunState {
  AtomicInt m_running{0};
  AtomicInt m_clientFound{0};
  std::atomic<WindowId> m_auctionWnd{0};
  // Our own main window on the desktop (0 when the view has none), arranged beside the page.
  std::atomic<WindowId> m_ownWnd{0};
  // Screen size in pixels (m_screenWidth, m_screenHeight in one word).
  AtomicPoint m_screenSize;
  // Counts the runs started; a result computed for one run is dropped once another began.
  AtomicInt m_runGeneration{0};

  GuardedText m_bidNumber;
  GuardedText m_pageBidNumber;
  AtomicInt m_realMode{1};
  AtomicInt m_schemeIndex{0};
  GuardedText m_exeDir;
  AtomicInt m_logEnabled{0};
  AtomicInt m_recordMarker{0};
  AtomicInt m_recording{0};
  AtomicInt m_compatMode{1};
  GuardedText m_clientClass{"IE"};
  GuardedText m_pageTitle;
  // The lowest price at the status display's last price log line.
  AtomicInt m_loggedLowestPrice{0};
  // Announced by the remote main parameters: a newer version must be installed.
  AtomicInt m_updateNoticeDue{0};
  GuardedText m_latestVersion;

  // The remote main parameters name the auction client's window class (field 16) and
  // announce the newest version (field 20).
  void SetClientClass(const std::string& windowClass) {
    if (windowClass != m_clientClass.get()) m_clientClass.set(windowClass);
  }
  void AnnounceVersion(const std::string& version) {
    m_latestVersion.set(version);
    m_updateNoticeDue = 1;
  }

  // m_auctionWnd is cleared only at Start; the page's bid number is obtained anew each run.
  void reset(bool atStart) {
    m_clientFound = 0;
    m_loggedLowestPrice = 0;
    if (atStart) {
      m_auctionWnd = 0;
      m_pageBidNumber.clear();
    }
  }

  // Forgets the auction window unless detection has stored another one meanwhile.
  void forgetAuctionWindow(WindowId gone) { m_auctionWnd.compare_exchange_strong(gone, 0); }
};

// Process-wide switches and counters of the controller, held in one object that it owns so
// that every test gets a fresh set.
struct ProcessFlags {
  AtomicInt g_practiceAllowed{1};
  AtomicInt g_strategyHidden{0};
  AtomicInt g_uploadDelaySec{0};
  AtomicInt g_progressPos{0};
  AtomicInt g_lastShotSec{0};
};

inline constexpr const char* g_version = "9.1.4";

}  // namespace tavik
