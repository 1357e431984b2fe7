#pragma once
// The service's store in SQLite: one connection behind a mutex (the requests are small). The
// database is in WAL mode (a price read is not held up by a writer, another process included)
// with synchronous FULL (a report acknowledged is on disk); a statement waits kBusyTimeoutMs
// for another connection's lock.

#include <functional>
#include <mutex>
#include <string>

#include "service/service_store.h"

struct sqlite3;

namespace tavik::service {

class SqliteStore final : public ServiceStore {
 public:
  // Opens (creating) the database at `path`; ":memory:" for one in memory. Throws
  // std::runtime_error when it cannot be opened or set up.
  SqliteStore(const std::string& path, int maxRows);
  ~SqliteStore() override;
  SqliteStore(const SqliteStore&) = delete;
  SqliteStore& operator=(const SqliteStore&) = delete;

  bool addPriceReport(const PriceReport& report) override;
  bool addResult(const ResultUpload& upload) override;
  PriceLookup freshestPrice(int64_t sinceMs) override;
  std::vector<ResultUpload> results() override;
  int64_t priceReportCount() override;

 private:
  bool exec(const char* sql);
  bool inTransaction(const std::function<bool()>& write);
  bool keepNewest(const std::string& table);

  std::mutex mutex_;
  sqlite3* db_ = nullptr;
  int maxRows_;
};

}  // namespace tavik::service
