#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <set>
#include <type_traits>

#include "app/run_report.h"
#include "settings/control_ids.h"
#include "settings/controls.h"
#include "settings/ini_file.h"
#include "support/auction_time.h"
#include "ui/settings_dialogs.h"
#include "ui/small_dialogs.h"
#include "ui/ui_fixture.h"

namespace tavik {
namespace {

using test::UiProgram;
using testing::TempDir;

// Start disables these and Stop enables them again: the strategy of the second bid, the third
// bid and the remedy, including the hidden controls that carry part of it.
const std::set<int> kStrategyControls = {1007, 1003, 1008, 1010, 1004, 1009, 1074, 1006, 1011,
                                         1015, 1031, 1029, 1025, 1039, 1027, 1113, 1044, 1028,
                                         1064, 1016, 1105, 1106, 1104, 1107, 1108};
// "hd.txt" hides these for good: the strategy controls, the buttons of both settings dialogs,
// the second bid's switch and the labels between the boxes.
const std::set<int> kLockedControls = {
    1007, 1003, 1008, 1010, 1004, 1009, 1074, 1006, 1011, 1015, 1031, 1029, 1025, 1039, 1027, 1113,
    1044, 1028, 1064, 1016, 1105, 1106, 1104, 1107, 1108, 1056, 1073, 1005, 1147, 1148, 1149};
// Of those, the ones that only carry settings and are never shown anyway.
const std::set<int> kNeverShown = {1006, 1011, 1015, 1029, 1064, 1105, 1106};

// The ids of the window's controls for which `state` holds.
std::set<int> ControlIds(const MainWindow& window, bool (QWidget::*state)() const) {
  std::set<int> ids;
  for (const QWidget* w : window.findChildren<QWidget*>()) {
    bool isControl = false;
    const int id = w->objectName().toInt(&isControl);
    if (isControl && (w->*state)()) ids.insert(id);
  }
  return ids;
}

std::set<int> Minus(const std::set<int>& a, const std::set<int>& b) {
  std::set<int> rest;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(rest, rest.end()));
  return rest;
}

TEST(MainWindow, EveryControlExistsWithItsCaption) {
  TempDir dir;
  UiProgram p(dir);
  ASSERT_EQ(p.started, 0);
  // Ids written out, not named: this table pins each number to its control and caption.
  struct Case {
    int id;
    const char* text;
  } cases[] = {
      {1003, "最低成交价上+"},
      {1074, "智能出价"},
      {1004, "直接伏击出价"},
      {1073, "智能出价设定"},
      {1104, "A. 完成第二次出价后立即智能出价"},
      {1107, "B. 在结束拍卖前"},
      {1025, "还剩"},
      {1021, "保存配置"},
      {1018, "开始运行"},
      {1040, "载入仿真练习"},
      {1019, "载入正式拍牌"},
      {1056, "高级"},
      {1034, "帮助"},
      {1123, "界面兼容模式"},
      {1005, "在结束拍卖前"},
      {1147, "秒自动出以下价格"},
      {1148, "秒，执行在当前的"},
      {1149, "最低成交价+"},
      {1037, "------------------"},
      {1124, "F2: 切换到手动    | 空格键：取消当前验证码框"},
      {1023, "提示: 拍卖客户端程序未运行"},
      {1, "Button4"},
      {1111, "TT"},
      {1142, "录像"},
      {1069, "0.0.0.0"},
  };
  for (const Case& c : cases) EXPECT_EQ(p.window.controlText(c.id), c.text) << c.id;
  // Visible strategy controls, hidden ones that only carry settings.
  for (int id : {1007, 1008, 1009, 1010, 1031, 1039, 1113, 1027, 1044, 1028, 1016, 1089})
    EXPECT_TRUE(p.window.control(id)->isVisible()) << id;
  for (int id : {1, 1012, 1029, 1006, 1011, 1015, 1105, 1106, 1057, 1103, 1111, 1142, 1064, 1058})
    EXPECT_FALSE(p.window.control(id)->isVisible()) << id;
  EXPECT_FALSE(p.window.control(1005)->isEnabled());
  EXPECT_GT(p.window.height(), p.window.width());  // narrow and tall, beside the auction page
  EXPECT_EQ(p.window.windowTitle().toStdString(), "tavikV9.1.4");
  auto* schemes = p.get<QComboBox>(1089);
  ASSERT_EQ(schemes->count(), 3);
  EXPECT_EQ(schemes->itemText(2).toStdString(), "我的方案3");
}

TEST(MainWindow, ARadioClickSetsItsFourFieldsAndUnchecksTheOthers) {
  TempDir dir;
  UiProgram p(dir);
  auto s = [&p] { return p.controller.strategy.snapshot(); };
  p.get<QRadioButton>(ctl::kBid2SmartRadio)->click();
  EXPECT_EQ(s()->m_bid2AddFlag, 0);
  EXPECT_EQ(s()->m_bid2SmartFlag, 1);
  EXPECT_EQ(s()->m_bid2DirFlag, 0);
  EXPECT_EQ(s()->m_bid2Mode, 1);
  EXPECT_FALSE(p.get<QRadioButton>(ctl::kBid2AddRadio)->isChecked());
  EXPECT_TRUE(p.get<QRadioButton>(ctl::kBid2SmartRadio)->isChecked());
  p.get<QRadioButton>(ctl::kBid2SmartRadio)->click();  // a second click keeps it chosen
  EXPECT_TRUE(p.get<QRadioButton>(ctl::kBid2SmartRadio)->isChecked());
  p.get<QRadioButton>(ctl::kBid2DirRadio)->click();
  EXPECT_EQ(s()->m_bid2Mode, 2);
  EXPECT_EQ(s()->m_bid2DirFlag, 1);
  EXPECT_FALSE(p.get<QRadioButton>(ctl::kBid2SmartRadio)->isChecked());

  p.get<QRadioButton>(ctl::kBid3NowRadio)->click();
  EXPECT_EQ(s()->m_bid3Now, 1);
  EXPECT_FALSE(p.get<QRadioButton>(ctl::kBid3AtSecRadio)->isChecked());
  p.get<QCheckBox>(ctl::kBid2TopUp)->click();
  EXPECT_EQ(s()->m_bid2TopUp, 1);  // scheme 1 has no file: the box started unchecked
}

TEST(MainWindow, StartDisablesTheStrategyAndStopEnablesIt) {
  TempDir dir;
  UiProgram p(dir);
  const auto enabled = [&p] { return ControlIds(p.window, &QWidget::isEnabled); };
  const std::set<int> idle = enabled();
  EXPECT_EQ(Minus(kStrategyControls, idle), std::set<int>{}) << "disabled while stopped";
  auto* start = p.get<QPushButton>(ctl::kStartStop);
  start->click();
  EXPECT_EQ(p.controller.run.m_running, 1);
  EXPECT_EQ(start->text().toStdString(), "停止");
  EXPECT_EQ(Minus(idle, enabled()), kStrategyControls);
  EXPECT_EQ(Minus(enabled(), idle), std::set<int>{});
  start->click();
  EXPECT_EQ(p.controller.run.m_running, 0);
  EXPECT_EQ(start->text().toStdString(), "开始");
  EXPECT_EQ(p.window.controlText(ctl::kEngineStatus), "无出价指令");
  EXPECT_EQ(enabled(), idle);
}

TEST(MainWindow, ABadNumberAtStartIsReportedAndNothingStarts) {
  TempDir dir;
  UiProgram p(dir);
  auto s = [&p] { return p.controller.strategy.snapshot(); };
  p.editStrategy([](Strategy& x) { x.m_bid2AddPrice = 300; });
  p.get<QCheckBox>(ctl::kAutoBid2)->setChecked(true);  // exchanged before kBid2Sec
  p.get<QLineEdit>(ctl::kBid2Sec)->setText("4o");
  p.get<QLineEdit>(ctl::kBid2AddPrice)->setText("900");  // exchanged after kBid2Sec
  p.get<QPushButton>(ctl::kStartStop)->click();
  EXPECT_EQ(p.messages, std::vector<std::string>{"请输入一个整数。"});
  EXPECT_EQ(s()->m_autoBid2, 0) << "no box is taken, not even those before the bad one";
  EXPECT_EQ(s()->m_bid2Sec, 0);
  EXPECT_EQ(s()->m_bid2AddPrice, 300);
  EXPECT_EQ(p.controller.run.m_running, 0);
  EXPECT_EQ(p.get<QPushButton>(ctl::kStartStop)->text().toStdString(), "开始运行");
  EXPECT_TRUE(p.window.control(ctl::kBid2Sec)->hasFocus() ||
              QApplication::focusWidget() == nullptr);
}

TEST(MainWindow, EnterOnTheWindowDoesNotCloseIt) {
  TempDir dir;
  UiProgram p(dir);
  for (QWidget* target : {static_cast<QWidget*>(&p.window), p.window.control(ctl::kBid2Sec)}) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(target, &escape);
  }
  QApplication::processEvents();
  EXPECT_TRUE(p.window.isVisible());
  EXPECT_EQ(p.controller.run.m_running, 0);
}

