#include "settings/controls.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

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
  EXPECT_EQ(controls.texts[1007], "30");
  EXPECT_TRUE(controls.checks[1005]);

  // Order: 1005, 1007, 1009, 1008, 1010, ...; 1009 is bad.
  controls.checks[1005] = false;
  controls.texts[1007] = "45";
  controls.texts[1009] = "7万";
  controls.texts[1008] = "500";
  controls.checks[1010] = false;
  controls.checks[1142] = true;
  EXPECT_EQ(ExchangeToFields(bindings, controls.reader()), 1009);
  EXPECT_EQ(s.m_autoBid2, 0);
  EXPECT_EQ(s.m_bid2Sec, 45);
  EXPECT_EQ(s.m_bid2DirPrice, 73800);  // the bad one and all after it keep their values
  EXPECT_EQ(s.m_bid2AddPrice, 300);
  EXPECT_EQ(s.m_bid2TopUp, 1);
  EXPECT_EQ(f.m_recording, 0);

  controls.texts[1009] = "74000";
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
  EXPECT_EQ(values[2], 1);     // option 3 (checkbox 1012)
  EXPECT_EQ(values[20], 250);  // 1112
  values[2] = 0;
  values[26] = 77;  // 1008, the slow jump limit
  CopyOut(adv, values);
  EXPECT_EQ(s.m_advOption[3], 0);
  EXPECT_EQ(s.m_jumpSlowThreshold, 77);
  EXPECT_EQ(s.m_advOption[21], 1);  // beyond the dialog's twenty

  const auto smart = SmartDialogBindings(s);
  ASSERT_EQ(smart.size(), 48u);
  std::set<int> ids;
  for (const auto& b : smart) ids.insert(b.id);
  EXPECT_EQ(ids.size(), 48u);
  EXPECT_EQ(smart[3].id, 1130);
  EXPECT_EQ(smart[3].field, &s.m_jumpFastAdd[1]);
  EXPECT_EQ(smart.back().field, &s.m_smartTopUp[12]);
}

TEST(MainWindowClicks, RadiosSetTheirFourFields) {
  struct Case {
    int id;
    int add, smart, dir, mode;
  } cases[] = {{1003, 1, 0, 0, 0}, {1074, 0, 1, 0, 1}, {1004, 0, 0, 1, 2},
               {1029, 1, 0, 0, 0}, {1006, 0, 1, 0, 1}, {1011, 0, 0, 1, 2}};
  for (const Case& c : cases) {
    MainWindowFields f;
    Strategy& s = f.strategy;
    s.m_bid2AddFlag = s.m_bid2SmartFlag = s.m_bid2DirFlag = 1;
    s.m_bid3AddFlag = s.m_bid3SmartFlag = s.m_bid3DirFlag = 1;
    s.m_bid2Mode = s.m_bid3Mode = 9;
    ASSERT_TRUE(ApplyMainWindowClick(c.id, true, f));
    const bool second = c.id == 1003 || c.id == 1074 || c.id == 1004;
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
  for (int id : {1005, 1010, 1012, 1057, 1123, 1142}) {
    ASSERT_TRUE(ApplyMainWindowClick(id, false, f));
  }
  EXPECT_EQ(s.m_autoBid2 + s.m_bid2TopUp + s.m_autoBid3 + s.m_autoDisconnect, 0);
  EXPECT_EQ(f.m_compatMode + f.m_recording, 0);
  ApplyMainWindowClick(1142, true, f);
  EXPECT_EQ(f.m_recording, 1);
  ApplyMainWindowClick(1104, true, f);
  EXPECT_EQ(s.m_bid3Now, 1);
  EXPECT_EQ(s.m_bid3AtSecFlag, 0);
  ApplyMainWindowClick(1107, true, f);
  EXPECT_EQ(s.m_bid3Now, 0);
  EXPECT_EQ(s.m_bid3AtSecFlag, 1);
  EXPECT_FALSE(ApplyMainWindowClick(1, true, f));  // the default button does nothing
}

}  // namespace
}  // namespace tavik
