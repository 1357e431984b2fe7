#include "settings/controls.h"

#include <climits>

namespace tavik {

namespace {
constexpr auto kCheck = ControlKind::kCheck;
constexpr auto kEdit = ControlKind::kEdit;
}  // namespace

std::vector<BoundControl> MainWindowBindings(MainWindowFields& fields) {
  Strategy& s = fields.strategy;
  return {
      {1005, kCheck, &s.m_autoBid2},       {1007, kEdit, &s.m_bid2Sec},
      {1009, kEdit, &s.m_bid2DirPrice},    {1008, kEdit, &s.m_bid2AddPrice},
      {1010, kCheck, &s.m_bid2TopUp},      {1003, kCheck, &s.m_bid2AddFlag},
      {1074, kCheck, &s.m_bid2SmartFlag},  {1004, kCheck, &s.m_bid2DirFlag},
      {1012, kCheck, &s.m_autoBid3},       {1006, kCheck, &s.m_bid3SmartFlag},
      {1011, kCheck, &s.m_bid3DirFlag},    {1015, kEdit, &s.m_bid3DirPrice},
      {1039, kEdit, &s.m_remedySec},       {1025, kCheck, &s.m_remedyOn},
      {1027, kEdit, &s.m_remedyMaxDiff},   {1028, kCheck, &s.m_remedyTopUp},
      {1044, kEdit, &s.m_remedyAdd},       {1029, kCheck, &s.m_bid3AddFlag},
      {1031, kEdit, &s.m_bid3AddPrice},    {1057, kCheck, &s.m_autoDisconnect},
      {1104, kCheck, &s.m_bid3Now},        {1107, kCheck, &s.m_bid3AtSecFlag},
      {1108, kEdit, &s.m_bid3Sec},         {1105, kCheck, &s.m_bid2LateSmart},
      {1106, kCheck, &s.m_bid3LateSmart},  {1016, kCheck, &s.m_bid3TopUp},
      {1113, kEdit, &s.m_remedyMinDiff},   {1123, kCheck, &fields.m_compatMode},
      {1142, kCheck, &fields.m_recording},
  };
}

std::vector<BoundControl> AdvancedDialogBindings(Strategy& s) {
  static constexpr int kOptionIds[kAdvOptions] = {1005, 1010, 1012, 1016, 1057, 1058, 1059,
                                                  1060, 1061, 1062, 1063, 1092, 1093, 1094,
                                                  1097, 1098, 1099, 1100, 1101, 1102};
  std::vector<BoundControl> b;
  for (int n = 1; n <= kAdvOptions; ++n)
    b.push_back({kOptionIds[n - 1], kCheck, &s.m_advOption[n]});
  b.insert(b.end(), {{1112, kEdit, &s.m_earlyMaxDiff},
                     {1114, kEdit, &s.m_earlySec},
                     {1117, kEdit, &s.m_earlyDelayMs},
                     {1116, kEdit, &s.m_forceSec},
                     {1146, kEdit, &s.m_forceDelayMs},
                     {1141, kEdit, &s.m_jumpFastThreshold},
                     {1008, kEdit, &s.m_jumpSlowThreshold}});
  return b;
}

std::vector<BoundControl> SmartDialogBindings(Strategy& s) {
  struct Row {
    int sec, add, topUp, fast, slow;
  };
  static constexpr Row kRows[kSmartRows] = {
      {1045, 1049, 1016, 1130, 1131}, {1046, 1050, 1022, 1132, 1008},
      {1047, 1051, 1024, 1112, 1128}, {1048, 1052, 1026, 1009, 1129},
      {1070, 1075, 1086, 1133, 1134}, {1071, 1076, 1011, 1135, 1136},
      {1072, 1077, 1087, 0, 0},       {1073, 1079, 1013, 0, 0},
      {1074, 1078, 1014, 0, 0},       {1080, 1081, 1015, 0, 0},
      {1082, 1083, 1088, 0, 0},       {1084, 1085, 1017, 0, 0},
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
  static const std::vector<int> ids = {1007, 1003, 1008, 1010, 1004, 1009, 1074, 1006, 1011,
                                       1015, 1031, 1029, 1025, 1039, 1027, 1113, 1044, 1028,
                                       1064, 1016, 1105, 1106, 1104, 1107, 1108};
  return ids;
}

const std::vector<int>& HiddenStrategyControlIds() {
  static const std::vector<int> ids = [] {
    std::vector<int> v = StrategyControlIds();
    v.insert(v.end(), {1056, 1073, 1005, 1147, 1148, 1149});
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
    case 1003:
      bid2(0);
      break;
    case 1074:
      bid2(1);
      break;
    case 1004:
      bid2(2);
      break;
    case 1029:
      bid3(0);
      break;
    case 1006:
      bid3(1);
      break;
    case 1011:
      bid3(2);
      break;
    case 1005:
      s.m_autoBid2 = state;
      break;
    case 1010:
      s.m_bid2TopUp = state;
      break;
    case 1012:
      s.m_autoBid3 = state;
      break;
    case 1057:
      s.m_autoDisconnect = state;
      break;
    case 1123:
      fields.m_compatMode = state;
      break;
    case 1142:
      fields.m_recording = state;
      break;
    case 1104:
      s.m_bid3Now = 1;
      s.m_bid3AtSecFlag = 0;
      break;
    case 1107:
      s.m_bid3Now = 0;
      s.m_bid3AtSecFlag = 1;
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace tavik