TEST(MainWindow, TheSchemeSelectorLoadsAndTheSaveButtonWrites) {
  TempDir dir;
  dir.write("profile_2.ini", "[Settings]\nLast Sec 2=47\nBid Dir 2=1\nDir Price 2=90000\n");
  UiProgram p(dir);
  auto* schemes = p.get<QComboBox>(ctl::kSchemeCombo);
  schemes->setCurrentIndex(1);
  emit schemes->activated(1);
  EXPECT_EQ(p.controller.run.m_schemeIndex, 1);
  EXPECT_EQ(p.window.controlText(ctl::kBid2Sec), "47");
  EXPECT_EQ(p.window.controlText(ctl::kBid2DirPrice), "90000");
  EXPECT_TRUE(p.get<QRadioButton>(ctl::kBid2DirRadio)->isChecked());
  EXPECT_FALSE(p.get<QRadioButton>(ctl::kBid2AddRadio)->isChecked());

  p.get<QLineEdit>(ctl::kBid2Sec)->setText("46");
  p.get<QPushButton>(ctl::kSaveScheme)->click();
  EXPECT_EQ(CIni(dir.dir(), "profile_2.ini", "Settings").ReadInt("Last Sec 2"), 46);
  EXPECT_EQ(CIni(dir.dir(), "profile.ini", "Settings").ReadInt("fangan"), 1);
  EXPECT_TRUE(p.messages.empty());
  EXPECT_EQ(p.window.controlText(ctl::kBlankLabel), "已保存：我的方案2") << "the save is seen";
}

