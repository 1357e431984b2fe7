#include "ui_win32/main_window.h"

#include "app/assistant.h"
#include "settings/control_ids.h"
#include "settings/controls.h"
#include "ui_win32/calibration_window.h"
#include "ui_win32/dialogs.h"
#include "ui_win32/page_view_window.h"

namespace tavik::win32ui {
namespace {

// Radio groups of the window: the second bid's price, the third bid's moment and the third
// bid's price (hidden).
enum RadioGroup { kBid2Price = 1, kBid3When = 2, kBid3Price = 3 };

constexpr int kWidth = 330;
constexpr int kCaptionWidth = 92;

}  // namespace

MainWindow::MainWindow()
    : messageHandler_([this](const std::string& text) {
        const std::string title = controlText(-1);
        MessageBoxW(hwnd(), W(text).c_str(), W(title).c_str(), MB_OK | MB_ICONINFORMATION);
      }) {
  create("tavik", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, nullptr, kWidth);
  buildMenu();
  build(false);
  arrangeForScreen();
}

namespace {

// What a control shows and how, kept across a new arrangement of the window.
struct ControlLook {
  std::wstring text;
  LRESULT check = BST_UNCHECKED;
  bool enabled = true;
  bool visible = true;
  std::vector<std::wstring> items;  // a combo box's list
  LRESULT selected = CB_ERR;
};

ControlLook LookOf(HWND c) {
  ControlLook look;
  look.text.resize(size_t(GetWindowTextLengthW(c)) + 1);
  look.text.resize(size_t(GetWindowTextW(c, look.text.data(), int(look.text.size()))));
  look.check = SendMessageW(c, BM_GETCHECK, 0, 0);
  look.enabled = IsWindowEnabled(c) != FALSE;
  look.visible = (GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE) != 0;
  wchar_t cls[16] = {};
  GetClassNameW(c, cls, 16);
  if (std::wstring(cls) == L"ComboBox") {
    const LRESULT count = SendMessageW(c, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      std::wstring item(size_t(SendMessageW(c, CB_GETLBTEXTLEN, WPARAM(i), 0)) + 1, L'\0');
      SendMessageW(c, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(item.data()));
      item.resize(wcslen(item.c_str()));
      look.items.push_back(item);
    }
    look.selected = SendMessageW(c, CB_GETCURSEL, 0, 0);
  }
  return look;
}

void Show(HWND c, const ControlLook& look) {
  for (const std::wstring& item : look.items)
    SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  if (!look.items.empty()) {
    SendMessageW(c, CB_SETCURSEL, WPARAM(look.selected), 0);
  } else {
    SetWindowTextW(c, look.text.c_str());
    SendMessageW(c, BM_SETCHECK, WPARAM(look.check), 0);
  }
  EnableWindow(c, look.enabled);
  ShowWindow(c, look.visible ? SW_SHOW : SW_HIDE);
}

}  // namespace

// One narrow column beside the auction page where the screen is tall enough; else (a laptop
// at 125% or 150%, or a window moved to such a screen) two columns side by side, so that
// nothing lies below the screen's edge.
void MainWindow::arrangeForScreen() {
  oneColumnHeight96_ = MulDiv(laidOutSize().cy, 96, dpi());
  if (!fitsWorkArea()) relayout(true);
}

bool MainWindow::oneColumnFits() const {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(hwnd(), MONITOR_DEFAULTTOPRIMARY), &monitor)) return true;
  const int frame = outerSize().cy - laidOutSize().cy;
  return MulDiv(oneColumnHeight96_, dpi(), 96) + frame <=
         monitor.rcWork.bottom - monitor.rcWork.top;
}

void MainWindow::relayout(bool twoColumns) {
  std::map<int, ControlLook> looks;
  for (const int id : ids())
    if (HWND c = control(id)) looks[id] = LookOf(c);
  clearLayout();
  build(twoColumns);
  for (const auto& [id, look] : looks)
    if (HWND c = control(id)) Show(c, look);
}

