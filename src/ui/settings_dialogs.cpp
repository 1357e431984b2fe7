#include "ui/settings_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/control_ids.h"
#include "ui/widget_helpers.h"

namespace tavik {

namespace {

// One line of controls and texts, left to right.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets) {
  auto* row = new QHBoxLayout();
  for (QWidget* w : widgets) row->addWidget(w);
  row->addStretch();
  return row;
}

}  // namespace

SettingsDialog::SettingsDialog(const std::vector<BoundControl>& bindings,
                               const std::vector<int32_t>& values, QWidget* parent)
    : QDialog(parent),
      members_(new int32_t[bindings.size()]),
      values_(values),
      messageHandler_(
          [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); }) {
  for (size_t i = 0; i < bindings.size(); ++i) {
    bindings_.push_back({bindings[i].id, bindings[i].kind, &members_[i]});
    members_[i] = i < values.size() ? values[i] : 0;
  }
}

SettingsDialog::~SettingsDialog() = default;

QWidget* SettingsDialog::control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

QCheckBox* SettingsDialog::makeCheck(int id, const char* caption) {
  auto* box = new QCheckBox(U(caption), this);
  box->setObjectName(QString::number(id));
  controls_[id] = box;
  return box;
}

QLineEdit* SettingsDialog::makeEdit(int id) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QString::number(id));
  edit->setFixedWidth(56);
  controls_[id] = edit;
  return edit;
}

void SettingsDialog::showValues() {
  ExchangeToControls(bindings_, ControlWriter{[this](int id, const std::string& text) {
                                                if (auto* e = qobject_cast<QLineEdit*>(control(id)))
                                                  e->setText(QString::fromStdString(text));
                                              },
                                              [this](int id, bool checked) {
                                                if (auto* b = qobject_cast<QCheckBox*>(control(id)))
                                                  b->setChecked(checked);
                                              }});
}

