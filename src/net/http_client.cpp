#include "net/http_client.h"

#include "net/reply_envelope.h"

namespace tavik {

std::string CHttpClient::Get(const std::string& url) {
  const HttpResult result = transport_.get(url, timeouts_);
  return result.complete() ? JoinReplyLines(result.body) : std::string();
}

HttpTimeouts HttpTimeoutsFrom(const Config& config) {
  return {config.httpConnectTimeoutMs, config.httpTotalTimeoutMs};
}

}  // namespace tavik
