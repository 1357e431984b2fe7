// Applying parsed recognition updates to a table value, with the lines for the diagnostic log.

#include "page/recognition_update.h"

namespace tavik {

namespace {

// Refused text as it may appear in the log: control characters replaced, length bounded, so
// that a hostile payload can neither forge log lines nor flood the log.
std::string ForLog(std::string_view text) {
  constexpr size_t kShown = 80;
  std::string out(text.substr(0, kShown));
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  if (text.size() > kShown) out += "...";
  return out;
}

std::string Head(int dataVersion, std::string_view name) {
  return "更新版本:" + std::to_string(dataVersion) + ",参数:" + std::string(name) + ",";
}

std::string Numbers(const ElementRect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.w) + "," +
         std::to_string(r.h);
}

std::string Numbers(const ElementPoint& p) {
  return std::to_string(p.x) + "," + std::to_string(p.y);
}

class Applier {
 public:
  Applier(int dataVersion, ElementTable& table) : version_(dataVersion), table_(table) {}

  void operator()(const RectChange& c) {
    if (!IsStorableColourSpec(c.colours)) {
      refused(c.row, c.colours);
      return;
    }
    const ElementRect& old = table_.rect(c.row);
    const std::string& oldColours = table_.colours(c.row);
    if (old != c.rect || oldColours != c.colours) {
      lines_.push_back(Head(version_, RowLabel(c.row)) + Numbers(old) + " -> " + Numbers(c.rect) +
                       ",color: " + oldColours + "->" + c.colours);
    }
    table_.setRect(c.row, c.rect);
    table_.setColours(c.row, c.colours);
  }
  void operator()(const RectRestore& r) { table_.restoreRow(r.row); }
  void operator()(const RectRefused& r) {
    if (r.why == Refusal::kBadColours) refused(r.row, r.colours);
  }
  void operator()(const PointsChange& c) {
    points(c);
    lines_.emplace_back("更新位置参数完成");
  }
  void operator()(const PointsRestore&) {
    table_.restoreButtonPositions();
    lines_.emplace_back("初始化位置参数");
  }

  void points(const PointsChange& change) {
    for (const PointChange& c : change.points) {
      const ElementPoint old = table_.point(c.point);
      if (old != c.at) {
        lines_.push_back(Head(version_, PointName(c.point)) + Numbers(old) + " -> " +
                         Numbers(c.at));
      }
      table_.setPoint(c.point, c.at);
    }
  }

  std::vector<std::string> lines() && { return std::move(lines_); }

 private:
  void refused(RectRow row, std::string_view colours) {
    lines_.push_back(Head(version_, RowLabel(row)) + "颜色无效,未更新:" + ForLog(colours));
  }

  int version_;
  ElementTable& table_;
  std::vector<std::string> lines_;
};

}  // namespace

std::vector<std::string> ApplyToTable(const RecognitionUpdate& update, int dataVersion,
                                      ElementTable& table) {
  Applier applier(dataVersion, table);
  for (const UpdateEntry& entry : update.entries) std::visit(applier, entry);
  return std::move(applier).lines();
}

std::vector<std::string> ApplyPointsToTable(const PointsChange& change, int dataVersion,
                                            ElementTable& table) {
  Applier applier(dataVersion, table);
  applier.points(change);
  return std::move(applier).lines();
}

}  // namespace tavik
