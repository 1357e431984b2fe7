#pragma once
// What tavik sees on the auction page, for the window that shows it: the captured auction
// window with every element-table rectangle and click point at its current place, each labelled
// with what was last read there, the origin and the anchor that gave it.
//
// Read-only: a snapshot reads the page's and the clock's published fields and writes none. The
// capture runs on the feed's own thread, started when the view opens and stopped when it
// closes, and asked for each snapshot by the window's refresh timer, so the engine's threads
// never capture for it and a closed view costs nothing.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/on_request_thread.h"

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

// How often an open view asks for a snapshot: a few times a second.
inline constexpr int kSeenRefreshMs = 250;
// The outlines' colours (0xRRGGBB), the same in both windows: read, not read, and places that
// nothing reads (click points, search areas).
inline constexpr uint32_t kSeenReadColour = 0x00AA00;
inline constexpr uint32_t kSeenUnreadColour = 0xDC0000;
inline constexpr uint32_t kSeenPlaceColour = 0x5A5AC8;

// The view's header line: the origin and the anchor that gave it, or that no auction window
// or no page is seen; and the tick.
std::string SeenHeader(const SeenPage& seen);
// A box's label, "name: value"; empty when nothing is written beside it.
std::string SeenLabel(const SeenBox& box);
// A box's outline colour.
uint32_t SeenColour(const SeenBox& box);

// One snapshot: captures the auction window. Not for the engine's threads.
SeenPage TakeSeenPage(const SeenPageSources& s);

// Snapshots taken on a thread of its own while started, one each time the window asks.
class SeenPageFeed {
 public:
  explicit SeenPageFeed(const SeenPageSources& sources);
  ~SeenPageFeed() { stop(); }
  SeenPageFeed(const SeenPageFeed&) = delete;
  SeenPageFeed& operator=(const SeenPageFeed&) = delete;

  // Starts the thread and asks for the first snapshot.
  void start();
  // Asks for the next snapshot; the window's refresh timer calls it a few times a second.
  void request() { thread_.request(); }
  // Returns once the snapshot in hand (one capture) is done.
  void stop() { thread_.stop(); }
  // The latest snapshot, null before the first.
  std::shared_ptr<const SeenPage> latest() const;

 private:
  void takeOne();

  SeenPageSources sources_;
  mutable std::mutex mutex_;  // guards latest_; written by the feed's thread only
  std::shared_ptr<const SeenPage> latest_;
  OnRequestThread thread_{[this] { takeOne(); }};  // last: joined before the fields above go
};

}  // namespace tavik
