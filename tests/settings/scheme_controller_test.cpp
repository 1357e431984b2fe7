// The controller's use of the schemes: start-up, save, selection, the cloud scheme, the bid
// number and the data exchange at Start, with a window that holds control values in memory.

#include <gtest/gtest.h>

#include "app/controller.h"
#include "settings/ini_file.h"
#include "settings/scheme.h"
#include "support/auction_time.h"
#include "support/temp_dir.h"
#include "support/test_dictionary.h"
#include "testing/fake_desktop.h"
#include "testing/headless_view.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

using testing::TempDir;

class SchemeControllerTest : public ::testing::Test {
 protected:
  // A program start in `dir`, as the user would start it again.
  struct Program {
    Program(const TempDir& dir)
        : desktop(clock),
          timers(clock),
          mailbox(clock),
          logFile(clock, dir.file("my.Log")),
          controller(
              ControllerDeps{clock, desktop, timers, mailbox, view, logFile, Config{}, dir.dir()}) {
      EXPECT_EQ(controller.OnInitDialog(), 0);
    }
    ~Program() { controller.Shutdown(); }
    VirtualClock clock;
    FakeDesktop desktop;
    VirtualTimers timers;
    VirtualMailbox mailbox;
    HeadlessView view;
    LogFile logFile;
    Controller controller;
  };

  // The folder of the program as a user may name it: every file of a scheme, the bid number,
  // the log and the recordings must be found there.
  TempDir dir{"拍牌工具"};
};

TEST_F(SchemeControllerTest, StartUpFillsTheSchemesAndLoadsSchemeOne) {
  dir.write("profile_1.ini", "[Settings]\nLast Sec 2=48\nBid Smart 2=1\nGo Sec 3=20\n");
  dir.write("profile.ini", "[Settings]\nfangan=1\n");
  Program p(dir);
  EXPECT_EQ(p.view.combos_[ctl::kSchemeCombo],
            (std::vector<std::string>{"我的方案1", "我的方案2", "我的方案3"}));
  EXPECT_EQ(p.view.comboSelection(ctl::kSchemeCombo), 0);
  EXPECT_EQ(p.controller.run.m_schemeIndex, 0);
  EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2Sec, 48);
  EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2Mode, 1);
  EXPECT_EQ(p.controller.strategy.snapshot()->m_smartSec[3], 20);
  EXPECT_EQ(p.view.text(ctl::kBid2Sec), "48");  // pushed into the controls
  EXPECT_TRUE(p.view.checked(ctl::kBid2SmartRadio));
  EXPECT_FALSE(p.view.checked(ctl::kBid2AddRadio));
}

TEST_F(SchemeControllerTest, SavedSchemeTwoIsSavedButTheNextStartIsOnSchemeOne) {
  {
    Program p(dir);
    p.view.setComboSelection(ctl::kSchemeCombo, 1);
    p.controller.OnSchemeSelected(1);
    p.view.setText(ctl::kBid2Sec, "45");
    p.view.setText(ctl::kBid3AddPrice, "700");
    ASSERT_TRUE(p.controller.SaveScheme());
    EXPECT_TRUE(p.view.messages_.empty());
  }
  EXPECT_EQ(CIni(dir.dir(), "./profile.ini", "Settings").ReadInt("fangan"), 1);
  EXPECT_EQ(CIni(dir.dir(), "./profile_2.ini", "Settings").ReadInt("Last Sec 2"), 45);
  Program again(dir);
  EXPECT_EQ(again.controller.run.m_schemeIndex, 0);
  EXPECT_EQ(again.controller.strategy.snapshot()->m_bid2Sec, 0);  // scheme 1 was never saved
  again.controller.OnSchemeSelected(1);
  EXPECT_EQ(again.controller.strategy.snapshot()->m_bid2Sec, 45);
  EXPECT_EQ(again.controller.strategy.snapshot()->m_bid3AddPrice, 700);
}