void MainWindow::onDpiChanged(int dpi, const RECT* suggested) {
  applyDpi(dpi, suggested);
  // The arrangement that suits one screen may not suit the other: a column that fits at 100%
  // runs off a screen at 200%. Laid out anew at the DPI just given.
  const bool twoColumns = !oneColumnFits();
  if (twoColumns == twoColumns_) return;
  followMonitorDpi_ = false;
  relayout(twoColumns);
  followMonitorDpi_ = true;
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void MainWindow::build(bool twoColumns) {
  twoColumns_ = twoColumns;
  if (twoColumns) beginColumns();
  buildStatus();
  buildSecondBid();
  if (twoColumns) nextColumn();
  buildThirdBid();
  buildRemedy();
  buildCommands();
  if (twoColumns) endColumns();
  buildHidden();
  finish();
}

bool MainWindow::fitsWorkArea() const {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(hwnd(), MONITOR_DEFAULTTOPRIMARY), &monitor)) return true;
  return outerSize().cy <= monitor.rcWork.bottom - monitor.rcWork.top;
}

MainWindow::~MainWindow() = default;

void MainWindow::show() {
  ShowWindow(hwnd(), SW_SHOW);
  UpdateWindow(hwnd());
}

void MainWindow::buildMenu() {
  HMENU bar = CreateMenu();
  HMENU settings = CreatePopupMenu();
  AppendMenuW(settings, MF_STRING, kMenuBidNumber, L"投标号(&B)...");
  HMENU view = CreatePopupMenu();
  AppendMenuW(view, MF_STRING, kMenuPageView, L"tavik 看到的页面(&P)...");
  AppendMenuW(view, MF_STRING, kMenuCalibration, L"从屏幕学习字库(&L)...");
  AppendMenuW(view, MF_STRING, kMenuLastReport, L"查看上次运行报告(&R)");
  HMENU help = CreatePopupMenu();
  AppendMenuW(help, MF_STRING, kMenuHelp, L"使用帮助(&H)");
  AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(help, MF_STRING, kMenuAbout, L"关于 tavik(&A)...");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(settings), L"设置(&S)");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"查看(&V)");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"帮助(&H)");
  SetMenu(hwnd(), bar);
}

// Caption, value and, to its right, the small marks and options of that line.
void MainWindow::statusLine(const char* caption, Kind kind, int id, const char* text, int width) {
  newRow();
  skip(10);
  add(Kind::Label, -1, caption, kCaptionWidth);
  add(kind, id, text, width);
}

void MainWindow::buildStatus() {
  newRow();
  add(Kind::Label, ctl::kNetModeMark, "", 10);
  statusLine("系统目前时间", Kind::ReadOnly, ctl::kClock, "");
  statusLine("拍卖结束时间", Kind::ReadOnly, ctl::kEndTime, "");
  statusLine("最低可成交价", Kind::ReadOnly, ctl::kLowestPrice, "");
  add(Kind::Label, ctl::kAddMiaoMark, "-", 20);
  statusLine("拍卖剩余时间", Kind::ReadOnly, ctl::kRemainBox, "");
  add(Kind::Check, ctl::kCompatMode, "界面兼容模式");
  statusLine("本次出的价格", Kind::ReadOnly, ctl::kMyPrice, "");
  // Shown once a bid number is set and recording is on.
  ShowWindow(add(Kind::Check, ctl::kRecording, "录像"), SW_HIDE);
  statusLine("差价还有", Kind::ReadOnly, ctl::kPriceGap, "");
  statusLine("自动出价状态：", Kind::Label, ctl::kEngineStatus, "------------------", 200);
  statusLine("回车自动出价：", Kind::Label, ctl::kProgress, "无出价指令", 200);
  statusLine("下个出价阶段:", Kind::Label, ctl::kNextStage, "第一次出价", 120);
  add(Kind::Label, ctl::kCaptchaMark, "-", 20);
}

HWND MainWindow::radio(int id, const char* caption, int group, int width) {
  radioGroup_[id] = group;
  return add(Kind::Radio, id, caption, width);
}

void MainWindow::buildSecondBid() {
  beginGroup("第二次出价");
  newRow();
  EnableWindow(add(Kind::Check, ctl::kAutoBid2, "在结束拍卖前", 110), FALSE);
  add(Kind::Edit, ctl::kBid2Sec, "");
  add(Kind::Label, ctl::kBid2SecLabel, "秒自动出以下价格");
  newRow();
  radio(ctl::kBid2AddRadio, "最低成交价上+", kBid2Price, 110);
  add(Kind::Edit, ctl::kBid2AddPrice, "");
  add(Kind::Check, ctl::kBid2TopUp, "补档");
  newRow();
  radio(ctl::kBid2SmartRadio, "智能出价", kBid2Price, 110);
  add(Kind::Button, ctl::kSmartButton, "智能出价设定");
  commands_[ctl::kSmartButton] = [this] { openSmartDialog(); };
  newRow();
  radio(ctl::kBid2DirRadio, "直接伏击出价", kBid2Price, 110);
  add(Kind::Edit, ctl::kBid2DirPrice, "");
  endGroup();
}

