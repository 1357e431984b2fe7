#include "ui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>

#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include "ui/calibration_window.h"
#include "ui/page_view_window.h"

#include "app/assistant.h"
#include "settings/control_ids.h"
#include "settings/controls.h"
#include "ui/settings_dialogs.h"
#include "ui/small_dialogs.h"
#include "ui/widget_helpers.h"

namespace tavik {

namespace {

// Radio groups of the window: the second bid's price, the third bid's moment and the third
// bid's price (hidden).
enum RadioGroup { kBid2Price = 1, kBid3When = 2, kBid3Price = 3 };

constexpr int kEditWidth = 58;
constexpr int kEditHeight = 22;

}  // namespace

void InstallWindowFont() {
  QFont font(U("WenQuanYi Micro Hei"), 9);
  font.setStyleHint(QFont::SansSerif);
  QApplication::setFont(font);
}

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent), messageHandler_([this](const std::string& text) {
        QMessageBox::information(this, windowTitle(), QString::fromStdString(text));
      }) {
  setWindowIcon(style()->standardIcon(QStyle::SP_ComputerIcon));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 4);
  layout->setSpacing(2);
  buildMenu(layout);
  layout->addWidget(buildStatus());
  layout->addWidget(buildSecondBid());
  layout->addWidget(buildThirdBid());
  layout->addWidget(buildRemedy());
  layout->addWidget(buildCommands());
  layout->addStretch();
  buildHidden();
  setFixedWidth(330);
}

template <typename W>
W* MainWindow::add(int id, W* widget) {
  widget->setObjectName(QString::number(id));
  controls_[id] = widget;
  return widget;
}

QLineEdit* MainWindow::edit(int id, QWidget* parent) {
  auto* e = add(id, new QLineEdit(parent));
  e->setFixedSize(kEditWidth, kEditHeight);
  return e;
}

QLineEdit* MainWindow::readOnlyBox(int id, QWidget* parent) {
  auto* e = add(id, new QLineEdit(parent));
  e->setFixedHeight(kEditHeight);
  e->setReadOnly(true);
  e->setEnabled(false);
  return e;
}

QLabel* MainWindow::label(int id, const char* text, QWidget* parent) {
  return add(id, new QLabel(U(text), parent));
}

QAbstractButton* MainWindow::check(int id, const char* caption, QWidget* parent) {
  auto* box = add(id, new QCheckBox(U(caption), parent));
  connect(box, &QCheckBox::clicked, this, [this, id](bool checked) {
    forward([=](Assistant& c) { c.OnControlClicked(id, checked); });
  });
  return box;
}

QRadioButton* MainWindow::radio(int id, const char* caption, int group, QWidget* parent) {
  auto* r = add(id, new QRadioButton(U(caption), parent));
  // Exclusivity is kept by hand, so that a scheme with no radio of a group set shows none.
  r->setAutoExclusive(false);
  radioGroups_[group].push_back(r);
  connect(r, &QRadioButton::clicked, this, [this, r, group] { radioClicked(r, group); });
  return r;
}

void MainWindow::radioClicked(QRadioButton* clicked, int group) {
  for (QRadioButton* r : radioGroups_[group]) r->setChecked(r == clicked);
  const int id = clicked->objectName().toInt();
  forward([id](Assistant& c) { c.OnControlClicked(id, true); });
}

QAbstractButton* MainWindow::button(int id, const char* caption, QWidget* parent,
                                    std::function<void()> action) {
  auto* b = add(id, new QPushButton(U(caption), parent));
  b->setAutoDefault(false);
  connect(b, &QPushButton::clicked, this, [action = std::move(action)] {
    if (action) action();
  });
  return b;
}

// The view of what tavik sees, made on first use; its feed captures only while it is open.
void MainWindow::openPageView() {
  if (!controller_) return;
  if (!pageView_)
    pageView_ =
        new PageViewWindow(std::make_unique<SeenPageFeed>(controller_->seenPageSources()), this);
  pageView_->show();
  pageView_->raise();
}

