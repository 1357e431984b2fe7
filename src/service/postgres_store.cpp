#include "service/postgres_store.h"

#include <libpq-fe.h>

#include <stdexcept>

namespace tavik::service {
namespace {

// Copies starting together must not create the tables twice: they take turns under this lock.
constexpr const char* kSchema = R"(
SELECT pg_advisory_lock(73160020);
CREATE TABLE IF NOT EXISTS price_reports (
  id BIGSERIAL PRIMARY KEY, received_ms BIGINT NOT NULL, bid_number BYTEA, version BYTEA,
  ip BYTEA, price INTEGER NOT NULL, remain_sec INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS price_reports_received ON price_reports(received_ms);
CREATE TABLE IF NOT EXISTS results (
  id BIGSERIAL PRIMARY KEY, received_ms BIGINT NOT NULL, bid_number BYTEA, version BYTEA,
  result BYTEA);
SELECT pg_advisory_unlock(73160020);
)";

// A lock or a statement that takes longer fails, and the request is answered 503.
const std::string kTimeouts = "SET statement_timeout = " + std::to_string(kBusyTimeoutMs) +
                              "; SET lock_timeout = " + std::to_string(kBusyTimeoutMs);

bool Succeeded(PGresult* r) {
  const ExecStatusType status = PQresultStatus(r);
  return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

bool Exec(PGconn* c, const std::string& sql) {
  PGresult* r = PQexec(c, sql.c_str());
  const bool ok = Succeeded(r);
  PQclear(r);
  return ok;
}

PGconn* Connect(const std::string& uri) {
  const char* keys[] = {"dbname", "connect_timeout", nullptr};
  const char* values[] = {uri.c_str(), "2", nullptr};
  PGconn* c = PQconnectdbParams(keys, values, 1);
  if (PQstatus(c) == CONNECTION_OK && Exec(c, kTimeouts)) return c;
  PQfinish(c);
  return nullptr;
}

int64_t BigEndian(const char* bytes, int length) {
  uint64_t v = 0;
  for (int i = 0; i < length; ++i) v = v << 8 | static_cast<unsigned char>(bytes[i]);
  return int64_t(v);
}

}  // namespace

// One statement with its parameters (text, or bytes where `binaryMask` has the bit) and its
// result in binary form.
class PostgresStore::Query {
 public:
  Query(PGconn* c, const char* sql, const std::vector<std::string>& values = {},
        unsigned binaryMask = 0) {
    std::vector<const char*> data;
    std::vector<int> lengths, formats;
    for (size_t i = 0; i < values.size(); ++i) {
      data.push_back(values[i].data());
      lengths.push_back(int(values[i].size()));
      formats.push_back((binaryMask >> i) & 1u ? 1 : 0);
    }
    result_ = c ? PQexecParams(c, sql, int(values.size()), nullptr, data.data(), lengths.data(),
                               formats.data(), 1)
                : nullptr;
  }
  ~Query() { PQclear(result_); }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  bool ok() const { return result_ && Succeeded(result_); }
  int rows() const { return PQntuples(result_); }
  std::string bytes(int row, int col) const {
    return {PQgetvalue(result_, row, col), size_t(PQgetlength(result_, row, col))};
  }
  int64_t integer(int row, int col) const {
    return BigEndian(PQgetvalue(result_, row, col), PQgetlength(result_, row, col));
  }

 private:
  PGresult* result_ = nullptr;
};

PostgresStore::PostgresStore(const std::string& uri, int maxRows) : uri_(uri), maxRows_(maxRows) {
  conn_ = Connect(uri_);
  if (!conn_) throw std::runtime_error("cannot connect to the PostgreSQL database");
  if (!Exec(conn_, kSchema)) {
    const std::string why = PQerrorMessage(conn_);
    PQfinish(conn_);
    throw std::runtime_error("cannot set up the PostgreSQL database: " + why);
  }
}

PostgresStore::~PostgresStore() {
  PQfinish(conn_);
}

pg_conn* PostgresStore::connection() {
  if (conn_ && PQstatus(conn_) == CONNECTION_OK) return conn_;
  PQfinish(conn_);
  conn_ = Connect(uri_);
  return conn_;
}

// The row and the trim go in one transaction; any failure rolls both back.
bool PostgresStore::write(const char* insert, const std::vector<std::string>& values,
                          unsigned binaryMask, const char* trim) {
  std::lock_guard lock(mutex_);
  PGconn* c = connection();
  if (!c || !Exec(c, "BEGIN")) return false;
  const bool ok = Query(c, insert, values, binaryMask).ok() &&
                  Query(c, trim, {std::to_string(maxRows_)}).ok() && Exec(c, "COMMIT");
  if (!ok) Exec(c, "ROLLBACK");
  return ok;
}

bool PostgresStore::addPriceReport(const PriceReport& r) {
  return write(
      "INSERT INTO price_reports (received_ms, bid_number, version, ip, price, remain_sec) "
      "VALUES ($1::bigint, $2, $3, $4, $5::integer, $6::integer)",
      {std::to_string(r.receivedMs), r.bidNumber, r.version, r.ip, std::to_string(r.price),
       std::to_string(r.remainSec)},
      0b001110,
      "DELETE FROM price_reports WHERE id <= (SELECT MAX(id) FROM price_reports) - $1::bigint");
}

bool PostgresStore::addResult(const ResultUpload& u) {
  return write(
      "INSERT INTO results (received_ms, bid_number, version, result) "
      "VALUES ($1::bigint, $2, $3, $4)",
      {std::to_string(u.receivedMs), u.bidNumber, u.version, u.result}, 0b1110,
      "DELETE FROM results WHERE id <= (SELECT MAX(id) FROM results) - $1::bigint");
}

PriceLookup PostgresStore::freshestPrice(int64_t sinceMs) {
  std::lock_guard lock(mutex_);
  const Query q(connection(),
                "SELECT price::bigint FROM price_reports WHERE received_ms >= $1::bigint "
                "ORDER BY received_ms DESC, id DESC LIMIT 1",
                {std::to_string(sinceMs)});
  if (!q.ok()) return {};
  if (q.rows() == 0) return {true, std::nullopt};
  return {true, int32_t(q.integer(0, 0))};
}

std::vector<ResultUpload> PostgresStore::results() {
  std::lock_guard lock(mutex_);
  const Query q(connection(),
                "SELECT received_ms, bid_number, version, result FROM results ORDER BY id");
  std::vector<ResultUpload> out;
  for (int i = 0; q.ok() && i < q.rows(); ++i) {
    out.push_back({q.integer(i, 0), q.bytes(i, 1), q.bytes(i, 2), q.bytes(i, 3)});
  }
  return out;
}

int64_t PostgresStore::priceReportCount() {
  std::lock_guard lock(mutex_);
  const Query q(connection(), "SELECT COUNT(*) FROM price_reports");
  return q.ok() && q.rows() == 1 ? q.integer(0, 0) : 0;
}

}  // namespace tavik::service
