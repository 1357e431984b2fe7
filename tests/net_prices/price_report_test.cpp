// Price reports to the vendor's three servers, against real servers on loopback: once per
// price change and server, only plausible and market prices, never from a practice page, and
// a dead server holds up only its own worker.

#include "net/price_report.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net_prices/price_world.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

using testing::DeadServer;
using testing::PriceWorld;
using testing::ScriptedServer;
using Prices = std::vector<std::string>;

// Servers 1..3 under their www names, where reports go; their own names must see nothing.
class PriceReportTest : public ::testing::Test {
 protected:
  PriceReportTest() {
    world.useServers({own[0].base(), own[1].base(), own[2].base()},
                     {www[0].base(), www[1].base(), www[2].base()});
  }
  void reportAll() {
    for (int server = 1; server <= 3; ++server) reporter.ReportPrice(server);
  }
  Prices reported(int server) const { return www[server - 1].values("price"); }

  VirtualClock clock;
  ScriptedServer own[3];
  ScriptedServer www[3];
  PriceWorld world{clock};
  PriceReporter reporter = world.reporter();
};

TEST_F(PriceReportTest, EachPriceChangeIsReportedOnceToEachServer) {
  world.m_remainSec = 500;
  world.m_lowestPrice.Set(90000);
  reportAll();
  reportAll();
  world.m_lowestPrice.Set(90100);
  reportAll();
  reportAll();

  for (int server = 1; server <= 3; ++server) {
    EXPECT_EQ(reported(server), (Prices{"90000", "90100"})) << server;
    EXPECT_EQ(world.prices.m_reportedPrice[size_t(server - 1)], 90100);
    EXPECT_EQ(world.file.count("发送当前价格到服务器 " + std::to_string(server)), 2);
    EXPECT_EQ(own[server - 1].count(), 0u);
  }
  const httplib::Params expected = {{"type", "5"},
                                    {"lanmac", "12345678"},
                                    {"ver", "9.1.4"},
                                    {"ip", "10.0.0.7"},
                                    {"price", "90100"},
                                    {"lastsec", "500"},
                                    {"rnd", std::to_string(Rnd(clock))}};
  EXPECT_EQ(www[1].requests().back(), expected);
  EXPECT_EQ(www[1].paths().back(), "/mp.php");
  EXPECT_EQ(clock.elapsedMs(), 0) << "a report worker with work does not pause";
}

// The first half's rule: a price at or above the warning price is not the market's.
TEST_F(PriceReportTest, OnlyPlausibleMarketPricesAreReported) {
  const struct {
    int32_t price;
    int32_t remain;
    bool sent;
  } cases[] = {
      {88100, 2000, false}, {88000, 2000, true},  {88100, 1800, true}, {88100, 3600, true},
      {90000, 3599, false}, {80000, 1000, false}, {80100, 1000, true}, {150000, 1000, false},
      {149900, 1000, true}, {0, 1000, false},     {88100, 0, true},
  };
  size_t sent = 0;
  for (const auto& c : cases) {
    world.prices.reset();
    world.m_lowestPrice.Set(c.price);
    world.m_remainSec = c.remain;
    reporter.ReportPrice(1);
    if (c.sent) ++sent;
    ASSERT_EQ(www[0].count(), sent) << c.price << " with " << c.remain << " s left";
    if (c.sent) {
      EXPECT_EQ(www[0].values("lastsec").back(), std::to_string(c.remain));
    }
  }
}

// Switched off, or in practice mode, a worker reports nothing and pauses 3 s each time.
TEST_F(PriceReportTest, NothingIsReportedSwitchedOffOrInPracticeMode) {
  world.m_lowestPrice.Set(90000);
  for (const auto& [shareOn, realMode] : {std::pair{0, 1}, std::pair{1, 0}}) {
    world.prices.m_priceShareOn = shareOn;
    world.m_realMode = realMode;
    const int64_t before = clock.elapsedMs();
    reportAll();
    EXPECT_EQ(clock.elapsedMs() - before, 3 * kReportIdlePauseMs);
  }
  for (int server = 1; server <= 3; ++server) EXPECT_EQ(www[server - 1].count(), 0u);
}

