#include "net/net_price.h"

#include <string>

#include "net/price_reply.h"

namespace tavik {
namespace {

// The read is due only while the auction's last 29½ minutes run.
constexpr int32_t kReadLastSec = 1770;
// Above this many seconds left the read pauses three times longer again.
constexpr int32_t kSlowReadAbove = 100;
// More relay prices received than this mean the relay works: while more than 40 seconds are
// left, the HTTP read then pauses 4 s longer.
constexpr int32_t kRelayWorkingHits = 5;
constexpr int32_t kRelaySlowAbove = 40;
constexpr int kRelayWorkingPauseMs = 4000;
// Valid page readings after which the page price counts as reliable, the read's pause then,
// and the readings of 11 seconds that keep it so in the last 40 seconds.
constexpr int32_t kReliableReads = 30;
constexpr int32_t kReliablePollTicks = 30;
constexpr int kMarkedSecondsNeeded = 6;
constexpr int kMarkWindowSec = 11;
// m_featureSwitches character that lets the last 40 seconds set the read's pause.
constexpr size_t kPaceSwitch = 8;

}  // namespace

bool PlausiblePrice(int32_t price, int32_t low, int32_t high) {
  return low <= price && price <= high && price % kPriceStep == 0;
}

void NetPriceReader::ReadNetPrice() {
  if (c_.in.m_running != 1 || c_.in.m_realMode != 1) return;
  if (!waitForTurn()) return;
  RequestValues values = c_.in.requestValues ? c_.in.requestValues() : RequestValues{};
  values.rnd = Rnd(c_.clock);
  const int server = PriceReadServer(c_.servers.m_netPriceServer);
  const std::string url = VendorUrl(c_.config, server, VendorName::Base, PriceReadQuery(values));
  if (const auto price = ParsePriceReply(c_.http.Get(url))) takePrice(*price);
}

// The read's pauses: longer while the end is far, longer again while the relay delivers.
// False when the read is not due.
bool NetPriceReader::waitForTurn() {
  const int ticks = c_.prices.m_netPricePollTicks;
  c_.clock.sleepMs(ticks * 100);
  const int32_t remain = c_.in.m_remainSec;
  if (!(1 < remain && remain < kReadLastSec)) return false;
  if (remain > kSlowReadAbove) c_.clock.sleepMs(ticks * 300);
  if (c_.in.g_udpPriceHits > kRelayWorkingHits && c_.in.m_remainSec > kRelaySlowAbove)
    c_.clock.sleepMs(kRelayWorkingPauseMs);
  return true;
}

void NetPriceReader::takePrice(int32_t price) {
  const int32_t remain = c_.in.m_remainSec;
  if (remain <= 0 || !PlausiblePrice(price, kNetPriceMin, kNetPriceMax)) return;
  // In the first half the lowest price never goes above the warning price: such a price is
  // not kept, and the warning price stands in for a price not read yet.
  const int32_t warning = c_.in.m_warningPrice;
  if (price >= warning && kSecondHalfSec < remain && remain < 3600) {
    c_.in.m_lowestPrice.FallBackToWarning(0, warning);
    return;
  }
  if (c_.prices.m_tcpNetPrice.exchange(price) != price)
    c_.log.LogStatus("读取tcp网络价格-0成功", true);
}

void NetPriceReader::PaceNetPriceRead() {
  NetState& net = c_.net;
  if (net.g_addmiao == 0) {
    if (c_.servers.m_netPriceServer < 1 || c_.in.m_pagePriceReads <= kReliableReads) return;
    if (!net.g_addmiao.compareExchange(0, 1)) return;
    c_.prices.m_netPricePollTicks += 10;
    c_.log.LogStatus("@@@正确读到价格+1秒@@@", true);
  }
  if (net.g_addmiao != 1 || !net.featureSwitchIs(kPaceSwitch, '1')) return;
  const int32_t remain = c_.in.m_remainSec;
  if (2 < remain && remain < 40 && marksBefore(remain) >= kMarkedSecondsNeeded)
    c_.prices.m_netPricePollTicks = kReliablePollTicks;
}

// Seconds among the 11 before `remain` (remain + 1 .. remain + 11) in which the page price was
// read.
int NetPriceReader::marksBefore(int32_t remain) const {
  const auto& marks = c_.in.m_priceReadMarks;
  int count = 0;
  for (int32_t second = remain + 1; second <= remain + kMarkWindowSec; ++second) {
    if (second >= 0 && size_t(second) < marks.size() && marks[size_t(second)] != 0) ++count;
  }
  return count;
}

void NetPriceReader::MergeNetPrice(const std::function<int()>& readLowestPrice) {
  if (readLowestPrice) readLowestPrice();
  const int32_t mode = c_.net.m_netMode;
  if (c_.in.m_compatMode == 0 || (mode != 2 && mode != 3) || c_.in.m_realMode != 1) return;
  LowestPrice& lowest = c_.in.m_lowestPrice;
  const int32_t tcp = c_.prices.m_tcpNetPrice;
  if (PlausiblePrice(tcp, kMergePriceMin, kMergePriceMax) && lowest.MergeNetworkPrice(tcp))
    c_.log.LogStatus("tcp网络价格大于本地价格", true);
  // The relay's price starts at the warning price, so in the second half it is a floor even
  // before any relay has answered.
  const int32_t udp = c_.in.m_udpNetPrice;
  const int32_t remain = c_.in.m_remainSec;
  if (PlausiblePrice(udp, kMergePriceMin, kMergePriceMax) && 1 < remain &&
      remain < kSecondHalfSec && lowest.MergeNetworkPrice(udp))
    c_.log.LogStatus("udp网络价格大于本地价格", true);
}

}  // namespace tavik
