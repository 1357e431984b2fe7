#include <gtest/gtest.h>

#include <vector>

#include "core/atomic_int.h"
#include "core/gbk.h"
#include "log/log_file.h"
#include "log/logger.h"
#include "page/recognition_update.h"
#include "page/recognition_updater.h"
#include "platform/clock.h"
#include "support/temp_dir.h"

namespace tavik {
namespace {

// The diagnostic log of one test, switched on and read back. The only place these tests build a
// Logger.
class CapturedLog {
 public:
  CapturedLog() { logEnabled_ = 1; }

  Logger& logger() { return logger_; }
  void switchOff() { logEnabled_ = 0; }

  // The texts of the lines written so far (time stamps cut off); status lines as "<status>".
  std::vector<std::string> lines() const {
    const std::string text = gbkToUtf8(testing::TempDir::readFile(path_));
    std::vector<std::string> out;
    for (size_t begin = 0; begin < text.size();) {
      const size_t end = text.find("\r\n", begin);
      std::string line = text.substr(begin + kStampLength, end - begin - kStampLength);
      out.push_back(line.starts_with("剩余时间:") ? "<status>" : line);
      begin = end + 2;
    }
    return out;
  }

 private:
  static constexpr size_t kStampLength = sizeof("2025-12-09 11:29:59---") - 1;

  testing::TempDir dir_;
  std::string path_ = dir_.file("my.Log");
  RealClock clock_;
  LogFile file_{clock_, path_};
  AtomicInt logEnabled_{0};
  Logger logger_{file_, logEnabled_, [] { return std::string("剩余时间:0"); }};
};

constexpr const char* kA = "208.79.87-0.0.0|208.70.87-0.0.0|209.81.85-0.0.0|208.49.88-0.0.0";
constexpr const char* kD = "0.100.100-0.0.0|240.100.100-0.0.0";

class RecognitionUpdaterTest : public ::testing::Test {
 protected:
  const ElementTable& defaults() const { return ElementTable::Defaults(); }
  const ElementTable& current() {
    snapshot_ = store.snapshot();
    return *snapshot_;
  }

  CapturedLog log;
  ElementTableStore store;
  std::vector<int> dictionaries;
  RecognitionUpdater updater{store, log.logger(), [this](int i) { dictionaries.push_back(i); }};

 private:
  std::shared_ptr<const ElementTable> snapshot_;
};

TEST_F(RecognitionUpdaterTest, ChangedRowIsStoredAndLogged) {
  updater.ApplyRecognitionUpdate("net_rec_nowprice,func=1;pos=160,400,50,15;color=1.2.3-0.0.0/r/n",
                                 12345);
  EXPECT_EQ(current().row(RectRow::net_rec_nowprice),
            (ElementRow{{160, 400, 50, 15}, "1.2.3-0.0.0"}));
  EXPECT_EQ(log.lines(), std::vector<std::string>{
                             "更新版本:12345,参数:nowprice,152,390,48,14 -> 160,400,50,15,color: " +
                             std::string(kD) + "->1.2.3-0.0.0"});
}

TEST_F(RecognitionUpdaterTest, UnchangedRowWritesNoLine) {
  updater.ApplyRecognitionUpdate(
      "net_rec_nowprice,func=1;pos=152,390,48,14;color=" + std::string(kD), 1);
  EXPECT_EQ(current(), defaults());
  EXPECT_TRUE(log.lines().empty());
}

// A refused entry leaves its whole row as it was, while the other entries of the payload apply.
TEST_F(RecognitionUpdaterTest, RefusedEntryChangesNothingOfItsRow) {
  updater.ApplyRecognitionUpdate(
      "net_rec_bidbutton,func=1;pos=700,300,90,40;color=213.81.87-0.0.0|bad\x01\r\n"
      "@net_rec_bidstatus,func=1;pos=10,431,5,10;color=1.1.1-0.0.0"
      "@net_rec_ddjj,func=1;pos=30,150,0,0;color=213.81.87-0.0.0",
      7);
  ElementTable expected = defaults();
  expected.setRect(RectRow::net_rec_ddjj, {30, 150, 0, 0});
  EXPECT_EQ(current(), expected);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "更新版本:7,参数:bidbutton_rec,颜色无效,未更新:213.81.87-0.0.0|bad?",
                             "更新版本:7,参数:net_rec_ddjj,23,147,0,0 -> 30,150,0,0,color: "
                             "213.81.87-0.0.0->213.81.87-0.0.0"}));
}

