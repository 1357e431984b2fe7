#include "sim/event_log.h"

#include <algorithm>

#include "report/run_chart.h"

namespace tavik {

std::string AuctionTimeText(int64_t msOfDay) {
  return TimeOfDayText(msOfDay);
}

std::string SimEvent::line() const {
  nlohmann::ordered_json j;
  j["t"] = AuctionTimeText(auctionMs);
  j["event"] = kind;
  for (const auto& [key, value] : fields.items()) j[key] = value;
  return j.dump();
}

void EventLog::add(int64_t utcMs, std::string_view kind, nlohmann::ordered_json fields) {
  SimEvent e{auctionMs_(utcMs), std::string(kind), std::move(fields)};
  std::lock_guard lock(mutex_);
  events_.push_back(std::move(e));
}

std::vector<SimEvent> EventLog::events() const {
  std::vector<SimEvent> out;
  {
    std::lock_guard lock(mutex_);
    out = events_;
  }
  // The page plays the program's actions at their own times on its next turn, so an event can
  // be added after a later one of another source.
  std::stable_sort(out.begin(), out.end(),
                   [](const SimEvent& a, const SimEvent& b) { return a.auctionMs < b.auctionMs; });
  return out;
}

std::string EventLog::jsonLines() const {
  std::string out;
  for (const SimEvent& e : events()) out += e.line() + "\n";
  return out;
}

}  // namespace tavik
