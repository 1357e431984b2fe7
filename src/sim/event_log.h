#pragma once
// What happened on the simulated auction page, in the page's own time: one JSON object a line,
// in time order, the same bytes for the same scenario.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace tavik {

struct SimEvent {
  int64_t auctionMs = 0;  // the page clock, ms of the day
  std::string kind;       // "bid_button", "captcha_shown", "bid_accepted", ...
  nlohmann::ordered_json fields = nlohmann::ordered_json::object();

  // {"t":"11:29:24.200","event":"bid_accepted",...fields}
  std::string line() const;
};

// "hh:mm:ss.mmm" of ms of the day.
std::string AuctionTimeText(int64_t msOfDay);

class EventLog {
 public:
  // `auctionMs` turns the machine's UTC time into the page clock's ms of the day.
  explicit EventLog(std::function<int64_t(int64_t utcMs)> auctionMs)
      : auctionMs_(std::move(auctionMs)) {}

  void add(int64_t utcMs, std::string_view kind,
           nlohmann::ordered_json fields = nlohmann::ordered_json::object());
  int64_t auctionMs(int64_t utcMs) const { return auctionMs_(utcMs); }

  // Every event so far, in time order (events of the same ms in the order they were added).
  std::vector<SimEvent> events() const;
  // The same, one line each.
  std::string jsonLines() const;

 private:
  std::function<int64_t(int64_t)> auctionMs_;
  mutable std::mutex mutex_;
  std::vector<SimEvent> events_;
};

}  // namespace tavik