TEST_F(RecognitionUpdaterTest, PayloadOverTheLimitIsIgnoredWhole) {
  const std::string entry = "net_rec_ddjj,func=1;pos=30,150,0,0;color=213.81.87-0.0.0@";
  std::string payload;
  while (payload.size() <= kMaxUpdatePayload) payload += entry;
  updater.ApplyRecognitionUpdate(payload, 1);
  EXPECT_EQ(current(), defaults());
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(RecognitionUpdaterTest, SharedColoursFollowTheFindRowAndComeBackWithIt) {
  updater.ApplyRecognitionUpdate(
      "net_rec_find_priceconfirmbutton,func=1;pos=460,450,300,90;color=5.5.5-1.1.1", 3);
  EXPECT_EQ(current().colours(RectRow::net_rec_priceconfirmbutton), "5.5.5-1.1.1");
  EXPECT_EQ(log.lines().at(0),
            "更新版本:3,参数:net_rec_find_priceconfirmbutton,450,440,400,95 -> "
            "460,450,300,90,color: " +
                std::string(kA) + "->5.5.5-1.1.1");

  updater.ApplyRecognitionUpdate("net_rec_find_priceconfirmbutton", 3);
  EXPECT_EQ(current(), defaults());
}

TEST_F(RecognitionUpdaterTest, ButtonPositionsAndTheirRestore) {
  updater.ApplyRecognitionUpdate(
      "net_btn_pos,func=1;bidbutton=800,410;priceedit=740,403;plus300=100,366/r/n", 9);
  EXPECT_EQ(current().point(ClickPoint::bidbutton), (ElementPoint{800, 410}));
  EXPECT_EQ(current().point(ClickPoint::plus300), (ElementPoint{646, 366}));
  updater.ApplyRecognitionUpdate("net_btn_pos", 9);
  EXPECT_EQ(current(), defaults());
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"更新版本:9,参数:bidbutton,799,403 -> 800,410",
                                                   "更新位置参数完成", "初始化位置参数"}));

  updater.ApplyButtonPositions("net_btn_pos,func=1;errorinfobutton=600,450", 9);
  EXPECT_EQ(current().point(ClickPoint::errorinfobutton), (ElementPoint{600, 450}));
  updater.RestoreButtonPositions();
  EXPECT_EQ(current(), defaults());
}

TEST_F(RecognitionUpdaterTest, RestoreDefaultsBringsBackRowsAndPointsButNotPageFocus) {
  updater.ApplyRecognitionUpdate(
      "net_rec_find_priceconfirmbutton,func=1;pos=460,450,300,90;color=5.5.5-1.1.1"
      "@net_rec_dd201,func=1;pos=40,250,0,0;color=1.1.1-0.0.0"
      "@net_btn_pos,func=1;priceconfirmbutton=560,490",
      2);
  store.edit([](ElementTable& t) { t.setPoint(ClickPoint::pagefocus, {300, 90}); });
  updater.RestoreRecognitionDefaults();

  ElementTable expected = defaults();
  expected.setPoint(ClickPoint::pagefocus, {300, 90});
  EXPECT_EQ(current(), expected);
  EXPECT_EQ(dictionaries, std::vector<int>{0});
  const std::vector<std::string> lines = log.lines();
  EXPECT_EQ(std::vector<std::string>(lines.end() - 6, lines.end()),
            (std::vector<std::string>{"初始化识别信息", "<status>", "初始化按钮坐标", "<status>",
                                      "初始化词典0", "<status>"}));
}

TEST_F(RecognitionUpdaterTest, LogOffStillApplies) {
  log.switchOff();
  updater.ApplyRecognitionUpdate("net_btn_pos,func=1;bidbutton=800,410", 1);
  updater.ApplyRecognitionUpdate("net_rec_bidbutton,func=1;pos=700,300,90,40;color=red", 1);
  EXPECT_EQ(current().point(ClickPoint::bidbutton), (ElementPoint{800, 410}));
  EXPECT_TRUE(log.lines().empty());
}

}  // namespace
}  // namespace tavik
