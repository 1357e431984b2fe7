#pragma once
// The vendor's web service speaks plain HTTP GET: the request's data in the query string, a
// short text page in reply.

#include <string>

#include "net/http_transport.h"

namespace tavik {

class CHttpClient {
 public:
  CHttpClient(HttpTransport& transport, const HttpTimeouts& timeouts)
      : transport_(transport), timeouts_(timeouts) {}

  // One GET; the body with each line followed by "/r/n" (JoinReplyLines). On failure, what was
  // read before it, joined the same way, or an empty text. There is no error code: callers
  // recognise a useful reply by its envelope. The bytes are the server's (GBK for text);
  // callers convert the text fields they use.
  std::string Get(const std::string& url);

 private:
  HttpTransport& transport_;
  HttpTimeouts timeouts_;
};

}  // namespace tavik
