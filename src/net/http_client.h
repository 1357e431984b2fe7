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

  // One GET; the body of a complete reply (HttpResult::complete: whole, status 2xx) with each
  // line followed by "/r/n" (JoinReplyLines). Anything else (no connection, a transport error,
  // a reply cut short of its declared length or stalled, an error status such as a service's
  // 503) gives an empty text: nothing acts on part of a reply, and a server that cannot answer
  // reads as a failed request, never as an answer. Callers recognise a useful reply by its
  // envelope. The bytes are the server's (GBK for text); callers convert the text fields they
  // use.
  std::string Get(const std::string& url);

 private:
  HttpTransport& transport_;
  HttpTimeouts timeouts_;
};

}  // namespace tavik
