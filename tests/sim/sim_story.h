#pragma once
// Reading a simulated auction's events: the events of one kind, and the lowest price and the
// seconds left at a moment.

#include <string>
#include <vector>

#include "sim/scenario.h"
#include "sim/simulation.h"

namespace tavik::testing {

inline SimScenario RepoScenario(const std::string& name) {
  auto loaded = LoadScenario(std::string(TAVIK_SCENARIOS) + "/" + name + ".json");
  if (auto* e = std::get_if<ScenarioError>(&loaded)) ADD_FAILURE() << e->message;
  return std::get<SimScenario>(loaded);
}

inline std::vector<SimEvent> Of(const SimOutcome& out, const std::string& kind) {
  std::vector<SimEvent> found;
  for (const SimEvent& e : out.events)
    if (e.kind == kind) found.push_back(e);
  return found;
}

// The page's lowest price at a moment: the last price change at or before it.
inline int LowestAt(const SimOutcome& out, int64_t auctionMs) {
  int price = 0;
  for (const SimEvent& e : out.events)
    if (e.kind == "lowest_price" && e.auctionMs <= auctionMs) price = e.fields["price"];
  return price;
}

// The whole seconds the assistant counts as left at a moment of the page clock.
inline int RemainAt(const SimScenario& s, int64_t auctionMs) {
  return int(s.endMs / 1000 - auctionMs / 1000);
}

inline int Price(const SimEvent& e) {
  return e.fields["price"];
}

}  // namespace tavik::testing
