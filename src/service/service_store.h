#pragma once
// What the service keeps: the price reports of running copies and their result uploads, in
// SQLite. One connection behind a mutex (the requests are small and few); every table is
// capped, the oldest rows going first.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace tavik::service {

struct PriceReport {
  int64_t receivedMs = 0;  // UTC milliseconds when the service received it
  std::string bidNumber;
  std::string version;
  std::string ip;
  int32_t price = 0;
  int32_t remainSec = 0;  // the reporter's remaining seconds
};

struct ResultUpload {
  int64_t receivedMs = 0;
  std::string bidNumber;
  std::string version;
  std::string result;  // the bytes as sent (GBK)
};

class ServiceStore {
 public:
  // Opens (creating) the database at `path`; ":memory:" for one in memory. Throws
  // std::runtime_error when it cannot be opened or set up.
  ServiceStore(const std::string& path, int maxRows);
  ~ServiceStore();
  ServiceStore(const ServiceStore&) = delete;
  ServiceStore& operator=(const ServiceStore&) = delete;

  // False when the database refused the row (full disk, locked file); the caller answers 500.
  bool addPriceReport(const PriceReport& report);
  bool addResult(const ResultUpload& upload);

  // The price of the latest report received at or after `sinceMs`.
  std::optional<int32_t> freshestPrice(int64_t sinceMs);
  // Every stored result, oldest first.
  std::vector<ResultUpload> results();
  int64_t priceReportCount();

 private:
  bool exec(const char* sql);
  bool keepNewest(const std::string& table);

  std::mutex mutex_;
  sqlite3* db_ = nullptr;
  int maxRows_;
};

}  // namespace tavik::service
