// The hosts-file command: what a reply may name, how the hosts text changes, and the whole
// command against a scripted vendor server with a hosts file in a temp folder.

#include "net/host_mapping.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "net_params/cutting_server.h"
#include "net_params/vendor_fixture.h"
#include "support/temp_dir.h"

namespace tavik {
namespace {

using Outcome = HostMappingResult::Outcome;

TEST(ParseHostAddressReply, OneWellFormedAddressOnly) {
  const struct {
    const char* reply;
    std::optional<std::string> address;
    bool refused;
  } cases[] = {
      {"10.1.2.3/r/n", "10.1.2.3", false},
      {"10.1.2.3/r//r/n/r/n", std::nullopt, true},
      {" 10.1.2.3\t/r/n/r/n", "10.1.2.3", false},  // blanks and empty lines around it
      {"1.2.3.4 evil/r/n", std::nullopt, true},
      {"1.2.3.4/r/n5.6.7.8/r/n", std::nullopt, true},
      {"1.2.3.4/r/n# evil/r/n", std::nullopt, true},
      {"01.2.3.4/r/n", std::nullopt, true},  // octal to some resolvers
      {"256.1.1.1/r/n", std::nullopt, true},
      {"1.2.3/r/n", std::nullopt, true},
      {"1.2.3.4.5/r/n", std::nullopt, true},
      {"::1/r/n", std::nullopt, true},
      {"/r/n", std::nullopt, false},  // no address at all
      {"", std::nullopt, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    std::string why;
    EXPECT_EQ(ParseHostAddressReply(c.reply, why), c.address);
    EXPECT_EQ(!why.empty(), c.refused);
  }
}

TEST(MapHostInHostsText, OtherLinesStayByteForByte) {
  const std::string host = "bid.tavik.test";
  const struct {
    const char* what;
    std::string before, after;
  } cases[] = {
      {"appended with the file's line break", "127.0.0.1 localhost\r\n\r\n# note\r\n",
       "127.0.0.1 localhost\r\n\r\n# note\r\n10.1.2.3 bid.tavik.test\r\n"},
      {"last line without a break", "127.0.0.1\tlocalhost",
       "127.0.0.1\tlocalhost\n10.1.2.3 bid.tavik.test\n"},
      {"empty file", "", "10.1.2.3 bid.tavik.test\n"},
      {"an old mapping goes", "1.1.1.1 BID.tavik.test\n::1 ip6-localhost\n",
       "::1 ip6-localhost\n10.1.2.3 bid.tavik.test\n"},
      {"other names of its line stay", "1.1.1.1  a.test\tbid.tavik.test b.test # c\n",
       "1.1.1.1  a.test b.test # c\n10.1.2.3 bid.tavik.test\n"},
      {"mentions that are not mappings stay",
       "# 1.1.1.1 bid.tavik.test\n1.1.1.1 mybid.tavik.test\nbid.tavik.test\n",
       "# 1.1.1.1 bid.tavik.test\n1.1.1.1 mybid.tavik.test\nbid.tavik.test\n"
       "10.1.2.3 bid.tavik.test\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MapHostInHostsText(c.before, host, "10.1.2.3"), c.after);
  }
}

class HostMappingTest : public testing::VendorTest {
 protected:
  HostMappingTest() {
    config.vendorBidHost = "bid.tavik.test";
    config.hostsFile = dir.file("hosts");
    dir.write("hosts", kHosts);
  }
  void replyWith(const std::string& body) {
    server.answer([body](const testing::VendorRequest& r) {
      return r.path == "/bidip.php" ? body : "pinned";
    });
  }
  // A request of ours to the bidding host, on the vendor server's port.
  std::string askBidHost() {
    return http.Get("http://bid.tavik.test:" + std::to_string(server.port()) + "/s1/ping");
  }

  static constexpr const char* kHosts = "127.0.0.1\tlocalhost\r\n# keep me\r\n";
  testing::TempDir dir;
};

TEST_F(HostMappingTest, HostsFileGetsOneMappingAndOurRequestsUseTheAddress) {
  replyWith("127.0.0.1\r\n");
  const HostMappingResult result = MapVendorHost(vendor, transport);
  EXPECT_EQ(result.outcome, Outcome::Mapped);
  EXPECT_EQ(result.address, "127.0.0.1");
  EXPECT_EQ(result.userMessage, "");
  EXPECT_EQ(dir.read("hosts"), std::string(kHosts) + "127.0.0.1 bid.tavik.test\r\n");
  EXPECT_EQ(dir.read(std::string("hosts") + kHostsBackupSuffix), kHosts);
  const testing::VendorRequest request = server.requests().at(0);
  EXPECT_EQ(request.server + request.path + " type=" + request.param("type"),
            "w1/bidip.php type=8");

  EXPECT_EQ(askBidHost(), "pinned/r/n");
  EXPECT_EQ(MapVendorHost(vendor, transport).outcome, Outcome::AlreadyMapped);
  EXPECT_EQ(dir.entries(), 2u) << "no temporary file left behind";
}

TEST_F(HostMappingTest, AnythingButOneAddressChangesNothing) {
  const struct {
    const char* reply;
    Outcome outcome;
    const char* logged;
  } cases[] = {
      {"1.2.3.4 evil\n", Outcome::Refused, "主机地址回复不是一个IPv4地址:1.2.3.4 evil"},
      {"1.2.3.4\n5.6.7.8\n", Outcome::Refused, "主机地址回复不止一行"},
      {"", Outcome::NoAddress, "没有收到主机地址"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    replyWith(c.reply);
    EXPECT_EQ(MapVendorHost(vendor, transport).outcome, c.outcome);
    EXPECT_EQ(dir.read("hosts"), kHosts);
    EXPECT_EQ(dir.entries(), 1u) << "no backup either";
    EXPECT_EQ(logFile.count(c.logged), 1);
  }
}

// "10.1.2.3" of "10.1.2.34": a reply cut short of its declared length, whether the connection
// then closes or stalls, is no address, and the hosts file stays as it was.
TEST_F(HostMappingTest, AReplyCutShortChangesNothing) {
  config.httpTotalTimeoutMs = 1000;
  CHttpClient shortHttp{transport, HttpTimeoutsFrom(config)};
  const VendorAccess cutVendor{config, shortHttp, clock, log, vendor.requestValues};
  for (const auto then :
       {testing::CuttingServer::Then::Close, testing::CuttingServer::Then::Stall}) {
    testing::CuttingServer cutting(
        "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 11\r\n\r\n10.1.2.3", then);
    config.vendorWwwServers = {cutting.base(), cutting.base(), cutting.base()};
    EXPECT_EQ(MapVendorHost(cutVendor, transport).outcome, Outcome::NoAddress);
    EXPECT_EQ(dir.read("hosts"), kHosts);
    EXPECT_EQ(dir.entries(), 1u) << "no backup either";
  }
}

// A hosts file on a read-only file system, as /etc/hosts is to a user who is not root.
TEST_F(HostMappingTest, UnwritableHostsFileIsLeftAndTheUserToldWhatToAdd) {
  config.hostsFile = "/proc/version";
  ASSERT_TRUE(std::filesystem::exists(config.hostsFile));
  const std::string before = testing::TempDir::readFile(config.hostsFile);
  replyWith("127.0.0.1\n");
  const HostMappingResult result = MapVendorHost(vendor, transport);
  EXPECT_EQ(result.outcome, Outcome::NotWritten);
  EXPECT_NE(result.userMessage.find("\n127.0.0.1 bid.tavik.test\n"), std::string::npos);
  EXPECT_NE(
      result.userMessage.find("echo '127.0.0.1 bid.tavik.test' | sudo tee -a '/proc/version'"),
      std::string::npos);
  EXPECT_EQ(testing::TempDir::readFile(config.hostsFile), before);
  EXPECT_EQ(askBidHost(), "pinned/r/n") << "our own requests do not need the file";
}

}  // namespace
}  // namespace tavik
