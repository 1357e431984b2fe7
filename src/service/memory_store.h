#pragma once
// The service's store in memory: what a practice service on one PC needs (nothing there outlives
// the practice) and the only store of the Windows build, which has neither SQLite nor libpq.
// Capped like the others: each table keeps its newest maxRows rows. Nothing can lock or fail
// here, so every operation answers.

#include <deque>
#include <mutex>

#include "service/service_store.h"

namespace tavik::service {

class MemoryStore final : public ServiceStore {
 public:
  explicit MemoryStore(int maxRows);

  bool addPriceReport(const PriceReport& report) override;
  bool addResult(const ResultUpload& upload) override;
  PriceLookup freshestPrice(int64_t sinceMs) override;
  std::vector<ResultUpload> results() override;
  int64_t priceReportCount() override;

 private:
  std::mutex mutex_;
  std::deque<PriceReport> reports_;  // in the order received
  std::deque<ResultUpload> results_;
  size_t maxRows_;
};

}  // namespace tavik::service