void MainWindow::buildThirdBid() {
  beginGroup("第三次出价");
  newRow();
  radio(ctl::kBid3NowRadio, "A. 完成第二次出价后立即智能出价", kBid3When);
  newRow();
  radio(ctl::kBid3AtSecRadio, "B. 在结束拍卖前", kBid3When, 110);
  add(Kind::Edit, ctl::kBid3Sec, "");
  add(Kind::Label, ctl::kBid3SecLabel, "秒，执行在当前的");
  newRow();
  HWND addLabel = add(Kind::Label, ctl::kBid3AddLabel, "最低成交价+", 110);
  SetWindowLongPtrW(addLabel, GWL_STYLE, GetWindowLongPtrW(addLabel, GWL_STYLE) | SS_RIGHT);
  add(Kind::Edit, ctl::kBid3AddPrice, "");
  add(Kind::Check, ctl::kBid3TopUp, "补档");
  endGroup();
}

void MainWindow::buildRemedy() {
  beginGroup("补救策略 (检查当前出价是否合理)");
  newRow();
  add(Kind::Check, ctl::kRemedyOn, "还剩");
  add(Kind::Edit, ctl::kRemedySec, "");
  add(Kind::Label, -1, "秒和最低成交价差价必须>=");
  newRow();
  add(Kind::Edit, ctl::kRemedyMinDiff, "");
  add(Kind::Label, -1, "并且<=");
  add(Kind::Edit, ctl::kRemedyMaxDiff, "");
  add(Kind::Label, -1, ",否则重新+");
  newRow();
  add(Kind::Edit, ctl::kRemedyAdd, "");
  add(Kind::Label, -1, "重出");
  add(Kind::Check, ctl::kRemedyTopUp, "补档");
  endGroup();
}

void MainWindow::buildCommands() {
  constexpr int kHalf = (kWidth - 16 - 8 - 4) / 2 - 4;
  newRow(24);
  add(Kind::Combo, ctl::kSchemeCombo, "", kHalf, 200);
  add(Kind::Button, ctl::kSaveScheme, "保存配置", kHalf, 24);
  // A good save shows its sign (app/saved_sign.h).
  commands_[ctl::kSaveScheme] = [this] { forward([](Assistant& c) { c.SaveScheme(); }); };
  newRow(30);
  add(Kind::Button, ctl::kStartStop, "开始运行", 2 * kHalf + 4, 30);
  commands_[ctl::kStartStop] = [this] { forward([](Assistant& c) { c.ToggleRun(); }); };
  newRow(24);
  add(Kind::Button, ctl::kLaunchPractice, "载入仿真练习", kHalf, 24);
  commands_[ctl::kLaunchPractice] = [this] { forward([](Assistant& c) { c.LaunchPractice(); }); };
  add(Kind::Button, ctl::kLaunchRealClient, "载入正式拍牌", kHalf, 24);
  commands_[ctl::kLaunchRealClient] = [this] {
    forward([](Assistant& c) { c.LaunchRealClient(); });
  };
  newRow(24);
  add(Kind::Button, ctl::kAdvancedButton, "高级", kHalf, 24);
  commands_[ctl::kAdvancedButton] = [this] { openAdvancedDialog(); };
  add(Kind::Button, ctl::kHelpButton, "帮助", kHalf, 24);
  commands_[ctl::kHelpButton] = [this] { openHelpDialog(); };
  newRow(18);
  add(Kind::Label, ctl::kKeyHelp, "F2: 切换到手动    | 空格键：取消当前验证码框", 2 * kHalf + 4);
  newRow(14);
  add(Kind::Label, ctl::kBlankLabel, "", 2 * kHalf + 4);
  newRow(32);
  add(Kind::Label, ctl::kClientStatus, "提示: 拍卖客户端程序未运行", 2 * kHalf + 4);
  // Takes the keyboard focus at Start, so that no strategy box keeps it.
  newRow(1);
  add(Kind::Label, ctl::kFocusSink, "", 2 * kHalf + 4);
}

