// The service's log tells what happened in lines a client cannot forge, and does not grow at the
// rate a client sends refused requests.

#include "service/service_log.h"

#include <gtest/gtest.h>

#include <sstream>

#include "service/raw_client.h"
#include "service/service_fixture.h"

namespace tavik::service::testing {
namespace {

// Ticks stand where the test puts them.
class TickClock final : public Clock {
 public:
  void sleepMs(int) override {}
  uint32_t tickCountMs() override { return tick; }
  int64_t utcNowMs() override { return 0; }
  int64_t localOffsetMs(int64_t) override { return 0; }
  void interruptSleeps() override {}
  uint32_t tick = 0xFFFF'F000u;  // wraps during the test
};

TEST(ServiceLog, ClientTextIsEscapedAndCut) {
  struct Case {
    std::string text;
    size_t limit;
    const char* logged;
  };
  const Case cases[] = {
      {"/rps.php?type=3", 200, "/rps.php?type=3"},
      {"/a\r\ntavik-service: 200 /forged", 200, "/a\\x0d\\x0atavik-service: 200 /forged"},
      {std::string("/a\0b\x1b[2J", 8), 200, "/a\\x00b\\x1b[2J"},
      {"/\xCD\xEA\x7F\\x41", 200, "/\\xcd\\xea\\x7f\\\\x41"},
      {"/" + std::string(300, 'a'), 10, "/aaaaaaaaa...(+291 bytes)"},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeForLog(c.text, c.limit), c.logged);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(ServiceLog, RefusalsOfOneStatusAreCountedOncePerStretch) {
  std::ostringstream out;
  TickClock clock;
  ServiceLog log(out, clock);
  for (int i = 0; i < 1000; ++i) {
    log.refused(400, "/rps.php?type=" + std::to_string(i));
    clock.tick += 5;
  }
  log.refused(404, "/nothing");
  log.tick();  // 5 s into the stretch: nothing to tell yet
  EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"tavik-service: 400 /rps.php?type=0",
                                                        "tavik-service: 404 /nothing"}));
  clock.tick += kRepeatWindowMs;
  log.tick();
  log.refused(400, "/again");
  const auto lines = Lines(out.str());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "tavik-service: 400 x999 more in 10 s");  // the 404 had no more
  EXPECT_EQ(lines[3], "tavik-service: 400 /again");
}

// Through the server: a path holding an encoded line break and NUL, and a head with raw control
// bytes, each make one line of the log, escaped.
TEST(ServiceLog, TheServerLogsRefusedRequestsEscaped) {
  RunningService s{ServiceConfig{}};
  EXPECT_EQ(s.raw("/x%0Atavik-service:%20200%20/forged%00").body, "not found\n");
  RawClient raw(s.port());
  ASSERT_TRUE(raw.send(std::string("GET /\x01\x1b[2J\n HTTP/1.1\r\n\r\n")));
  EXPECT_TRUE(raw.readToClose(3000).starts_with("HTTP/1.1 400"));
  for (int i = 0; i < 50; ++i) s.raw("/missing" + std::to_string(i));
  const auto lines = Lines(s.logText());
  ASSERT_EQ(lines.size(), 2u) << s.logText();
  EXPECT_EQ(lines[0], "tavik-service: 404 /x%0Atavik-service:%20200%20/forged%00");
  EXPECT_EQ(lines[1], "tavik-service: 400 GET /\\x01\\x1b[2J\\x0a HTTP/1.1\\x0d\\x0a\\x0d\\x0a");
}

}  // namespace
}  // namespace tavik::service::testing
