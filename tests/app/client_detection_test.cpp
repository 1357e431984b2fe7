// Finding the auction window and the launch buttons, on a desktop in memory.

#include "app/client_detection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/controller.h"
#include "core/gbk.h"
#include "support/temp_dir.h"
#include "testing/fake_desktop.h"
#include "testing/headless_view.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

constexpr const char* kRealTitle = "上海市个人非营业性客车额度投标拍卖 - Chromium";
constexpr const char* kPracticeTitle = "51沪牌模拟拍牌";
constexpr const char* kClientOpen = "额度投标网络客户端已开启!";

class ClientDetection : public ::testing::Test {
 protected:
  ClientDetection()
      : logPath_(dir_.path() / "my.Log"),
        desktop_(clock_),
        logFile_(clock_, logPath_.string()),
        logger_(logFile_, run_.m_logEnabled) {
    config_.browserCommand = {"browser", "--new-window"};
    config_.officialSiteUrl = "https://official.example/";
    config_.practiceHost = "http://practice.example/";
  }
  ClientContext context() { return ClientContext{run_, flags_, config_, desktop_, view_, logger_}; }
  bool detect() { return DetectAuctionClient(context()); }
  void practiceMode() {
    run_.m_bidNumber.set(config_.practiceBidNumber1);
    run_.m_realMode = 0;
  }
  std::string logText() {
    std::ifstream in(logPath_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return gbkToUtf8(s.str());
  }

  testing::TempDir dir_;  // first: removed after the log file is closed
  std::filesystem::path logPath_;
  VirtualClock clock_;
  FakeDesktop desktop_;
  LogFile logFile_;
  RunState run_;
  ProcessFlags flags_;
  Config config_;
  HeadlessView view_;
  Logger logger_;
};

// Where the candidate stands relative to the foreground window decides which walk finds it.
TEST_F(ClientDetection, FindsCandidateInFrontBelowAndAbove) {
  struct Case {
    const char* name;
    bool candidateInFront;
    bool candidateAbove;  // added after the foreground window was chosen
  };
  for (const Case& k :
       {Case{"front", true, false}, Case{"below", false, false}, Case{"above", false, true}}) {
    SCOPED_TRACE(k.name);
    FakeDesktop desktop(clock_);
    ClientContext c{run_, flags_, config_, desktop, view_, logger_};
    desktop.addWindow("Terminal", "XTerm");
    WindowId candidate = 0;
    if (!k.candidateAbove) candidate = desktop.addWindow(kRealTitle, "Chromium");
    const WindowId editor = desktop.addWindow("notes.txt - Editor", "Gedit");
    desktop.setForeground(k.candidateInFront ? candidate : editor);
    if (k.candidateAbove) candidate = desktop.addWindow(kRealTitle, "Chromium");
    desktop.addWindow("Files", "Nautilus");  // topmost, above everything

    EXPECT_TRUE(DetectAuctionClient(c));
    EXPECT_EQ(run_.m_auctionWnd.load(), candidate);
    EXPECT_EQ(run_.m_pageTitle.get(), kRealTitle);
  }
}

// Title patterns depend on the mode; the class must be one of ours, except for the fallback.
TEST_F(ClientDetection, TitleAndClassPatternsByMode) {
  struct Case {
    const char* title;
    const char* windowClass;
    bool inFront;
    bool foundReal;
    bool foundPractice;
  };
  const Case cases[] = {
      {kRealTitle, "Chromium", false, true, true},
      {kRealTitle, "Google-chrome", false, true, true},
      {kRealTitle, "firefox", false, true, true},
      {kRealTitle, "IEFrame", false, true, true},
      {kRealTitle, "MSPaintApp", false, true, true},
      {kRealTitle, "Chrome_WidgetWin_1", false, true, true},  // Chrome and Edge on Windows
      {kRealTitle, "MozillaWindowClass", false, true, true},  // Firefox on Windows
      {kPracticeTitle, "Chrome_WidgetWin_1", false, false, true},
      {kRealTitle, "XTerm", false, false, false},
      {kPracticeTitle, "Chromium", false, false, true},
      {"拍牌系统 练习", "firefox", false, false, true},
      {"51沪牌", "XTerm", false, false, false},
      // The fallback: a foreground window titled "额度投标", of any class.
      {"额度投标 截图.png", "Eog", true, true, true},
      {"额度投标 截图.png", "Eog", false, false, false},
      {"51沪牌 额度投标", "Eog", true, true, true},
  };
  for (const Case& k : cases) {
    for (int realMode : {1, 0}) {
      SCOPED_TRACE(std::string(k.title) + " / " + k.windowClass + " / mode " +
                   std::to_string(realMode) + (k.inFront ? " / in front" : ""));
      FakeDesktop desktop(clock_);
      ClientContext c{run_, flags_, config_, desktop, view_, logger_};
      run_.m_realMode = realMode;
      run_.m_auctionWnd = 0x999;  // a failed detection clears it
      const WindowId other = desktop.addWindow("Terminal", "XTerm");
      const WindowId w = desktop.addWindow(k.title, k.windowClass);
      desktop.setForeground(k.inFront ? w : other);
      const bool expected = realMode == 1 ? k.foundReal : k.foundPractice;
      EXPECT_EQ(DetectAuctionClient(c), expected);
      EXPECT_EQ(run_.m_auctionWnd.load(), expected ? w : 0);
    }
  }
}

TEST_F(ClientDetection, ConfigurableClassPattern) {
  const WindowId w = desktop_.addWindow(kRealTitle, "AuctionClientWnd");
  desktop_.setForeground(desktop_.addWindow("Terminal", "XTerm"));
  EXPECT_FALSE(detect());
  run_.m_clientClass.set("ClientWnd");
  EXPECT_TRUE(detect());
  EXPECT_EQ(run_.m_auctionWnd.load(), w);
}

TEST_F(ClientDetection, NoForegroundWindowClearsTheResult) {
  desktop_.addWindow(kRealTitle, "Chromium");
  run_.m_auctionWnd = 0x999;
  EXPECT_FALSE(detect());
  EXPECT_EQ(run_.m_auctionWnd.load(), 0u);
}

TEST_F(ClientDetection, DetectionNeverTouchesClientFound) {
  const WindowId w = desktop_.addWindow(kRealTitle, "Chromium");
  desktop_.setForeground(w);
  EXPECT_TRUE(detect());
  EXPECT_EQ(run_.m_clientFound.load(), 0);
  run_.m_clientFound = 1;
  desktop_.removeWindow(w);
  desktop_.setForeground(desktop_.addWindow("Terminal", "XTerm"));
  EXPECT_FALSE(detect());
  EXPECT_EQ(run_.m_clientFound.load(), 1);
}

// Texts are matched as they fit the title and class buffers: a pattern past the limit is not
// seen, and the cut never splits a character.
TEST_F(ClientDetection, LongTitlesAndClassesAreCutAtCharacterBoundaries) {
  EXPECT_EQ(CutUtf8("abc", 5), "abc");
  EXPECT_EQ(CutUtf8("ab额度", 4), "ab");  // "额" takes bytes 2..4
  EXPECT_EQ(CutUtf8("ab额度", 5), "ab额");
  EXPECT_EQ(CutUtf8("额度", 0), "");

  const std::string padding(390, 'x');
  const WindowId late = desktop_.addWindow(padding + "额度投标拍卖", "Chromium");
  desktop_.setForeground(desktop_.addWindow("Terminal", "XTerm"));
  EXPECT_FALSE(detect());
  desktop_.removeWindow(late);

  const std::string fits(399 - std::string("额度投标拍卖").size(), 'x');
  const WindowId w = desktop_.addWindow(fits + "额度投标拍卖" + "tail", "Chromium");
  EXPECT_TRUE(detect());
  EXPECT_EQ(run_.m_auctionWnd.load(), w);
  EXPECT_EQ(run_.m_pageTitle.get().size(), 399u);

  const WindowId longClass = desktop_.addWindow(kRealTitle, std::string(48, 'c') + "Chromium");
  desktop_.setForeground(longClass);
  EXPECT_EQ(desktop_.windowBelow(longClass), w);
  EXPECT_TRUE(detect());
  EXPECT_EQ(run_.m_auctionWnd.load(), w);  // the class past 49 bytes does not count
}

TEST_F(ClientDetection, RealLaunchOpensTheOfficialSiteUnlessTheClientIsOpen) {
  desktop_.setForeground(desktop_.addWindow("Terminal", "XTerm"));
  LaunchRealClient(context());
  ASSERT_EQ(desktop_.launches().size(), 1u);
  EXPECT_EQ(desktop_.launches()[0],
            (std::vector<std::string>{"browser", "--new-window", "https://official.example/"}));
  EXPECT_TRUE(view_.messages_.empty());
  EXPECT_EQ(run_.m_clientFound.load(), 0);

  desktop_.addWindow(kRealTitle, "Chromium");
  LaunchRealClient(context());
  EXPECT_EQ(desktop_.launches().size(), 1u);
  EXPECT_EQ(view_.messages_, std::vector<std::string>{kClientOpen});
  EXPECT_EQ(run_.m_clientFound.load(), 1);
}

TEST_F(ClientDetection, PracticeLaunchChoosesThePageByBidNumber) {
  desktop_.setForeground(desktop_.addWindow("Terminal", "XTerm"));
  practiceMode();
  EXPECT_TRUE(LaunchPractice(context()));
  run_.m_bidNumber.set(config_.practiceBidNumber2);
  EXPECT_TRUE(LaunchPractice(context()));
  ASSERT_EQ(desktop_.launches().size(), 2u);
  EXPECT_EQ(desktop_.launches()[0].back(), "http://practice.example/fz.html");
  EXPECT_EQ(desktop_.launches()[1].back(), "http://practice.example/51m.html");
  EXPECT_EQ(desktop_.launches()[1].front(), "browser");
}

// No browser came up: the user is told, with the address to open by hand, and a practice
// launch does not switch to the practice scheme.
TEST_F(ClientDetection, ALaunchWithoutABrowserSaysSoWithTheAddress) {
  desktop_.setForeground(desktop_.addWindow("Terminal", "XTerm"));
  desktop_.failLaunches();
  practiceMode();
  EXPECT_FALSE(LaunchPractice(context()));
  LaunchRealClient(context());
  EXPECT_EQ(view_.messages_,
            (std::vector<std::string>{BrowserNotStarted("http://practice.example/fz.html"),
                                      BrowserNotStarted("https://official.example/")}));
  EXPECT_NE(view_.messages_[0].find("100%"), std::string::npos);
}

TEST_F(ClientDetection, PracticeLaunchRefusedOrClientAlreadyOpen) {
  practiceMode();
  const WindowId page = desktop_.addWindow(kPracticeTitle, "firefox");
  desktop_.setForeground(page);
  flags_.g_practiceAllowed = 0;
  EXPECT_FALSE(LaunchPractice(context()));
  EXPECT_EQ(view_.messages_, std::vector<std::string>{"请用5.5.1版本模拟!"});
  EXPECT_EQ(run_.m_clientFound.load(), 0);

  flags_.g_practiceAllowed = 1;
  EXPECT_FALSE(LaunchPractice(context()));
  EXPECT_EQ(view_.messages_.back(), kClientOpen);
  EXPECT_EQ(run_.m_clientFound.load(), 1);
  EXPECT_TRUE(desktop_.launches().empty());
}

TEST_F(ClientDetection, OsVersionLines) {
  struct Case {
    OsVersion version;
    const char* line;
  };
  const Case cases[] = {
      {{5, 1, "Windows"}, "***系统是XP***"},        {{6, 1, "Windows"}, "***系统是Win7***"},
      {{6, 2, "Windows"}, "***系统是Win8***"},      {{10, 0, "Windows"}, "***系统是Win10***"},
      {{6, 3, "Windows"}, "***系统是Win7+***"},     {{11, 0, "Windows"}, "***系统是Win7+***"},
      {{6, 1, "Linux 6.1.0"}, "***系统是Linux***"},
  };
  for (const Case& k : cases) EXPECT_EQ(OsEventLine(k.version), k.line) << k.version.major;

  desktop_.setOsVersion({6, 12, "Linux 6.12.1"});
  LogOsVersion(context());
  EXPECT_EQ(logText(), "");  // the log is off
  run_.m_logEnabled = 1;
  LogOsVersion(context());
  const std::string log = logText();
  EXPECT_NE(log.find("---ver=6,12\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("---***系统是Linux***"), std::string::npos) << log;
  EXPECT_LT(log.find("ver=6,12"), log.find("系统是Linux"));
}

// The 1 s tick sets m_clientFound when detection succeeds and leaves it when detection fails.
TEST_F(ClientDetection, SecondTickMarksTheClientFound) {
  VirtualTimers timers(clock_);
  VirtualMailbox mailbox(clock_);
  Controller controller(
      ControllerDeps{clock_, desktop_, timers, mailbox, view_, logFile_, config_, "/nonexistent/"});
  const WindowId front = desktop_.addWindow("Terminal", "XTerm");
  desktop_.setForeground(front);
  controller.SecondTick();
  EXPECT_EQ(controller.run.m_clientFound.load(), 0);
  const WindowId page = desktop_.addWindow(kRealTitle, "Chromium");
  controller.SecondTick();
  EXPECT_EQ(controller.run.m_clientFound.load(), 1);
  EXPECT_EQ(controller.run.m_auctionWnd.load(), page);
  desktop_.removeWindow(page);
  controller.SecondTick();
  EXPECT_EQ(controller.run.m_clientFound.load(), 1);
  EXPECT_EQ(controller.run.m_auctionWnd.load(), 0u);
}

}  // namespace
}  // namespace tavik
