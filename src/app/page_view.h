#pragma once
// What tavik sees on the auction page, for the window that shows it: the captured auction
// window with every element-table rectangle and click point at its current place, each labelled
// with what was last read there, the origin and the anchor that gave it.
//
// Read-only: a snapshot reads the page's and the clock's published fields and writes none. The
// capture runs on the feed's own thread, started when the view opens and stopped when it
// closes, so the engine's threads never capture for it and a closed view costs nothing.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "clock/clock_state.h"
#include "core/atomic_int.h"
#include "core/guarded_text.h"
#include "page/element_table_store.h"
#include "page/page_state.h"
#include "platform/clock.h"
#include "platform/desktop.h"

namespace tavik {

// One rectangle or point of the page (a point has an empty size).
struct SeenBox {
  std::string label;  // the row's or point's name
  Rect rect;          // on the screen
  std::string value;  // what was read there last; empty for a place nothing reads
  bool read = false;  // green: read; red: not (only for places that are read)
  bool point = false;
};

struct SeenPage {
  bool windowFound = false;
  Image image;             // the auction window
  Point imageAt;           // its top-left on the screen
  Point origin;            // the page origin, {0, 0} when not known
  std::string originFrom;  // "dd_201", "dd_jj", "the window's place" or "" (not found)
  std::vector<SeenBox> boxes;
  uint32_t tickMs = 0;  // when it was taken (the clock's tick count)
};

// The fields a snapshot reads.
struct SeenPageSources {
  const PageState& page;
  const ClockState& clock;
  const ElementTableStore& table;
  const std::atomic<WindowId>& auctionWnd;
  const GuardedText& pageTitle;
  const AtomicInt& realMode;
  Desktop& desktop;
  Clock& time;
};

// One snapshot: captures the auction window. Not for the engine's threads.
SeenPage TakeSeenPage(const SeenPageSources& s);

// A snapshot every `periodMs` on a thread of its own while started.
class SeenPageFeed {
 public:
  SeenPageFeed(const SeenPageSources& sources, int periodMs);
  ~SeenPageFeed() { stop(); }
  SeenPageFeed(const SeenPageFeed&) = delete;
  SeenPageFeed& operator=(const SeenPageFeed&) = delete;

  void start();
  // Returns within one sleep step (50 ms) of the period.
  void stop();
  // The latest snapshot, null before the first.
  std::shared_ptr<const SeenPage> latest() const;

 private:
  void run();

  SeenPageSources sources_;
  int periodMs_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
  mutable std::mutex mutex_;  // guards latest_
  std::shared_ptr<const SeenPage> latest_;
};

}  // namespace tavik
