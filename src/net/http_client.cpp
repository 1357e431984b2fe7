#include "net/http_client.h"

#include "net/reply_envelope.h"

namespace tavik {

std::string CHttpClient::Get(const std::string& url) {
  return JoinReplyLines(transport_.get(url, timeouts_).body);
}

HttpTimeouts HttpTimeoutsFrom(const Config& config) {
  return {config.httpConnectTimeoutMs, config.httpTotalTimeoutMs};
}

}  // namespace tavik
