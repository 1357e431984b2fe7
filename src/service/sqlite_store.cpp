#include "service/sqlite_store.h"

#include <sqlite3.h>

#include <functional>
#include <stdexcept>

namespace tavik::service {
namespace {

// A prepared statement that finalises itself.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  Statement& bind(int i, int64_t v) {
    sqlite3_bind_int64(stmt_, i, v);
    return *this;
  }
  Statement& bind(int i, const std::string& v) {
    // Blobs: the texts are the client's GBK bytes, stored as sent.
    sqlite3_bind_blob(stmt_, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  int step() { return sqlite3_step(stmt_); }
  int64_t integer(int col) { return sqlite3_column_int64(stmt_, col); }
  std::string bytes(int col) {
    const void* data = sqlite3_column_blob(stmt_, col);
    const int size = sqlite3_column_bytes(stmt_, col);
    return data ? std::string(static_cast<const char*>(data), size_t(size)) : std::string();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS price_reports (
  id INTEGER PRIMARY KEY AUTOINCREMENT, received_ms INTEGER NOT NULL, bid_number BLOB,
  version BLOB, ip BLOB, price INTEGER NOT NULL, remain_sec INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS price_reports_received ON price_reports(received_ms);
CREATE TABLE IF NOT EXISTS results (
  id INTEGER PRIMARY KEY AUTOINCREMENT, received_ms INTEGER NOT NULL, bid_number BLOB,
  version BLOB, result BLOB);
)";

}  // namespace

SqliteStore::SqliteStore(const std::string& path, int maxRows) : maxRows_(maxRows) {
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    throw std::runtime_error("cannot open database " + path + ": " + why);
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  // WAL: a price read is not held up by a writer. FULL: a report acknowledged is on disk.
  // (A database in memory stays in its own journal mode.)
  if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=FULL") || !exec(kSchema)) {
    const std::string why = sqlite3_errmsg(db_);
    sqlite3_close(db_);
    throw std::runtime_error("cannot set up database " + path + ": " + why);
  }
}

SqliteStore::~SqliteStore() {
  sqlite3_close(db_);
}

bool SqliteStore::exec(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SqliteStore::addPriceReport(const PriceReport& r) {
  std::lock_guard lock(mutex_);
  return inTransaction([&] {
    Statement insert(db_,
                     "INSERT INTO price_reports (received_ms, bid_number, version, ip, price, "
                     "remain_sec) VALUES (?, ?, ?, ?, ?, ?)");
    if (!insert.ok()) return false;
    insert.bind(1, r.receivedMs).bind(2, r.bidNumber).bind(3, r.version).bind(4, r.ip);
    return insert.bind(5, r.price).bind(6, r.remainSec).step() == SQLITE_DONE &&
           keepNewest("price_reports");
  });
}

bool SqliteStore::addResult(const ResultUpload& u) {
  std::lock_guard lock(mutex_);
  return inTransaction([&] {
    Statement insert(db_,
                     "INSERT INTO results (received_ms, bid_number, version, result) "
                     "VALUES (?, ?, ?, ?)");
    if (!insert.ok()) return false;
    insert.bind(1, u.receivedMs).bind(2, u.bidNumber).bind(3, u.version).bind(4, u.result);
    return insert.step() == SQLITE_DONE && keepNewest("results");
  });
}

// The row and the trim that keeps the table capped go in together or not at all; the write
// lock is taken first, so that a busy database fails here and not halfway.
bool SqliteStore::inTransaction(const std::function<bool()>& write) {
  if (!exec("BEGIN IMMEDIATE")) return false;
  if (write() && exec("COMMIT")) return true;
  exec("ROLLBACK");
  return false;
}

// Drops all but the newest maxRows_ rows of `table` (one of ours, never a caller's text).
bool SqliteStore::keepNewest(const std::string& table) {
  Statement trim(
      db_,
      ("DELETE FROM " + table + " WHERE id <= (SELECT MAX(id) FROM " + table + ") - ?").c_str());
  return trim.ok() && trim.bind(1, maxRows_).step() == SQLITE_DONE;
}

PriceLookup SqliteStore::freshestPrice(int64_t sinceMs) {
  std::lock_guard lock(mutex_);
  Statement q(db_,
              "SELECT price FROM price_reports WHERE received_ms >= ? "
              "ORDER BY received_ms DESC, id DESC LIMIT 1");
  if (!q.ok()) return {};
  switch (q.bind(1, sinceMs).step()) {
    case SQLITE_ROW:
      return {true, int32_t(q.integer(0))};
    case SQLITE_DONE:
      return {true, std::nullopt};
    default:
      return {};  // busy, locked, failing: no answer is not "no price"
  }
}

std::vector<ResultUpload> SqliteStore::results() {
  std::lock_guard lock(mutex_);
  std::vector<ResultUpload> out;
  Statement q(db_, "SELECT received_ms, bid_number, version, result FROM results ORDER BY id");
  while (q.ok() && q.step() == SQLITE_ROW) {
    out.push_back({q.integer(0), q.bytes(1), q.bytes(2), q.bytes(3)});
  }
  return out;
}

int64_t SqliteStore::priceReportCount() {
  std::lock_guard lock(mutex_);
  Statement q(db_, "SELECT COUNT(*) FROM price_reports");
  return q.ok() && q.step() == SQLITE_ROW ? q.integer(0) : 0;
}

}  // namespace tavik::service
