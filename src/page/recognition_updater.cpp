#include "page/recognition_updater.h"

#include <utility>

#include "log/logger.h"
#include "page/recognition_update.h"

namespace tavik {

RecognitionUpdater::RecognitionUpdater(ElementTableStore& table, Logger& log,
                                       SelectDictionary selectDictionary)
    : table_(table), log_(log), selectDictionary_(std::move(selectDictionary)) {}

void RecognitionUpdater::ApplyRecognitionUpdate(std::string_view payload, int dataVersion) {
  const std::optional<RecognitionUpdate> update = ParseRecognitionUpdate(payload);
  if (!update || update->entries.empty()) return;
  std::vector<std::string> lines;
  table_.edit([&](ElementTable& t) { lines = ApplyToTable(*update, dataVersion, t); });
  logLines(lines);
}

void RecognitionUpdater::ApplyButtonPositions(std::string_view entry, int dataVersion) {
  const PointsChange change = ParseButtonPositions(entry);
  std::vector<std::string> lines;
  table_.edit([&](ElementTable& t) { lines = ApplyPointsToTable(change, dataVersion, t); });
  logLines(lines);
}

void RecognitionUpdater::RestoreButtonPositions() {
  table_.edit([](ElementTable& t) { t.restoreButtonPositions(); });
}

void RecognitionUpdater::RestoreRecognitionDefaults() {
  log_.LogStatus("初始化识别信息", true);
  log_.LogStatus("初始化按钮坐标", true);
  table_.edit([](ElementTable& t) {
    t.restoreRows();
    t.restoreButtonPositions();
  });
  log_.LogStatus("初始化词典0", true);
  if (selectDictionary_) selectDictionary_(0);
}

void RecognitionUpdater::logLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) log_.LogStatus(line, false);
}

}  // namespace tavik