// A bad number anywhere keeps the run from starting and the file from being written: the
// user never bids or saves with numbers other than those the window shows.
TEST_F(SchemeControllerTest, StartWithABadNumberDoesNotStartAndTakesNothing) {
  Program p(dir);
  p.view.setText(ctl::kBid2Sec, "40");
  p.view.setText(ctl::kRemedySec, "x9");  // exchanged after kBid2Sec, before kRemedyMaxDiff
  p.view.setText(ctl::kRemedyMaxDiff, "900");
  p.controller.ToggleRun();
  EXPECT_EQ(p.controller.run.m_running, 0);
  EXPECT_FALSE(p.timers.isActive(1));
  const auto s = p.controller.strategy.snapshot();
  EXPECT_EQ(s->m_bid2Sec, 0) << "a box before the bad one is not taken either";
  EXPECT_EQ(s->m_remedyMaxDiff, 0);
  EXPECT_EQ(p.view.messages_, std::vector<std::string>{"请输入一个整数。"});
  EXPECT_EQ(p.view.focus_, ctl::kRemedySec) << "the bad box gets the focus";
  EXPECT_TRUE(p.view.strategyEnabled_);

  p.view.setText(ctl::kRemedySec, "9");
  p.controller.ToggleRun();
  EXPECT_EQ(p.controller.run.m_running, 1);
  EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2Sec, 40);
  EXPECT_EQ(p.controller.strategy.snapshot()->m_remedyMaxDiff, 900);
}

TEST_F(SchemeControllerTest, SaveWithABadNumberSavesNothing) {
  dir.write("profile_1.ini", "[Settings]\nLast Sec 2=21\n");
  Program p(dir);
  p.view.setText(ctl::kBid2Sec, "33");
  p.view.setText(ctl::kRemedyMinDiff, "abc");  // exchanged late
  EXPECT_FALSE(p.controller.SaveScheme());
  EXPECT_EQ(dir.read("profile_1.ini"), "[Settings]\nLast Sec 2=21\n");
  EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2Sec, 21);
  EXPECT_EQ(p.view.messages_, std::vector<std::string>{"请输入一个整数。"});
  EXPECT_EQ(p.view.focus_, ctl::kRemedyMinDiff);
}

// The combo box reports a choice of the scheme already selected too: that must not reload it
// and throw away what the user typed.
TEST_F(SchemeControllerTest, ChoosingTheSelectedSchemeKeepsUnsavedEdits) {
  dir.write("profile_1.ini", "[Settings]\nLast Sec 2=21\n");
  dir.write("profile_2.ini", "[Settings]\nLast Sec 2=22\n");
  Program p(dir);
  p.view.setText(ctl::kBid2Sec, "55");
  p.controller.OnSchemeSelected(0);
  EXPECT_EQ(p.view.text(ctl::kBid2Sec), "55");
  p.controller.OnSchemeSelected(1);
  EXPECT_EQ(p.view.text(ctl::kBid2Sec), "22");
  EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2Sec, 22);
}

// A profile that exists but cannot be read is not a scheme of zeros: the values in force stay
// and the user is told. (A missing profile still loads as the defaults.)
TEST_F(SchemeControllerTest, AnUnreadableProfileKeepsTheSchemeInForce) {
  dir.write("profile_1.ini", "[Settings]\nLast Sec 2=21\n");
  std::filesystem::create_directory(dir.pathOf("profile_2.ini"));  // cannot be read as a file
  dir.write("profile_3.ini", "[Settings]\n" + std::string(IniDocument::kMaxFileBytes, ';'));
  Program p(dir);
  for (int unreadable : {1, 2}) {
    SCOPED_TRACE(unreadable);
    p.view.messages_.clear();
    p.controller.OnSchemeSelected(unreadable);
    EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2Sec, 21);
    EXPECT_EQ(p.view.text(ctl::kBid2Sec), "21");
    EXPECT_EQ(p.controller.run.m_schemeIndex, 0);
    EXPECT_EQ(p.view.comboSelection(ctl::kSchemeCombo), 0);
    ASSERT_EQ(p.view.messages_.size(), 1u);
    EXPECT_NE(p.view.messages_[0].find("无法读取"), std::string::npos);
  }
  // Nor is it replaced by a save, which would lose what we could not read.
  EXPECT_FALSE(SaveSchemeFile(dir.dir(), 2, Strategy{}, 0));
  EXPECT_EQ(dir.read("profile_3.ini").size(), 11 + IniDocument::kMaxFileBytes);
}

