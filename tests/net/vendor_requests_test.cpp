// The request URLs: every query template, the encoding of text values, rnd, and the vendor
// servers of the installation settings.

#include "net/vendor_requests.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

RequestValues Plain() {
  return {"12345678", "87654321", "192.168.1.20", "9.1.4", 3, 4711};
}

TEST(VendorRequests, EveryTemplateWithPlainValues) {
  const RequestValues v = Plain();
  const struct {
    std::string query;
    std::string expected;
  } cases[] = {
      {PriceReportQuery(v, 88300, 47),
       "/mp.php?type=5&lanmac=12345678&ver=9.1.4&ip=192.168.1.20&price=88300&lastsec=47&rnd=4711"},
      {PriceReadQuery(v),
       "/rps.php?type=3&lanmac=12345678&lanreadmac=87654321&ver=9.1.4&nb=3&rnd=4711"},
      {MainParamsQuery(v, 1790, 1),
       "/rps.php?type=8&lanmac=12345678&lanreadmac=87654321&lanip=192.168.1.20&ver=9.1.4&nb=3"
       "&lastsec=1790&addmiao=1&rnd=4711"},
      {ResultUploadQuery(v, "2,88400,11:29:52"),
       "/rps.php?type=9&lanmac=12345678&ver=9.1.4&result=2%2C88400%2C11%3A29%3A52&rnd=4711"},
      {HostAddressQuery(v), "/bidip.php?type=8&lanmac=12345678&ver=9.1.4&ip=192.168.1.20&rnd=4711"},
      {RecognitionDataQuery(v),
       "/rps.php?type=12&lanmac=12345678&lanip=192.168.1.20&ver=9.1.4&rnd=4711"},
      {DictionaryQuery(v),
       "/rps.php?type=14&lanmac=12345678&lanip=192.168.1.20&ver=9.1.4&rnd=4711"},
      {PriceReadQuery({}), "/rps.php?type=3&lanmac=&lanreadmac=&ver=&nb=0&rnd=0"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.query, c.expected);
}

// Page text and records go into the URL: they must stay one value, in the service's GBK.
TEST(VendorRequests, TextValuesArePercentEncodedGbk) {
  EXPECT_EQ(EncodeQueryValue("a b&c=d#e%f+g/h?"), "a%20b%26c%3Dd%23e%25f%2Bg%2Fh%3F");
  EXPECT_EQ(EncodeQueryValue("沪牌模拟"), "%BB%A6%C5%C6%C4%A3%C4%E2");
  EXPECT_EQ(EncodeQueryValue("-._~09AZaz"), "-._~09AZaz");
  RequestValues v = Plain();
  v.g_version = "9.1 beta&type=1";
  EXPECT_EQ(ResultUploadQuery(v, "模拟 &result=x#"),
            "/rps.php?type=9&lanmac=12345678&ver=9.1%20beta%26type%3D1"
            "&result=%C4%A3%C4%E2%20%26result%3Dx%23&rnd=4711");
}

TEST(VendorRequests, RndIsTheSameWithinOneSecond) {
  EXPECT_EQ(RndForSecond(0), 38);  // (0 * 214013 + 2531011) >> 16
  VirtualClock clock(1'765'245'600'000);
  const int32_t first = Rnd(clock);
  EXPECT_EQ(first, RndForSecond(1'765'245'600));
  clock.runFor(999);
  EXPECT_EQ(Rnd(clock), first);
  clock.runFor(1);
  EXPECT_NE(Rnd(clock), first);
  for (int64_t s = 1'765'245'600; s < 1'765'245'700; ++s) {
    EXPECT_GE(RndForSecond(s), 0);
    EXPECT_LE(RndForSecond(s), 32767);
  }
}

TEST(VendorRequests, UrlsComeFromTheInstallationSettings) {
  testing::TempDir dir;
  const std::string path = dir.file("tavik.conf");
  testing::TempDir::writeFile(path,
                              "vendor_servers = http://127.0.0.1:8001/ http://127.0.0.2:8002\n"
                              "vendor_www_servers = http://127.0.0.1:9001 http://127.0.0.2:9002 "
                              "http://127.0.0.3:9003\n"
                              "http_connect_timeout_ms = 1500\n"
                              "http_total_timeout_ms = 0\n");
  Config c;
  std::vector<std::string> warnings;
  ASSERT_TRUE(c.load(path, &warnings));
  ASSERT_EQ(warnings.size(), 1u) << "a timeout must be a positive number";
  EXPECT_NE(warnings[0].find(":4: http_total_timeout_ms"), std::string::npos) << warnings[0];
  EXPECT_EQ(c.httpConnectTimeoutMs, 1500);
  EXPECT_EQ(c.httpTotalTimeoutMs, 30'000);

  EXPECT_EQ(VendorUrl(c, 1, VendorName::Base, "/rps.php?type=9"),
            "http://127.0.0.1:8001/rps.php?type=9");
  EXPECT_EQ(VendorUrl(c, 2, VendorName::Base, "/x"), "http://127.0.0.2:8002/x");
  EXPECT_EQ(VendorUrl(c, 3, VendorName::Base, "/x"), "http://127.0.0.2:8002/x")
      << "the last server fills the list";
  EXPECT_EQ(VendorUrl(c, 3, VendorName::Www, "/x"), "http://127.0.0.3:9003/x");
  EXPECT_EQ(VendorUrl(c, 0, VendorName::Www, "/x"), "http://127.0.0.1:9001/x");
  EXPECT_EQ(VendorUrl(c, 7, VendorName::Base, "/x"), "http://127.0.0.1:8001/x");
}

}  // namespace
}  // namespace tavik
