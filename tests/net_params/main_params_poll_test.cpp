// The main-parameter poll against a scripted vendor server: when it asks, what each field does
// to its owner's state, and what counts as a failure of the server.

#include "net/main_params_poll.h"

#include <gtest/gtest.h>

#include <array>
#include <map>

#include "app/controller_fixture.h"
#include "app/remote_tuning.h"
#include "net_params/vendor_fixture.h"
#include "support/temp_dir.h"

namespace tavik {
namespace {

// Fields 0..20, every one valid, with some replaced; joined into a payload.
std::string Payload(const std::map<int, std::string>& replaced = {}) {
  std::vector<std::string> fields = {"2",           "1",       "-2",   "3",       "-4",
                                     "x",           "6",       "5;-6", "1",       "0",
                                     "ntp.test.cn", "1",       "1",    "4",       "-120",
                                     "1011111111",  "IEFrame", "2",    "120;340", "r1.test;r2.test",
                                     "9.2.0###919"};
  for (const auto& [index, text] : replaced) fields[size_t(index)] = text;
  std::string payload;
  for (const std::string& f : fields) payload += (payload.empty() ? "" : ",") + f;
  return payload;
}

class MainParamsPollTest : public testing::VendorTest {
 protected:
  MainParamsPollTest() { relay.m_relayHosts.set({"relay.vendor.cn", "r2", "r3", "r4", "r5"}); }

  // Every main-parameter request gets `payload` in its envelope (nothing, for no payload).
  void serve(std::optional<std::string> payload) {
    server.answer([payload](const testing::VendorRequest& r) {
      if (r.param("type") != "8" || !payload) return std::string("<html></html>\r\n");
      return "<html>\r\n#AA" + *payload + "*AA\r\n</html>\r\n";
    });
  }
  // One call of the poll at a moment when a request is due.
  void fetch(std::optional<std::string> payload) {
    serve(std::move(payload));
    serverChoice.m_paramTick = 949;
    poll.FetchMainParams();
  }

  // The owners outside the network layer, as plain fields.
  struct Owners final : RemoteTuning {
    void AdjustPriceArea(std::optional<int32_t> x, std::optional<int32_t> y) override {
      priceArea = Point{x.value_or(priceArea.x), y.value_or(priceArea.y)};
    }
    void AdjustAnchorJj(std::optional<int32_t> x, std::optional<int32_t> y) override {
      anchorJj = Point{x.value_or(anchorJj.x), y.value_or(anchorJj.y)};
    }
    void AdjustAnchor201(Point adjust) override { anchor201 = adjust; }
    void EnterSecondHalf() override { auctionStage = 2; }
    void PreferJjAnchor(bool jjFirst) override { preferJj = jjFirst ? 1 : 0; }
    bool UpdatePageFocus(Point p) override {
      const bool changed = !(p == pageFocus);
      pageFocus = p;
      return changed;
    }
    void SetPasteMode(int32_t mode) override { pasteMode = mode; }
    void ApplyNtpSetting(const NtpSetting& ntp) override {
      ntpEnabled = ntp.enabled ? 1 : 0;
      if (ntp.enabled) ntpServer = ntp.server;
    }
    void SetNtpTrim(int32_t ms) override { ntpTrim = ms; }
    void SetClientClass(const std::string& windowClass) override { clientClass = windowClass; }
    void AnnounceVersion(const std::string& version) override {
      latestVersion = version;
      noticeDue = 1;
    }

    Point priceArea, anchorJj, anchor201, pageFocus{10, 10};
    int auctionStage = 1, preferJj = 0, pasteMode = 0, ntpEnabled = 1, ntpTrim = 0, noticeDue = 0;
    std::string ntpServer = "ntp.ntsc.ac.cn", clientClass = "IE", latestVersion;
  };

  MainParamsTargets targets() {
    return {net, serverChoice, relay, lowestPrice, warningPrice, remainSec, realMode, owners};
  }

