// The practice served from tavik itself: the page and the vendor requests on the practice port,
// reached through the assistant's own HTTP client over loopback; another program on the port
// left alone.

#include "app/practice_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/config.h"
#include "core/file_names.h"
#include "net/http_client.h"
#include "net/price_reply.h"
#include "net/reply_envelope.h"
#include "net/vendor_requests.h"
#include "service/service_fixture.h"
#include "service/sockets.h"

namespace tavik {
namespace {

using service::testing::TempDir;

TEST(PracticeService, OnlyAPracticeAddressOnThisMachineHasALocalPort) {
  const std::vector<std::pair<const char*, std::optional<int>>> cases = {
      {"http://127.0.0.1:8391", 8391},
      {"http://127.0.0.1:8391/", 8391},
      {"http://localhost:9000", 9000},
      {"http://127.0.0.1", 80},
      {"http://192.168.1.20:8391", std::nullopt},
      {"https://127.0.0.1:8391", std::nullopt},
      {"http://127.0.0.1:0", std::nullopt},
      {"http://127.0.0.1:70000", std::nullopt},
      {"http://127.0.0.1:83x", std::nullopt},
      {"http://127.0.0.1.example.net:8391", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [host, port] : cases) EXPECT_EQ(LocalPracticePort(host), port) << host;
}

// A free loopback port: bound, then let go.
int FreePort() {
  int port = -1;
  const service::SocketHandle s = service::Listen("127.0.0.1", 0, 1, port);
  service::CloseSocket(s);
  return port;
}

class PracticeServiceTest : public ::testing::Test {
 protected:
  PracticeServiceTest() {
    std::filesystem::create_directory(PathFromUtf8(dir_.path() + "/practice"));
    dir_.file("practice/fz.html", page_);
  }
  std::string exeDir() const { return dir_.path() + "/"; }
  std::string host() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // The assistant's settings with the built-in vendor servers moved to the practice port.
  Config assistant() const {
    Config c;
    c.practiceHost = host();
    c.vendorServers = {host()};
    c.vendorWwwServers = {host()};
    c.httpConnectTimeoutMs = 2000;
    c.httpTotalTimeoutMs = 5000;
    return c;
  }
  std::string get(const std::string& pathAndQuery) {
    CHttpClient http(transport_, HttpTimeoutsFrom(assistant()));
    return http.Get(VendorUrl(assistant(), 1, VendorName::Base, pathAndQuery));
  }

  RealClock clock_;
  TempDir dir_;
  const std::string page_ = "<title>额度投标拍卖 practice</title>";
  int port_ = FreePort();
  SystemHttpTransport transport_;
};

TEST_F(PracticeServiceTest, ServesThePageAndTheVendorRequestsUntilStopped) {
  PracticeService practice(clock_, exeDir());
  ASSERT_EQ(practice.ensureRunning(host()), "");
  ASSERT_TRUE(practice.running());
  EXPECT_EQ(practice.port(), port_);
  // A second press keeps the one running.
  EXPECT_EQ(practice.ensureRunning(host()), "");

  const HttpResult page = transport_.get(host() + "/fz.html", HttpTimeoutsFrom(assistant()));
  EXPECT_EQ(page.body, page_);

  RequestValues v;
  v.m_bidNumber = "51515151";
  v.m_localIp = "127.0.0.1";
  v.g_version = "9.1.4";
  get(PriceReportQuery(v, 88'300, 40));
  EXPECT_EQ(ParsePriceReply(get(PriceReadQuery(v))), 88'300);
  EXPECT_TRUE(ParseMainParamsReply(get(MainParamsQuery(v, 40, 0))));

  practice.stop();
  EXPECT_FALSE(practice.running());
  EXPECT_FALSE(transport_.get(host() + "/fz.html", HttpTimeoutsFrom(assistant())).ok)
      << "still served after stop";
}

TEST_F(PracticeServiceTest, AnotherProgramOnThePortKeepsIt) {
  int port = -1;
  const service::SocketHandle other = service::Listen("127.0.0.1", port_, 4, port);
  ASSERT_EQ(port, port_);
  PracticeService practice(clock_, exeDir());
  EXPECT_EQ(practice.ensureRunning(host()), "");
  EXPECT_FALSE(practice.running());
  service::CloseSocket(other);
}

TEST_F(PracticeServiceTest, NothingIsStartedForAnotherMachineOrWithoutThePages) {
  PracticeService practice(clock_, exeDir());
  EXPECT_EQ(practice.ensureRunning("http://192.168.1.20:" + std::to_string(port_)), "");
  EXPECT_FALSE(practice.running());

  PracticeService unpacked(clock_, exeDir() + "elsewhere/");
  const std::string message = unpacked.ensureRunning(host());
  EXPECT_NE(message.find("elsewhere/practice"), std::string::npos) << message;
  EXPECT_FALSE(unpacked.running());
  // The port is let go: a later start (the folder restored) takes it.
  EXPECT_EQ(practice.ensureRunning(host()), "");
  EXPECT_TRUE(practice.running());
}

}  // namespace
}  // namespace tavik
