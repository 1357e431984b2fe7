// The sync cycle in virtual time: servers answered in process, so the 2000 ms receive timeouts
// and the 1000 ms pauses cost no real time.

#include <gtest/gtest.h>

#include <map>

#include "clock/network_time.h"
#include "testing/in_process_udp.h"

#include "app/run_state.h"
#include "clock/clock_state.h"
#include "clock/ntp_packets.h"
#include "clock/temp_log.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

constexpr const char* kGiveUp = "读取网络服务器时间失败5次";
constexpr const char* kSynced = "读取NTP-S1网络时间成功,ip=";

enum class Answer { Silent, Short, Offset };
struct Behaviour {
  Answer answer = Answer::Silent;
  int64_t offsetMs = 0;
};

class SyncTest : public ::testing::Test {
 protected:
  SyncTest() {
    run.m_logEnabled = 1;
    time.m_ntpServer.set("10.0.0.5");
  }

  static Config servers() {
    Config c;
    c.ntpServers = {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"};
    return c;
  }

  std::optional<InProcessUdp::Reply> respond(const Ipv4Endpoint& to) {
    const std::string server = FormatIpv4(to.address);
    attempts.push_back({server, clock.elapsedMs()});
    EXPECT_EQ(to.port, 123);
    const Behaviour b = behaviour[server];
    if (b.answer == Answer::Silent) return std::nullopt;
    if (b.answer == Answer::Short) return InProcessUdp::Reply{std::vector<uint8_t>(47, 0), 5};
    // 40 ms there and back, the server's clock ahead by offsetMs.
    const int64_t atServer = clock.utcNowMs() + kNtpToUnixEpochMs + 20 + b.offsetMs;
    const SntpPacket p = testing::ServerReplyMs(atServer, atServer);
    return InProcessUdp::Reply{{p.begin(), p.end()}, 40};
  }

  void answerAll(int64_t offsetMs) {
    for (const char* s : {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5"})
      behaviour[s] = {Answer::Offset, offsetMs};
  }

  // Calls SyncNetworkTime `calls` times; returns the call numbers (1-based) that tried a server.
  std::vector<int> callsThatTried(int calls) {
    std::vector<int> tried;
    for (int call = 1; call <= calls; ++call) {
      const size_t before = attempts.size();
      sync.SyncNetworkTime();
      if (attempts.size() != before) tried.push_back(call);
    }
    return tried;
  }

  struct Attempt {
    std::string server;
    int64_t atMs;
  };
  std::vector<Attempt> attempts;
  std::map<std::string, Behaviour> behaviour;

  VirtualClock clock;
  RunState run;
  ClockState clockState;
  NetworkTimeState time;
  testing::TempLog log{clock};
  Logger logger{log.file, run.m_logEnabled};
  InProcessUdp udp{clock, [this](const Ipv4Endpoint& to, const auto&) { return respond(to); }};
  NetworkTimeSync sync{TimeSyncInputs{run.m_realMode, clockState.m_remainSec, run.m_runGeneration},
                       time,
                       clock,
                       logger,
                       udp,
                       servers()};
};

TEST_F(SyncTest, FirstCallOfARunSyncsThenEveryFiveHundredCallsAcrossTheWrap) {
  answerAll(1500);
  const std::vector<int> tried = callsThatTried(5500);
  std::vector<int> expected = {1};
  for (int call = 400; call <= 5000; call += 500) expected.push_back(call);
  expected.push_back(5401);  // the count wrapped to 0 at call 5001
  EXPECT_EQ(tried, expected);

  EXPECT_EQ(time.m_ntpOffsetMs, 1500);
  EXPECT_EQ(time.m_ntpLastOffsetMs, 1500);
  EXPECT_EQ(time.m_ntpStatus, 2);
  // Only the first cycle changed the offset, so only it is logged.
  EXPECT_EQ(log.count(std::string(kSynced) + "10.0.0.1"), 1);
  EXPECT_EQ(udp.openSockets(), 0);
}

TEST_F(SyncTest, NoCycleInPracticeModeOrInTheLastThirtySeconds) {
  answerAll(1500);
  const struct {
    int realMode, remainSec;
    bool cycles;
  } cases[] = {{1, 0, true},   {1, 31, true}, {1, 4799, true}, {1, 30, false},
               {1, 20, false}, {1, 1, false}, {0, 0, false},   {0, 100, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.realMode << "/" << c.remainSec);
    time.reset();
    time.m_ntpOffsetMs = 0;
    time.m_ntpLastOffsetMs = 0;
    run.m_realMode = c.realMode;
    clockState.m_remainSec = c.remainSec;
    attempts.clear();
    sync.SyncNetworkTime();
    EXPECT_EQ(!attempts.empty(), c.cycles);
    EXPECT_EQ(time.m_ntpOffsetMs, c.cycles ? 1500 : 0);
  }
}

TEST_F(SyncTest, FailedAttemptsMoveToTheNextServerAfterOneSecond) {
  time.m_ntpFailCycles = 3;
  behaviour["10.0.0.2"] = {Answer::Short};
  behaviour["10.0.0.4"] = {Answer::Offset, -2500};
  sync.SyncNetworkTime();

  // Silent servers cost the 2000 ms timeout, the short reply none; 1000 ms after each failure.
  const std::vector<std::pair<std::string, int64_t>> expected = {{"10.0.0.1", 0},
                                                                 {"10.0.0.2", 3000},
                                                                 {"10.0.0.1", 4005},
                                                                 {"10.0.0.5", 7005},
                                                                 {"10.0.0.4", 10005}};
  ASSERT_EQ(attempts.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(attempts[i].server, expected[i].first) << i;
    EXPECT_EQ(attempts[i].atMs, expected[i].second) << i;
  }
  EXPECT_EQ(time.m_ntpOffsetMs, -2500);
  EXPECT_EQ(time.m_ntpFailCycles, 0);
  EXPECT_EQ(log.count(std::string(kSynced) + "10.0.0.4"), 1);
  EXPECT_EQ(udp.openSockets(), 0);
}

TEST_F(SyncTest, FiveFailedCyclesGiveUpWithTheNoticeUntilTheCountIsLowered) {
  time.m_ntpOffsetMs = 700;
  time.m_ntpLastOffsetMs = 700;
  EXPECT_EQ(callsThatTried(2000), (std::vector<int>{1, 400, 900, 1400, 1900}));
  EXPECT_EQ(attempts.size(), 25u);
  EXPECT_EQ(time.m_ntpFailCycles, 5);
  EXPECT_EQ(time.m_ntpStatus, 1);  // failures leave the status alone
  EXPECT_EQ(time.m_ntpOffsetMs, 700);
  EXPECT_EQ(clock.elapsedMs(), 5 * 5 * 3000);
  EXPECT_EQ(log.count(kGiveUp), 0);

  // Every due call now logs the notice instead of trying.
  EXPECT_TRUE(callsThatTried(1000).empty());  // calls 2001..3000: due at 2400 and 2900
  EXPECT_EQ(log.count(kGiveUp), 2);
  EXPECT_EQ(time.m_ntpStatus, 2);

  // The auction clock lowers the count to 4 when the page clock cannot stand in: one more
  // cycle, which succeeds.
  answerAll(-40);
  time.m_ntpFailCycles = 4;
  EXPECT_EQ(callsThatTried(500), (std::vector<int>{400}));
  EXPECT_EQ(time.m_ntpOffsetMs, -40);
  EXPECT_EQ(time.m_ntpFailCycles, 0);
}

TEST_F(SyncTest, DisabledSyncOnlyLogsTheNotice) {
  answerAll(1500);
  time.m_ntpEnabled = 0;
  sync.SyncNetworkTime();
  EXPECT_TRUE(attempts.empty());
  EXPECT_EQ(time.m_ntpStatus, 2);
  EXPECT_EQ(log.count(kGiveUp), 1);
}

TEST_F(SyncTest, StoredOffsetKeepsTheTimeOfDayOfAWrongDateAndAddsTheTrim) {
  const struct {
    int64_t measured;
    int32_t trim, stored;
  } cases[] = {
      {86'400'000, 0, 86'400'000},        {86'400'001, 0, 1}, {-86'400'000, 0, -86'400'000},
      {-90'000'000, 0, -3'600'000},       {100, 250, 350},    {-100, -5000, -5100},
      {5 * 86'400'000LL + 1234, 0, 1234},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.measured);
    time.reset();
    time.m_ntpLastOffsetMs = 0;
    time.m_ntpTrimMs = c.trim;
    answerAll(c.measured);
    sync.SyncNetworkTime();
    EXPECT_EQ(time.m_ntpOffsetMs, c.stored);
    EXPECT_EQ(time.m_ntpLastOffsetMs, c.stored);
    EXPECT_EQ(time.m_ntpStatus, 2);
  }
}

TEST_F(SyncTest, AnUnchangedOffsetIsNeitherAppliedNorLogged) {
  time.m_ntpFailCycles = 2;
  time.m_ntpOffsetMs = 900;  // differs from the last stored value on purpose
  time.m_ntpLastOffsetMs = 250;
  time.m_ntpTrimMs = 50;
  answerAll(200);
  sync.SyncNetworkTime();
  EXPECT_EQ(time.m_ntpOffsetMs, 900);
  EXPECT_EQ(time.m_ntpFailCycles, 0);
  EXPECT_EQ(time.m_ntpStatus, 1);
  EXPECT_EQ(log.count(kSynced), 0);
}

}  // namespace
}  // namespace tavik