// The guided calibration, made anew each time: a session captures only while it is open.
void MainWindow::openCalibration() {
  if (!controller_) return;
  auto* window = new CalibrationWindow(*controller_, this);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
}

void MainWindow::forward(std::function<void(Assistant&)> command) {
  if (controller_) command(*controller_);
}

void MainWindow::buildMenu(QVBoxLayout* layout) {
  // Linux windows have no system menu of their own: the About entry, the help and the bid
  // number live in a small menu bar.
  auto* bar = new QMenuBar(this);
  QMenu* settings = bar->addMenu(U("设置(&S)"));
  settings->addAction(U("投标号(&B)..."), this, [this] { openBidNumberDialog(); });
  QMenu* view = bar->addMenu(U("查看(&V)"));
  view->addAction(U("tavik 看到的页面(&P)..."), this, [this] { openPageView(); });
  view->addAction(U("从屏幕学习字库(&L)..."), this, [this] { openCalibration(); });
  view->addAction(U("查看上次运行报告(&R)"), this,
                  [this] { forward([](Assistant& c) { c.OpenLastRunReport(); }); });
  QMenu* help = bar->addMenu(U("帮助(&H)"));
  help->addAction(U("使用帮助(&H)"), this, [this] { openHelpDialog(); });
  help->addSeparator();
  help->addAction(U("关于 tavik(&A)..."), this, [this] { openAboutDialog(); });
  layout->setMenuBar(bar);
}

QWidget* MainWindow::buildStatus() {
  auto* area = new QWidget(this);
  auto* grid = new QGridLayout(area);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(1);
  int row = 0;
  // Caption, value box and, to its right, the small marks and options of that line.
  auto line = [&](const char* caption, QWidget* value, QWidget* extra = nullptr) {
    grid->addWidget(Label(caption, area), row, 1);
    if (extra) {
      grid->addWidget(value, row, 2);
      grid->addWidget(extra, row, 3);
    } else {
      grid->addWidget(value, row, 2, 1, 2);
    }
    ++row;
  };
  auto box = [&](int id) {
    QLineEdit* e = readOnlyBox(id, area);
    e->setFixedWidth(104);
    return e;
  };
  grid->addWidget(label(ctl::kNetModeMark, "", area), 0, 0);
  line("系统目前时间", box(ctl::kClock), new QWidget(area));
  line("拍卖结束时间", box(ctl::kEndTime), new QWidget(area));
  line("最低可成交价", box(ctl::kLowestPrice), label(ctl::kAddMiaoMark, "-", area));
  line("拍卖剩余时间", box(ctl::kRemainBox), check(ctl::kCompatMode, "界面兼容模式", area));
  auto* recording = check(ctl::kRecording, "录像", area);
  recording->hide();  // shown once a bid number is set and recording is on
  line("本次出的价格", box(ctl::kMyPrice), recording);
  line("差价还有", box(ctl::kPriceGap), new QWidget(area));
  line("自动出价状态：", label(ctl::kEngineStatus, "------------------", area));
  auto* progress = label(ctl::kProgress, "无出价指令", area);
  QFont mono(U("WenQuanYi Micro Hei Mono"), 8);
  mono.setStyleHint(QFont::Monospace);
  progress->setFont(mono);
  line("回车自动出价：", progress);
  auto* stage = new QWidget(area);
  auto* stageRow = new QHBoxLayout(stage);
  stageRow->setContentsMargins(0, 0, 0, 0);
  stageRow->addWidget(label(ctl::kNextStage, "第一次出价", stage));
  stageRow->addStretch();
  stageRow->addWidget(label(ctl::kCaptchaMark, "-", stage));
  line("下个出价阶段:", stage);
  grid->setColumnMinimumWidth(0, 10);
  grid->setColumnStretch(3, 1);
  return area;
}

