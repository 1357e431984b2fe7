#include <cstdio>
#include <string>

#include "sim/simulation.h"

namespace tavik {

namespace {

std::string Format(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

std::string Hms(int64_t ms) {
  return AuctionTimeText(ms).substr(0, 8);
}

}  // namespace

std::string FormatSummary(const SimScenario& s, const SimOutcome& out) {
  std::string text =
      Format("scenario %s: %s bid number %s, Start at %s, end %s\n",
             s.name.empty() ? "(unnamed)" : s.name.c_str(), s.realMode ? "real" : "practice",
             s.effectiveBidNumber().c_str(), Hms(s.startMs).c_str(), Hms(s.endMs).c_str());
  for (const SimEvent& e : out.events) {
    const bool accepted = e.kind == "bid_accepted";
    if (!accepted && e.kind != "bid_refused") continue;
    const int64_t leftMs = s.endMs - e.auctionMs;
    const int leftSec = int((leftMs + 999) / 1000);
    const int price = e.fields.value("price", 0);
    const int lowest = e.fields.value("lowest", 0);
    if (accepted) {
      text += Format("  bid %d  %d  accepted at %s (%d s left; lowest price %d)\n",
                     e.fields.value("bid", 0), price, AuctionTimeText(e.auctionMs).c_str(), leftSec,
                     lowest);
    } else {
      text += Format("  bid    %d  refused  at %s (%d s left; lowest price %d): %s\n", price,
                     AuctionTimeText(e.auctionMs).c_str(), leftSec, lowest,
                     e.fields.value("why", std::string()).c_str());
    }
  }
  if (out.bids.empty()) text += "  no bid was confirmed\n";
  text += Format("final lowest price: %d\n", out.finalLowest);
  if (out.bestPrice() == 0) {
    text += "your bid wins: no (no bid accepted)\n";
  } else {
    text += Format("your bid wins: %s (best accepted bid %d)\n", out.wins() ? "yes" : "no",
                   out.bestPrice());
  }
  return text;
}

}  // namespace tavik
