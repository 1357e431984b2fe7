// Every request kind of the assistant against tavik-service on loopback, through the
// assistant's own request builders, HTTP client and reply readers: what one side writes the
// other must read.

#include <gtest/gtest.h>

#include "net/main_params.h"
#include "net/price_reply.h"
#include "net/recognition_download.h"
#include "net/reply_envelope.h"
#include "service/service_fixture.h"

namespace tavik::service::testing {
namespace {

RequestValues Values() {
  RequestValues v;
  v.m_bidNumber = "12345678";
  v.m_localIp = "192.168.1.20";
  v.g_version = "9.1.4";
  v.rnd = 4711;
  return v;
}

TEST(VendorService, PriceReadGivesTheFreshestReportOfTheCurrentAuction) {
  RunningService s{ServiceConfig{}};
  // Nothing reported yet: a reply the assistant reads as no usable price.
  EXPECT_EQ(ParsePriceReply(s.get(PriceReadQuery(Values()))), 0);

  s.get(PriceReportQuery(Values(), 88'300, 50));
  s.clock.advance(400);
  s.get(PriceReportQuery(Values(), 88'500, 49));
  EXPECT_EQ(ParsePriceReply(s.get(PriceReadQuery(Values()))), 88'500);

  // An hour later those reports belong to the last auction.
  s.clock.advance(kAuctionLengthMs + 1);
  EXPECT_EQ(ParsePriceReply(s.get(PriceReadQuery(Values()))), 0);
  EXPECT_EQ(s.store().priceReportCount(), 2);
}

TEST(VendorService, MainParametersAreAllTwentyOneFieldsAndEveryOneReads) {
  ServiceConfig config;
  config.mainParams[6] = "6";
  config.mainParams[20] = "9.1.5###919";
  RunningService s{config};
  const auto fields = ParseMainParamsReply(s.get(MainParamsQuery(Values(), 100, 0)));
  ASSERT_TRUE(fields);
  ASSERT_EQ(fields->size(), kMainParamFields);
  const MainParams p = ParseMainParams(*fields);
  EXPECT_TRUE(p.refused.empty());
  EXPECT_EQ(p.m_netMode, 2);
  EXPECT_EQ(p.g_captchaDigits, 6);
  EXPECT_EQ(p.dataVersion, -1);  // no recognition update announced
  EXPECT_EQ(p.ntp, (NtpSetting{true, "ntp.ntsc.ac.cn"}));
  EXPECT_EQ(p.m_featureSwitches, "11111111111111111111");
  EXPECT_EQ(p.m_clientClass, "IE");
  EXPECT_EQ(p.pageFocus, (Point{290, 84}));
  EXPECT_EQ(p.latestVersion, "9.1.5");
}

TEST(VendorService, ResultUploadsAreStoredAsSent) {
  RunningService s{ServiceConfig{}};
  // A result text with the characters that could break a query, and GBK text.
  const std::string result = "2,88400,11:29:51 & x=1 #完成";
  EXPECT_TRUE(FindEnvelope(s.get(ResultUploadQuery(Values(), result)), 100));
  const auto stored = s.store().results();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].bidNumber, "12345678");
  EXPECT_EQ(stored[0].result, "2,88400,11:29:51 & x=1 #\xCD\xEA\xB3\xC9");  // GBK
}

TEST(VendorService, RecognitionFilesArriveAsTheFilesWere) {
  TempDir dir;
  ServiceConfig config;
  config.coordinatesFile = dir.file("coords.txt", "dd_201,10,20\nzhi,30,40\n");
  config.dictionaryFile = dir.file("dict.txt", "TAVIKDICT 2\nAb0-_,6,10,AAAA\n");
  RunningService s{config};
  ASSERT_TRUE(s.warnings.empty());

  const std::string coords = s.get(RecognitionDataQuery(Values()));
  EXPECT_EQ(FindEnvelope(coords, kRecognitionReplyLimit), "dd_201,10,20/r/nzhi,30,40/r/n");
  const std::string dict = s.get(DictionaryQuery(Values()));
  const auto payload = FindEnvelope(dict, kDictionaryReplyLimit);
  ASSERT_TRUE(payload);
  EXPECT_EQ(DecodeLineJoins(*payload), "TAVIKDICT 2\r\nAb0-_,6,10,AAAA\r\n");
}

TEST(VendorService, HostAddressIsTheConfiguredOne) {
  ServiceConfig config;
  config.hostAddress = "10.1.2.3";
  RunningService s{config};
  EXPECT_EQ(s.get(HostAddressQuery(Values())), "10.1.2.3/r/n");
}

TEST(VendorService, FilesThatCannotTravelInAReplyAreNotSent) {
  TempDir dir;
  struct Case {
    const char* content;
    size_t limit;
  };
  const Case cases[] = {
      {"a/b\n", 100},                // "/" would read as a line join
      {"a#AAb\n", 100},              // an envelope marker inside the payload
      {"a*b\n", 100},                //
      {"caf\xC3\xA9\n", 100},        // not printable ASCII
      {"0123456789\n", 3 + 3 + 13},  // 10 characters and a join: 20 > 19
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(LoadEnvelopeFile(dir.file("f", c.content), c.limit, error)) << c.content;
    EXPECT_FALSE(error.empty());
  }
  std::string error;
  EXPECT_EQ(LoadEnvelopeFile(dir.file("f", "0123456789\n"), 3 + 3 + 14, error), "0123456789\n");
  EXPECT_FALSE(LoadEnvelopeFile(dir.path() + "/missing", 100, error));

  // A service with a bad dictionary says so and answers without an envelope.
  ServiceConfig config;
  config.dictionaryFile = dir.file("bad", "a/b\n");
  RunningService s{config};
  EXPECT_EQ(s.warnings.size(), 1u);
  EXPECT_FALSE(FindEnvelope(s.get(DictionaryQuery(Values())), kDictionaryReplyLimit));
}

TEST(VendorService, BadRequestsGetA400AndStoreNothing) {
  RunningService s{ServiceConfig{}};
  const std::string longId(33, '1');
  const char* cases[] = {
      "/rps.php",                                    // no type
      "/rps.php?type=7",                             // no such type
      "/rps.php?type=3x",                            // not a number
      "/rps.php?type=3&type=8",                      // two types
      "/mp.php?type=5&lastsec=10",                   // no price
      "/mp.php?type=5&price=88300",                  // no remaining seconds
      "/mp.php?type=5&price=-1&lastsec=10",          // no price
      "/mp.php?type=5&price=9999999999&lastsec=10",  // too large
      "/mp.php?type=5&price=88%00300&lastsec=10",    // a NUL inside
      "/mp.php?type=3&price=88300&lastsec=10",       // wrong type for the path
      "/rps.php?type=9&lanmac=1",                    // no result
      "/bidip.php?type=9",                           //
  };
  for (const char* path : cases) {
    const HttpResult r = s.raw(path);
    EXPECT_TRUE(r.ok) << path;
    EXPECT_TRUE(r.body.starts_with("bad request")) << path << ": " << r.body;
  }
  const HttpResult longResult = s.raw("/rps.php?type=9&result=" + std::string(4097, 'x'));
  EXPECT_TRUE(longResult.body.starts_with("bad request"));
  EXPECT_TRUE(s.raw("/mp.php?type=5&price=1&lastsec=1&lanmac=" + longId).body.starts_with("bad"));
  EXPECT_EQ(s.store().priceReportCount(), 0);
  EXPECT_TRUE(s.store().results().empty());
  // Still serving.
  EXPECT_EQ(FindEnvelope(s.get("/mp.php?type=5&price=88300&lastsec=10"), 100), "ok");
}

TEST(VendorService, PracticePagesComeFromTheWebRootAndNothingElseDoes) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() + "/web");
  dir.file("web/fz.html", "<title>practice</title>");
  dir.file("secret.html", "secret");
  ServiceConfig config;
  config.webRoot = dir.path() + "/web";
  RunningService s{config};
  EXPECT_EQ(s.raw("/fz.html").body, "<title>practice</title>");
  for (const char* path : {"/../secret.html", "/..%2Fsecret.html", "/%2e%2e/secret.html",
                           "/web/fz.html", "/fz.txt", "/.html", "/51m.html"}) {
    EXPECT_EQ(s.raw(path).body, "not found\n") << path;
  }
}

}  // namespace
}  // namespace tavik::service::testing

namespace tavik::service::testing {
namespace {

// A fresh install asks this service and nothing outside the machine.
TEST(VendorService, BuiltInSettingsPointAtTheServiceDefaultPort) {
  const Config defaults;
  const std::string base = "http://127.0.0.1:" + std::to_string(ServiceConfig{}.port);
  for (int server = 1; server <= 3; ++server) {
    for (const VendorName name : {VendorName::Base, VendorName::Www}) {
      EXPECT_EQ(VendorUrl(defaults, server, name, "/rps.php"), base + "/rps.php") << server;
    }
  }
  EXPECT_EQ(defaults.practiceHost, base);
  EXPECT_TRUE(defaults.downloadUrlFormat.starts_with(base + "/download/"));
}

}  // namespace
}  // namespace tavik::service::testing