TEST(MainWindow, ALockedStrategyIsHiddenForGood) {
  const auto shownIn = [](const UiProgram& p) { return ControlIds(p.window, &QWidget::isVisible); };
  std::set<int> shownUnlocked;
  {
    TempDir dir;
    UiProgram p(dir);
    shownUnlocked = shownIn(p);
    EXPECT_TRUE(p.window.control(ctl::kSchemeCombo)->isEnabled());
  }
  TempDir dir;
  dir.write("hd.txt", "");
  UiProgram p(dir);
  const std::set<int> shown = shownIn(p);
  EXPECT_EQ(Minus(shownUnlocked, shown), Minus(kLockedControls, kNeverShown));
  EXPECT_EQ(Minus(shown, shownUnlocked), std::set<int>{});
  EXPECT_FALSE(p.window.control(ctl::kSchemeCombo)->isEnabled());
  EXPECT_TRUE(p.window.control(ctl::kStartStop)->isVisible());

  p.get<QPushButton>(ctl::kStartStop)->click();
  p.get<QPushButton>(ctl::kStartStop)->click();
  EXPECT_EQ(p.controller.run.m_running, 0);
  EXPECT_EQ(shownIn(p), shown);
  EXPECT_FALSE(p.window.control(ctl::kSchemeCombo)->isEnabled());
}

TEST(MainWindow, StatusTicksAreRendered) {
  TempDir dir;
  UiProgram p(dir);
  p.controller.ToggleRun();
  ClockState& clockState = p.controller.clockState;
  PageState& page = p.controller.page;
  BidState& bid = p.controller.bid;
  // 11:29:18 of an auction ending 11:30, seen for the second time.
  testing::ShowTimeBeforeEnd(clockState, 42);
  clockState.PublishRemain(42, 1);
  page.m_lowestPrice.Set(88300);
  bid.m_systemState = 3;
  bid.m_myPrice = 88600;
  p.controller.StatusTick();
  p.controller.SecondTick();
  EXPECT_EQ(p.window.controlText(ctl::kRemainBox), "42 ..");
  EXPECT_EQ(p.window.controlText(ctl::kLowestPrice), "88300");
  EXPECT_EQ(p.window.controlText(ctl::kPriceGap), "300");
  EXPECT_EQ(p.window.controlText(ctl::kEngineStatus), "检测到回车，等待自动出价");
  EXPECT_NE(p.window.controlText(ctl::kProgress).find(">>>"), std::string::npos);
}

