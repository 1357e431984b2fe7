#pragma once
// The outside world of a simulated auction, answered inside the process in virtual time: the
// vendor's web service (main parameters, price reports and reads, result uploads, the host
// address, recognition data), the UDP price relay and the four time servers, each as the
// scenario scripts it. Nothing here opens a socket.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/config.h"
#include "sim/event_log.h"
#include "sim/scenario.h"
#include "testing/in_process_http.h"
#include "testing/in_process_udp.h"
#include "testing/virtual_clock.h"

namespace tavik {

class SimServices {
 public:
  // `pageUtcMs` gives the true time (the page's clock, as UTC ms) at the machine's UTC time.
  SimServices(VirtualClock& clock, const SimScenario& scenario, const Config& config,
              std::function<int64_t(int64_t machineUtcMs)> pageUtcMs,
              std::function<int64_t(int64_t pageUtcMs)> remainMs);

  UdpTransport& udp() { return udp_; }
  HttpTransport& http() { return http_; }

  // What the vendor received.
  int priceReports() const { return priceReports_.load(); }
  std::vector<std::string> uploads() const;

 private:
  std::optional<InProcessHttp::Reply> answerHttp(const std::string& url);
  std::optional<InProcessUdp::Reply> answerUdp(const Ipv4Endpoint& to,
                                               const std::vector<uint8_t>& data);
  int32_t netPriceNow();

  VirtualClock& clock_;
  const SimScenario& scenario_;
  std::function<int64_t(int64_t)> pageUtcMs_, remainMs_;
  InProcessUdp udp_;
  InProcessHttp http_;
  std::atomic<int> priceReports_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> uploads_;
};

}  // namespace tavik
