#include "service/memory_store.h"

#include <algorithm>

namespace tavik::service {

MemoryStore::MemoryStore(int maxRows) : maxRows_(size_t(std::max(1, maxRows))) {}

bool MemoryStore::addPriceReport(const PriceReport& report) {
  std::lock_guard lock(mutex_);
  reports_.push_back(report);
  if (reports_.size() > maxRows_) reports_.pop_front();
  return true;
}

bool MemoryStore::addResult(const ResultUpload& upload) {
  std::lock_guard lock(mutex_);
  results_.push_back(upload);
  if (results_.size() > maxRows_) results_.pop_front();
  return true;
}

PriceLookup MemoryStore::freshestPrice(int64_t sinceMs) {
  std::lock_guard lock(mutex_);
  // The latest by the time received; of reports received in the same millisecond, the one
  // stored last (as the SQLite store orders them).
  const PriceReport* best = nullptr;
  for (const PriceReport& r : reports_) {
    if (r.receivedMs >= sinceMs && (best == nullptr || r.receivedMs >= best->receivedMs)) best = &r;
  }
  if (best == nullptr) return {true, std::nullopt};
  return {true, best->price};
}

std::vector<ResultUpload> MemoryStore::results() {
  std::lock_guard lock(mutex_);
  return {results_.begin(), results_.end()};
}

int64_t MemoryStore::priceReportCount() {
  std::lock_guard lock(mutex_);
  return int64_t(reports_.size());
}

}  // namespace tavik::service
