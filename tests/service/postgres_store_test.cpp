// Several service copies on one PostgreSQL store, a real server the test starts on loopback:
// the assistant reports to one server and reads the price from another, and a locked store
// answers 503 through every copy.

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include "net/price_reply.h"
#include "net/reply_envelope.h"
#include "service/postgres_cluster.h"
#include "service/service_fixture.h"

namespace tavik::service::testing {
namespace {

RequestValues Values() {
  RequestValues v;
  v.m_bidNumber = "12345678";
  v.m_localIp = "192.168.1.20";
  v.g_version = "9.1.4";
  return v;
}

TEST(PostgresStore, ThreeServiceCopiesShareOneStore) {
  PostgresCluster cluster;
  ASSERT_TRUE(cluster.started()) << "see " << cluster.dir();
  ServiceConfig config;
  config.database = cluster.uri();
  RunningService one{config}, two{config}, three{config};

  // The assistant's three vendor servers are the three copies.
  Config assistant = one.assistantConfig();
  assistant.vendorServers = {one.base(), two.base(), three.base()};
  CurlHttpTransport transport;
  CHttpClient http(transport, HttpTimeoutsFrom(assistant));
  const auto ask = [&](int server, const std::string& query) {
    return http.Get(VendorUrl(assistant, server, VendorName::Base, query));
  };
  EXPECT_EQ(ParsePriceReply(ask(2, PriceReadQuery(Values()))), 0);  // nothing reported yet
  EXPECT_EQ(FindEnvelope(ask(1, PriceReportQuery(Values(), 88'300, 50)), 100), "ok");
  EXPECT_EQ(ParsePriceReply(ask(3, PriceReadQuery(Values()))), 88'300);
  EXPECT_EQ(FindEnvelope(ask(2, PriceReportQuery(Values(), 88'400, 49)), 100), "ok");
  EXPECT_EQ(ParsePriceReply(ask(1, PriceReadQuery(Values()))), 88'400);
  const std::string result = "2,88400,11:29:51 & #\xCD\xEA";  // GBK bytes as sent
  EXPECT_TRUE(FindEnvelope(ask(3, ResultUploadQuery(Values(), result)), 100));
  ASSERT_EQ(one.store().results().size(), 1u);
  EXPECT_EQ(one.store().results()[0].bidNumber, "12345678");
  EXPECT_EQ(two.store().priceReportCount(), 2);

  // Another session holding the table locked: every copy says it cannot answer.
  PGconn* other = PQconnectdb(cluster.uri().c_str());
  ASSERT_EQ(PQstatus(other), CONNECTION_OK);
  PQclear(PQexec(other, "BEGIN; LOCK TABLE price_reports IN ACCESS EXCLUSIVE MODE"));
  EXPECT_EQ(two.raw("/rps.php?type=3").status, 503);
  EXPECT_EQ(ask(3, PriceReadQuery(Values())), "");
  EXPECT_EQ(one.raw("/mp.php?type=5&price=88500&lastsec=40").status, 503);
  PQclear(PQexec(other, "ROLLBACK"));
  PQfinish(other);
  EXPECT_EQ(ParsePriceReply(ask(2, PriceReadQuery(Values()))), 88'400);
  EXPECT_EQ(three.store().priceReportCount(), 2);
}

}  // namespace
}  // namespace tavik::service::testing