TEST(Dialogs, AdvancedOkCopiesBackAndCancelChangesNothing) {
  TempDir dir;
  UiProgram p(dir);
  auto s = [&p] { return p.controller.strategy.snapshot(); };
  p.editStrategy([](Strategy& x) { x.m_earlyMaxDiff = 600; });
  p.editStrategy([](Strategy& x) { x.m_advOption[3] = 1; });
  p.editStrategy([](Strategy& x) { x.m_advOption[16] = 1; });
  test::WhenModal<Ctavikadv>([](Ctavikadv& d) {
    qobject_cast<QCheckBox*>(d.control(adv::kSmartJudge))->setChecked(false);
    qobject_cast<QLineEdit*>(d.control(adv::kEarlyMaxDiff))->setText("250");
    d.reject();
  });
  p.get<QPushButton>(ctl::kAdvancedButton)->click();
  EXPECT_EQ(s()->m_advOption[3], 1);
  EXPECT_EQ(s()->m_earlyMaxDiff, 600);

  test::WhenModal<Ctavikadv>([](Ctavikadv& d) {
    EXPECT_EQ(qobject_cast<QLineEdit*>(d.control(adv::kEarlyMaxDiff))->text().toStdString(), "600");
    qobject_cast<QCheckBox*>(d.control(adv::kSmartJudge))->setChecked(false);
    qobject_cast<QLineEdit*>(d.control(adv::kEarlyMaxDiff))->setText("250");
    d.accept();
  });
  p.get<QPushButton>(ctl::kAdvancedButton)->click();
  EXPECT_EQ(s()->m_advOption[3], 0);
  EXPECT_EQ(s()->m_earlyMaxDiff, 250);
  EXPECT_EQ(s()->m_advOption[16], 1);  // hidden options pass through unchanged
}

// A control of a settings dialog with the strategy field it shows.
struct DialogField {
  int id;
  bool check;  // a checkbox; else an integer edit
  std::function<int32_t&(Strategy&)> field;
};

std::function<int32_t&(Strategy&)> Member(int32_t Strategy::*member) {
  return [member](Strategy& s) -> int32_t& { return s.*member; };
}

template <size_t N>
std::function<int32_t&(Strategy&)> Entry(int32_t (Strategy::*table)[N], int index) {
  return [table, index](Strategy& s) -> int32_t& { return (s.*table)[index]; };
}

// Advanced options 1..20 on their checkboxes, then the timing and jump numbers.
std::vector<DialogField> AdvancedDialogFields() {
  constexpr int kOptionBoxes[20] = {1005, 1010, 1012, 1016, 1057, 1058, 1059, 1060, 1061, 1062,
                                    1063, 1092, 1093, 1094, 1097, 1098, 1099, 1100, 1101, 1102};
  std::vector<DialogField> fields;
  for (int n = 1; n <= 20; ++n)
    fields.push_back({kOptionBoxes[n - 1], true, Entry(&Strategy::m_advOption, n)});
  fields.insert(fields.end(), {{1112, false, Member(&Strategy::m_earlyMaxDiff)},
                               {1114, false, Member(&Strategy::m_earlySec)},
                               {1117, false, Member(&Strategy::m_earlyDelayMs)},
                               {1116, false, Member(&Strategy::m_forceSec)},
                               {1146, false, Member(&Strategy::m_forceDelayMs)},
                               {1141, false, Member(&Strategy::m_jumpFastThreshold)},
                               {1008, false, Member(&Strategy::m_jumpSlowThreshold)}});
  return fields;
}

