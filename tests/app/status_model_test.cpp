#include "app/status_model.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/gbk.h"
#include "support/temp_dir.h"
#include "testing/virtual_clock.h"

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
  StatusModelTest()
      : logFile(clock, dir.file("my.Log")),
        log(logFile, run.m_logEnabled, [this] { return FormatStatusLine(sources()); }) {
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
  ClockState clockState;
  PageState page;
  BidState bid;
  NetState net;
  KeyFlags keys;
  ProcessFlags flags;
  Logger log;
  StatusSources sources() { return {run, clockState, page, bid, net, keys, flags}; }
};

TEST_F(StatusModelTest, StatusLineCarriesEveryField) {
  clockState.m_remainSec = 48;
  clockState.m_subSecondTicks = 3;
  page.m_lowestPrice.Set(88300);
  bid.m_myPrice = 88600;
  bid.m_submittedPrice = 88200;
  bid.m_submittedSec = 51;
  bid.m_systemState = 3;
  page.g_captchaState = 1;
  keys.g_keyCount = 17;
  EXPECT_EQ(FormatStatusLine(sources()),
            "剩余时间:48(-0.6秒),当前最低成交价=88300,我的当前出价=88600,已经成功提交的价格=88200,"
            "提交的价格的时间=51,系统状态:3,验证码框状态:1,键盘输入:17");
}

TEST_F(StatusModelTest, RemainingTimeCountsDownTheFifthsOfASecond) {
  const char* expected[] = {"57 ....", "57 ...", "57 ..", "57 .", "57", "57", "57"};
  const int ticks[] = {0, 1, 2, 3, 4, 5, -1};
  for (int i = 0; i < 7; ++i) {
    clockState.PublishRemain(57, ticks[i]);
    EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kRemainBox), expected[i]) << ticks[i];
    // The display clamps what it shows; the clock's counter is the clock's.
    EXPECT_EQ(clockState.m_subSecondTicks, ticks[i]);
  }
  clockState.PublishRemain(0, 4);
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kRemainBox), "0");
}

TEST_F(StatusModelTest, ProgressBarRunsToThirtyAndWraps) {
  EXPECT_EQ(ProgressBar(5, false), std::string(30, '-'));
  EXPECT_EQ(ProgressBar(0, true), ">>>" + std::string(27, '-'));
  EXPECT_EQ(ProgressBar(29, true), ">>" + std::string(27, '-') + ">");
  EXPECT_EQ(ProgressBar(30, true), ">>" + std::string(28, '-'));

  bid.m_systemState = 3;
  flags.g_progressPos = 28;
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kProgress), ">>" + std::string(27, '-') + ">");
  EXPECT_EQ(flags.g_progressPos, 29);
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kProgress), ">>" + std::string(28, '-'));
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kProgress), ">>>" + std::string(27, '-'));
  EXPECT_EQ(flags.g_progressPos, 0);
  bid.m_systemState = 2;
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kProgress), std::string(30, '-'));
  EXPECT_EQ(flags.g_progressPos, 1);
}

TEST_F(StatusModelTest, RealModeShowsZeroOnceThenTheWarningPriceAndLogsEachChange) {
  run.m_realMode = 1;
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kLowestPrice), "0");
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kLowestPrice), "88100");
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kLowestPrice), "88100");
  page.m_lowestPrice.Set(88300);
  ShowStatus(sources(), log);
  ShowStatus(sources(), log);
  const auto lines = logLines();
  ASSERT_EQ(lines.size(), 4u);  // one price line and its status line per change
  EXPECT_EQ(lines[0], "88100");
  EXPECT_EQ(lines[1].rfind("剩余时间:", 0), 0u);
  EXPECT_EQ(lines[2], "88300");

  // Practice mode keeps the 0.
  run.m_realMode = 0;
  page.m_lowestPrice.Set(0);
  ShowStatus(sources(), log);
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kLowestPrice), "0");
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
    bid.m_systemState = c.state;
    bid.m_myPrice = c.myPrice;
    page.m_lowestPrice.Set(c.lowest);
    net.m_netMode = c.netMode;
    net.g_addmiao = c.addMiao;
    page.g_captchaState = c.captcha;
    const auto out = ShowStatus(sources(), log);
    EXPECT_EQ(TextOf(out, ctl::kMyPrice), c.my) << c.state;
    EXPECT_EQ(TextOf(out, ctl::kPriceGap), c.gap) << c.state;
    EXPECT_EQ(TextOf(out, ctl::kNetModeMark), c.net) << c.state;
    EXPECT_EQ(TextOf(out, ctl::kAddMiaoMark), c.add) << c.state;
    EXPECT_EQ(TextOf(out, ctl::kCaptchaMark), c.cap) << c.state;
  }
}

TEST_F(StatusModelTest, ClockTextsOfFifteenGbkBytesAreNotShown) {
  clockState.m_clockText.set("11:29:58.123");
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kClock), "11:29:58.123");
  clockState.m_clockText.set("拍卖未开始");  // 15 bytes in UTF-8, 10 in GBK
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kClock), "拍卖未开始");
  clockState.m_clockText.set("11:29:58.123456");
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kClock), "<none>");
  clockState.m_endTimeText.set("11:30:00");
  EXPECT_EQ(TextOf(ShowStatus(sources(), log), ctl::kEndTime), "11:30:00");
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
    bid.m_systemState = c.state;
    bid.m_bidPhase = c.phase;
    const auto out = ShowStatusLabels(run, bid, true);
    EXPECT_EQ(TextOf(out, ctl::kClientStatus), c.client);
    EXPECT_EQ(TextOf(out, ctl::kEngineStatus), c.engine) << c.state;
    EXPECT_EQ(TextOf(out, ctl::kNextStage), c.stage) << c.state;
  }
}

}  // namespace
}  // namespace tavik

namespace tavik {
namespace {

// The edit boxes take any 32-bit number, so "my price - lowest price" is computed wide: a
// difference that does not fit shows as the nearest 32-bit value, never with the wrong sign.
TEST(PriceGap, ComputedWideAndHeldTo32Bits) {
  const struct {
    int32_t mine, lowest, gap;
  } cases[] = {
      {88600, 88300, 300},        {88000, 88300, -300},
      {INT32_MAX, -1, INT32_MAX}, {INT32_MAX, INT32_MIN, INT32_MAX},
      {INT32_MIN, 1, INT32_MIN},  {-2'000'000'000, 2'000'000'000, INT32_MIN},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PriceGap(c.mine, c.lowest), c.gap) << c.mine << "-" << c.lowest;
}

}  // namespace
}  // namespace tavik
