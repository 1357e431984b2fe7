#include "ui_win32/dialogs.h"

#include <string>

#include "app/run_state.h"
#include "settings/control_ids.h"

namespace tavik::win32ui {
namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr int kBidNumberEdit = 1000;

}  // namespace

SettingsDialog::SettingsDialog(const std::vector<BoundControl>& bindings,
                               const std::vector<int32_t>& values)
    : members_(new int32_t[bindings.size()]),
      values_(values),
      messageHandler_([this](const std::string& text) {
        std::wstring title(256, L'\0');
        title.resize(size_t(GetWindowTextW(hwnd(), title.data(), int(title.size()))));
        MessageBoxW(hwnd(), W(text).c_str(), title.c_str(), MB_OK | MB_ICONWARNING);
      }) {
  for (size_t i = 0; i < bindings.size(); ++i) {
    bindings_.push_back({bindings[i].id, bindings[i].kind, &members_[i]});
    members_[i] = i < values.size() ? values[i] : 0;
  }
}

void SettingsDialog::showValues() {
  ExchangeToControls(bindings_,
                     ControlWriter{[this](int id, const std::string& text) { setText(id, text); },
                                   [this](int id, bool on) { setChecked(id, on); }});
}

void SettingsDialog::addButtons() {
  newRow(24);
  add(Kind::DefaultButton, dlg::kOk, "确定", 75, 24);
  add(Kind::Button, dlg::kCancel, "取消", 75, 24);
}

void SettingsDialog::accept() {
  const int bad = ExchangeToFields(
      bindings_,
      ControlReader{[this](int id) { return text(id); }, [this](int id) { return checked(id); }});
  if (bad != 0) {
    messageHandler_(kNotAnInteger);
    if (HWND c = control(bad)) SetFocus(c);
    return;
  }
  for (size_t i = 0; i < bindings_.size(); ++i) values_[i] = members_[i];
  endModal(IDOK);
}

void SettingsDialog::onCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == dlg::kOk) accept();
  if (id == dlg::kCancel) endModal(IDCANCEL);
}

