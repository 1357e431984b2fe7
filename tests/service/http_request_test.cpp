// The service's reading of request heads: what it takes, what it refuses and with which status,
// and the limits that hold before a head is complete.

#include <gtest/gtest.h>

#include "service/http_request.h"
#include "service/http_server.h"

namespace tavik::service {
namespace {

TEST(HttpRequest, HeadsAreTakenOrRefusedWithTheirStatus) {
  struct Case {
    const char* head;
    int refusal;  // 0: taken
    bool keepAlive;
  };
  const Case cases[] = {
      {"GET /rps.php?type=3 HTTP/1.1\r\nHost: x\r\n\r\n", 0, true},
      {"GET / HTTP/1.1\r\nConnection: Close\r\n\r\n", 0, false},
      {"GET / HTTP/1.0\r\n\r\n", 0, false},
      {"GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n", 0, true},
      {"GET / HTTP/1.1\r\nContent-Length: 4096\r\n\r\n", 0, true},
      {"POST /mp.php HTTP/1.1\r\n\r\n", 405, false},
      {"GET http://x/ HTTP/1.1\r\n\r\n", 400, false},  // only a path is served
      {"GET / HTTP/2.0\r\n\r\n", 400, false},
      {"GET /a\x01z HTTP/1.1\r\n\r\n", 400, false},
      {"GET /\r\n\r\n", 400, false},
      {"GET / HTTP/1.1\r\nno colon\r\n\r\n", 400, false},
      {"GET / HTTP/1.1\r\nBad Name: 1\r\n\r\n", 400, false},
      {"GET / HTTP/1.1\r\nContent-Length: 4097\r\n\r\n", 413, false},
      {"GET / HTTP/1.1\r\nContent-Length: 1x\r\n\r\n", 400, false},
      {"GET / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", 400, false},
      {"GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 501, false},
  };
  for (const Case& c : cases) {
    int refusal = 0;
    const auto request = ParseRequestHead(c.head, refusal);
    EXPECT_EQ(request.has_value(), c.refusal == 0) << c.head;
    if (request) {
      EXPECT_EQ(request->keepAlive, c.keepAlive) << c.head;
    } else {
      EXPECT_EQ(refusal, c.refusal) << c.head;
    }
  }
}

TEST(HttpRequest, PathAndQueryAreDecodedAsSent) {
  int refusal = 0;
  const auto r = ParseRequestHead(
      "GET /a%2Fb?type=3&lanmac=a%20b+c&x&result=%CD%EA%&&type=8 HTTP/1.1\r\n\r\n", refusal);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->path, "/a/b");
  EXPECT_EQ(r->target, "/a%2Fb?type=3&lanmac=a%20b+c&x&result=%CD%EA%&&type=8");
  const Params expected = {
      {"type", "3"}, {"lanmac", "a b c"}, {"x", ""}, {"result", "\xCD\xEA%"}, {"type", "8"}};
  EXPECT_EQ(r->params, expected);
}

// The scanner meets the head a piece at a time, as the socket gives it.
HeadScanner::Result ScanInPieces(const std::string& bytes, size_t piece) {
  HeadScanner scanner;
  std::string received;
  HeadScanner::Result result = HeadScanner::Result::More;
  for (size_t at = 0; at < bytes.size() && result == HeadScanner::Result::More; at += piece) {
    received.append(bytes.substr(at, piece));
    result = scanner.scan(received);
  }
  return result;
}

TEST(HttpRequest, HeadLimitsHoldBeforeTheHeadIsComplete) {
  using R = HeadScanner::Result;
  const std::string line = "GET /rps.php?type=3 HTTP/1.1\r\n";
  std::string lines = line;
  for (size_t i = 0; i < kMaxHeaderLines; ++i) lines += "X-A: 1\r\n";
  for (const size_t piece : {size_t(1), size_t(7), size_t(4096)}) {
    EXPECT_EQ(ScanInPieces(line + "Host: x\r\n\r\nGET /next", piece), R::Complete) << piece;
    EXPECT_EQ(ScanInPieces(lines + "\r\n", piece), R::Complete) << piece;
    EXPECT_EQ(ScanInPieces(lines + "X-A: 1\r\n\r\n", piece), R::TooLarge) << piece;
    EXPECT_EQ(ScanInPieces(line + "X: " + std::string(kMaxRequestHeadBytes, 'a'), piece),
              R::TooLarge)
        << piece;
    EXPECT_EQ(ScanInPieces("GET /" + std::string(kMaxRequestLineBytes, 'a'), piece), R::LineTooLong)
        << piece;
  }
  HeadScanner scanner;
  const std::string two = line + "\r\n" + line + "\r\n";
  ASSERT_EQ(scanner.scan(two), R::Complete);
  EXPECT_EQ(scanner.headBytes(), line.size() + 2);  // the first head only
}

}  // namespace
}  // namespace tavik::service
