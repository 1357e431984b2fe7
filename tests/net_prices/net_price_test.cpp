// The network price: the read from the vendor's price service (against a real server on
// loopback, waits in virtual time), its pacing, and the merge into the local lowest price.

#include "net/net_price.h"

#include <gtest/gtest.h>

#include <deque>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "net_prices/price_world.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

using testing::PriceWorld;
using testing::ScriptedServer;

// Server 2 answers with the bodies queued for it (the last one again when they run out);
// servers 1 and 3 answer nothing.
class ReadNetPriceTest : public ::testing::Test {
 protected:
  ReadNetPriceTest() {
    world.useServers({one.base(), two.base(), three.base()},
                     {one.base(), three.base(), three.base()});
    world.servers.m_netPriceServer = 2;
    world.m_remainSec = 50;
  }
  std::string nextReply() {
    std::lock_guard lock(mutex);
    if (replies.size() > 1) {
      std::string front = replies.front();
      replies.pop_front();
      return front;
    }
    return replies.empty() ? std::string() : replies.front();
  }
  void queue(std::initializer_list<std::string> bodies) {
    std::lock_guard lock(mutex);
    replies.assign(bodies);
  }

  std::mutex mutex;
  std::deque<std::string> replies{"#AA0,90100*AA"};
  // Runs inside the request, on the server's thread.
  std::function<void()> duringRequest;
  VirtualClock clock;
  ScriptedServer one, three;
  ScriptedServer two{[this](const httplib::Request&) {
    if (duringRequest) duringRequest();
    return nextReply();
  }};
  PriceWorld world{clock};
  NetPriceReader reader = world.reader();
};

// The pauses before a read: the poll ticks, three times more again while more than 100 s are
// left, and 4 s more while the relay delivers and more than 40 s are left.
TEST_F(ReadNetPriceTest, ReadWaitsAsPacedAndAsksTheChosenServer) {
  const struct {
    int32_t running, realMode, remain, ticks, relayHits;
    int64_t waitMs;
    bool asked;
  } cases[] = {
      {1, 1, 500, 20, 0, 8000, true},   {1, 1, 100, 20, 0, 2000, true},
      {1, 1, 50, 30, 0, 3000, true},    {1, 1, 50, 20, 6, 6000, true},
      {1, 1, 40, 20, 6, 2000, true},    {1, 1, 101, 20, 6, 12000, true},
      {1, 1, 1770, 20, 0, 2000, false}, {1, 1, 1, 20, 0, 2000, false},
      {0, 1, 50, 20, 0, 0, false},      {1, 0, 50, 20, 0, 0, false},
  };
  size_t asked = 0;
  for (const auto& c : cases) {
    world.m_running = c.running;
    world.m_realMode = c.realMode;
    world.m_remainSec = c.remain;
    world.prices.m_netPricePollTicks = c.ticks;
    world.g_udpPriceHits = c.relayHits;
    const int64_t before = clock.elapsedMs();
    reader.ReadNetPrice();
    if (c.asked) ++asked;
    EXPECT_EQ(clock.elapsedMs() - before, c.waitMs) << c.remain << " s left";
    EXPECT_EQ(two.count(), asked) << c.remain << " s left";
  }
  EXPECT_EQ(one.count() + three.count(), 0u);
  const httplib::Params expected = {{"type", "3"},
                                    {"lanmac", "12345678"},
                                    {"lanreadmac", "87654321"},
                                    {"ver", "9.1.4"},
                                    {"nb", "3"}};
  httplib::Params last = two.requests().back();
  EXPECT_EQ(last.count("rnd"), 1u);
  last.erase("rnd");
  EXPECT_EQ(last, expected);
  EXPECT_EQ(two.paths().back(), "/rps.php");
}

TEST_F(ReadNetPriceTest, OnlyAPlausiblePriceIsKept) {
  queue({"#AA0,90100*AA", "#AA0,90100*AA", "ok,88300#AA0,90200*AA", "#AA0,69900*AA",
         "#AA0,90250*AA", "<html>503</html>", "#AA0,190000*AA", "#AA0,189900*AA"});
  const int32_t kept[] = {90100, 90100, 90200, 90200, 90200, 90200, 90200, 189900};
  for (const int32_t price : kept) {
    reader.ReadNetPrice();
    EXPECT_EQ(world.prices.m_tcpNetPrice, price);
  }
  EXPECT_EQ(world.file.count("读取tcp网络价格-0成功"), 3);
  EXPECT_EQ(world.m_lowestPrice, 0) << "the read itself leaves the local price alone";
}

// A first-half price at or above the warning price is not kept; the warning price stands in
// for a local price not read yet. (The read is due only in the second half: this happens when
// a new run in the first half began while the request was under way.)
TEST_F(ReadNetPriceTest, FirstHalfPriceAtTheWarningPriceIsNotKept) {
  duringRequest = [this] { world.m_remainSec = 2000; };
  const struct {
    std::string reply;
    int32_t lowestBefore, lowestAfter, tcpAfter;
  } cases[] = {
      {"#AA0,88100*AA", 0, 88100, 0},
      {"#AA0,90000*AA", 87000, 87000, 0},
      {"#AA0,88000*AA", 0, 0, 88000},
  };
  for (const auto& c : cases) {
    queue({c.reply});
    world.prices.m_tcpNetPrice = 0;
    world.m_lowestPrice.Set(c.lowestBefore);
    world.m_remainSec = 50;
    reader.ReadNetPrice();
    EXPECT_EQ(world.m_lowestPrice, c.lowestAfter) << c.reply;
    EXPECT_EQ(world.prices.m_tcpNetPrice, c.tcpAfter) << c.reply;
  }
}

