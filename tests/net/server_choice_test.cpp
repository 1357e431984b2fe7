// The choice among the vendor's three servers and the failure counts behind it.

#include "net/server_choice.h"

#include <gtest/gtest.h>

#include <sstream>

#include "clock/temp_log.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

class ServerChoiceTest : public ::testing::Test {
 protected:
  // Failures of servers 1..3 as recognition-data failures: counted, not logged.
  void fail(int s1, int s2, int s3) {
    const int counts[] = {s1, s2, s3};
    for (int server = 1; server <= 3; ++server) {
      for (int i = 0; i < counts[server - 1]; ++i)
        CountServerFailure(state, server, FailedRequest::RecognitionData, log);
    }
  }

  // The texts of the log lines so far that mention a server, each with "+" when the status
  // line follows it.
  std::vector<std::string> serverLines() const {
    std::vector<std::string> lines;
    std::istringstream in(file.text());
    for (std::string line; std::getline(in, line);) {
      const size_t text = line.find("---");
      if (text == std::string::npos) continue;
      if (line.find("STATUS") != std::string::npos) {
        if (!lines.empty()) lines.back() += "+";
      } else if (line.find("服务器") != std::string::npos) {
        std::string t = line.substr(text + 3);
        if (!t.empty() && t.back() == '\r') t.pop_back();
        lines.push_back(t);
      }
    }
    return lines;
  }

  VirtualClock clock;
  testing::TempLog file{clock};
  AtomicInt logOn{1};
  Logger log{file.file, logOn, [] { return std::string("STATUS"); }};
  ServerChoiceState state;
};

TEST_F(ServerChoiceTest, ServerOneUnlessItFailedMoreThanBothOthers) {
  using Lines = std::vector<std::string>;
  const struct {
    int s1, s2, s3;
    int server;
    Lines log;
  } cases[] = {
      {0, 0, 0, 1, {"计划读取主参数服务器1+"}},
      {1, 0, 0, 1, {"计划读取主参数服务器1+"}},  // a total of 1 looks no further
      {3, 0, 1, 2, {"计划读取主参数服务器2+"}},
      {1, 0, 1, 1, {"计划读取主参数服务器2+", "计划读取主参数服务器1+"}},
      {4, 2, 2, 2, {"计划读取主参数服务器2+"}},  // a tie goes to server 2
      {4, 3, 1, 3, {"计划读取主参数服务器3+"}},
      {3, 3, 1, 1, {"计划读取主参数服务器3+", "计划读取主参数服务器1+"}},
      {0, 2, 0, 1, {"计划读取主参数服务器3+", "计划读取主参数服务器1+"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.s1 << "," << c.s2 << "," << c.s3);
    state.reset();
    fail(c.s1, c.s2, c.s3);
    const size_t before = serverLines().size();
    EXPECT_EQ(SelectParamServer(state, log), c.server);
    const Lines all = serverLines();
    EXPECT_EQ(Lines(all.begin() + long(before), all.end()), c.log);
  }
}

TEST_F(ServerChoiceTest, MoreThanSixFailuresSlowThePollForGood) {
  fail(3, 2, 1);  // recognition-data failures count but never slow the poll
  EXPECT_EQ(state.failures.get().m_paramFailTotal, 6);
  EXPECT_EQ(state.g_paramPeriod, kParamPeriod);
  EXPECT_TRUE(serverLines().empty());

  CountServerFailure(state, 2, FailedRequest::MainParams, log);
  const ServerFailures::Counts counts = state.failures.get();
  EXPECT_EQ(counts.m_paramFailTotal, 7);
  EXPECT_EQ(counts.m_serverFails, (std::array<int32_t, 3>{3, 3, 1}));
  EXPECT_EQ(state.g_paramPeriod, kSlowParamPeriod);
  EXPECT_EQ(serverLines(), std::vector<std::string>{"读取主参数服务器2失败+"});

  state.m_paramTick = 950;
  state.m_paramAttempts = 5;
  state.reset();
  EXPECT_EQ(state.failures.get().m_paramFailTotal, 0);
  EXPECT_EQ(state.failures.get().m_serverFails, (std::array<int32_t, 3>{}));
  EXPECT_EQ(state.m_paramTick, 800);
  EXPECT_EQ(state.m_paramAttempts, 5) << "attempts count since program start";
  EXPECT_EQ(state.g_paramPeriod, kSlowParamPeriod) << "the slow poll lasts until the end";
}

TEST_F(ServerChoiceTest, SixMainParameterFailuresKeepThePeriodAndBadServersAreIgnored) {
  for (int i = 0; i < 6; ++i) CountServerFailure(state, 1, FailedRequest::MainParams, log);
  EXPECT_EQ(state.g_paramPeriod, kParamPeriod);
  CountServerFailure(state, 0, FailedRequest::MainParams, log);
  CountServerFailure(state, 4, FailedRequest::MainParams, log);
  EXPECT_EQ(state.failures.get().m_paramFailTotal, 6);
  EXPECT_EQ(state.g_paramPeriod, kParamPeriod);
}

TEST(PriceReadServer, TwoAndThreeAsTheyAreElseOne) {
  const std::pair<int32_t, int> cases[] = {{-1, 1}, {0, 1}, {1, 1}, {2, 2}, {3, 3}, {4, 1}};
  for (const auto& [field, server] : cases) EXPECT_EQ(PriceReadServer(field), server) << field;
}

}  // namespace
}  // namespace tavik