QWidget* MainWindow::buildSecondBid() {
  auto* group = new QGroupBox(U("第二次出价"), this);
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(6, 2, 6, 2);
  grid->setVerticalSpacing(1);
  auto* auto2 = check(ctl::kAutoBid2, "在结束拍卖前", group);
  auto2->setEnabled(false);
  grid->addWidget(auto2, 0, 0);
  grid->addWidget(edit(ctl::kBid2Sec, group), 0, 1);
  grid->addWidget(label(ctl::kBid2SecLabel, "秒自动出以下价格", group), 0, 2);
  grid->addWidget(radio(ctl::kBid2AddRadio, "最低成交价上+", kBid2Price, group), 1, 0);
  grid->addWidget(edit(ctl::kBid2AddPrice, group), 1, 1);
  grid->addWidget(check(ctl::kBid2TopUp, "补档", group), 1, 2);
  grid->addWidget(radio(ctl::kBid2SmartRadio, "智能出价", kBid2Price, group), 2, 0);
  grid->addWidget(button(ctl::kSmartButton, "智能出价设定", group, [this] { openSmartDialog(); }),
                  2, 1, 1, 2);
  grid->addWidget(radio(ctl::kBid2DirRadio, "直接伏击出价", kBid2Price, group), 3, 0);
  grid->addWidget(edit(ctl::kBid2DirPrice, group), 3, 1);
  grid->setColumnStretch(2, 1);
  return group;
}

QWidget* MainWindow::buildThirdBid() {
  auto* group = new QGroupBox(U("第三次出价"), this);
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(6, 2, 6, 2);
  grid->setVerticalSpacing(1);
  grid->addWidget(radio(ctl::kBid3NowRadio, "A. 完成第二次出价后立即智能出价", kBid3When, group), 0,
                  0, 1, 3);
  grid->addWidget(radio(ctl::kBid3AtSecRadio, "B. 在结束拍卖前", kBid3When, group), 1, 0);
  grid->addWidget(edit(ctl::kBid3Sec, group), 1, 1);
  grid->addWidget(label(ctl::kBid3SecLabel, "秒，执行在当前的", group), 1, 2);
  grid->addWidget(label(ctl::kBid3AddLabel, "最低成交价+", group), 2, 0, Qt::AlignRight);
  grid->addWidget(edit(ctl::kBid3AddPrice, group), 2, 1);
  grid->addWidget(check(ctl::kBid3TopUp, "补档", group), 2, 2);
  grid->setColumnStretch(2, 1);
  return group;
}

QWidget* MainWindow::buildRemedy() {
  auto* group = new QGroupBox(U("补救策略 (检查当前出价是否合理)"), this);
  auto* rows = new QVBoxLayout(group);
  rows->setContentsMargins(6, 2, 6, 2);
  rows->setSpacing(1);
  auto row = [&](std::initializer_list<QWidget*> widgets) {
    auto* line = new QHBoxLayout();
    for (QWidget* w : widgets) line->addWidget(w);
    line->addStretch();
    rows->addLayout(line);
  };
  row({check(ctl::kRemedyOn, "还剩", group), edit(ctl::kRemedySec, group),
       Label("秒和最低成交价差价必须>=", group)});
  row({edit(ctl::kRemedyMinDiff, group), Label("并且<=", group), edit(ctl::kRemedyMaxDiff, group),
       Label(",否则重新+", group)});
  row({edit(ctl::kRemedyAdd, group), Label("重出", group),
       check(ctl::kRemedyTopUp, "补档", group)});
  return group;
}

