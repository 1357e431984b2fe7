#pragma once
// Recognition updates and restores on the shared element table, with their log lines. Each call
// publishes one new table, so readers see either everything before it or everything after it.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "page/element_table_store.h"

namespace tavik {

class Logger;

class RecognitionUpdater {
 public:
  // Makes a dictionary slot the one recognition uses (the component's UseDictionary).
  using SelectDictionary = std::function<void(int index)>;

  RecognitionUpdater(ElementTableStore& table, Logger& log, SelectDictionary selectDictionary);

  // Applies every entry of a payload from the parameter service; `dataVersion` is the version
  // named in the log lines. A payload over kMaxUpdatePayload characters is ignored.
  void ApplyRecognitionUpdate(std::string_view payload, int dataVersion);
  // The click points of one "net_btn_pos" entry.
  void ApplyButtonPositions(std::string_view entry, int dataVersion);
  // The nine button points back to their defaults.
  void RestoreButtonPositions();
  // Every updatable row and button point back to its default, and dictionary 0 in use.
  void RestoreRecognitionDefaults();

 private:
  void logLines(const std::vector<std::string>& lines);

  ElementTableStore& table_;
  Logger& log_;
  SelectDictionary selectDictionary_;
};

}  // namespace tavik
