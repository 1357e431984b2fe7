#include "net/price_report.h"

#include <string>

namespace tavik {

// Titles of practice pages; only server 1's worker also knows "模拟".
bool PriceReporter::practiceTitle(int server) const {
  const std::string title = c_.in.m_pageTitle.get();
  for (const char* marker : {"Vexo", "51", "仿真"}) {
    if (title.find(marker) != std::string::npos) return true;
  }
  return server == 1 && title.find("模拟") != std::string::npos;
}

bool PriceReporter::reportable(int32_t price, int32_t reported, int32_t remain) const {
  if (!(kReportPriceAbove < price && price < kReportPriceBelow) || price == reported) return false;
  // In the first half a price at or above the warning price is not the market's: not sent.
  return !(price >= c_.in.m_warningPrice && kSecondHalfSec < remain && remain < 3600);
}

void PriceReporter::ReportPrice(int server) {
  if (server < 1 || server > 3) return;
  NetPriceState& s = c_.prices;
  // Practice prices must not reach the shared network: only a copy in real mode reports.
  if (s.m_priceShareOn <= 0 || c_.in.m_realMode != 1) {
    c_.clock.sleepMs(kReportIdlePauseMs);
    return;
  }
  const std::string name = "发送当前价格到服务器 " + std::to_string(server);
  if (practiceTitle(server)) {
    c_.clock.sleepMs(kReportIdlePauseMs);
    s.m_priceShareOn = 0;
    c_.log.LogStatus(name + " 检查到标题不对", true);
    return;
  }
  AtomicInt& reported = s.m_reportedPrice[size_t(server - 1)];
  // Only a price read off the page in this run is shared: never the warning price standing
  // in for one, nor a price that came from the network.
  const int32_t price = c_.in.m_lowestPrice.SharedValue();
  const int32_t remain = c_.in.m_remainSec;
  if (!reportable(price, reported, remain)) return;

  RequestValues values = c_.in.requestValues ? c_.in.requestValues() : RequestValues{};
  values.rnd = Rnd(c_.clock);
  // The reply says nothing the report needs.
  c_.http.Get(
      VendorUrl(c_.config, server, VendorName::Www, PriceReportQuery(values, price, remain)));
  reported = price;
  c_.log.LogStatus(name, true);
}

}  // namespace tavik