QWidget* MainWindow::buildCommands() {
  auto* area = new QWidget(this);
  auto* grid = new QGridLayout(area);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(2);
  auto* schemes = add(ctl::kSchemeCombo, new QComboBox(area));
  // `activated` comes from the user only, so selecting from the program loads nothing twice.
  connect(schemes, &QComboBox::activated, this,
          [this](int index) { forward([index](Assistant& c) { c.OnSchemeSelected(index); }); });
  grid->addWidget(schemes, 0, 0);
  grid->addWidget(button(ctl::kSaveScheme, "保存配置", area,
                         // A good save shows its sign (app/saved_sign.h).
                         [this] { forward([](Assistant& c) { c.SaveScheme(); }); }),
                  0, 1);
  auto* start = button(ctl::kStartStop, "开始运行", area,
                       [this] { forward([](Assistant& c) { c.ToggleRun(); }); });
  start->setMinimumHeight(30);
  grid->addWidget(start, 1, 0, 1, 2);
  grid->addWidget(button(ctl::kLaunchPractice, "载入仿真练习", area,
                         [this] { forward([](Assistant& c) { c.LaunchPractice(); }); }),
                  2, 0);
  grid->addWidget(button(ctl::kLaunchRealClient, "载入正式拍牌", area,
                         [this] { forward([](Assistant& c) { c.LaunchRealClient(); }); }),
                  2, 1);
  grid->addWidget(button(ctl::kAdvancedButton, "高级", area, [this] { openAdvancedDialog(); }), 3,
                  0);
  grid->addWidget(button(ctl::kHelpButton, "帮助", area, [this] { openHelpDialog(); }), 3, 1);
  int row = 4;
  auto* keys = label(ctl::kKeyHelp, "F2: 切换到手动    | 空格键：取消当前验证码框", area);
  grid->addWidget(keys, row++, 0, 1, 2);
  grid->addWidget(label(ctl::kBlankLabel, "", area), row++, 0, 1, 2);
  auto* client = label(ctl::kClientStatus, "提示: 拍卖客户端程序未运行", area);
  client->setWordWrap(true);
  grid->addWidget(client, row++, 0, 1, 2);
  // Takes the keyboard focus at Start, so that no strategy box keeps it.
  auto* focusSink = label(ctl::kFocusSink, "", area);
  focusSink->setFocusPolicy(Qt::StrongFocus);
  focusSink->setFixedHeight(1);
  grid->addWidget(focusSink, row++, 0, 1, 2);
  return area;
}

void MainWindow::buildHidden() {
  // Controls that carry settings or were never shown: they exist for the data exchange and
  // the handlers, inside a container that stays hidden.
  auto* hidden = new QWidget(this);
  hidden->hide();
  // The default button: Enter on the window reaches it and nothing happens.
  button(ctl::kDefaultButton, "Button4", hidden, nullptr);
  check(ctl::kAutoBid3, "在结束拍卖前", hidden);
  radio(ctl::kBid3AddRadio, "最低成交价上+", kBid3Price, hidden);
  radio(ctl::kBid3SmartRadio, "智能出价", kBid3Price, hidden);
  radio(ctl::kBid3DirRadio, "直接伏击出价", kBid3Price, hidden);
  edit(ctl::kBid3DirPrice, hidden);
  check(ctl::kBid2LateSmart, "出错等情况智能出价", hidden);
  check(ctl::kBid3LateSmart, "出错等情况智能出价", hidden);
  check(ctl::kAutoDisconnect, "自动", hidden);
  button(ctl::kHiddenSmartButton, "智能出价设定", hidden, [this] { openSmartDialog(); });
  button(ctl::kVendorDownload, "TT", hidden,
         [this] { forward([](Assistant& c) { c.OpenVendorDownloadPage(); }); });
  button(ctl::kDisconnectButton, "断开连接/快捷键[ESC]", hidden, nullptr);
  check(ctl::kManualOnly, "关闭全自动出价,全手动操作.（只提示价格)", hidden);
  readOnlyBox(ctl::kUnusedBox, hidden);
  label(ctl::kZeroLabel, "0", hidden);
  label(ctl::kLetterLabel, "A", hidden);
  label(ctl::kAddressLabel, "0.0.0.0", hidden);
}

QWidget* MainWindow::control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

QComboBox* MainWindow::combo(int id) const {
  return qobject_cast<QComboBox*>(control(id));
}

