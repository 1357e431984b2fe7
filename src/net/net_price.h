#pragma once
// The shared price network over HTTP: this copy's reports of the page price to the vendor's
// three servers (price_report.h), the network price read back from the vendor's price service,
// the pacing of that read, and the merge of network prices into the local lowest price.
// Network prices only ever raise the local price, and only from plausible ranges.

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "core/atomic_int.h"
#include "core/config.h"
#include "core/guarded_text.h"
#include "core/lowest_price.h"
#include "log/logger.h"
#include "net/http_client.h"
#include "net/net_state.h"
#include "net/price_reply.h"
#include "net/server_choice.h"
#include "net/vendor_requests.h"
#include "platform/clock.h"

namespace tavik {

// What the shared price network keeps.
struct NetPriceState {
  // Reporting switch: prices are reported while it is above 0. It comes from the vendor's
  // configuration for the user (or a setting); a practice-page title clears it.
  AtomicInt m_priceShareOn{0};
  // The last price reported to servers 1, 2, 3; each entry is written by its report worker.
  std::array<AtomicInt, 3> m_reportedPrice{};
  // The last price read from the vendor's price service (0 at start-up, kept across runs).
  AtomicInt m_tcpNetPrice{0};
  // The price read's pause in 100 ms units; the pacing slows it once the page reads well.
  AtomicInt m_netPricePollTicks{20};

  void reset() {
    for (AtomicInt& price : m_reportedPrice) price = 0;
  }
};

// Fields of other owners.
struct NetPriceInputs {
  // The page's lowest price: raised here (never lowered), and the warning price stands in for
  // it when none has been read in the first half.
  LowestPrice& m_lowestPrice;
  const AtomicInt& m_warningPrice;
  const AtomicInt& m_remainSec;
  const AtomicInt& m_running;
  const AtomicInt& m_realMode;
  const AtomicInt& m_compatMode;
  const GuardedText& m_pageTitle;
  // Valid page price readings of this run, and for each of the last 60 remaining seconds
  // (index = second) whether the page price was read in it.
  const AtomicInt& m_pagePriceReads;
  std::span<const AtomicInt> m_priceReadMarks;
  // The UDP relay client's latest price and its count of valid prices received.
  const AtomicInt& m_udpNetPrice;
  const AtomicInt& g_udpPriceHits;
  // The values common to vendor requests (bid numbers, address, version, edition); rnd is
  // drawn here for each request.
  std::function<RequestValues()> requestValues;
};

struct NetPriceContext {
  NetPriceState& prices;
  NetState& net;                     // m_netMode, g_addmiao, m_featureSwitches
  const ServerChoiceState& servers;  // m_netPriceServer
  const NetPriceInputs& in;
  CHttpClient& http;
  const Config& config;
  Clock& clock;
  Logger& log;
};

// The price range every receiver of the price service accepts, and the narrower one the merge
// applies. Prices move in steps of 100 yuan.
inline constexpr int32_t kNetPriceMin = 70001;
inline constexpr int32_t kNetPriceMax = 189999;
inline constexpr int32_t kMergePriceMin = 80001;
inline constexpr int32_t kMergePriceMax = 109999;
inline constexpr int32_t kPriceStep = 100;
// The first half: more than this many seconds left (and fewer than an hour).
inline constexpr int32_t kSecondHalfSec = 1800;

// Whether `price` lies within [low, high] and on the 100-yuan step.
bool PlausiblePrice(int32_t price, int32_t low, int32_t high);

// Worker 7's price read, the 200 ms tick's pacing of it, and worker 2's merge.
class NetPriceReader {
 public:
  explicit NetPriceReader(const NetPriceContext& c) : c_(c) {}

  // Every second after the result upload: waits as paced, asks the price service (server
  // m_netPriceServer) and keeps a plausible price in m_tcpNetPrice.
  void ReadNetPrice();
  // The last step of the 200 ms tick: slows the read once the page price reads reliably.
  void PaceNetPriceRead();
  // Worker 2: runs the lowest-price reader, then lets a higher network price raise the local
  // one.
  void MergeNetPrice(const std::function<int()>& readLowestPrice);

 private:
  bool waitForTurn();
  void takePrice(int32_t price);
  int marksBefore(int32_t remain) const;

  NetPriceContext c_;
};

}  // namespace tavik