// "模拟" is known only to server 1's worker: the others report until it clears the shared
// switch, then nobody does, and only server 1's line is logged.
TEST_F(PriceReportTest, PracticeTitleStopsEveryServersReports) {
  world.m_pageTitle.set("沪牌模拟拍卖");
  world.m_lowestPrice.Set(90000);
  reporter.ReportPrice(2);
  reporter.ReportPrice(3);
  const int64_t before = clock.elapsedMs();
  reporter.ReportPrice(1);
  EXPECT_EQ(clock.elapsedMs() - before, kReportIdlePauseMs);
  EXPECT_EQ(world.prices.m_priceShareOn, 0);

  world.m_lowestPrice.Set(90100);
  reportAll();
  EXPECT_EQ(reported(1), Prices{});
  EXPECT_EQ(reported(2), Prices{"90000"});
  EXPECT_EQ(reported(3), Prices{"90000"});
  EXPECT_EQ(world.file.count("检查到标题不对"), 1);
  EXPECT_EQ(world.file.count("发送当前价格到服务器 1 检查到标题不对"), 1);
}

// The other markers are known to every worker: whichever runs first finds them.
TEST(PriceReportTitles, EveryWorkerKnowsTheOtherPracticeMarkers) {
  VirtualClock clock;
  ScriptedServer www;
  for (const char* title : {"51沪牌", "仿真拍卖", "Vexo bidding"}) {
    PriceWorld world(clock);
    world.useServers({www.base(), www.base(), www.base()}, {www.base(), www.base(), www.base()});
    world.m_pageTitle.set(title);
    world.m_lowestPrice.Set(90000);
    PriceReporter reporter = world.reporter();
    reporter.ReportPrice(3);
    reporter.ReportPrice(1);
    EXPECT_EQ(world.file.count("发送当前价格到服务器 3 检查到标题不对"), 1) << title;
    EXPECT_EQ(world.file.count("检查到标题不对"), 1) << title;
  }
  EXPECT_EQ(www.count(), 0u);
}

// Workers 8..10 on real threads, server 2 dead: its worker waits no longer than the configured
// timeout for each new price, and the other two servers get every price as soon as they would
// with all three alive.
TEST(PriceReportThreads, DeadServerDelaysOnlyItsOwnWorker) {
  const HttpTimeouts timeouts{500, 2000};
  for (const auto kind : {DeadServer::Refusing, DeadServer::Silent}) {
    RealClock clock;
    ScriptedServer one, three;
    DeadServer two(kind);
    PriceWorld world(clock, timeouts);
    world.useServers({one.base(), two.base(), three.base()},
                     {one.base(), two.base(), three.base()});
    PriceReporter reporter = world.reporter();

    std::atomic<bool> stop{false};
    std::atomic<int64_t> longestOfServer2{0};
    std::vector<std::thread> workers;
    for (int server = 1; server <= 3; ++server) {
      workers.emplace_back([&, server] {
        while (!stop) {
          const uint32_t start = clock.tickCountMs();
          reporter.ReportPrice(server);
          const int64_t took = int64_t(uint32_t(clock.tickCountMs() - start));
          if (server == 2 && took > longestOfServer2) longestOfServer2 = took;
          clock.sleepMs(400);
        }
      });
    }
    for (const int32_t price : {90000, 90100, 90200, 90300}) {
      world.m_lowestPrice.Set(price);
      const uint32_t start = clock.tickCountMs();
      const std::string text = std::to_string(price);
      while ((one.values("price").empty() || one.values("price").back() != text ||
              three.values("price").empty() || three.values("price").back() != text) &&
             clock.tickCountMs() - start < 5000)
        clock.sleepMs(10);
      EXPECT_LT(int64_t(uint32_t(clock.tickCountMs() - start)), 1000)
          << price << (kind == DeadServer::Silent ? " silent" : " refusing");
    }
    // Server 2's worker has returned from a report at least once: after its timeout when the
    // server is silent.
    for (const uint32_t start = clock.tickCountMs();
         world.prices.m_reportedPrice[1] == 0 && clock.tickCountMs() - start < 5000;)
      clock.sleepMs(10);
    stop = true;
    world.http.cancelWaits();
    clock.interruptSleeps();
    for (auto& w : workers) w.join();

    EXPECT_EQ(one.values("price"), (Prices{"90000", "90100", "90200", "90300"}));
    EXPECT_EQ(three.values("price"), one.values("price"));
    if (kind == DeadServer::Silent) {
      EXPECT_GE(longestOfServer2, timeouts.totalMs - 50) << "server 2's worker was held up";
      EXPECT_LT(longestOfServer2, timeouts.totalMs + 500);
    } else {
      EXPECT_LT(longestOfServer2, timeouts.connectMs);
    }
  }
}

}  // namespace
}  // namespace tavik