void SettingsDialog::addButtons(QBoxLayout* layout) {
  auto* buttons = new QDialogButtonBox(this);
  auto* ok = buttons->addButton(U("确定"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QString::number(dlg::kOk));
  ok->setDefault(true);
  buttons->addButton(U("取消"), QDialogButtonBox::RejectRole)
      ->setObjectName(QString::number(dlg::kCancel));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void SettingsDialog::accept() {
  const int bad = ExchangeToFields(
      bindings_, ControlReader{[this](int id) {
                                 auto* e = qobject_cast<QLineEdit*>(control(id));
                                 return e ? e->text().toStdString() : std::string();
                               },
                               [this](int id) {
                                 auto* b = qobject_cast<QCheckBox*>(control(id));
                                 return b && b->isChecked();
                               }});
  if (bad != 0) {
    messageHandler_(U(kNotAnInteger));
    if (QWidget* w = control(bad)) w->setFocus();
    return;
  }
  for (size_t i = 0; i < bindings_.size(); ++i) values_[i] = members_[i];
  QDialog::accept();
}

Ctavikadv::Ctavikadv(const std::vector<BoundControl>& bindings, const std::vector<int32_t>& values,
                     QWidget* parent)
    : SettingsDialog(bindings, values, parent) {
  setWindowTitle(U("高级设置"));
  auto* layout = new QVBoxLayout(this);

  auto* network = new QGroupBox(U("网络优化功能"), this);
  auto* networkRows = new QVBoxLayout(network);
  networkRows->addWidget(
      makeCheck(adv::kNetOptimise, "开启网络优化功能(保障国拍客户端SOCKET连接优先)"));
  networkRows->addWidget(makeCheck(adv::kServerParamDelay, "优化国拍服务器传送过来的参数的延时"));
  layout->addWidget(network);

  // Kept for the stored options; the user never sees them.
  auto* stuck = new QGroupBox(U("卡住断开"), this);
  auto* stuckRows = new QVBoxLayout(stuck);
  const std::pair<int, const char*> stuckOptions[] = {
      {adv::kStuckSwitchServer, "要验证码阶段卡住超过4秒,检查还是卡住状态后自动切服务器"},
      {adv::kStuckDisconnect, "当服务器提交出价,卡住超过6秒才断开，B服务器需剩余时间大于10秒"},
      {adv::kHalfOpenOnly, "仅在半连接状态断开(即在SSL数据交换不断开)"},
      {adv::kReserved7, "------------------"},
      {adv::kReserved8, "---------------------"}};
  for (const auto& [id, caption] : stuckOptions) {
    auto* box = makeCheck(id, caption);
    box->setEnabled(false);
    stuckRows->addWidget(box);
  }
  stuck->hide();
  layout->addWidget(stuck);

  auto* advanced = new QGroupBox(U("高级选项"), this);
  auto* rows = new QVBoxLayout(advanced);
  const std::pair<int, const char*> fixedOptions[] = {
      {adv::kRebidOnStrayConfirm, "当不在出价区间用户鼠标错误点击确认按钮，重新出价弹出验证码框"},
      {adv::kRebidOnCancel, "当看不清验证码点击取消按钮或误点击取消按钮，重新出价弹出验证码框"},
      {adv::kRaiseThirdBid, "当第三次出价小于或等于第二次出价自动调整为第二次出价上加100"}};
  for (const auto& [id, caption] : fixedOptions) {
    auto* box = makeCheck(id, caption);
    box->setEnabled(false);
    rows->addWidget(box);
  }
  rows->addLayout(Row({makeCheck(adv::kFloatingAdjust, "浮动调价启用。剩余15-32秒之间跳价>="),
                       makeEdit(adv::kJumpFastThreshold), Label("(跳价快）或者<=", advanced),
                       makeEdit(adv::kJumpSlowThreshold), Label("(跳价慢)", advanced)}));
  rows->addWidget(
      makeCheck(adv::kBelowLowestRebid, "还没发出的价格低于最低成交价，断开或者取消重新出价。"));
  rows->addWidget(makeCheck(adv::kEarlyThirdCancel,
                            "第三次出价价格在剩余时间>=12秒以上就到了，取消后重新出价。"));
  rows->addWidget(makeCheck(adv::kSubmitWithoutEnter,
                            "当价格到了检测到验证码输入但是未检测到回车也提交出价。"));
  rows->addLayout(Row({makeCheck(adv::kEarlyConfirm, "剩余"), makeEdit(adv::kEarlySec),
                       Label("秒内,我的出价差", advanced), makeEdit(adv::kEarlyMaxDiff),
                       Label("时延迟", advanced), makeEdit(adv::kEarlyDelayMs),
                       Label("毫秒提交。", advanced), makeCheck(adv::kSmartJudge, "智能判断")}));
  rows->addLayout(Row({makeCheck(adv::kForceConfirm, "剩余"), makeEdit(adv::kForceSec),
                       Label("秒延迟", advanced), makeEdit(adv::kForceDelayMs),
                       Label("毫秒,强制立即确认提交。【强制出价】", advanced)}));
  layout->addWidget(advanced);

  auto* other = new QGroupBox(U("其他选项"), this);
  auto* otherRows = new QVBoxLayout(other);
  otherRows->addWidget(makeCheck(adv::kReserved16, "16保留-netread"));
  otherRows->addWidget(makeCheck(adv::kReserved19, "保留"));
  otherRows->addWidget(makeCheck(adv::kFirstPhaseAuto, "第一阶段自动出价"));
  other->hide();
  layout->addWidget(other);

  addButtons(layout);
  showValues();
}

CSmartdlg::CSmartdlg(const std::vector<BoundControl>& bindings, const std::vector<int32_t>& values,
                     QWidget* parent)
    : SettingsDialog(bindings, values, parent) {
  setWindowTitle(U("智能出价设定"));
  auto* layout = new QVBoxLayout(this);
  auto* table = new QGroupBox(U("智能出价表"), this);
  auto* grid = new QGridLayout(table);
  grid->addWidget(Label("浮动加价", table), 0, 6);
  grid->addWidget(Label("浮动减价", table), 0, 8);

  // Control ids per row in binding order: seconds, increment, top-up, then fast and slow.
  size_t next = 0;
  for (int row = 1; row <= kSmartRows; ++row) {
    const std::string label = std::to_string(row) + ". 如果剩余时间<=";
    grid->addWidget(new QLabel(QString::fromStdString(label), table), row, 0);
    grid->addWidget(makeEdit(bindings[next++].id), row, 1);
    grid->addWidget(Label("秒+", table), row, 2);
    grid->addWidget(makeEdit(bindings[next++].id), row, 3);
    grid->addWidget(makeCheck(bindings[next++].id, "补档"), row, 4);
    if (row <= kJumpRows) {
      grid->addWidget(Label(", 跳价快+", table), row, 5);
      grid->addWidget(makeEdit(bindings[next++].id), row, 6);
      grid->addWidget(Label(", 跳价慢-", table), row, 7);
      grid->addWidget(makeEdit(bindings[next++].id), row, 8);
    }
  }
  layout->addWidget(table);
  auto* hint = Label(
      "提示：根据剩余时间查找当前应该在最低成交价上加多少，从1开始往下顺序比对第一个满足条件的。"
      "跳价快慢是否调价在高级选项里面勾选。",
      this);
  hint->setWordWrap(true);
  layout->addWidget(hint);
  addButtons(layout);
  showValues();
}

}  // namespace tavik
