#pragma once
// What the service keeps: the price reports of running copies and their result uploads, in
// SQLite. One connection behind a mutex (the requests are small and few); every table is
// capped, the oldest rows going first. The database is in WAL mode (reads go on while another
// process writes) and every acknowledged write is on disk (synchronous FULL). A store that is
// locked longer than the busy timeout, or failing, says so: the service then answers 503
// rather than a guess.

#include <cstdint>
#include <functional>
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

// A price read: `answered` is false when the store could not say (locked, failing); otherwise
// `price` is the price found, or nothing when there is none.
struct PriceLookup {
  bool answered = false;
  std::optional<int32_t> price;
};

// How long a statement waits for another connection's lock before the store gives up.
inline constexpr int kBusyTimeoutMs = 1000;

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

  // False when the database refused the row (full disk, locked file); the caller answers 503.
  bool addPriceReport(const PriceReport& report);
  bool addResult(const ResultUpload& upload);

  // The price of the latest report received at or after `sinceMs`.
  PriceLookup freshestPrice(int64_t sinceMs);
  // Every stored result, oldest first.
  std::vector<ResultUpload> results();
  int64_t priceReportCount();

 private:
  bool exec(const char* sql);
  bool inTransaction(const std::function<bool()>& write);
  bool keepNewest(const std::string& table);

  std::mutex mutex_;
  sqlite3* db_ = nullptr;
  int maxRows_;
};

}  // namespace tavik::service
