#pragma once
// What the service keeps: the price reports of running copies and their result uploads. Every
// table is capped, the oldest rows going first, and every acknowledged write is on disk. A store
// that is locked longer than the busy timeout, or failing, says so: the service then answers
// 503 rather than a guess.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// The store behind the service: SQLite in a file of its own (the default, one service copy),
// PostgreSQL, which several copies on several machines share, or memory (MemoryStore). Every
// operation is safe from several threads at once.
class ServiceStore {
 public:
  virtual ~ServiceStore() = default;

  // False when the store refused the row (full disk, locked, failing); the caller answers 503.
  // The row and the trim that keeps its table capped go in together or not at all.
  virtual bool addPriceReport(const PriceReport& report) = 0;
  virtual bool addResult(const ResultUpload& upload) = 0;

  // The price of the latest report received at or after `sinceMs`.
  virtual PriceLookup freshestPrice(int64_t sinceMs) = 0;
  // Every stored result, oldest first.
  virtual std::vector<ResultUpload> results() = 0;
  virtual int64_t priceReportCount() = 0;
};

// The database setting that keeps the rows in memory only.
inline constexpr const char* kMemoryDatabase = ":memory:";

// The store `database` names: "postgresql://..." (or "postgres://...") a PostgreSQL database,
// anything else an SQLite file (":memory:" one in memory). On Windows only ":memory:" is taken
// (MemoryStore). Every table keeps at most `maxRows` rows, the oldest going first. Throws
// std::runtime_error when it cannot be opened or set up.
std::unique_ptr<ServiceStore> OpenServiceStore(const std::string& database, int maxRows);
bool IsPostgresUri(const std::string& database);

}  // namespace tavik::service
