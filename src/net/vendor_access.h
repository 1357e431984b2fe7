#pragma once
// What every request to the vendor's parameter service needs: the servers' addresses, the HTTP
// client, the clock (for rnd and the waits), the log, and the values most queries carry.

#include <functional>
#include <string>
#include <string_view>

#include "core/config.h"
#include "log/logger.h"
#include "net/http_client.h"
#include "net/vendor_requests.h"
#include "platform/clock.h"

namespace tavik {

struct VendorAccess {
  const Config& config;
  CHttpClient& http;
  Clock& clock;
  Logger& log;
  // The bid numbers, the local address, the version and the edition number as they are now;
  // rnd is drawn here for each request.
  std::function<RequestValues()> requestValues;

  RequestValues values() const {
    RequestValues v = requestValues ? requestValues() : RequestValues{};
    v.rnd = Rnd(clock);
    return v;
  }
  // One GET of `pathAndQuery` on vendor server `server` (1..3) under its own or its www name.
  std::string get(int server, VendorName name, std::string_view pathAndQuery) const {
    return http.Get(VendorUrl(config, server, name, pathAndQuery));
  }
};

}  // namespace tavik
