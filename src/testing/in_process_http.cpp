#include "testing/in_process_http.h"

namespace tavik {

HttpResult InProcessHttp::get(const std::string& url, const HttpTimeouts& timeouts) {
  if (cancelled_) return {};
  ++requests_;
  const std::optional<Reply> reply = responder_(url);
  if (!reply) return {};
  if (reply->delayMs > timeouts.totalMs) {
    clock_.sleepMs(timeouts.totalMs);
    return {};
  }
  clock_.sleepMs(reply->delayMs);
  if (cancelled_) return {};
  return {reply->complete, reply->body, reply->status};
}

}  // namespace tavik
