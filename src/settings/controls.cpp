#include "settings/controls.h"

#include <climits>

#include "settings/control_ids.h"

namespace tavik {

namespace {
constexpr auto kCheck = ControlKind::kCheck;
constexpr auto kEdit = ControlKind::kEdit;
}  // namespace

std::vector<BoundControl> MainWindowBindings(MainWindowFields& fields) {
  Strategy& s = fields.strategy;
  return {
      {ctl::kAutoBid2, kCheck, &s.m_autoBid2},
      {ctl::kBid2Sec, kEdit, &s.m_bid2Sec},
      {ctl::kBid2DirPrice, kEdit, &s.m_bid2DirPrice},
      {ctl::kBid2AddPrice, kEdit, &s.m_bid2AddPrice},
      {ctl::kBid2TopUp, kCheck, &s.m_bid2TopUp},
      {ctl::kBid2AddRadio, kCheck, &s.m_bid2AddFlag},
      {ctl::kBid2SmartRadio, kCheck, &s.m_bid2SmartFlag},
      {ctl::kBid2DirRadio, kCheck, &s.m_bid2DirFlag},
      {ctl::kAutoBid3, kCheck, &s.m_autoBid3},
      {ctl::kBid3SmartRadio, kCheck, &s.m_bid3SmartFlag},
      {ctl::kBid3DirRadio, kCheck, &s.m_bid3DirFlag},
      {ctl::kBid3DirPrice, kEdit, &s.m_bid3DirPrice},
      {ctl::kRemedySec, kEdit, &s.m_remedySec},
      {ctl::kRemedyOn, kCheck, &s.m_remedyOn},
      {ctl::kRemedyMaxDiff, kEdit, &s.m_remedyMaxDiff},
      {ctl::kRemedyTopUp, kCheck, &s.m_remedyTopUp},
      {ctl::kRemedyAdd, kEdit, &s.m_remedyAdd},
      {ctl::kBid3AddRadio, kCheck, &s.m_bid3AddFlag},
      {ctl::kBid3AddPrice, kEdit, &s.m_bid3AddPrice},
      {ctl::kAutoDisconnect, kCheck, &s.m_autoDisconnect},
      {ctl::kBid3NowRadio, kCheck, &s.m_bid3Now},
      {ctl::kBid3AtSecRadio, kCheck, &s.m_bid3AtSecFlag},
      {ctl::kBid3Sec, kEdit, &s.m_bid3Sec},
      {ctl::kBid2LateSmart, kCheck, &s.m_bid2LateSmart},
      {ctl::kBid3LateSmart, kCheck, &s.m_bid3LateSmart},
      {ctl::kBid3TopUp, kCheck, &s.m_bid3TopUp},
      {ctl::kRemedyMinDiff, kEdit, &s.m_remedyMinDiff},
      {ctl::kCompatMode, kCheck, &fields.m_compatMode},
      {ctl::kRecording, kCheck, &fields.m_recording},
  };
}

std::vector<BoundControl> AdvancedDialogBindings(Strategy& s) {
  // The checkbox of m_advOption[n] at index n - 1.
  static constexpr int kOptionIds[kAdvOptions] = {
      adv::kNetOptimise,       adv::kServerParamDelay, adv::kSmartJudge,
      adv::kStuckSwitchServer, adv::kStuckDisconnect,  adv::kHalfOpenOnly,
      adv::kReserved7,         adv::kReserved8,        adv::kRebidOnStrayConfirm,
      adv::kRebidOnCancel,     adv::kRaiseThirdBid,    adv::kFloatingAdjust,
      adv::kBelowLowestRebid,  adv::kEarlyThirdCancel, adv::kSubmitWithoutEnter,
      adv::kReserved16,        adv::kEarlyConfirm,     adv::kForceConfirm,
      adv::kReserved19,        adv::kFirstPhaseAuto};
  std::vector<BoundControl> b;
  for (int n = 1; n <= kAdvOptions; ++n)
    b.push_back({kOptionIds[n - 1], kCheck, &s.m_advOption[n]});
  b.insert(b.end(), {{adv::kEarlyMaxDiff, kEdit, &s.m_earlyMaxDiff},
                     {adv::kEarlySec, kEdit, &s.m_earlySec},
                     {adv::kEarlyDelayMs, kEdit, &s.m_earlyDelayMs},
                     {adv::kForceSec, kEdit, &s.m_forceSec},
                     {adv::kForceDelayMs, kEdit, &s.m_forceDelayMs},
                     {adv::kJumpFastThreshold, kEdit, &s.m_jumpFastThreshold},
                     {adv::kJumpSlowThreshold, kEdit, &s.m_jumpSlowThreshold}});
  return b;
}

std::vector<BoundControl> SmartDialogBindings(Strategy& s) {
  // Row n binds m_smartSec[n], m_smartAdd[n] and m_smartTopUp[n], and on the jump rows
  // m_jumpFastAdd[n] and m_jumpSlowSub[n]; the later rows have no jump boxes (0).
  struct Row {
    int sec, add, topUp, fast, slow;
  };
  static constexpr Row kRows[kSmartRows] = {
      {smart::kSec1, smart::kAdd1, smart::kTopUp1, smart::kFast1, smart::kSlow1},
      {smart::kSec2, smart::kAdd2, smart::kTopUp2, smart::kFast2, smart::kSlow2},
      {smart::kSec3, smart::kAdd3, smart::kTopUp3, smart::kFast3, smart::kSlow3},
      {smart::kSec4, smart::kAdd4, smart::kTopUp4, smart::kFast4, smart::kSlow4},
      {smart::kSec5, smart::kAdd5, smart::kTopUp5, smart::kFast5, smart::kSlow5},
      {smart::kSec6, smart::kAdd6, smart::kTopUp6, smart::kFast6, smart::kSlow6},
      {smart::kSec7, smart::kAdd7, smart::kTopUp7, 0, 0},
      {smart::kSec8, smart::kAdd8, smart::kTopUp8, 0, 0},
      {smart::kSec9, smart::kAdd9, smart::kTopUp9, 0, 0},
      {smart::kSec10, smart::kAdd10, smart::kTopUp10, 0, 0},
      {smart::kSec11, smart::kAdd11, smart::kTopUp11, 0, 0},
      {smart::kSec12, smart::kAdd12, smart::kTopUp12, 0, 0},
  };
  std::vector<BoundControl> b;
  for (int row = 1; row <= kSmartRows; ++row) {
    const Row& r = kRows[row - 1];
    b.push_back({r.sec, kEdit, &s.m_smartSec[row]});
    b.push_back({r.add, kEdit, &s.m_smartAdd[row]});
    b.push_back({r.topUp, kCheck, &s.m_smartTopUp[row]});
    if (row <= kJumpRows) {
      b.push_back({r.fast, kEdit, &s.m_jumpFastAdd[row]});
      b.push_back({r.slow, kEdit, &s.m_jumpSlowSub[row]});
    }
  }
  return b;
}

std::optional<int32_t> ParseDialogInt(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > int64_t(INT32_MAX) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return int32_t(value);
}

int ExchangeToFields(const std::vector<BoundControl>& bindings, const ControlReader& controls) {
  for (const BoundControl& b : bindings) {
    if (b.kind == kCheck) {
      *b.field = controls.checked(b.id) ? 1 : 0;
      continue;
    }
    const auto value = ParseDialogInt(controls.text(b.id));
    if (!value) return b.id;
    *b.field = *value;
  }
  return 0;
}

void ExchangeToControls(const std::vector<BoundControl>& bindings, const ControlWriter& controls) {
  for (const BoundControl& b : bindings) {
    if (b.kind == kCheck) {
      controls.setChecked(b.id, *b.field != 0);
    } else {
      controls.setText(b.id, std::to_string(*b.field));
    }
  }
}

std::vector<int32_t> CopyIn(const std::vector<BoundControl>& bindings) {
  std::vector<int32_t> values;
  for (const BoundControl& b : bindings) values.push_back(*b.field);
  return values;
}

void CopyOut(const std::vector<BoundControl>& bindings, const std::vector<int32_t>& values) {
  for (size_t i = 0; i < bindings.size() && i < values.size(); ++i) *bindings[i].field = values[i];
}

const std::vector<int>& StrategyControlIds() {
  static const std::vector<int> ids = {
      ctl::kBid2Sec,       ctl::kBid2AddRadio,  ctl::kBid2AddPrice,     ctl::kBid2TopUp,
      ctl::kBid2DirRadio,  ctl::kBid2DirPrice,  ctl::kBid2SmartRadio,   ctl::kBid3SmartRadio,
      ctl::kBid3DirRadio,  ctl::kBid3DirPrice,  ctl::kBid3AddPrice,     ctl::kBid3AddRadio,
      ctl::kRemedyOn,      ctl::kRemedySec,     ctl::kRemedyMaxDiff,    ctl::kRemedyMinDiff,
      ctl::kRemedyAdd,     ctl::kRemedyTopUp,   ctl::kDisconnectButton, ctl::kBid3TopUp,
      ctl::kBid2LateSmart, ctl::kBid3LateSmart, ctl::kBid3NowRadio,     ctl::kBid3AtSecRadio,
      ctl::kBid3Sec};
  return ids;
}

const std::vector<int>& HiddenStrategyControlIds() {
  static const std::vector<int> ids = [] {
    std::vector<int> v = StrategyControlIds();
    v.insert(v.end(), {ctl::kAdvancedButton, ctl::kSmartButton, ctl::kAutoBid2, ctl::kBid2SecLabel,
                       ctl::kBid3SecLabel, ctl::kBid3AddLabel});
    return v;
  }();
  return ids;
}

bool ApplyMainWindowClick(int id, bool checked, MainWindowFields& fields) {
  Strategy& s = fields.strategy;
  auto bid2 = [&s](int mode) {
    s.m_bid2AddFlag = mode == 0;
    s.m_bid2SmartFlag = mode == 1;
    s.m_bid2DirFlag = mode == 2;
    s.m_bid2Mode = mode;
  };
  auto bid3 = [&s](int mode) {
    s.m_bid3AddFlag = mode == 0;
    s.m_bid3SmartFlag = mode == 1;
    s.m_bid3DirFlag = mode == 2;
    s.m_bid3Mode = mode;
  };
  const int state = checked ? 1 : 0;
  switch (id) {
    case ctl::kBid2AddRadio:
      bid2(0);
      break;
    case ctl::kBid2SmartRadio:
      bid2(1);
      break;
    case ctl::kBid2DirRadio:
      bid2(2);
      break;
    case ctl::kBid3AddRadio:
      bid3(0);
      break;
    case ctl::kBid3SmartRadio:
      bid3(1);
      break;
    case ctl::kBid3DirRadio:
      bid3(2);
      break;
    case ctl::kAutoBid2:
      s.m_autoBid2 = state;
      break;
    case ctl::kBid2TopUp:
      s.m_bid2TopUp = state;
      break;
    case ctl::kAutoBid3:
      s.m_autoBid3 = state;
      break;
    case ctl::kAutoDisconnect:
      s.m_autoDisconnect = state;
      break;
    case ctl::kCompatMode:
      fields.m_compatMode = state;
      break;
    case ctl::kRecording:
      fields.m_recording = state;
      break;
    case ctl::kBid3NowRadio:
      s.m_bid3Now = 1;
      s.m_bid3AtSecFlag = 0;
      break;
    case ctl::kBid3AtSecRadio:
      s.m_bid3Now = 0;
      s.m_bid3AtSecFlag = 1;
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace tavik