void MainWindow::buildHidden() {
  // Controls that carry settings or were never shown: they exist for the data exchange and
  // the handlers, and stay hidden.
  const size_t first = ids().size();
  newRow();
  add(Kind::DefaultButton, ctl::kDefaultButton, "Button4");
  add(Kind::Check, ctl::kAutoBid3, "在结束拍卖前");
  radio(ctl::kBid3AddRadio, "最低成交价上+", kBid3Price);
  radio(ctl::kBid3SmartRadio, "智能出价", kBid3Price);
  radio(ctl::kBid3DirRadio, "直接伏击出价", kBid3Price);
  add(Kind::Edit, ctl::kBid3DirPrice, "");
  add(Kind::Check, ctl::kBid2LateSmart, "出错等情况智能出价");
  add(Kind::Check, ctl::kBid3LateSmart, "出错等情况智能出价");
  add(Kind::Check, ctl::kAutoDisconnect, "自动");
  add(Kind::Button, ctl::kHiddenSmartButton, "智能出价设定");
  commands_[ctl::kHiddenSmartButton] = [this] { openSmartDialog(); };
  add(Kind::Button, ctl::kVendorDownload, "TT");
  commands_[ctl::kVendorDownload] = [this] {
    forward([](Assistant& c) { c.OpenVendorDownloadPage(); });
  };
  add(Kind::Button, ctl::kDisconnectButton, "断开连接/快捷键[ESC]");
  add(Kind::Check, ctl::kManualOnly, "关闭全自动出价,全手动操作.（只提示价格)");
  add(Kind::ReadOnly, ctl::kUnusedBox, "");
  add(Kind::Label, ctl::kZeroLabel, "0");
  add(Kind::Label, ctl::kLetterLabel, "A");
  add(Kind::Label, ctl::kAddressLabel, "0.0.0.0");
  for (size_t i = first; i < ids().size(); ++i) ShowWindow(control(ids()[i]), SW_HIDE);
  newRow(0);
}

void MainWindow::forward(const std::function<void(Assistant&)>& command) {
  if (controller_) command(*controller_);
}

void MainWindow::onCommand(int id, int code) {
  switch (id) {
    case kMenuBidNumber:
      return openBidNumberDialog();
    case kMenuHelp:
      return openHelpDialog();
    case kMenuAbout:
      return openAboutDialog();
    case kMenuPageView:
      return openPageView();
    case kMenuCalibration:
      return openCalibration();
    case kMenuLastReport:
      return forward([](Assistant& c) { c.OpenLastRunReport(); });
    default:
      break;
  }
  if (id == ctl::kSchemeCombo) {
    // CBN_SELCHANGE comes from the user only: selecting from the program loads nothing twice.
    if (code == CBN_SELCHANGE) {
      const int index = comboSelection(id);
      forward([index](Assistant& c) { c.OnSchemeSelected(index); });
    }
    return;
  }
  if (code != BN_CLICKED) return;
  if (auto group = radioGroup_.find(id); group != radioGroup_.end()) {
    // Exclusivity is kept by hand, so that a scheme with no radio of a group set shows none.
    for (const auto& [other, g] : radioGroup_)
      if (g == group->second) Form::setChecked(other, other == id);
    forward([id](Assistant& c) { c.OnControlClicked(id, true); });
    return;
  }
  if (auto command = commands_.find(id); command != commands_.end()) {
    command->second();
    return;
  }
  HWND c = control(id);
  if (c && (GetWindowLongPtrW(c, GWL_STYLE) & 0x0F) == BS_AUTOCHECKBOX) {
    const bool on = Form::checked(id);
    forward([id, on](Assistant& ctl) { ctl.OnControlClicked(id, on); });
  }
}

bool MainWindow::onClose() {
  return true;
}

LRESULT MainWindow::onMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return Form::onMessage(msg, wparam, lparam);
}

// A settings dialog edits a copy of the strategy in force; OK publishes its values in one
// step over the strategy in force then (which a scheme load may have changed meanwhile).
void MainWindow::openAdvancedDialog() {
  if (!controller_) return;
  Strategy copy = controller_->StrategyInForce();
  const auto bindings = AdvancedDialogBindings(copy);
  AdvancedDialog dialog(bindings, CopyIn(bindings), hwnd());
  if (dialog.runModal(hwnd()) != IDOK) return;
  const std::vector<int32_t> values = dialog.values();
  controller_->EditStrategy([&](Strategy& s) { CopyOut(AdvancedDialogBindings(s), values); });
}

