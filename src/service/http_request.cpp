#include "service/http_request.h"

#include <charconv>

#include "service/http_server.h"

namespace tavik::service {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Whether a comma-separated header value names `token` (Connection: keep-alive, Upgrade).
bool HasToken(std::string_view value, std::string_view token) {
  while (!value.empty()) {
    const size_t comma = value.find(',');
    if (EqualsNoCase(TrimSpaces(value.substr(0, comma)), token)) return true;
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 400:
      return "Bad Request";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 413:
      return "Content Too Large";
    case 414:
      return "URI Too Long";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    case 501:
      return "Not Implemented";
    case 503:
      return "Service Unavailable";
    default:
      return "Unknown";
  }
}

// The request line: "GET /target HTTP/1.1". The target must be a path (origin form) of visible
// ASCII.
bool ParseRequestLine(std::string_view line, HttpRequest& request, bool& http11, int& refusal) {
  const size_t first = line.find(' ');
  const size_t last = line.rfind(' ');
  refusal = 400;
  if (first == std::string_view::npos || first == last) return false;
  const std::string_view method = line.substr(0, first);
  const std::string_view target = line.substr(first + 1, last - first - 1);
  const std::string_view version = line.substr(last + 1);
  if (version != "HTTP/1.1" && version != "HTTP/1.0") return false;
  if (target.empty() || target.front() != '/') return false;
  for (const char c : target) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
  }
  if (method != "GET") {
    refusal = 405;
    return false;
  }
  http11 = version == "HTTP/1.1";
  request.target = std::string(target);
  const size_t question = target.find('?');
  request.path = PercentDecode(target.substr(0, question), false);
  if (question != std::string_view::npos) request.params = ParseQuery(target.substr(question + 1));
  return true;
}

// One "Name: value" line; only the headers that decide how the connection goes on matter.
bool ParseHeader(std::string_view line, HttpRequest& request, std::string_view& connection,
                 bool& sawLength, int& refusal) {
  const size_t colon = line.find(':');
  refusal = 400;
  if (colon == 0 || colon == std::string_view::npos) return false;
  const std::string_view name = line.substr(0, colon);
  if (name.find_first_of(" \t") != std::string_view::npos) return false;
  const std::string_view value = TrimSpaces(line.substr(colon + 1));
  if (EqualsNoCase(name, "Content-Length")) {
    size_t length = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (value.empty() || ec != std::errc() || end != value.data() + value.size()) return false;
    if (sawLength && length != request.bodyBytes) return false;
    sawLength = true;
    request.bodyBytes = length;
    if (length > kMaxRequestBodyBytes) {
      refusal = 413;
      return false;
    }
  } else if (EqualsNoCase(name, "Transfer-Encoding")) {
    refusal = 501;
    return false;
  } else if (EqualsNoCase(name, "Connection")) {
    connection = value;
  }
  return true;
}

}  // namespace

HeadScanner::Result HeadScanner::scan(std::string_view received) {
  for (; scanned_ < received.size(); ++scanned_) {
    if (scanned_ >= kMaxRequestHeadBytes) return Result::TooLarge;
    if (received[scanned_] != '\n') continue;
    if (++lines_ == 1 && scanned_ > kMaxRequestLineBytes) return Result::LineTooLong;
    if (lines_ > kMaxHeaderLines + 2) return Result::TooLarge;  // request line, headers, blank
    if (scanned_ >= 3 && received.substr(scanned_ - 3, 4) == "\r\n\r\n") {
      end_ = ++scanned_;
      return Result::Complete;
    }
  }
  if (lines_ == 0 && scanned_ > kMaxRequestLineBytes) return Result::LineTooLong;
  return Result::More;
}

std::optional<HttpRequest> ParseRequestHead(std::string_view head, int& refusal) {
  HttpRequest request;
  bool http11 = false;
  const size_t lineEnd = head.find("\r\n");
  if (!ParseRequestLine(head.substr(0, lineEnd), request, http11, refusal)) return std::nullopt;
  std::string_view connection;
  bool sawLength = false;
  for (size_t at = lineEnd + 2; at < head.size();) {
    const size_t end = head.find("\r\n", at);
    if (end == std::string_view::npos || end == at) break;  // the blank line ends the head
    if (!ParseHeader(head.substr(at, end - at), request, connection, sawLength, refusal)) {
      return std::nullopt;
    }
    at = end + 2;
  }
  request.keepAlive = http11 ? !HasToken(connection, "close") : HasToken(connection, "keep-alive");
  return request;
}

std::string PercentDecode(std::string_view text, bool plusIsSpace) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      out.push_back(char(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
      i += 2;
    } else {
      out.push_back(plusIsSpace && c == '+' ? ' ' : c);
    }
  }
  return out;
}

Params ParseQuery(std::string_view query) {
  Params params;
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    if (!pair.empty()) {
      const size_t eq = pair.find('=');
      const std::string_view key = pair.substr(0, eq);
      const std::string_view value =
          eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
      params.emplace(PercentDecode(key, true), PercentDecode(value, true));
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return params;
}

std::string FormatReply(const Reply& reply, bool keepAlive) {
  std::string out =
      "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) +
      "\r\nContent-Type: " + reply.contentType +
      "\r\nContent-Length: " + std::to_string(reply.body.size()) +
      "\r\nCache-Control: no-store\r\nConnection: " + (keepAlive ? "keep-alive" : "close") +
      "\r\n\r\n";
  out.append(reply.body);
  return out;
}

Reply StatusReply(int status) {
  return {status, "text/plain", std::string(Reason(status)) + "\n"};
}

}  // namespace tavik::service
