#pragma once
// What must hold for any payload whatever its content: the checks shared by the fuzz target and
// the corpus replay test. Returns the first broken promise, or an empty text.

#include <string>
#include <string_view>
#include <variant>

#include "page/element_table.h"
#include "page/recognition_update.h"

namespace tavik::testing {

inline bool RectAccepted(const ElementRect& r) {
  return r.x >= kMinRectOffset && r.x <= kMaxRectOffset && r.y >= kMinRectOffset &&
         r.y <= kMaxRectOffset && r.w >= 0 && r.w <= kMaxRectSize && r.h >= 0 &&
         r.h <= kMaxRectSize;
}

inline bool PointAccepted(const ElementPoint& p) {
  return p.x >= kMinPointOffset && p.x <= kMaxPointOffset && p.y >= kMinPointOffset &&
         p.y <= kMaxPointOffset;
}

inline std::string CheckEntry(const UpdateEntry& entry) {
  if (const auto* c = std::get_if<RectChange>(&entry)) {
    if (!RectAccepted(c->rect)) return "rectangle out of range accepted";
    if (!IsStorableColourSpec(c->colours)) return "bad colour spec accepted";
  }
  if (const auto* c = std::get_if<PointsChange>(&entry)) {
    if (c->points.size() > kMaxPointParts) return "too many click points";
    for (const PointChange& p : c->points) {
      if (!PointAccepted(p.at)) return "click point out of range accepted";
    }
  }
  return {};
}

inline std::string CheckTable(const ElementTable& t) {
  const ElementTable& d = ElementTable::Defaults();
  for (size_t i = 0; i < kRectRowCount; ++i) {
    const auto row = static_cast<RectRow>(i);
    if (!IsStorableColourSpec(t.colours(row))) return "table holds a bad colour spec";
    if (t.rect(row) != d.rect(row) && !RectAccepted(t.rect(row))) return "bad rectangle stored";
  }
  for (size_t i = 0; i < kButtonPointCount; ++i) {
    const auto p = static_cast<ClickPoint>(i);
    if (t.point(p) != d.point(p) && !PointAccepted(t.point(p))) return "bad click point stored";
  }
  if (t.point(ClickPoint::pagefocus) != d.point(ClickPoint::pagefocus)) return "pagefocus changed";
  return {};
}

inline std::string CheckLogLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    for (const char c : line) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return "control character logged";
    }
    if (line.size() > 2 * kColourSpecCapacity + 200) return "log line too long";
  }
  return {};
}

inline std::string CheckRecognitionUpdate(std::string_view payload) {
  const std::optional<RecognitionUpdate> update = ParseRecognitionUpdate(payload);
  if (payload.size() > kMaxUpdatePayload) return update ? "long payload accepted" : "";
  if (!update) return "payload refused";
  if (ParseRecognitionUpdate(payload) != update) return "parse not deterministic";
  for (const UpdateEntry& entry : update->entries) {
    if (std::string fault = CheckEntry(entry); !fault.empty()) return fault;
  }
  ElementTable once = ElementTable::Defaults();
  const std::vector<std::string> lines = ApplyToTable(*update, 7, once);
  if (std::string fault = CheckTable(once); !fault.empty()) return fault;
  if (std::string fault = CheckLogLines(lines); !fault.empty()) return fault;
  // Every entry sets values outright, so a second application changes nothing.
  ElementTable twice = once;
  ApplyToTable(*update, 7, twice);
  if (twice != once) return "applying twice differs from once";
  return {};
}

}  // namespace tavik::testing