void MainWindow::openSmartDialog() {
  if (!controller_) return;
  Strategy copy = controller_->StrategyInForce();
  const auto bindings = SmartDialogBindings(copy);
  SmartDialog dialog(bindings, CopyIn(bindings), hwnd());
  if (dialog.runModal(hwnd()) != IDOK) return;
  const std::vector<int32_t> values = dialog.values();
  controller_->EditStrategy([&](Strategy& s) { CopyOut(SmartDialogBindings(s), values); });
}

void MainWindow::openHelpDialog() {
  HelpDialog dialog(hwnd());
  dialog.runModal(hwnd());
}

void MainWindow::openAboutDialog() {
  AboutDialog dialog(hwnd());
  dialog.runModal(hwnd());
}

void MainWindow::openBidNumberDialog() {
  if (!controller_) return;
  BidNumberDialog dialog(
      controller_->BidNumber(),
      [this](const std::string& text) { return controller_->EnterBidNumber(text); }, hwnd());
  dialog.runModal(hwnd());
}

// The view of what tavik sees, made on first use; its feed captures only while it is open.
void MainWindow::openPageView() {
  if (!controller_) return;
  if (!pageView_)
    pageView_ = std::make_unique<PageViewWindow>(
        std::make_unique<SeenPageFeed>(controller_->seenPageSources()), hwnd());
  pageView_->open();
}

// The guided calibration, made anew each time: a session captures only while it is open.
void MainWindow::openCalibration() {
  if (!controller_) return;
  calibration_.reset();
  calibration_ = std::make_unique<CalibrationWindow>(*controller_, hwnd());
  calibration_->open();
}

WindowId MainWindow::nativeWindow() const {
  return WindowId(reinterpret_cast<uintptr_t>(hwnd()));
}

void MainWindow::setTitle(const std::string& title) {
  SetWindowTextW(hwnd(), W(title).c_str());
}

void MainWindow::moveTo(int x, int y) {
  SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::setText(int id, const std::string& text) {
  Form::setText(id, text);
}

void MainWindow::setChecked(int id, bool checked) {
  Form::setChecked(id, checked);
}

void MainWindow::setVisible(int id, bool visible) {
  if (HWND c = control(id)) ShowWindow(c, visible ? SW_SHOW : SW_HIDE);
}

void MainWindow::setFocus(int id) {
  if (HWND c = control(id)) SetFocus(c);
}

void MainWindow::enableStrategyControls(bool on) {
  for (int id : StrategyControlIds())
    if (HWND c = control(id)) EnableWindow(c, on);
}

void MainWindow::hideStrategyControls() {
  for (int id : HiddenStrategyControlIds())
    if (HWND c = control(id)) ShowWindow(c, SW_HIDE);
  if (HWND c = control(ctl::kSchemeCombo)) EnableWindow(c, FALSE);
}

// -1 stands for the window's own title.
std::string MainWindow::controlText(int id) const {
  if (id != -1) return Form::text(id);
  std::wstring t(size_t(GetWindowTextLengthW(hwnd())) + 1, L'\0');
  t.resize(size_t(GetWindowTextW(hwnd(), t.data(), int(t.size()))));
  return U8(t);
}

bool MainWindow::isChecked(int id) const {
  return Form::checked(id);
}

void MainWindow::addComboItem(int id, const std::string& text) {
  if (HWND c = control(id))
    SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(text).c_str()));
}

int MainWindow::comboCount(int id) const {
  HWND c = control(id);
  return c ? int(SendMessageW(c, CB_GETCOUNT, 0, 0)) : 0;
}

void MainWindow::setComboSelection(int id, int index) {
  if (HWND c = control(id)) SendMessageW(c, CB_SETCURSEL, WPARAM(index), 0);
}

int MainWindow::comboSelection(int id) const {
  HWND c = control(id);
  return c ? int(SendMessageW(c, CB_GETCURSEL, 0, 0)) : -1;
}

void MainWindow::messageBox(const std::string& text) {
  messageHandler_(text);
}

void MainWindow::showVersionNotice(const std::string& downloadUrl) {
  VersionNoticeDialog dialog(
      downloadUrl,
      [this](const std::string& url) { forward([&](Assistant& c) { c.OpenUrl(url); }); }, hwnd());
  dialog.runModal(hwnd());
}

}  // namespace tavik::win32ui