// A cloud scheme that cannot be kept on disk would load as all zeros and bid nothing.
TEST_F(SchemeControllerTest, ACloudSchemeThatCannotBeSavedLeavesTheSchemeInForce) {
  dir.write("profile_1.ini", "[Settings]\nLast Sec 2=21\n");
  std::filesystem::create_directory(dir.pathOf("profile_4.ini"));  // in the way of the file
  Program p(dir);
  EXPECT_FALSE(p.controller.ReceiveCloudScheme("[Settings]/r/nLast Sec 2=44"));
  EXPECT_EQ(p.controller.run.m_schemeIndex, 0);
  EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2Sec, 21);
  EXPECT_EQ(p.view.comboCount(ctl::kSchemeCombo), 3);
  ASSERT_EQ(p.view.messages_.size(), 1u);
  EXPECT_NE(p.view.messages_[0].find("云方案无法保存"), std::string::npos);
}

TEST_F(SchemeControllerTest, ASaveThatCannotBeWrittenIsReported) {
  Program p(dir);
  std::filesystem::create_directory(dir.pathOf("profile_1.ini"));  // in the way of the rename
  EXPECT_FALSE(p.controller.SaveScheme());
  ASSERT_EQ(p.view.messages_.size(), 1u);
  EXPECT_NE(p.view.messages_[0].find("保存配置失败"), std::string::npos);
}

TEST_F(SchemeControllerTest, PracticeRunsOnSchemeThree) {
  dir.write("profile_3.ini", "[Settings]\nLast Sec 2=50\n");
  Program p(dir);
  p.controller.LaunchPractice();
  EXPECT_EQ(p.controller.run.m_schemeIndex, 2);
  EXPECT_EQ(p.view.comboSelection(ctl::kSchemeCombo), 2);
  EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2Sec, 50);
}

TEST_F(SchemeControllerTest, PracticeRefusedKeepsTheScheme) {
  dir.write("nm.dat", "");
  Program p(dir);
  p.controller.LaunchPractice();
  EXPECT_EQ(p.controller.run.m_schemeIndex, 0);
  EXPECT_EQ(p.view.messages_, std::vector<std::string>{"请用5.5.1版本模拟!"});
}

TEST_F(SchemeControllerTest, PracticeKeepsALockedStrategy) {
  dir.write("hd.txt", "");
  Program p(dir);
  p.controller.LaunchPractice();
  EXPECT_EQ(p.controller.run.m_schemeIndex, 0);
  EXPECT_TRUE(p.view.strategyHidden_);
}

TEST_F(SchemeControllerTest, CloudSchemeIsStoredListedOnceAndLoaded) {
  Program p(dir);
  ASSERT_TRUE(p.controller.ReceiveCloudScheme("[Settings]/r/nLast Sec 2=44/r/nBid Dir 2=1"));
  ASSERT_TRUE(p.controller.ReceiveCloudScheme("[Settings]/r/nLast Sec 2=43/r/nBid Dir 2=1"));
  EXPECT_EQ(p.view.combos_[ctl::kSchemeCombo].size(), 4u);
  EXPECT_EQ(p.view.combos_[ctl::kSchemeCombo][3], "云方案");
  EXPECT_EQ(p.view.comboSelection(ctl::kSchemeCombo), 3);
  EXPECT_EQ(p.controller.run.m_schemeIndex, 3);
  EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2Sec, 43);
  EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2Mode, 2);
  EXPECT_EQ(dir.read("profile_4.ini"), "[Settings]\r\nLast Sec 2=43\r\nBid Dir 2=1");
}

