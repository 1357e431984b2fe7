// The report after a run: written beside the log when a run ends (Stop or quitting during a
// run), remembered for the menu, and saying so when the run never found the auction page.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/run_report.h"
#include "controller_fixture.h"

namespace tavik::testing {
namespace {

class RunReportTest : public ControllerTest {
 protected:
  std::string lastReportText() {
    EXPECT_TRUE(controller->reports().waitIdle(10'000));
    const std::string path = controller->reports().lastReport();
    EXPECT_FALSE(path.empty());
    EXPECT_EQ(std::filesystem::path(path).parent_path(),
              std::filesystem::path(logFile.path()).parent_path())
        << "beside the log";
    return TempDir::readFile(path);
  }
  void openLast(std::vector<std::string>& opened, std::vector<std::string>& told) {
    OpenLastRunReport(
        controller->reports(), [&](const std::string& p) { opened.push_back(p); },
        [&](const std::string& t) { told.push_back(t); });
  }
};

TEST_F(RunReportTest, StopWritesAReportThatSaysNoPageWasFound) {
  marker("dt.dat");
  ASSERT_EQ(startUp(), 0);
  std::vector<std::string> opened, told;
  openLast(opened, told);
  EXPECT_EQ(told, std::vector<std::string>{kNoRunReportYet}) << "no run yet: the user is told";
  EXPECT_TRUE(opened.empty());

  controller->ToggleRun();
  clock.runFor(3000);
  controller->ToggleRun();
  const std::string html = lastReportText();
  EXPECT_NE(html.find("本次运行没有找到拍卖页面"), std::string::npos);
  EXPECT_EQ(html.find("没有开启"), std::string::npos) << "the log was on";
  openLast(opened, told);
  EXPECT_EQ(opened, std::vector<std::string>{controller->reports().lastReport()});
}

TEST_F(RunReportTest, QuittingDuringARunWritesItsReportWithoutTheLog) {
  ASSERT_EQ(startUp(), 0);  // no dt.dat: the log is off
  controller->ToggleRun();
  clock.runFor(2000);
  controller->Shutdown();
  const std::string path = controller->reports().lastReport();
  ASSERT_FALSE(path.empty()) << "written before Shutdown returned";
  EXPECT_NE(TempDir::readFile(path).find("诊断日志没有开启"), std::string::npos);
}

// A log with runs before this program started: the report reads only its own run's part.
TEST_F(RunReportTest, OnlyThisRunsPartOfTheLogIsRead) {
  marker("dt.dat");
  TempDir::writeFile(
      dir.file("my.Log"),
      "2026-12-09 11:00:00---\xD6\xF7\xB4\xB0\xBF\xDA\xCE\xBB\xD6\xC3\xD0\xC5\xCF"
      "\xA2\xB1\xE4\xBB\xAF\r\n");  // 主窗口位置信息变化: an earlier run found its page
  ASSERT_EQ(startUp(), 0);
  controller->ToggleRun();
  clock.runFor(2000);
  controller->ToggleRun();
  EXPECT_NE(lastReportText().find("本次运行没有找到拍卖页面"), std::string::npos);
}

}  // namespace
}  // namespace tavik::testing
