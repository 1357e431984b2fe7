// The in-memory store: the same answers as the SQLite store, within its cap.

#include "service/memory_store.h"

#include <gtest/gtest.h>

#include <thread>

namespace tavik::service {
namespace {

PriceReport Report(int64_t receivedMs, int32_t price) {
  return {receivedMs, "12345678", "9.1.4", "192.168.1.20", price, 30};
}

TEST(MemoryStore, ThePriceReadIsTheLatestReportSinceTheGivenTime) {
  MemoryStore store(100);
  EXPECT_TRUE(store.freshestPrice(0).answered);
  EXPECT_FALSE(store.freshestPrice(0).price) << "nothing reported";
  // Stored out of time order (reports from several copies); one millisecond twice: the later
  // stored wins.
  for (const auto& [ms, price] : std::vector<std::pair<int64_t, int32_t>>{
           {1000, 88100}, {3000, 88300}, {2000, 88200}, {3000, 88400}}) {
    ASSERT_TRUE(store.addPriceReport(Report(ms, price)));
  }
  EXPECT_EQ(store.freshestPrice(0).price, 88400);
  EXPECT_EQ(store.freshestPrice(3000).price, 88400);
  EXPECT_FALSE(store.freshestPrice(3001).price);
  EXPECT_EQ(store.priceReportCount(), 4);
}

TEST(MemoryStore, EachTableKeepsItsNewestRowsOnly) {
  MemoryStore store(3);
  for (int i = 1; i <= 5; ++i) {
    store.addPriceReport(Report(i, 88000 + i));
    store.addResult({i, "12345678", "9.1.4", "result " + std::to_string(i)});
  }
  EXPECT_EQ(store.priceReportCount(), 3);
  const std::vector<ResultUpload> results = store.results();
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results.front().result, "result 3") << "oldest first";
  EXPECT_EQ(results.back().result, "result 5");
  // The oldest reports went: nothing before the third is found.
  EXPECT_EQ(store.freshestPrice(0).price, 88005);
}

TEST(MemoryStore, ManyWritersAtOnceLoseNothingUnderTheCap) {
  MemoryStore store(10'000);
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&store, t] {
      for (int i = 0; i < 500; ++i) store.addPriceReport(Report(t * 1000 + i, 88000));
    });
  }
  for (auto& w : writers) w.join();
  EXPECT_EQ(store.priceReportCount(), 2000);
}

}  // namespace
}  // namespace tavik::service
