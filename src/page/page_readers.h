#pragma once
// The readers of worker 2: which half of the auction runs, when it ends, what the page clock
// says and the lowest acceptable price. Each runs every 100 ms while a run has found the
// auction window, in the order stage, end time, page time (through the auction clock), price.

#include <string>

#include "page/page_context.h"

namespace tavik {

class PageReaders {
 public:
  explicit PageReaders(const PageContext& c) : c_(c) {}

  // Sets m_auctionStage (and the bidding phase once the second half runs).
  void ReadAuctionStage();
  // 1 when the end time is known or was just set; 0 nothing to read yet; -1 unreadable.
  int ReadEndTime();
  // 1 page clock read and inside the auction window; -1 unreadable or outside it (values read
  // are still delivered); 0 nothing to read yet.
  int ReadPageTime(int& hour, int& minute, int& second, std::string& text);
  // 1 when m_lowestPrice was raised; -1 not raised; 0 nothing to read yet.
  int ReadLowestPrice();

 private:
  struct PriceMethod;
  bool pageReadable() const;
  std::string readCell(Point at, int w, int h, const std::string& colours) const;
  bool readPrice(const PriceMethod& m, const std::string& colours, int remain);
  void markPriceRead(int remain);
  bool raisePrice(int price);
  int firstHalfPrice();
  int readClockFrom(Point hours, Point minutes, Point seconds, const ElementRect& cell, bool strict,
                    int& hour, int& minute, int& second, std::string& text) const;

  const PageContext& c_;
};

// The leading decimal digits of `text` as a number (0 when it starts with none).
int LeadingNumber(const std::string& text);

}  // namespace tavik
