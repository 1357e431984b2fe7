#include "ui/main_window.h"

#include <QAbstractButton>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/controller.h"

namespace tavik {

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout();
  auto addBox = [&](int id, const char* label) {
    auto* box = new QLineEdit(this);
    box->setReadOnly(true);
    box->setEnabled(false);
    form->addRow(QString::fromUtf8(label), box);
    controls_[id] = box;
  };
  addBox(1001, "系统目前时间");
  addBox(1017, "拍卖结束时间");
  addBox(1002, "最低可成交价");
  addBox(ctl::kRemainBox, "拍卖剩余时间");
  auto* status = new QLabel(QString::fromUtf8("无出价指令"), this);
  form->addRow(QString::fromUtf8("自动出价状态："), status);
  controls_[ctl::kEngineStatus] = status;
  auto* stage = new QLabel(QString::fromUtf8("第一次出价"), this);
  form->addRow(QString::fromUtf8("下个出价阶段:"), stage);
  controls_[ctl::kNextStage] = stage;
  layout->addLayout(form);

  auto* start = new QPushButton(QString::fromUtf8("开始运行"), this);
  start->setAutoDefault(false);
  controls_[ctl::kStartStop] = start;
  connect(start, &QPushButton::clicked, this, [this] {
    if (controller_) controller_->ToggleRun();
  });
  layout->addWidget(start);
  auto* focusSink = new QLabel(this);
  focusSink->setFocusPolicy(Qt::StrongFocus);
  controls_[ctl::kFocusSink] = focusSink;
  layout->addWidget(focusSink);
  layout->addStretch();
  resize(260, 560);
}

void MainWindow::setTitle(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
}

void MainWindow::moveTo(int x, int y) {
  move(x, y);
}

void MainWindow::setText(int id, const std::string& text) {
  auto it = controls_.find(id);
  if (it == controls_.end()) return;
  const QString t = QString::fromStdString(text);
  if (auto* e = qobject_cast<QLineEdit*>(it->second))
    e->setText(t);
  else if (auto* l = qobject_cast<QLabel*>(it->second))
    l->setText(t);
  else if (auto* b = qobject_cast<QAbstractButton*>(it->second))
    b->setText(t);
}

void MainWindow::setChecked(int id, bool checked) {
  auto it = controls_.find(id);
  if (it == controls_.end()) return;
  if (auto* b = qobject_cast<QAbstractButton*>(it->second)) b->setChecked(checked);
}

void MainWindow::setVisible(int id, bool visible) {
  auto it = controls_.find(id);
  if (it != controls_.end()) it->second->setVisible(visible);
}

void MainWindow::setFocus(int id) {
  auto it = controls_.find(id);
  if (it != controls_.end()) it->second->setFocus();
}

void MainWindow::enableStrategyControls(bool) {}
void MainWindow::hideStrategyControls() {}

void MainWindow::messageBox(const std::string& text) {
  QMessageBox::information(this, windowTitle(), QString::fromStdString(text));
}

void MainWindow::showVersionNotice(const std::string& downloadUrl) {
  QMessageBox::information(
      this, QString::fromUtf8("版本更新"),
      QString::fromUtf8("重要版本更新（必须更新）\n") + QString::fromStdString(downloadUrl));
}

}  // namespace tavik
