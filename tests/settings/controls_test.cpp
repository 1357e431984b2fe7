#include "settings/controls.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "settings/control_ids.h"

namespace tavik {
namespace {

// Controls as plain maps: what a window would hold.
struct FakeControls {
  std::map<int, std::string> texts;
  std::map<int, bool> checks;
  ControlReader reader() {
    return {[this](int id) { return texts[id]; }, [this](int id) { return checks[id]; }};
  }
  ControlWriter writer() {
    return {[this](int id, const std::string& t) { texts[id] = t; },
            [this](int id, bool c) { checks[id] = c; }};
  }
};

TEST(ParseDialogInt, AcceptsOnlyWholeNumbers) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"48", 48},
      {" -300 ", -300},
      {"+5", 5},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"12a", std::nullopt},
      {"1.5", std::nullopt},
      {"2147483648", std::nullopt},
      {"-", std::nullopt},
      {"1 2", std::nullopt},
      {"９", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDialogInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(MainWindowExchange, StopsAtTheFirstEditThatIsNotAnInteger) {
  MainWindowFields f;
  Strategy& s = f.strategy;
  const auto bindings = MainWindowBindings(f);
  FakeControls controls;
  ExchangeToControls(bindings, controls.writer());
  EXPECT_EQ(controls.texts[ctl::kBid2Sec], "30");
  EXPECT_TRUE(controls.checks[ctl::kAutoBid2]);

  // Exchanged in order kAutoBid2, kBid2Sec, kBid2DirPrice, kBid2AddPrice, kBid2TopUp, ...;
  // kBid2DirPrice is bad.
  controls.checks[ctl::kAutoBid2] = false;
  controls.texts[ctl::kBid2Sec] = "45";
  controls.texts[ctl::kBid2DirPrice] = "7万";
  controls.texts[ctl::kBid2AddPrice] = "500";
  controls.checks[ctl::kBid2TopUp] = false;
  controls.checks[ctl::kRecording] = true;
  EXPECT_EQ(ExchangeToFields(bindings, controls.reader()), ctl::kBid2DirPrice);
  EXPECT_EQ(s.m_autoBid2, 0);
  EXPECT_EQ(s.m_bid2Sec, 45);
  EXPECT_EQ(s.m_bid2DirPrice, 73800);  // the bad one and all after it keep their values
  EXPECT_EQ(s.m_bid2AddPrice, 300);
  EXPECT_EQ(s.m_bid2TopUp, 1);
  EXPECT_EQ(f.m_recording, 0);

  controls.texts[ctl::kBid2DirPrice] = "74000";
  EXPECT_EQ(ExchangeToFields(bindings, controls.reader()), 0);
  EXPECT_EQ(s.m_bid2DirPrice, 74000);
  EXPECT_EQ(s.m_bid2AddPrice, 500);
  EXPECT_EQ(f.m_recording, 1);
}

TEST(MainWindowExchange, BindsEachControlOnce) {
  MainWindowFields f;
  std::set<int> ids;
  std::set<const int32_t*> fields;
  for (const auto& b : MainWindowBindings(f)) {
    ids.insert(b.id);
    fields.insert(b.field);
  }
  EXPECT_EQ(ids.size(), 29u);
  EXPECT_EQ(fields.size(), 29u);
}

TEST(DialogCopies, WriteBackOnlyWhatTheDialogReturns) {
  Strategy s;
  for (auto& o : s.m_advOption) o = 1;
  s.m_earlyMaxDiff = 250;
  const auto adv = AdvancedDialogBindings(s);
  ASSERT_EQ(adv.size(), 27u);
  auto values = CopyIn(adv);
  EXPECT_EQ(values[2], 1);     // option 3 (adv::kSmartJudge)
  EXPECT_EQ(values[20], 250);  // adv::kEarlyMaxDiff
  values[2] = 0;
  values[26] = 77;  // adv::kJumpSlowThreshold
  CopyOut(adv, values);
  EXPECT_EQ(s.m_advOption[3], 0);
  EXPECT_EQ(s.m_jumpSlowThreshold, 77);
  EXPECT_EQ(s.m_advOption[21], 1);  // beyond the dialog's twenty

  const auto smart = SmartDialogBindings(s);
  ASSERT_EQ(smart.size(), 48u);
  std::set<int> ids;
  for (const auto& b : smart) ids.insert(b.id);
  EXPECT_EQ(ids.size(), 48u);
  EXPECT_EQ(smart[3].id, smart::kFast1);
  EXPECT_EQ(smart[3].field, &s.m_jumpFastAdd[1]);
  EXPECT_EQ(smart.back().field, &s.m_smartTopUp[12]);
}

TEST(MainWindowClicks, RadiosSetTheirFourFields) {
  struct Case {
    int id;
    int add, smart, dir, mode;
  } cases[] = {{ctl::kBid2AddRadio, 1, 0, 0, 0},   {ctl::kBid2SmartRadio, 0, 1, 0, 1},
               {ctl::kBid2DirRadio, 0, 0, 1, 2},   {ctl::kBid3AddRadio, 1, 0, 0, 0},
               {ctl::kBid3SmartRadio, 0, 1, 0, 1}, {ctl::kBid3DirRadio, 0, 0, 1, 2}};
  for (const Case& c : cases) {
    MainWindowFields f;
    Strategy& s = f.strategy;
    s.m_bid2AddFlag = s.m_bid2SmartFlag = s.m_bid2DirFlag = 1;
    s.m_bid3AddFlag = s.m_bid3SmartFlag = s.m_bid3DirFlag = 1;
    s.m_bid2Mode = s.m_bid3Mode = 9;
    ASSERT_TRUE(ApplyMainWindowClick(c.id, true, f));
    const bool second =
        c.id == ctl::kBid2AddRadio || c.id == ctl::kBid2SmartRadio || c.id == ctl::kBid2DirRadio;
    EXPECT_EQ(second ? s.m_bid2AddFlag : s.m_bid3AddFlag, c.add) << c.id;
    EXPECT_EQ(second ? s.m_bid2SmartFlag : s.m_bid3SmartFlag, c.smart) << c.id;
    EXPECT_EQ(second ? s.m_bid2DirFlag : s.m_bid3DirFlag, c.dir) << c.id;
    EXPECT_EQ(second ? s.m_bid2Mode : s.m_bid3Mode, c.mode) << c.id;
    EXPECT_EQ(second ? s.m_bid3Mode : s.m_bid2Mode, 9) << c.id;  // the other bid is untouched
  }
}

TEST(MainWindowClicks, CheckboxesFollowTheirState) {
  MainWindowFields f;
  Strategy& s = f.strategy;
  for (int id : {ctl::kAutoBid2, ctl::kBid2TopUp, ctl::kAutoBid3, ctl::kAutoDisconnect,
                 ctl::kCompatMode, ctl::kRecording}) {
    ASSERT_TRUE(ApplyMainWindowClick(id, false, f));
  }
  EXPECT_EQ(s.m_autoBid2 + s.m_bid2TopUp + s.m_autoBid3 + s.m_autoDisconnect, 0);
  EXPECT_EQ(f.m_compatMode + f.m_recording, 0);
  ApplyMainWindowClick(ctl::kRecording, true, f);
  EXPECT_EQ(f.m_recording, 1);
  ApplyMainWindowClick(ctl::kBid3NowRadio, true, f);
  EXPECT_EQ(s.m_bid3Now, 1);
  EXPECT_EQ(s.m_bid3AtSecFlag, 0);
  ApplyMainWindowClick(ctl::kBid3AtSecRadio, true, f);
  EXPECT_EQ(s.m_bid3Now, 0);
  EXPECT_EQ(s.m_bid3AtSecFlag, 1);
  EXPECT_FALSE(
      ApplyMainWindowClick(ctl::kDefaultButton, true, f));  // the default button does nothing
}

}  // namespace
}  // namespace tavik