class NetPriceLocalTest : public ::testing::Test {
 protected:
  VirtualClock clock;
  PriceWorld world{clock};
  NetPriceReader reader = world.reader();
};

TEST_F(NetPriceLocalTest, MergeOnlyRaisesTheLocalPrice) {
  const struct {
    int32_t compat, netMode, realMode, remain;
    int32_t lowest, tcp, udp;
    int32_t after;
    int tcpLines, udpLines;
  } cases[] = {
      {1, 2, 1, 100, 90000, 90300, 88100, 90300, 1, 0},
      {1, 3, 1, 100, 90000, 90300, 90500, 90500, 1, 1},
      {1, 2, 1, 100, 90300, 90300, 90300, 90300, 0, 0},
      {1, 2, 1, 100, 95000, 90300, 90500, 95000, 0, 0},
      {1, 2, 1, 100, 90000, 110000, 88100, 90000, 0, 0},
      // The relay's price starts at 88100: a floor in the second half, none in the first.
      {1, 2, 1, 1000, 87000, 0, 88100, 88100, 0, 1},
      {1, 2, 1, 1000, 0, 0, 88100, 88100, 0, 1},
      {1, 2, 1, 1800, 87000, 0, 88100, 87000, 0, 0},
      {1, 2, 1, 1, 87000, 0, 88100, 87000, 0, 0},
      {1, 2, 1, 100, 90000, 0, 110000, 90000, 0, 0},
      {1, 1, 1, 100, 90000, 90300, 90500, 90000, 0, 0},
      {0, 2, 1, 100, 90000, 90300, 90500, 90000, 0, 0},
      {1, 2, 0, 100, 90000, 90300, 90500, 90000, 0, 0},
  };
  for (const auto& c : cases) {
    PriceWorld w(clock);
    w.m_compatMode = c.compat;
    w.net.m_netMode = c.netMode;
    w.m_realMode = c.realMode;
    w.m_remainSec = c.remain;
    w.m_lowestPrice.Set(c.lowest);
    w.prices.m_tcpNetPrice = c.tcp;
    w.m_udpNetPrice = c.udp;
    int readerCalls = 0;
    w.reader().MergeNetPrice([&] { return ++readerCalls, 0; });
    const std::string row = std::to_string(c.lowest) + " tcp " + std::to_string(c.tcp) + " udp " +
                            std::to_string(c.udp) + " mode " + std::to_string(c.netMode);
    EXPECT_EQ(readerCalls, 1) << row;
    EXPECT_EQ(w.m_lowestPrice, c.after) << row;
    EXPECT_EQ(w.file.count("tcp网络价格大于本地价格"), c.tcpLines) << row;
    EXPECT_EQ(w.file.count("udp网络价格大于本地价格"), c.udpLines) << row;
  }
}

// The page reader runs first: a network price below what it just read changes nothing.
TEST_F(NetPriceLocalTest, MergeComesAfterThePageReading) {
  world.m_remainSec = 100;
  world.prices.m_tcpNetPrice = 90300;
  reader.MergeNetPrice([this] {
    world.m_lowestPrice.Set(90600);
    return 1;
  });
  EXPECT_EQ(world.m_lowestPrice, 90600);
  EXPECT_EQ(world.file.count("网络价格大于本地价格"), 0);
}

TEST_F(NetPriceLocalTest, PacingSlowsTheReadOnceThePageReadsWell) {
  const struct {
    int32_t addmiao, server, reads;
    char switch8;
    int32_t remain;
    std::vector<int> marked;  // remaining seconds with a page reading
    int32_t ticksBefore, ticksAfter, addmiaoAfter;
  } cases[] = {
      {0, 1, 31, '1', 1000, {}, 20, 30, 1},
      {0, 1, 30, '1', 1000, {}, 20, 20, 0},
      {0, 0, 31, '1', 1000, {}, 20, 20, 0},
      // Last 40 s: 6 of the 11 seconds before this one read.
      {1, 1, 0, '1', 20, {21, 23, 25, 27, 29, 31}, 25, 30, 1},
      {1, 1, 0, '1', 20, {20, 21, 23, 25, 27, 29, 32}, 25, 25, 1},
      {1, 1, 0, '0', 20, {21, 23, 25, 27, 29, 31}, 25, 25, 1},
      {1, 1, 0, '1', 40, {41, 43, 45, 47, 49, 51}, 25, 25, 1},
      {1, 1, 0, '1', 2, {3, 4, 5, 6, 7, 8}, 25, 25, 1},
      {1, 1, 0, '1', 39, {50, 49, 48, 47, 46, 45}, 25, 30, 1},
  };
  for (const auto& c : cases) {
    PriceWorld w(clock);
    w.net.g_addmiao = c.addmiao;
    w.servers.m_netPriceServer = c.server;
    w.m_pagePriceReads = c.reads;
    std::string switches = "11111111111111111111";
    switches[8] = c.switch8;
    w.net.m_featureSwitches.set(switches);
    w.m_remainSec = c.remain;
    for (const int second : c.marked) w.m_priceReadMarks[size_t(second)] = 1;
    w.prices.m_netPricePollTicks = c.ticksBefore;
    NetPriceReader pacer = w.reader();
    pacer.PaceNetPriceRead();
    pacer.PaceNetPriceRead();
    EXPECT_EQ(w.prices.m_netPricePollTicks, c.ticksAfter) << c.remain << " " << c.reads;
    EXPECT_EQ(w.net.g_addmiao, c.addmiaoAfter);
    EXPECT_EQ(w.file.count("@@@正确读到价格+1秒@@@"), c.addmiao == 0 ? c.addmiaoAfter : 0);
  }
}

}  // namespace
}  // namespace tavik
