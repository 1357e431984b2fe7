#include "app/status_model.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "log/gbk.h"
#include "platform/fake/virtual_clock.h"
#include "support/temp_dir.h"

namespace tavik {
namespace {

std::string TextOf(const StatusUpdates& updates, int id) {
  std::string found = "<none>";
  for (const auto& u : updates)
    if (u.id == id) found = u.text;
  return found;
}

class StatusModelTest : public ::testing::Test {
 protected:
  StatusModelTest() : logFile(clock, dir.file("my.Log")), log(logFile, run, flags) {
    run.m_logEnabled = 1;
  }
  std::vector<std::string> logLines() const {
    std::ifstream in(dir.file("my.Log"), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(gbkToUtf8(line.substr(22)));
    }
    return lines;
  }

  testing::TempDir dir;
  VirtualClock clock;
  LogFile logFile;
  RunState run;
  ProcessFlags flags;
  Logger log;
};

TEST_F(StatusModelTest, RemainingTimeCountsDownTheFifthsOfASecond) {
  const char* expected[] = {"57 ....", "57 ...", "57 ..", "57 .", "57", "57", "57"};
  const int ticks[] = {0, 1, 2, 3, 4, 5, -1};
  for (int i = 0; i < 7; ++i) {
    run.m_remainSec = 57;
    run.m_subSecondTicks = ticks[i];
    EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kRemain), expected[i]) << ticks[i];
  }
  EXPECT_EQ(run.m_subSecondTicks, 4);  // out-of-range counters are clamped for good
  run.m_remainSec = 0;
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kRemain), "0");
}

TEST_F(StatusModelTest, ProgressBarRunsToThirtyAndWraps) {
  EXPECT_EQ(ProgressBar(5, false), std::string(30, '-'));
  EXPECT_EQ(ProgressBar(0, true), ">>>" + std::string(27, '-'));
  EXPECT_EQ(ProgressBar(29, true), ">>" + std::string(27, '-') + ">");
  EXPECT_EQ(ProgressBar(30, true), ">>" + std::string(28, '-'));

  run.m_systemState = 3;
  flags.g_progressPos = 28;
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kProgress),
            ">>" + std::string(27, '-') + ">");
  EXPECT_EQ(flags.g_progressPos, 29);
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kProgress), ">>" + std::string(28, '-'));
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kProgress), ">>>" + std::string(27, '-'));
  EXPECT_EQ(flags.g_progressPos, 0);
  run.m_systemState = 2;
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kProgress), std::string(30, '-'));
  EXPECT_EQ(flags.g_progressPos, 1);
}

TEST_F(StatusModelTest, RealModeShowsZeroOnceThenTheWarningPriceAndLogsEachChange) {
  run.m_realMode = 1;
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kLowestPrice), "0");
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kLowestPrice), "88100");
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kLowestPrice), "88100");
  run.m_lowestPrice = 88300;
  ShowStatus(run, flags, log);
  ShowStatus(run, flags, log);
  const auto lines = logLines();
  ASSERT_EQ(lines.size(), 4u);  // one price line and its status line per change
  EXPECT_EQ(lines[0], "88100");
  EXPECT_EQ(lines[1].rfind("剩余时间:", 0), 0u);
  EXPECT_EQ(lines[2], "88300");

  // Practice mode keeps the 0.
  run.m_realMode = 0;
  run.m_lowestPrice = 0;
  ShowStatus(run, flags, log);
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kLowestPrice), "0");
}

TEST_F(StatusModelTest, PricesAndMarksFollowTheEngine) {
  struct Case {
    int state, myPrice, lowest, netMode, addMiao, captcha;
    const char *my, *gap, *net, *add, *cap;
  } cases[] = {
      {2, 88600, 88300, 2, 1, 1, "88600", "300", "+", "+", "+"},
      {3, 88600, 88700, 1, 0, 0, "88600", "-100", "", "-", "-"},
      {6, 88600, 88300, 0, 7, 9, "0", "0", "", "<none>", "<none>"},
  };
  run.m_realMode = 0;
  for (const Case& c : cases) {
    run.m_systemState = c.state;
    run.m_myPrice = c.myPrice;
    run.m_lowestPrice = c.lowest;
    run.m_netMode = c.netMode;
    flags.g_addmiao = c.addMiao;
    flags.g_captchaState = c.captcha;
    const auto out = ShowStatus(run, flags, log);
    EXPECT_EQ(TextOf(out, status::kMyPrice), c.my) << c.state;
    EXPECT_EQ(TextOf(out, status::kPriceGap), c.gap) << c.state;
    EXPECT_EQ(TextOf(out, status::kNetMode), c.net) << c.state;
    EXPECT_EQ(TextOf(out, status::kAddMiao), c.add) << c.state;
    EXPECT_EQ(TextOf(out, status::kCaptcha), c.cap) << c.state;
  }
}

TEST_F(StatusModelTest, ClockTextsOfFifteenGbkBytesAreNotShown) {
  run.m_clockText.set("11:29:58.123");
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kClock), "11:29:58.123");
  run.m_clockText.set("拍卖未开始");  // 15 bytes in UTF-8, 10 in GBK
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kClock), "拍卖未开始");
  run.m_clockText.set("11:29:58.123456");
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kClock), "<none>");
  run.m_endTimeText.set("11:30:00");
  EXPECT_EQ(TextOf(ShowStatus(run, flags, log), status::kEndTime), "11:30:00");
}

TEST_F(StatusModelTest, LabelsShowClientEngineAndNextStage) {
  struct Case {
    int found, state, phase;
    const char *client, *engine, *stage;
  } cases[] = {
      {1, 0, 1, "提示：检测到拍卖客户端程序正在运行", "无出价指令", "第二次出价"},
      {0, 1, 2, "提示：拍卖客户端程序未运行", "无出价指令", "第三次出价"},
      {0, 6, 3, "提示：拍卖客户端程序未运行", "无出价指令", "第一次出价"},
      {0, 3, 1, "提示：拍卖客户端程序未运行", "检测到回车，等待自动出价", "<none>"},
      {1, 2, 1, "提示：检测到拍卖客户端程序正在运行", "<none>", "<none>"},
  };
  for (const Case& c : cases) {
    run.m_clientFound = c.found;
    run.m_systemState = c.state;
    run.m_bidPhase = c.phase;
    const auto out = ShowStatusLabels(run);
    EXPECT_EQ(TextOf(out, status::kClient), c.client);
    EXPECT_EQ(TextOf(out, status::kEngine), c.engine) << c.state;
    EXPECT_EQ(TextOf(out, status::kNextStage), c.stage) << c.state;
  }
}

}  // namespace
}  // namespace tavik
