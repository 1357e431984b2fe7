#include "page/recognition_update.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tavik {

namespace {

constexpr std::string_view kBlanks = " \t\r\n";
// Numbers are read up to this value; anything larger is out of every range anyway.
constexpr int32_t kNumberCeiling = 1'000'000'000;
// Click-point names, in the order a part is matched against them.
constexpr std::array kPointMatchOrder = {
    ClickPoint::plus300,
    ClickPoint::bidpriceselfedit,
    ClickPoint::bidbutton,
    ClickPoint::priceconfirmbutton,
    ClickPoint::pricecancelbutton,
    ClickPoint::errorinfobutton,
    ClickPoint::bid_addprice_selfedit,
    ClickPoint::addbutton,
    ClickPoint::priceedit,
};

bool Contains(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

std::string_view Trim(std::string_view s) {
  const size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// The part of an entry that is read: up to the first "/r", without trailing blanks.
std::string_view ReadablePart(std::string_view entry) {
  entry = entry.substr(0, entry.find("/r"));
  const size_t last = entry.find_last_not_of(kBlanks);
  return last == std::string_view::npos ? std::string_view{} : entry.substr(0, last + 1);
}

// Digits only, blanks around allowed. Large values stop at kNumberCeiling.
bool ParseNumber(std::string_view text, int32_t& out) {
  text = Trim(text);
  if (text.empty()) return false;
  int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = std::min<int64_t>(value * 10 + (c - '0'), kNumberCeiling);
  }
  out = static_cast<int32_t>(value);
  return true;
}

bool InRange(int32_t v, int32_t lo, int32_t hi) {
  return v >= lo && v <= hi;
}

// Moves the text before `separator` from `rest` into `field`; false when there is none.
bool TakeField(std::string_view& rest, char separator, std::string_view& field) {
  const size_t at = rest.find(separator);
  if (at == std::string_view::npos) return false;
  field = rest.substr(0, at);
  rest.remove_prefix(at + 1);
  return true;
}

std::optional<RectRow> RowOfEntry(std::string_view entry) {
  for (size_t i = 0; i < kRectRowCount; ++i) {
    const auto row = static_cast<RectRow>(i);
    if (Contains(entry, RowKey(row))) return row;
  }
  return std::nullopt;
}

bool RectInRange(const ElementRect& r) {
  return InRange(r.x, kMinRectOffset, kMaxRectOffset) &&
         InRange(r.y, kMinRectOffset, kMaxRectOffset) && InRange(r.w, 0, kMaxRectSize) &&
         InRange(r.h, 0, kMaxRectSize);
}

// "1;pos=x,y,w,h;" and, after it, "color=" and the colour spec up to the end of the entry.
UpdateEntry ParseRectChange(RectRow row, std::string_view entry) {
  if (entry.size() > kMaxRectEntry) return RectRefused{row, Refusal::kTooLong, {}};
  const RectRefused malformed{row, Refusal::kMalformed, {}};
  const size_t pos = entry.find("1;pos=");
  if (pos == std::string_view::npos) return malformed;
  std::string_view rest = entry.substr(pos + 6);
  std::string_view f[4];
  if (!TakeField(rest, ',', f[0]) || !TakeField(rest, ',', f[1]) || !TakeField(rest, ',', f[2]) ||
      !TakeField(rest, ';', f[3]))
    return malformed;
  const size_t color = rest.find("color=");
  if (color == std::string_view::npos) return malformed;
  ElementRect r;
  if (!ParseNumber(f[0], r.x) || !ParseNumber(f[1], r.y) || !ParseNumber(f[2], r.w) ||
      !ParseNumber(f[3], r.h))
    return malformed;
  if (!RectInRange(r)) return RectRefused{row, Refusal::kOutOfRange, {}};
  std::string colours(Trim(rest.substr(color + 6)));
  if (!IsStorableColourSpec(colours)) return RectRefused{row, Refusal::kBadColours, colours};
  return RectChange{row, r, std::move(colours)};
}

std::optional<ClickPoint> PointOfPart(std::string_view part) {
  for (const ClickPoint p : kPointMatchOrder) {
    if (Contains(part, PointName(p))) return p;
  }
  return std::nullopt;
}

// "<name>=x,y"; the part is known to hold a "=".
std::optional<PointChange> ParsePointPart(std::string_view part) {
  if (part.size() > kMaxPointPart) return std::nullopt;
  const std::optional<ClickPoint> point = PointOfPart(part);
  if (!point) return std::nullopt;
  std::string_view value = part.substr(part.find('=') + 1);
  std::string_view xText;
  ElementPoint at;
  if (!TakeField(value, ',', xText) || !ParseNumber(xText, at.x) || !ParseNumber(value, at.y))
    return std::nullopt;
  if (!InRange(at.x, kMinPointOffset, kMaxPointOffset) ||
      !InRange(at.y, kMinPointOffset, kMaxPointOffset))
    return std::nullopt;
  return PointChange{*point, at};
}

}  // namespace

std::optional<RecognitionUpdate> ParseRecognitionUpdate(std::string_view payload) {
  if (payload.size() > kMaxUpdatePayload) return std::nullopt;
  RecognitionUpdate update;
  size_t begin = 0;
  while (begin <= payload.size()) {
    const size_t end = std::min(payload.find('@', begin), payload.size());
    if (auto entry = ParseUpdateEntry(payload.substr(begin, end - begin)))
      update.entries.push_back(std::move(*entry));
    begin = end + 1;
  }
  return update;
}

std::optional<UpdateEntry> ParseUpdateEntry(std::string_view entry) {
  entry = ReadablePart(entry);
  const bool carriesValues = Contains(entry, "func=1");
  if (Contains(entry, "net_btn_pos")) {
    if (!carriesValues) return PointsRestore{};
    return ParseButtonPositions(entry);
  }
  const std::optional<RectRow> row = RowOfEntry(entry);
  if (!row) return std::nullopt;
  if (!carriesValues) return RectRestore{*row};
  return ParseRectChange(*row, entry);
}

// Parts separated by ";", at most kMaxPointParts; the first part shorter than 11 characters or
// without "=" ends the list (so the leading part with the key must be that long too).
PointsChange ParseButtonPositions(std::string_view entry) {
  entry = ReadablePart(entry);
  PointsChange change;
  size_t begin = 0;
  for (size_t n = 0; n < kMaxPointParts && begin <= entry.size(); ++n) {
    const size_t end = std::min(entry.find(';', begin), entry.size());
    const std::string_view part = entry.substr(begin, end - begin);
    if (part.size() < 11 || !Contains(part, "=")) break;
    if (auto point = ParsePointPart(part)) change.points.push_back(*point);
    begin = end + 1;
  }
  return change;
}

}  // namespace tavik