// A settings dialog edits a copy of the strategy in force; OK publishes its values in one
// step over the strategy in force then (which a scheme load may have changed meanwhile).
template <typename Dialog>
void MainWindow::editStrategy(std::vector<BoundControl> (*bind)(Strategy&)) {
  if (!controller_) return;
  Strategy copy = controller_->StrategyInForce();
  const auto bindings = bind(copy);
  Dialog dialog(bindings, CopyIn(bindings), this);
  if (dialog.exec() != QDialog::Accepted) return;
  const std::vector<int32_t> values = dialog.values();
  controller_->EditStrategy([&](Strategy& s) { CopyOut(bind(s), values); });
}

void MainWindow::openAdvancedDialog() {
  editStrategy<Ctavikadv>(&AdvancedDialogBindings);
}

void MainWindow::openSmartDialog() {
  editStrategy<CSmartdlg>(&SmartDialogBindings);
}

void MainWindow::openHelpDialog() {
  Ctavikhelp dialog(this);
  dialog.exec();
}

void MainWindow::openAboutDialog() {
  CAboutDlg dialog(this);
  dialog.exec();
}

void MainWindow::openBidNumberDialog() {
  if (!controller_) return;
  BidNumberDialog dialog(
      controller_->BidNumber(),
      [this](const std::string& text) { return controller_->EnterBidNumber(text); }, this);
  dialog.exec();
}

WindowId MainWindow::nativeWindow() const {
  return WindowId(const_cast<MainWindow*>(this)->winId());
}

void MainWindow::setTitle(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
}

void MainWindow::moveTo(int x, int y) {
  move(x, y);
}

void MainWindow::setText(int id, const std::string& text) {
  QWidget* w = control(id);
  const QString t = QString::fromStdString(text);
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->setText(t);
  } else if (auto* l = qobject_cast<QLabel*>(w)) {
    l->setText(t);
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setText(t);
  }
}

void MainWindow::setChecked(int id, bool checked) {
  if (auto* b = qobject_cast<QAbstractButton*>(control(id))) b->setChecked(checked);
}

void MainWindow::setVisible(int id, bool visible) {
  if (QWidget* w = control(id)) w->setVisible(visible);
}

void MainWindow::setFocus(int id) {
  if (QWidget* w = control(id)) w->setFocus();
}

void MainWindow::enableStrategyControls(bool on) {
  for (int id : StrategyControlIds())
    if (QWidget* w = control(id)) w->setEnabled(on);
}

void MainWindow::hideStrategyControls() {
  for (int id : HiddenStrategyControlIds())
    if (QWidget* w = control(id)) w->hide();
  if (QWidget* w = control(ctl::kSchemeCombo)) w->setEnabled(false);
}

std::string MainWindow::controlText(int id) const {
  QWidget* w = control(id);
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().toStdString();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdString();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text().toStdString();
  return {};
}

bool MainWindow::isChecked(int id) const {
  auto* b = qobject_cast<QAbstractButton*>(control(id));
  return b && b->isChecked();
}

void MainWindow::addComboItem(int id, const std::string& text) {
  if (QComboBox* c = combo(id)) c->addItem(QString::fromStdString(text));
}

int MainWindow::comboCount(int id) const {
  QComboBox* c = combo(id);
  return c ? c->count() : 0;
}

void MainWindow::setComboSelection(int id, int index) {
  if (QComboBox* c = combo(id)) c->setCurrentIndex(index);
}

int MainWindow::comboSelection(int id) const {
  QComboBox* c = combo(id);
  return c ? c->currentIndex() : -1;
}

void MainWindow::messageBox(const std::string& text) {
  messageHandler_(text);
}

void MainWindow::showVersionNotice(const std::string& downloadUrl) {
  CRegback dialog(
      downloadUrl,
      [this](const std::string& url) { forward([&](Assistant& c) { c.OpenUrl(url); }); }, this);
  dialog.exec();
}

}  // namespace tavik