AdvancedDialog::AdvancedDialog(const std::vector<BoundControl>& bindings,
                               const std::vector<int32_t>& values, HWND owner)
    : SettingsDialog(bindings, values) {
  create("高级设置", kDialogStyle, owner, 620);
  beginGroup("网络优化功能");
  newRow();
  add(Kind::Check, adv::kNetOptimise, "开启网络优化功能(保障国拍客户端SOCKET连接优先)");
  newRow();
  add(Kind::Check, adv::kServerParamDelay, "优化国拍服务器传送过来的参数的延时");
  endGroup();

  // Kept for the stored options; the user never sees them.
  const std::pair<int, const char*> hidden[] = {
      {adv::kStuckSwitchServer, "要验证码阶段卡住超过4秒,检查还是卡住状态后自动切服务器"},
      {adv::kStuckDisconnect, "当服务器提交出价,卡住超过6秒才断开，B服务器需剩余时间大于10秒"},
      {adv::kHalfOpenOnly, "仅在半连接状态断开(即在SSL数据交换不断开)"},
      {adv::kReserved7, "------------------"},
      {adv::kReserved8, "---------------------"},
      {adv::kReserved16, "16保留-netread"},
      {adv::kReserved19, "保留"},
      {adv::kFirstPhaseAuto, "第一阶段自动出价"}};
  newRow(0);
  for (const auto& [id, caption] : hidden) {
    HWND box = add(Kind::Check, id, caption, 1, 1);
    ShowWindow(box, SW_HIDE);
    if (id != adv::kReserved16 && id != adv::kReserved19 && id != adv::kFirstPhaseAuto)
      EnableWindow(box, FALSE);
  }

  beginGroup("高级选项");
  for (const auto& [id, caption] : std::initializer_list<std::pair<int, const char*>>{
           {adv::kRebidOnStrayConfirm,
            "当不在出价区间用户鼠标错误点击确认按钮，重新出价弹出验证码框"},
           {adv::kRebidOnCancel,
            "当看不清验证码点击取消按钮或误点击取消按钮，重新出价弹出验证码框"},
           {adv::kRaiseThirdBid, "当第三次出价小于或等于第二次出价自动调整为第二次出价上加100"}}) {
    newRow();
    EnableWindow(add(Kind::Check, id, caption), FALSE);
  }
  newRow();
  add(Kind::Check, adv::kFloatingAdjust, "浮动调价启用。剩余15-32秒之间跳价>=");
  add(Kind::Edit, adv::kJumpFastThreshold, "", 56);
  add(Kind::Label, -1, "(跳价快）或者<=");
  add(Kind::Edit, adv::kJumpSlowThreshold, "", 56);
  add(Kind::Label, -1, "(跳价慢)");
  newRow();
  add(Kind::Check, adv::kBelowLowestRebid, "还没发出的价格低于最低成交价，断开或者取消重新出价。");
  newRow();
  add(Kind::Check, adv::kEarlyThirdCancel,
      "第三次出价价格在剩余时间>=12秒以上就到了，取消后重新出价。");
  newRow();
  add(Kind::Check, adv::kSubmitWithoutEnter,
      "当价格到了检测到验证码输入但是未检测到回车也提交出价。");
  newRow();
  add(Kind::Check, adv::kEarlyConfirm, "剩余");
  add(Kind::Edit, adv::kEarlySec, "", 56);
  add(Kind::Label, -1, "秒内,我的出价差");
  add(Kind::Edit, adv::kEarlyMaxDiff, "", 56);
  add(Kind::Label, -1, "时延迟");
  add(Kind::Edit, adv::kEarlyDelayMs, "", 56);
  add(Kind::Label, -1, "毫秒提交。");
  add(Kind::Check, adv::kSmartJudge, "智能判断");
  newRow();
  add(Kind::Check, adv::kForceConfirm, "剩余");
  add(Kind::Edit, adv::kForceSec, "", 56);
  add(Kind::Label, -1, "秒延迟");
  add(Kind::Edit, adv::kForceDelayMs, "", 56);
  add(Kind::Label, -1, "毫秒,强制立即确认提交。【强制出价】");
  endGroup();
  addButtons();
  finish();
  showValues();
}

SmartDialog::SmartDialog(const std::vector<BoundControl>& bindings,
                         const std::vector<int32_t>& values, HWND owner)
    : SettingsDialog(bindings, values) {
  create("智能出价设定", kDialogStyle, owner, 680);
  beginGroup("智能出价表");
  newRow();
  skip(386);  // over the two columns of amounts
  add(Kind::Label, -1, "浮动加价", 64);
  skip(56);
  add(Kind::Label, -1, "浮动减价", 64);
  // Control ids per row in binding order: seconds, increment, top-up, then fast and slow.
  size_t next = 0;
  for (int row = 1; row <= kSmartRows; ++row) {
    newRow();
    const std::string label = std::to_string(row) + ". 如果剩余时间<=";
    add(Kind::Label, -1, label.c_str(), 110);
    add(Kind::Edit, bindings[next++].id, "", 56);
    add(Kind::Label, -1, "秒+", 24);
    add(Kind::Edit, bindings[next++].id, "", 56);
    add(Kind::Check, bindings[next++].id, "补档", 56);
    if (row <= kJumpRows) {
      add(Kind::Label, -1, ", 跳价快+", 60);
      add(Kind::Edit, bindings[next++].id, "", 56);
      add(Kind::Label, -1, ", 跳价慢-", 60);
      add(Kind::Edit, bindings[next++].id, "", 56);
    }
  }
  endGroup();
  newRow(34);
  add(Kind::Label, -1,
      "提示：根据剩余时间查找当前应该在最低成交价上加多少，从1开始往下顺序比对第一个满足条件的。"
      "跳价快慢是否调价在高级选项里面勾选。",
      640, 34);
  addButtons();
  finish();
  showValues();
}

