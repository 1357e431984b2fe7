#include "ui/small_dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/run_state.h"
#include "settings/control_ids.h"
#include "ui/widget_helpers.h"

namespace tavik {

namespace {

QDialogButtonBox* OkButton(QDialog* dialog) {
  return DialogButtons(dialog, false);
}

}  // namespace

Ctavikhelp::Ctavikhelp(QWidget* parent) : QDialog(parent) {
  setWindowTitle(U("帮助"));
  auto* layout = new QVBoxLayout(this);
  static constexpr const char* kLines[] = {
      "1. 软件操作关键点",
      "A.浏览器窗口和软件并排",
      "B.系统用默认100%小字体,浏览器字体100%大小",
      "C.关闭防火墙杀毒软件(360防火墙等),任何提示请按信任",
      "D.验证码没出来或者看不清，按【空格键】让软件重新呼叫验证码",
      "2. 中途想改策略",
      "A. 按停止再按开始或者选择方案,都不用重开软件",
      "3. 回车出价",
      "A.弹出验证码框，输入验证码完毕后直接按“回车”（不能按鼠标点击确认)",
      "，软件判断如果价格到了会自动出价",
  };
  for (const char* line : kLines) layout->addWidget(new QLabel(U(line), this));
  layout->addWidget(OkButton(this));
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(U("关于 TAVIK"));
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout();
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
  row->addWidget(icon);
  row->addWidget(new QLabel(U("TAVIK"), this));
  row->addStretch();
  layout->addLayout(row);
  layout->addWidget(new QLabel(U("版本 ") + QString::fromLatin1(g_version), this));
  layout->addWidget(OkButton(this));
}

CRegback::CRegback(std::string downloadUrl, std::function<void(const std::string&)> openUrl,
                   QWidget* parent)
    : QDialog(parent), downloadUrl_(std::move(downloadUrl)), openUrl_(std::move(openUrl)) {
  setWindowTitle(U("版本更新"));
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(U("提示"), this);
  auto* inner = new QVBoxLayout(group);
  inner->addWidget(new QLabel(U("重要版本更新（必须更新）"), group));
  auto* download = new QPushButton(U("点击下载最新版本"), group);
  download->setObjectName(QString::number(notice::kDownload));
  download->setAutoDefault(false);
  connect(download, &QPushButton::clicked, this, [this] {
    // Too short to be an address: nothing to open.
    if (downloadUrl_.size() > 10 && openUrl_) openUrl_(downloadUrl_);
  });
  inner->addWidget(download);
  layout->addWidget(group);
  layout->addWidget(DialogButtons(this, true));
}

BidNumberDialog::BidNumberDialog(const std::string& current,
                                 std::function<bool(const std::string&)> enter, QWidget* parent)
    : QDialog(parent), enter_(std::move(enter)) {
  setWindowTitle(U("投标号"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(U("请输入您的8位投标号："), this));
  edit_ = new QLineEdit(QString::fromStdString(current), this);
  edit_->setMaxLength(16);
  layout->addWidget(edit_);
  layout->addWidget(DialogButtons(this, true));
}

void BidNumberDialog::accept() {
  if (enter_ && !enter_(edit_->text().toStdString())) {
    edit_->setFocus();
    edit_->selectAll();
    return;
  }
  QDialog::accept();
}

}  // namespace tavik