// The smart table's rows: seconds, increment, top-up, and on rows 1..6 the fast and slow
// amounts.
std::vector<DialogField> SmartDialogFields() {
  constexpr int kRows[12][5] = {
      {1045, 1049, 1016, 1130, 1131},
      {1046, 1050, 1022, 1132, 1008},
      {1047, 1051, 1024, 1112, 1128},
      {1048, 1052, 1026, 1009, 1129},
      {1070, 1075, 1086, 1133, 1134},
      {1071, 1076, 1011, 1135, 1136},
      {1072, 1077, 1087},
      {1073, 1079, 1013},
      {1074, 1078, 1014},
      {1080, 1081, 1015},
      {1082, 1083, 1088},
      {1084, 1085, 1017},
  };
  std::vector<DialogField> fields;
  for (int row = 1; row <= 12; ++row) {
    const int* ids = kRows[row - 1];
    fields.push_back({ids[0], false, Entry(&Strategy::m_smartSec, row)});
    fields.push_back({ids[1], false, Entry(&Strategy::m_smartAdd, row)});
    fields.push_back({ids[2], true, Entry(&Strategy::m_smartTopUp, row)});
    if (row > 6) continue;
    fields.push_back({ids[3], false, Entry(&Strategy::m_jumpFastAdd, row)});
    fields.push_back({ids[4], false, Entry(&Strategy::m_jumpSlowSub, row)});
  }
  return fields;
}

// What the dialog shows for `f`: "0" or "1" for a checkbox, the text of an edit.
std::string Shown(const SettingsDialog& d, const DialogField& f) {
  if (f.check) {
    auto* box = qobject_cast<QCheckBox*>(d.control(f.id));
    return box ? std::to_string(box->isChecked()) : "no checkbox";
  }
  auto* edit = qobject_cast<QLineEdit*>(d.control(f.id));
  return edit ? edit->text().toStdString() : "no edit";
}

// Opens the dialog of `button` five times and leaves it with OK, changing nothing. Before each
// pass the edits get numbers of their own; the checkboxes get bit `pass` of their position, so
// that every checkbox is set in some pass and any two differ in some pass.
template <typename Dialog>
void ExpectOkWithoutChangesKeepsEveryField(UiProgram& p, int button,
                                           const std::vector<DialogField>& fields) {
  static_assert(std::has_unique_object_representations_v<Strategy>);
  for (int pass = 0; pass < 5; ++pass) {
    SCOPED_TRACE(::testing::Message() << "pass " << pass);
    p.editStrategy([&](Strategy& s) {
      int check = 0, edit = 0;
      for (const DialogField& f : fields)
        f.field(s) = f.check ? (++check >> pass) & 1
                             : (pass % 2 ? -1 : 1) * ((pass + 1) * 1000 + 7 * ++edit);
    });
    Strategy before = p.controller.strategy.copy();
    bool closed = false;
    std::vector<std::string> messages;
    test::WhenModal<Dialog>([&](Dialog& d) {
      d.setMessageHandler([&](const QString& text) { messages.push_back(text.toStdString()); });
      for (const DialogField& f : fields)
        EXPECT_EQ(Shown(d, f), std::to_string(f.field(before))) << f.id;
      d.accept();
      closed = !d.isVisible();
      if (!closed) d.reject();  // refused: leave without taking anything
    });
    p.get<QPushButton>(button)->click();
    EXPECT_TRUE(closed) << "OK refused";
    EXPECT_EQ(messages, std::vector<std::string>{});
    Strategy after = p.controller.strategy.copy();
    for (const DialogField& f : fields) EXPECT_EQ(f.field(after), f.field(before)) << f.id;
    EXPECT_EQ(std::memcmp(&after, &before, sizeof(Strategy)), 0) << "a field outside the dialog";
  }
}

TEST(Dialogs, OkWithoutChangesKeepsEveryField) {
  TempDir dir;
  UiProgram p(dir);
  const std::vector<DialogField> advanced = AdvancedDialogFields();
  const std::vector<DialogField> smart = SmartDialogFields();
  ASSERT_EQ(advanced.size(), 27u);
  ASSERT_EQ(smart.size(), 48u);
  {
    SCOPED_TRACE("advanced options");
    ExpectOkWithoutChangesKeepsEveryField<Ctavikadv>(p, ctl::kAdvancedButton, advanced);
  }
  {
    SCOPED_TRACE("smart table");
    ExpectOkWithoutChangesKeepsEveryField<CSmartdlg>(p, ctl::kSmartButton, smart);
  }
}

