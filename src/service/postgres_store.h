#pragma once
// The service's store in PostgreSQL (libpq), which several service copies, on several machines,
// share: a report given to one is read from any other. One connection behind a mutex, opened
// again when it broke; statements and lock waits end after kBusyTimeoutMs, and a store that
// cannot answer in time says so. Commits are durable (the server's synchronous_commit).

#include <mutex>
#include <string>

#include "service/service_store.h"

struct pg_conn;

namespace tavik::service {

class PostgresStore final : public ServiceStore {
 public:
  // Connects to `uri` ("postgresql://user@host:port/db") and creates the tables when they are
  // missing. Throws std::runtime_error when it cannot.
  PostgresStore(const std::string& uri, int maxRows);
  ~PostgresStore() override;
  PostgresStore(const PostgresStore&) = delete;
  PostgresStore& operator=(const PostgresStore&) = delete;

  bool addPriceReport(const PriceReport& report) override;
  bool addResult(const ResultUpload& upload) override;
  PriceLookup freshestPrice(int64_t sinceMs) override;
  std::vector<ResultUpload> results() override;
  int64_t priceReportCount() override;

 private:
  class Query;
  // The connection, opened again when it broke; null when that fails.
  pg_conn* connection();
  bool write(const char* insert, const std::vector<std::string>& values, unsigned binaryMask,
             const char* trim);

  std::mutex mutex_;
  std::string uri_;
  pg_conn* conn_ = nullptr;
  int maxRows_;
};

}  // namespace tavik::service