TEST_F(SchemeControllerTest, CloudSchemeWithALockedStrategyLoadsSchemeOne) {
  dir.write("hd.txt", "");
  dir.write("profile_1.ini", "[Settings]\nLast Sec 2=31\n");
  Program p(dir);
  p.controller.ReceiveCloudScheme("[Settings]/r/nLast Sec 2=44");
  EXPECT_EQ(p.controller.run.m_schemeIndex, 0);
  EXPECT_EQ(p.view.comboSelection(ctl::kSchemeCombo), 0);
  EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2Sec, 31);
}

// With the log on, every scheme load records the last minute, once a bid number names the
// folder: without one, every second would capture the screen and have nowhere to put it.
TEST_F(SchemeControllerTest, WithTheLogOnEveryLoadRecordsOnceThereIsABidNumber) {
  dir.write("dt.dat", "");
  dir.write("profile_2.ini", "[Settings]\nlx=0\n");
  Program p(dir);
  EXPECT_EQ(p.controller.run.m_recording, 0) << "no bid number yet";
  EXPECT_FALSE(p.view.checked(ctl::kRecording));
  p.controller.run.m_bidNumber.set("12345678");
  p.controller.LoadScheme();
  EXPECT_EQ(p.controller.run.m_recording, 1);
  p.view.setChecked(ctl::kRecording, false);
  p.controller.OnSchemeSelected(1);
  EXPECT_EQ(p.controller.run.m_recording, 1);
  EXPECT_TRUE(p.view.checked(ctl::kRecording));
  EXPECT_FALSE(p.view.visible(ctl::kRecording));  // only setting the bid number shows it
}

TEST_F(SchemeControllerTest, BidNumberIsCheckedKeptAndSetsUpRecording) {
  dir.write("lx.txt", "");
  {
    Program p(dir);
    EXPECT_FALSE(p.controller.EnterBidNumber("1234567"));
    EXPECT_EQ(p.view.messages_.size(), 1u);
    EXPECT_TRUE(p.controller.run.m_bidNumber.empty());
    ASSERT_TRUE(p.controller.EnterBidNumber(" 12345678 "));
    EXPECT_EQ(p.controller.run.m_bidNumber.get(), "12345678");
    EXPECT_EQ(p.controller.run.m_realMode, 1);
    EXPECT_TRUE(p.view.visible(ctl::kRecording));
    EXPECT_TRUE(std::filesystem::is_directory(dir.pathOf("log/12345678")));
  }
  Program again(dir);  // kept in profile.ini for the next start
  EXPECT_EQ(again.controller.run.m_bidNumber.get(), "12345678");
  EXPECT_TRUE(again.view.visible(ctl::kRecording));
}

TEST_F(SchemeControllerTest, RadioAndCheckboxClicksReachTheFields) {
  Program p(dir);
  p.controller.OnControlClicked(ctl::kBid2DirRadio, true);
  EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2Mode, 2);
  EXPECT_EQ(p.controller.strategy.snapshot()->m_bid2DirFlag, 1);
  p.controller.OnControlClicked(ctl::kCompatMode, false);
  EXPECT_EQ(p.controller.run.m_compatMode, 0);
}

TEST_F(SchemeControllerTest, TicksRenderTheStatus) {
  ASSERT_TRUE(testing::WriteTestDictionary(dir.file("sscai.dll")));
  Program p(dir);
  p.controller.ToggleRun();
  // The page shows 11:29:03 of an auction ending 11:30, already for one tick.
  ClockState& clockState = p.controller.clockState;
  testing::ShowTimeBeforeEnd(clockState, 57);
  clockState.m_remainSec = 57;
  clockState.m_subSecondTicks = 0;
  p.controller.StatusTick();
  EXPECT_EQ(p.view.text(ctl::kRemainBox), "57 ...");
  EXPECT_EQ(p.view.text(ctl::kClock), "拍卖未开始");
  p.controller.bid.m_bidPhase = 1;
  p.controller.SecondTick();
  EXPECT_EQ(p.view.text(ctl::kNextStage), "第二次出价");
  EXPECT_EQ(p.view.text(ctl::kClientStatus), "提示：拍卖客户端程序未运行");
}

}  // namespace
}  // namespace tavik