TEST(Dialogs, SmartTableRefusesANonIntegerAndStaysOpen) {
  TempDir dir;
  UiProgram p(dir);
  auto s = [&p] { return p.controller.strategy.snapshot(); };
  std::vector<std::string> messages;
  bool stayedOpen = false;
  test::WhenModal<CSmartdlg>([&](CSmartdlg& d) {
    d.setMessageHandler([&](const QString& text) { messages.push_back(text.toStdString()); });
    qobject_cast<QLineEdit*>(d.control(smart::kSec1))->setText("-5");
    qobject_cast<QCheckBox*>(d.control(smart::kTopUp12))->setChecked(true);  // row 12's top-up
    qobject_cast<QLineEdit*>(d.control(smart::kSlow1))->setText("1,5");
    d.accept();
    stayedOpen = d.isVisible() && d.result() != QDialog::Accepted;
    EXPECT_TRUE(d.control(smart::kSlow1)->hasFocus() || QApplication::focusWidget() == nullptr);
    qobject_cast<QLineEdit*>(d.control(smart::kSlow1))->setText("15");
    d.accept();
  });
  p.get<QPushButton>(ctl::kSmartButton)->click();
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(messages, std::vector<std::string>{"请输入一个整数。"});
  EXPECT_EQ(s()->m_smartSec[1], -5);
  EXPECT_EQ(s()->m_jumpSlowSub[1], 15);
  EXPECT_EQ(s()->m_smartTopUp[12], 1);

  test::WhenModal<CSmartdlg>([](CSmartdlg& d) {
    qobject_cast<QLineEdit*>(d.control(smart::kSec1))->setText("99");
    d.reject();
  });
  p.get<QPushButton>(ctl::kSmartButton)->click();
  EXPECT_EQ(s()->m_smartSec[1], -5);
}

TEST(Dialogs, BidNumberIsCheckedBeforeTheDialogCloses) {
  TempDir dir;
  UiProgram p(dir);
  bool stayedOpen = false;
  test::WhenModal<BidNumberDialog>([&](BidNumberDialog& d) {
    d.edit()->setText("1234");
    d.accept();
    stayedOpen = d.isVisible();
    d.edit()->setText("12345678");
    d.accept();
  });
  p.window.openBidNumberDialog();
  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(p.messages.size(), 1u);
  EXPECT_NE(p.messages[0].find("8位数字"), std::string::npos);
  EXPECT_EQ(p.controller.run.m_bidNumber.get(), "12345678");
  EXPECT_EQ(CIni(dir.dir(), "profile.ini", "Settings").ReadString("Bid Number", ""), "12345678");
}

TEST(Dialogs, VersionNoticeOpensTheDownloadAddress) {
  TempDir dir;
  UiProgram p(dir);
  test::WhenModal<CRegback>([](CRegback& d) {
    d.findChild<QPushButton*>(QString::number(notice::kDownload))->click();
    d.accept();
  });
  p.window.showVersionNotice("http://tavik.example.net/download/tavik-9.1.5.zip");
  const auto launches = p.desktop.launches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].back(), "http://tavik.example.net/download/tavik-9.1.5.zip");

  test::WhenModal<CRegback>([](CRegback& d) {
    d.findChild<QPushButton*>(QString::number(notice::kDownload))->click();
    d.reject();
  });
  p.window.showVersionNotice("http://x");  // too short to be an address
  EXPECT_EQ(p.desktop.launches().size(), 1u);
}

}  // namespace
}  // namespace tavik

namespace tavik {
namespace {

QAction* MenuAction(MainWindow& window, const QString& text) {
  for (QAction* action : window.findChildren<QAction*>())
    if (action->text() == text) return action;
  return nullptr;
}

// 查看 → 查看上次运行报告: the user is told when no run has ended yet, and after a run the
// report beside the log opens in the browser.
TEST(MainWindow, LastRunReportOpensFromTheMenu) {
  testing::TempDir dir;
  UiProgram p(dir);
  QAction* open = MenuAction(p.window, QString::fromUtf8("查看上次运行报告(&R)"));
  ASSERT_NE(open, nullptr);
  open->trigger();
  EXPECT_EQ(p.messages, std::vector<std::string>{kNoRunReportYet});

  p.controller.ToggleRun();
  p.clock.runFor(1000);
  p.controller.ToggleRun();
  ASSERT_TRUE(p.controller.reports().waitIdle(10'000));
  open->trigger();
  const auto launches = p.desktop.launches();
  ASSERT_FALSE(launches.empty());
  EXPECT_EQ(launches.back().back(), p.controller.reports().lastReport());
  EXPECT_EQ(p.messages.size(), 1u);
}

}  // namespace
}  // namespace tavik
