// The in-process HTTP transport answers in virtual time: replies arrive after their delay on
// the Clock, and a server that never answers costs the total timeout, not real time.

#include "testing/in_process_http.h"

#include <gtest/gtest.h>

#include "net/http_client.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

TEST(InProcessHttp, RepliesArriveInVirtualTime) {
  VirtualClock clock;
  InProcessHttp http(clock, [](const std::string& url) -> std::optional<InProcessHttp::Reply> {
    if (url.ends_with("/slow")) return InProcessHttp::Reply{"#AA1\n*AA", 800};
    if (url.ends_with("/broken")) return InProcessHttp::Reply{"#AA1,", 50, false};
    if (url.ends_with("/silent")) return InProcessHttp::Reply{"", InProcessHttp::kNever};
    return std::nullopt;
  });
  const struct {
    std::string path;
    std::string text;
    int64_t costMs;
  } cases[] = {
      {"/slow", "#AA1/r/n*AA/r/n", 800},
      {"/broken", "", 50},      // a reply cut short is nothing to act on
      {"/silent", "", 30'000},  // the default total timeout
      {"/refused", "", 0},
  };
  for (const auto& c : cases) {
    const int64_t start = clock.elapsedMs();
    EXPECT_EQ(CHttpClient(http, HttpTimeouts{}).Get("http://s1" + c.path), c.text) << c.path;
    EXPECT_EQ(clock.elapsedMs() - start, c.costMs) << c.path;
  }
  http.cancelWaits();
  EXPECT_EQ(CHttpClient(http, HttpTimeouts{}).Get("http://s1/slow"), "");
  EXPECT_EQ(http.requests(), 4) << "nothing is asked after cancelWaits";
}

}  // namespace
}  // namespace tavik
