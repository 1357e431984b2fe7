// The Win32 window on a real (Wine) desktop: every control of the Qt window under its id, with
// its caption, in its group and in the same order; the view's calls; the dialogs' data
// exchange; the mailbox and the timers on the window's thread.

#include "ui_win32/main_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/run_state.h"
#include "settings/control_ids.h"
#include "settings/controls.h"
#include "settings/strategy.h"
#include "ui_win32/dialogs.h"
#include "ui_win32/win32_loop.h"

namespace tavik::win32ui {
namespace {

// Dispatches this thread's messages until `done` or about three seconds.
template <typename Done>
bool PumpUntil(Done done) {
  for (int i = 0; i < 300 && !done(); ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return done();
}

// The group box around a control, by its caption; empty for none.
std::string GroupOf(HWND window, HWND control) {
  RECT c;
  GetWindowRect(control, &c);
  std::string found;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[16] = {};
    GetClassNameW(child, cls, 16);
    if (std::wstring(cls) != L"Button" ||
        (GetWindowLongPtrW(child, GWL_STYLE) & 0x0F) != BS_GROUPBOX)
      continue;
    RECT g;
    GetWindowRect(child, &g);
    if (c.left >= g.left && c.right <= g.right && c.top >= g.top && c.bottom <= g.bottom) {
      wchar_t text[64] = {};
      GetWindowTextW(child, text, 64);
      found = U8(text);
    }
  }
  return found;
}

struct Expected {
  int id;
  const char* caption;
  const char* group;
};

// The visible controls in the order of the Qt window, with their captions and groups.
const Expected kVisible[] = {
    {ctl::kNetModeMark, "", ""},
    {ctl::kClock, "", ""},
    {ctl::kEndTime, "", ""},
    {ctl::kLowestPrice, "", ""},
    {ctl::kAddMiaoMark, "-", ""},
    {ctl::kRemainBox, "", ""},
    {ctl::kCompatMode, "界面兼容模式", ""},
    {ctl::kMyPrice, "", ""},
    {ctl::kPriceGap, "", ""},
    {ctl::kEngineStatus, "------------------", ""},
    {ctl::kProgress, "无出价指令", ""},
    {ctl::kNextStage, "第一次出价", ""},
    {ctl::kCaptchaMark, "-", ""},
    {ctl::kAutoBid2, "在结束拍卖前", "第二次出价"},
    {ctl::kBid2Sec, "", "第二次出价"},
    {ctl::kBid2SecLabel, "秒自动出以下价格", "第二次出价"},
    {ctl::kBid2AddRadio, "最低成交价上+", "第二次出价"},
    {ctl::kBid2AddPrice, "", "第二次出价"},
    {ctl::kBid2TopUp, "补档", "第二次出价"},
    {ctl::kBid2SmartRadio, "智能出价", "第二次出价"},
    {ctl::kSmartButton, "智能出价设定", "第二次出价"},
    {ctl::kBid2DirRadio, "直接伏击出价", "第二次出价"},
    {ctl::kBid2DirPrice, "", "第二次出价"},
    {ctl::kBid3NowRadio, "A. 完成第二次出价后立即智能出价", "第三次出价"},
    {ctl::kBid3AtSecRadio, "B. 在结束拍卖前", "第三次出价"},
    {ctl::kBid3Sec, "", "第三次出价"},
    {ctl::kBid3SecLabel, "秒，执行在当前的", "第三次出价"},
    {ctl::kBid3AddLabel, "最低成交价+", "第三次出价"},
    {ctl::kBid3AddPrice, "", "第三次出价"},
    {ctl::kBid3TopUp, "补档", "第三次出价"},
    {ctl::kRemedyOn, "还剩", "补救策略 (检查当前出价是否合理)"},
    {ctl::kRemedySec, "", "补救策略 (检查当前出价是否合理)"},
    {ctl::kRemedyMinDiff, "", "补救策略 (检查当前出价是否合理)"},
    {ctl::kRemedyMaxDiff, "", "补救策略 (检查当前出价是否合理)"},
    {ctl::kRemedyAdd, "", "补救策略 (检查当前出价是否合理)"},
    {ctl::kRemedyTopUp, "补档", "补救策略 (检查当前出价是否合理)"},
    {ctl::kSchemeCombo, "", ""},
    {ctl::kSaveScheme, "保存配置", ""},
    {ctl::kStartStop, "开始运行", ""},
    {ctl::kLaunchPractice, "载入仿真练习", ""},
    {ctl::kLaunchRealClient, "载入正式拍牌", ""},
    {ctl::kAdvancedButton, "高级", ""},
    {ctl::kHelpButton, "帮助", ""},
    {ctl::kKeyHelp, "F2: 切换到手动    | 空格键：取消当前验证码框", ""},
    {ctl::kBlankLabel, "", ""},
    {ctl::kClientStatus, "提示: 拍卖客户端程序未运行", ""},
    {ctl::kFocusSink, "", ""},
};

// Controls that exist for the data exchange and the handlers but are never shown.
const Expected kHidden[] = {
    {ctl::kRecording, "录像", ""},
    {ctl::kDefaultButton, "Button4", ""},
    {ctl::kAutoBid3, "在结束拍卖前", ""},
    {ctl::kBid3AddRadio, "最低成交价上+", ""},
    {ctl::kBid3SmartRadio, "智能出价", ""},
    {ctl::kBid3DirRadio, "直接伏击出价", ""},
    {ctl::kBid3DirPrice, "", ""},
    {ctl::kBid2LateSmart, "出错等情况智能出价", ""},
    {ctl::kBid3LateSmart, "出错等情况智能出价", ""},
    {ctl::kAutoDisconnect, "自动", ""},
    {ctl::kHiddenSmartButton, "智能出价设定", ""},
    {ctl::kVendorDownload, "TT", ""},
    {ctl::kDisconnectButton, "断开连接/快捷键[ESC]", ""},
    {ctl::kManualOnly, "关闭全自动出价,全手动操作.（只提示价格)", ""},
    {ctl::kUnusedBox, "", ""},
    {ctl::kZeroLabel, "0", ""},
    {ctl::kLetterLabel, "A", ""},
    {ctl::kAddressLabel, "0.0.0.0", ""},
};

TEST(Win32MainWindow, EveryControlByItsIdWithItsCaptionGroupAndOrder) {
  MainWindow window;
  window.show();
  std::vector<int> visibleOrder;
  for (const int id : window.ids())
    if (IsWindowVisible(GetDlgItem(window.hwnd(), id))) visibleOrder.push_back(id);
  std::vector<int> expectedOrder;
  for (const Expected& e : kVisible) {
    SCOPED_TRACE(e.id);
    HWND c = GetDlgItem(window.hwnd(), e.id);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(IsWindowVisible(c));
    EXPECT_EQ(window.controlText(e.id), e.caption);
    EXPECT_EQ(GroupOf(window.hwnd(), c), e.group);
    expectedOrder.push_back(e.id);
  }
  EXPECT_EQ(visibleOrder, expectedOrder);
  for (const Expected& e : kHidden) {
    SCOPED_TRACE(e.id);
    HWND c = GetDlgItem(window.hwnd(), e.id);
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(IsWindowVisible(c));
    EXPECT_EQ(window.controlText(e.id), e.caption);
  }
  for (const int id : StrategyControlIds()) EXPECT_NE(window.control(id), nullptr) << id;
}

TEST(Win32MainWindow, TheViewSetsAndReadsItsControls) {
  MainWindow window;
  window.setTitle("tavik 9.1.4 沪牌");
  EXPECT_EQ(window.controlText(-1), "tavik 9.1.4 沪牌");
  window.setText(ctl::kLowestPrice, "88300");
  EXPECT_EQ(window.controlText(ctl::kLowestPrice), "88300");
  window.setChecked(ctl::kBid2TopUp, true);
  EXPECT_TRUE(window.isChecked(ctl::kBid2TopUp));
  window.setChecked(ctl::kBid2TopUp, false);
  EXPECT_FALSE(window.isChecked(ctl::kBid2TopUp));
  for (const char* scheme : {"我的方案1", "我的方案2", "我的方案3"})
    window.addComboItem(ctl::kSchemeCombo, scheme);
  EXPECT_EQ(window.comboCount(ctl::kSchemeCombo), 3);
  window.setComboSelection(ctl::kSchemeCombo, 2);
  EXPECT_EQ(window.comboSelection(ctl::kSchemeCombo), 2);
  window.enableStrategyControls(false);
  EXPECT_FALSE(IsWindowEnabled(window.control(ctl::kBid2AddPrice)));
  window.enableStrategyControls(true);
  EXPECT_TRUE(IsWindowEnabled(window.control(ctl::kBid2AddPrice)));
  window.hideStrategyControls();
  EXPECT_FALSE(IsWindowEnabled(window.control(ctl::kSchemeCombo)));
  std::vector<std::string> boxes;
  window.setMessageHandler([&](const std::string& text) { boxes.push_back(text); });
  window.messageBox("请先输入投标号");
  EXPECT_EQ(boxes, std::vector<std::string>{"请先输入投标号"});
}

// OK takes every control into the copy; a box that is not an integer is refused with the
// message, and nothing of the copy changes.
TEST(Win32SettingsDialogs, OkTakesTheValuesOrRefusesANonInteger) {
  Strategy strategy;
  const auto bindings = SmartDialogBindings(strategy);
  std::vector<int32_t> values = CopyIn(bindings);
  SmartDialog dialog(bindings, values, nullptr);
  std::vector<std::string> messages;
  dialog.setMessageHandler([&](const std::string& text) { messages.push_back(text); });
  const int firstEdit = bindings[0].id;
  SetWindowTextW(dialog.control(firstEdit), L"4x");
  dialog.accept();
  EXPECT_EQ(messages, std::vector<std::string>{kNotAnInteger});
  EXPECT_EQ(dialog.values(), values);
  SetWindowTextW(dialog.control(firstEdit), L"17");
  dialog.accept();
  EXPECT_EQ(dialog.values()[0], 17);

  Strategy advanced;
  const auto advBindings = AdvancedDialogBindings(advanced);
  AdvancedDialog adv(advBindings, CopyIn(advBindings), nullptr);
  for (const BoundControl& b : advBindings) EXPECT_NE(adv.control(b.id), nullptr) << b.id;
}

TEST(Win32AboutDialog, ShowsTheVersion) {
  AboutDialog about(nullptr);
  EXPECT_EQ(about.text(kAboutVersion), std::string("版本 ") + g_version);
}

TEST(Win32Loop, PostedWorkAndTimersRunOnTheWindowsThreadInOrder) {
  Win32Mailbox mailbox;
  Win32Timers timers(mailbox);
  const std::thread::id windowThread = std::this_thread::get_id();
  std::vector<int> order;
  std::vector<int> fired;
  bool allOnWindowThread = true;
  timers.setHandler([&](int id) {
    allOnWindowThread &= std::this_thread::get_id() == windowThread;
    fired.push_back(id);
    timers.stop(id);
  });
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i)
      mailbox.post([&, i] {
        allOnWindowThread &= std::this_thread::get_id() == windowThread;
        order.push_back(i);
      });
    timers.start(9, 20);
  });
  worker.join();
  EXPECT_TRUE(timers.isActive(9));
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 3 && !fired.empty(); }));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(fired, std::vector<int>{9});
  EXPECT_FALSE(timers.isActive(9));
  EXPECT_TRUE(allOnWindowThread);
}

}  // namespace
}  // namespace tavik::win32ui