HelpDialog::HelpDialog(HWND owner) {
  create("帮助", kDialogStyle, owner, 520);
  static constexpr const char* kLines[] = {
      "1. 软件操作关键点",
      "A.浏览器窗口和软件并排",
      // The window scales with the system; the page must not: it is read pixel by pixel.
      "B.拍卖页面保持100%缩放(浏览器按Ctrl+0)，否则软件读不出价格",
      "C.关闭防火墙杀毒软件(360防火墙等),任何提示请按信任",
      "D.验证码没出来或者看不清，按【空格键】让软件重新呼叫验证码",
      "2. 中途想改策略",
      "A. 按停止再按开始或者选择方案,都不用重开软件",
      "3. 回车出价",
      "A.弹出验证码框，输入验证码完毕后直接按“回车”（不能按鼠标点击确认)",
      "，软件判断如果价格到了会自动出价",
  };
  for (const char* line : kLines) {
    newRow(18);
    add(Kind::Label, -1, line);
  }
  newRow(24);
  add(Kind::DefaultButton, dlg::kOk, "确定", 75, 24);
  finish();
}

void HelpDialog::onCommand(int id, int code) {
  if (code == BN_CLICKED && id == dlg::kOk) endModal(IDOK);
}

AboutDialog::AboutDialog(HWND owner) {
  create("关于 TAVIK", kDialogStyle, owner, 240);
  newRow(32);
  HWND icon = add(Kind::Label, -1, "", 32, 32);
  SetWindowLongPtrW(icon, GWL_STYLE, GetWindowLongPtrW(icon, GWL_STYLE) | SS_ICON);
  SendMessageW(
      icon, STM_SETICON,
      reinterpret_cast<WPARAM>(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION))), 0);
  add(Kind::Label, -1, "TAVIK");
  newRow(18);
  add(Kind::Label, kAboutVersion, (std::string("版本 ") + g_version).c_str());
  newRow(24);
  add(Kind::DefaultButton, dlg::kOk, "确定", 75, 24);
  finish();
}

void AboutDialog::onCommand(int id, int code) {
  if (code == BN_CLICKED && id == dlg::kOk) endModal(IDOK);
}

BidNumberDialog::BidNumberDialog(const std::string& current,
                                 std::function<bool(const std::string&)> enter, HWND owner)
    : enter_(std::move(enter)) {
  create("投标号", kDialogStyle, owner, 260);
  newRow(18);
  add(Kind::Label, -1, "请输入您的8位投标号：");
  newRow();
  HWND edit = add(Kind::Edit, kBidNumberEdit, current.c_str(), 220);
  SendMessageW(edit, EM_LIMITTEXT, 16, 0);
  newRow(24);
  add(Kind::DefaultButton, dlg::kOk, "确定", 75, 24);
  add(Kind::Button, dlg::kCancel, "取消", 75, 24);
  finish();
}

void BidNumberDialog::onCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == dlg::kCancel) return endModal(IDCANCEL);
  if (id != dlg::kOk) return;
  if (enter_ && !enter_(text(kBidNumberEdit))) {
    HWND edit = control(kBidNumberEdit);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    return;
  }
  endModal(IDOK);
}

VersionNoticeDialog::VersionNoticeDialog(std::string downloadUrl,
                                         std::function<void(const std::string&)> openUrl,
                                         HWND owner)
    : downloadUrl_(std::move(downloadUrl)), openUrl_(std::move(openUrl)) {
  create("版本更新", kDialogStyle, owner, 260);
  beginGroup("提示");
  newRow(18);
  add(Kind::Label, -1, "重要版本更新（必须更新）");
  newRow(24);
  add(Kind::Button, notice::kDownload, "点击下载最新版本", 0, 24);
  endGroup();
  newRow(24);
  add(Kind::DefaultButton, dlg::kOk, "确定", 75, 24);
  add(Kind::Button, dlg::kCancel, "取消", 75, 24);
  finish();
}

void VersionNoticeDialog::onCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == notice::kDownload) {
    // Too short to be an address: nothing to open.
    if (downloadUrl_.size() > 10 && openUrl_) openUrl_(downloadUrl_);
    return;
  }
  if (id == dlg::kOk) endModal(IDOK);
  if (id == dlg::kCancel) endModal(IDCANCEL);
}

}  // namespace tavik::win32ui
