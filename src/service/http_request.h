#pragma once
// HTTP/1.1 requests as the service reads them and replies as it writes them, apart from any
// socket: the head found in the bytes received so far (within its limits), the request line and
// the headers the service uses, the query decoded, and a reply's bytes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "service/vendor_service.h"

namespace tavik::service {

// Finds the end of a request head in a buffer that grows between calls, looking at each byte
// once, and refuses a head beyond the limits before it is complete.
class HeadScanner {
 public:
  enum class Result { More, Complete, TooLarge, LineTooLong };
  Result scan(std::string_view received);
  // The head's length, its blank line included, once Complete.
  size_t headBytes() const { return end_; }
  void reset() { *this = HeadScanner(); }

 private:
  size_t scanned_ = 0;
  size_t lines_ = 0;
  size_t end_ = 0;
};

struct HttpRequest {
  std::string path;    // percent-decoded
  Params params;       // the query's keys and values, percent-decoded, "+" read as a space
  std::string target;  // as sent, for the log
  bool keepAlive = true;
  size_t bodyBytes = 0;  // declared by Content-Length
};

// The request in a complete head, or nothing with the status that refuses it in `refusal`
// (400 malformed, 405 not GET, 413 body too large, 501 a transfer coding).
std::optional<HttpRequest> ParseRequestHead(std::string_view head, int& refusal);

// "%41" -> "A"; a "%" not followed by two hex digits is kept as it is.
std::string PercentDecode(std::string_view text, bool plusIsSpace);
Params ParseQuery(std::string_view query);

// The reply's bytes: status line, Content-Type, Content-Length, Cache-Control: no-store (the
// practice pages change while they are worked on; a browser must not keep them), Connection.
std::string FormatReply(const Reply& reply, bool keepAlive);
// A reply with a plain-text body naming the status.
Reply StatusReply(int status);

}  // namespace tavik::service
