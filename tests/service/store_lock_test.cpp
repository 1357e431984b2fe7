// A store that cannot answer says so: with another process holding the database's write lock a
// report is answered 503 (and reads go on: WAL), with the store failing a read is answered 503
// too, and the assistant's HTTP client reads a 503 as a failed request, never as a price.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "net/price_reply.h"
#include "service/service_fixture.h"

namespace tavik::service::testing {
namespace {

// Another connection to the same database file, as another process would hold it.
class OtherConnection {
 public:
  explicit OtherConnection(const std::string& path) {
    EXPECT_EQ(sqlite3_open(path.c_str(), &db_), SQLITE_OK);
  }
  ~OtherConnection() { sqlite3_close(db_); }
  OtherConnection(const OtherConnection&) = delete;
  OtherConnection& operator=(const OtherConnection&) = delete;
  void exec(const char* sql) {
    EXPECT_EQ(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db_);
  }

 private:
  sqlite3* db_ = nullptr;
};

TEST(StoreLock, ALockedStoreAnswers503AndTheAssistantReadsNoPrice) {
  TempDir dir;
  ServiceConfig config;
  config.database = dir.path() + "/service.db";
  RunningService s{config};
  EXPECT_EQ(s.raw("/mp.php?type=5&price=88300&lastsec=30").body, "#AAok*AA");

  {
    OtherConnection other(config.database);
    other.exec("BEGIN IMMEDIATE; INSERT INTO results (received_ms) VALUES (1)");
    const HttpResult report = s.raw("/mp.php?type=5&price=88400&lastsec=29");
    EXPECT_EQ(report.status, 503);
    EXPECT_EQ(report.body, "store unavailable\n");
    EXPECT_EQ(s.get("/mp.php?type=5&price=88400&lastsec=29"), "");  // a failed request
    // WAL: a writer holds up no reader.
    EXPECT_EQ(ParsePriceReply(s.get("/rps.php?type=3")), 88'300);
    other.exec("ROLLBACK");
  }
  // Free again: nothing half-stored.
  EXPECT_EQ(s.raw("/mp.php?type=5&price=88500&lastsec=28").body, "#AAok*AA");
  EXPECT_EQ(ParsePriceReply(s.get("/rps.php?type=3")), 88'500);
  EXPECT_EQ(s.store().priceReportCount(), 2);
  EXPECT_TRUE(s.store().results().empty());

  // A failing store (its tables gone under it) cannot say either: "cannot say", not "no price".
  OtherConnection(config.database).exec("DROP TABLE price_reports; DROP TABLE results");
  EXPECT_EQ(s.raw("/rps.php?type=3").status, 503);
  EXPECT_EQ(s.get("/rps.php?type=3"), "");
  EXPECT_EQ(s.raw("/rps.php?type=9&result=x").status, 503);
}

}  // namespace
}  // namespace tavik::service::testing