  testing::TempDir dir;
  NetState net;
  ServerChoiceState serverChoice;
  RelayState relay;
  LowestPrice lowestPrice{90000};
  AtomicInt warningPrice{88100}, remainSec{600}, realMode{1};
  Owners owners;
  testing::RecordedHooks recorded;
  RecognitionDownloads downloads{vendor, serverChoice, recorded.hooks(), dir.dir()};
  MainParamsPoll poll{vendor, targets(), downloads};
};

TEST_F(MainParamsPollTest, EveryFieldReachesItsOwner) {
  remainSec = 2000;  // first half: switch 2 may set the lowest price
  fetch(Payload({{15, "1001111111"}}));

  ASSERT_EQ(server.asked(), std::vector<std::string>{"s1 type=8"});
  const testing::VendorRequest request = server.requests()[0];
  EXPECT_EQ(request.path, "/rps.php");
  EXPECT_EQ(request.param("lastsec"), "2000");
  EXPECT_EQ(request.param("addmiao"), "0");
  EXPECT_EQ(request.param("lanmac"), "12345678");
  EXPECT_EQ(request.param("lanip"), "127.0.0.1");

  EXPECT_EQ(net.m_netMode, 2);
  EXPECT_EQ(owners.priceArea, (Point{1, -2}));
  EXPECT_EQ(owners.anchorJj, (Point{3, -4}));
  EXPECT_EQ(net.g_captchaDigits, 6);
  EXPECT_EQ(owners.anchor201, (Point{5, -6}));
  EXPECT_EQ(owners.pasteMode, 1);
  EXPECT_EQ(owners.ntpEnabled, 1);
  EXPECT_EQ(owners.ntpServer, "ntp.test.cn");
  EXPECT_EQ(net.m_skipBidButtonCheck, 1);
  EXPECT_EQ(owners.auctionStage, 2);
  EXPECT_EQ(net.m_forceShift, 4);
  EXPECT_EQ(owners.ntpTrim, -120);
  EXPECT_EQ(net.m_featureSwitches.get(), "1001111111");
  EXPECT_EQ(owners.preferJj, 1);
  EXPECT_EQ(lowestPrice, 88100);
  EXPECT_EQ(owners.clientClass, "IEFrame");
  EXPECT_EQ(serverChoice.m_netPriceServer, 2);
  EXPECT_EQ(owners.pageFocus, (Point{120, 340}));
  EXPECT_EQ(relay.m_udpEnabled, 1);
  EXPECT_EQ(relay.m_relayHosts.get(), (RelayHosts::List{"r1.test", "r2.test", "r3", "r4", "r5"}));
  EXPECT_EQ(owners.latestVersion, "9.2.0");
  EXPECT_EQ(owners.noticeDue, 1);
  EXPECT_EQ(serverChoice.failures.get().m_paramFailTotal, 0);
  EXPECT_EQ(logFile.count("主参数无效项"), 0);
}

// Malformed and out-of-range fields change nothing, not even half of a pair; the fields after
// them still apply.
TEST_F(MainParamsPollTest, MalformedFieldsChangeNothingAndTheRestApply) {
  owners.priceArea = Point{7, 7};
  owners.anchor201 = Point{8, 8};
  fetch(Payload({{0, "abc"},
                 {1, "60"},
                 {7, "12;abc"},
                 {15, "1;1"},
                 {19, "r1.test;bad host"},
                 {20, "../../evil###919"}}));
  EXPECT_EQ(net.m_netMode, 2);
  EXPECT_EQ(owners.priceArea, (Point{7, -2}));
  EXPECT_EQ(owners.anchor201, (Point{8, 8}));
  EXPECT_EQ(net.m_featureSwitches.get(), "11111111111111111111");
  EXPECT_EQ(relay.m_relayHosts.get()[0], "relay.vendor.cn");
  EXPECT_EQ(owners.latestVersion, "");
  EXPECT_EQ(owners.noticeDue, 0);
  EXPECT_EQ(owners.anchorJj, (Point{3, -4}));
  EXPECT_EQ(owners.clientClass, "IEFrame");
  EXPECT_EQ(logFile.count("主参数无效项未采用:0,1,7,15,19,20"), 1);
}

TEST_F(MainParamsPollTest, ForceShiftOutOfRangeBecomesTenAndIsLoggedEachTime) {
  fetch(Payload({{13, "25"}}));
  EXPECT_EQ(net.m_forceShift, 10);
  fetch(Payload({{13, "25"}}));  // 25 still differs from 10
  fetch(Payload({{13, "10"}}));  // equal: nothing
  EXPECT_EQ(logFile.count("4秒强制出价时间矫正：10"), 2);
  fetch(Payload({{13, "0"}}));
  EXPECT_EQ(net.m_forceShift, 0);
  EXPECT_EQ(logFile.count("4秒强制出价时间矫正：0"), 1);
}

TEST_F(MainParamsPollTest, TimeServerFieldSwitchesNetworkTime) {
  fetch(Payload({{10, "abcde"}}));
  EXPECT_EQ(owners.ntpEnabled, 0);
  EXPECT_EQ(owners.ntpServer, "ntp.ntsc.ac.cn");
  fetch(Payload({{10, "ntp.example.cn"}}));
  EXPECT_EQ(owners.ntpEnabled, 1);
  EXPECT_EQ(owners.ntpServer, "ntp.example.cn");
  owners.ntpEnabled = 0;
  fetch(Payload({{10, "ntp.example.cn.too-long"}}));  // cut it would be another host
  EXPECT_EQ(owners.ntpEnabled, 0);
  EXPECT_EQ(owners.ntpServer, "ntp.example.cn");
}

TEST_F(MainParamsPollTest, RelayHostsReplaceTheFirstEntriesWhenTheTextChanges) {
  fetch(Payload({{19, "r1.test;r2.test"}}));
  EXPECT_EQ(relay.m_relayHosts.get(), (RelayHosts::List{"r1.test", "r2.test", "r3", "r4", "r5"}));
  EXPECT_EQ(poll.m_relayHostsText.get(), "r1.test;r2.test");
  relay.m_relayHosts.set({"kept", "r2.test"});
  fetch(Payload({{19, "r1.test;r2.test"}}));  // the same text: the list is left alone
  EXPECT_EQ(relay.m_relayHosts.get()[0], "kept");
  EXPECT_EQ(relay.m_udpEnabled, 1);
  fetch(Payload({{19, "ab"}}));
  EXPECT_EQ(relay.m_udpEnabled, 0);
  EXPECT_EQ(relay.m_relayHosts.get()[0], "ab");
}

// A new total version is fetched from the server that announced it; the same version is not
// fetched again; version 0 brings every default back, once.
TEST_F(MainParamsPollTest, DataVersionUpdatesFromTheAnnouncingServer) {
  for (int i = 0; i < 3; ++i) serverChoice.failures.add(1);  // server 1 is the failing one
  server.answer([](const testing::VendorRequest& r) -> std::string {
    if (r.param("type") == "8") return "#AA" + Payload({{9, "112345"}}) + "*AA";
    if (r.param("type") == "12") return "#AAnet_btn_pos*AA";
    return "#AAdictionary*AA";
  });
  serverChoice.m_paramTick = 949;
  poll.FetchMainParams();
  EXPECT_EQ(server.asked(), (std::vector<std::string>{"s2 type=8", "s2 type=12", "s2 type=14"}));
  EXPECT_EQ(downloads.versions.m_dataVersion, 12345);
  EXPECT_EQ(logFile.count("计划更新总数据版本：12345,服务器：2"), 1);
  EXPECT_EQ(logFile.count("更新总数据版本成功!：12345,服务器：2 "), 1);
  EXPECT_EQ(logFile.count("更新结束"), 1);

  serverChoice.m_paramTick = 949;
  poll.FetchMainParams();
  EXPECT_EQ(server.asked().size(), 4u) << "the same version is not fetched again";

  recorded.calls.clear();
  fetch(Payload({{9, "100000"}}));
  fetch(Payload({{9, "100000"}}));
  EXPECT_EQ(recorded.calls, std::vector<std::string>{"restore"});
  EXPECT_EQ(logFile.count("全部恢复原来数据：0"), 1);
  EXPECT_EQ(downloads.versions.m_dataVersion, 0);
  EXPECT_EQ(downloads.versions.m_coordVersion, 0);
  EXPECT_EQ(downloads.versions.m_dictVersion, 0);
}

TEST_F(MainParamsPollTest, AskedAfterStartThenEveryPeriodInRealModeOnly) {
  serve(Payload());
  serverChoice.reset();  // m_paramTick 800, as after Start
  int calls = 0;
  while (server.requests().empty() && calls < 5000) {
    poll.FetchMainParams();
    ++calls;
  }
  EXPECT_EQ(calls, 150);
  for (calls = 0; server.requests().size() < 2 && calls < 5000; ++calls) poll.FetchMainParams();
  EXPECT_EQ(calls, kParamPeriod);

  // Close to the end, the first request of the program comes at once.
  serverChoice.m_paramAttempts = 0;
  remainSec = 69;
  poll.FetchMainParams();
  EXPECT_EQ(server.requests().size(), 3u);

  realMode = 0;
  serverChoice.m_paramAttempts = 0;
  serverChoice.m_paramTick = 949;
  poll.FetchMainParams();
  EXPECT_EQ(server.requests().size(), 3u) << "practice mode asks nothing";

  // Service mode 9 makes every call wait a minute first.
  net.m_netMode = 9;
  const int64_t before = clock.elapsedMs();
  poll.FetchMainParams();
  EXPECT_EQ(clock.elapsedMs() - before, 60'000);
}

TEST_F(MainParamsPollTest, SlowOrEmptyRepliesCountAgainstTheirServer) {
  // More than 9 auction seconds pass during the exchange: applied, and still a failure.
  server.answer([this](const testing::VendorRequest&) {
    remainSec = remainSec - 10;
    return "#AA" + Payload({{0, "3"}}) + "*AA";
  });
  serverChoice.m_paramTick = 949;
  poll.FetchMainParams();
  EXPECT_EQ(net.m_netMode, 3);
  EXPECT_EQ(logFile.count("读取主参数时间大于9秒失败"), 1);
  EXPECT_EQ(serverChoice.failures.get().m_serverFails[0], 1);

  fetch(std::nullopt);
  EXPECT_EQ(serverChoice.failures.get().m_serverFails[0], 2);
  EXPECT_EQ(logFile.count("读取主参数服务器1失败"), 2);
  fetch(Payload());
  EXPECT_EQ(serverChoice.failures.get().m_paramFailTotal, 2);
}

// Wired to a controller's own fields, an announced version reaches the version notice of its
// 1 s tick: the run stops and the download page for that version is offered.
class AnnouncedVersionTest : public testing::ControllerTest {};

TEST_F(AnnouncedVersionTest, ReachesTheVersionNotice) {
  ASSERT_EQ(startUp(), 0);
  Controller& c = *controller;
  testing::VendorServer vendorServer([](const testing::VendorRequest& r) {
    return r.param("type") == "8" ? "#AA" + Payload({{10, "abcde"}, {20, "9.1.5###919"}}) + "*AA"
                                  : std::string();
  });
  const Config config = vendorServer.config();
  CurlHttpTransport transport;
  CHttpClient client(transport, HttpTimeoutsFrom(config));
  const VendorAccess access{config, client, clock, c.log(), [] { return RequestValues{}; }};
  RemoteTuningOwners owners(c.page, c.elementTable(), c.pageActions().entryState(), c.netTime,
                            c.run);
  const MainParamsTargets targets{c.net,
                                  c.serverChoice,
                                  c.relayState,
                                  c.page.m_lowestPrice,
                                  c.page.m_warningPrice,
                                  c.clockState.m_remainSec,
                                  c.run.m_realMode,
                                  owners};
  testing::RecordedHooks recorded;
  RecognitionDownloads downloads(access, c.serverChoice, recorded.hooks(), dir.dir());
  MainParamsPoll poll(access, targets, downloads);

  c.ToggleRun();
  showRemaining(300);
  c.serverChoice.m_paramTick = 949;
  poll.FetchMainParams();
  EXPECT_EQ(c.run.m_latestVersion.get(), "9.1.5");
  clock.runFor(1000);
  EXPECT_EQ(c.run.m_running, 0);
  EXPECT_EQ(view.notices_, std::vector<std::string>{DownloadUrl(Config{}, "9.1.5")});
}

}  // namespace
}  // namespace tavik
