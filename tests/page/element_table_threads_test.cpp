#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "page/element_table.h"
#include "page/element_table_store.h"

namespace tavik {
namespace {

// A table in which every updatable row and every click point differs from the defaults.
ElementTable Shifted() {
  ElementTable t = ElementTable::Defaults();
  for (size_t i = 0; i < kRectRowCount; ++i) {
    const auto row = static_cast<RectRow>(i);
    ElementRect r = t.rect(row);
    t.setRect(row, {r.x + 1, r.y + 2, r.w + 3, r.h + 4});
    EXPECT_TRUE(t.setColours(row, "100.50.50-" + std::to_string(i) + ".0.0"));
  }
  for (size_t i = 0; i < kClickPointCount; ++i) {
    const auto p = static_cast<ClickPoint>(i);
    t.setPoint(p, {t.point(p).x + 5, t.point(p).y + 6});
  }
  return t;
}

// One thread publishes two full tables in turn while another reads rows: every row read must
// come whole from one of them.
TEST(ElementTableStoreThreads, ReadersNeverSeeARowMixingTwoTables) {
  const ElementTable a = ElementTable::Defaults();
  const ElementTable b = Shifted();
  ElementTableStore store;
  std::atomic<bool> done{false};
  std::atomic<int> swaps{0};
  std::thread writer([&] {
    while (!done.load()) {
      store.publish(swaps.load() % 2 == 0 ? b : a);
      swaps.fetch_add(1);
    }
  });

  int mixed = 0, fromA = 0, fromB = 0;
  for (int n = 0; n < 20000; ++n) {
    const auto row = static_cast<RectRow>(n % kRectRowCount);
    const ElementRow seen = store.row(row);
    if (seen == a.row(row)) {
      ++fromA;
    } else if (seen == b.row(row)) {
      ++fromB;
    } else {
      ++mixed;
    }
    const auto p = static_cast<ClickPoint>(n % kClickPointCount);
    const ElementPoint at = store.point(p);
    if (at != a.point(p) && at != b.point(p)) ++mixed;
    if (n == 10000) {
      // Let the writer get going on a loaded machine before the second half of the reads.
      while (swaps.load() < 100) std::this_thread::yield();
    }
  }
  done = true;
  writer.join();
  EXPECT_EQ(mixed, 0);
  EXPECT_EQ(fromA + fromB, 20000);
  EXPECT_GT(swaps.load(), 100);
}

// Two writers editing different rows at once: neither edit may be lost, as it would be if a
// writer copied the table while the other was between its copy and its publish.
TEST(ElementTableStoreThreads, ConcurrentEditsAreNotLost) {
  ElementTableStore store;
  constexpr int kEdits = 2000;
  auto bump = [&](RectRow row) {
    for (int i = 0; i < kEdits; ++i) {
      store.edit([row](ElementTable& t) {
        ElementRect r = t.rect(row);
        ++r.w;
        t.setRect(row, r);
      });
    }
  };
  std::thread first(bump, RectRow::net_rec_nowprice);
  std::thread second(bump, RectRow::net_rec_bidbutton);
  first.join();
  second.join();
  EXPECT_EQ(store.row(RectRow::net_rec_nowprice).rect.w, 48 + kEdits);
  EXPECT_EQ(store.row(RectRow::net_rec_bidbutton).rect.w, 94 + kEdits);
}

}  // namespace
}  // namespace tavik
