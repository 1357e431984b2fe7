#pragma once
// Recognition updates sent by the parameter service: new positions and colours for rows of the
// element table, new click points, or the built-in values back.
//
// Parsing is a pure function of the payload text, so that any text can be thrown at it alone;
// applying changes a table value and returns the lines for the diagnostic log. Every row is
// taken whole: a refused entry leaves its row exactly as it was.
//
// Payload: entries separated by "@". An entry is read up to its first "/r" (the HTTP client
// joins lines with "/r/n"), without trailing blanks. The first known key that occurs in the
// entry names its row; with "func=1" the entry carries new values, without it the row's
// defaults come back.
//   rectangle: <key>...func=1;pos=<x>,<y>,<w>,<h>;...color=<colour spec>
//   click points: net_btn_pos...func=1;<name>=<x>,<y>;<name>=<x>,<y>...

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "page/element_table.h"

namespace tavik {

inline constexpr size_t kMaxUpdatePayload = 9000;  // longer payloads are ignored whole
inline constexpr size_t kMaxRectEntry = 1000;
inline constexpr size_t kMaxPointPart = 1000;
inline constexpr size_t kMaxPointParts = 30;
// Accepted ranges. Sizes are bounded so that origin + offset + size can never overflow.
inline constexpr int32_t kMinRectOffset = 11, kMaxRectOffset = 999;
inline constexpr int32_t kMaxRectSize = 9999;
inline constexpr int32_t kMinPointOffset = 101, kMaxPointOffset = 999;

enum class Refusal : uint8_t {
  kTooLong,     // entry over kMaxRectEntry
  kMalformed,   // a separator, "color=" or a number missing
  kOutOfRange,  // a number outside its range
  kBadColours,  // a colour spec the recognition component would refuse
};

struct RectChange {
  RectRow row;
  ElementRect rect;
  std::string colours;
  friend bool operator==(const RectChange&, const RectChange&) = default;
};
struct RectRestore {
  RectRow row;
  friend bool operator==(const RectRestore&, const RectRestore&) = default;
};
struct RectRefused {
  RectRow row;
  Refusal why;
  std::string colours;  // the refused text, for kBadColours
  friend bool operator==(const RectRefused&, const RectRefused&) = default;
};
struct PointChange {
  ClickPoint point;
  ElementPoint at;
  friend bool operator==(const PointChange&, const PointChange&) = default;
};
// The accepted parts of a click-point entry, in order; refused parts are left out.
struct PointsChange {
  std::vector<PointChange> points;
  friend bool operator==(const PointsChange&, const PointsChange&) = default;
};
struct PointsRestore {
  friend bool operator==(const PointsRestore&, const PointsRestore&) = default;
};

using UpdateEntry = std::variant<RectChange, RectRestore, RectRefused, PointsChange, PointsRestore>;

struct RecognitionUpdate {
  std::vector<UpdateEntry> entries;  // entries without a known key are left out
  friend bool operator==(const RecognitionUpdate&, const RecognitionUpdate&) = default;
};

// nullopt when the payload is refused as a whole (longer than kMaxUpdatePayload).
std::optional<RecognitionUpdate> ParseRecognitionUpdate(std::string_view payload);
// nullopt for an entry without a known key.
std::optional<UpdateEntry> ParseUpdateEntry(std::string_view entry);
// The parts of a click-point entry (its "func=1" is not checked here).
PointsChange ParseButtonPositions(std::string_view entry);

// Applies every entry in order to `table` and returns the log lines, `dataVersion` being the
// version they name.
std::vector<std::string> ApplyToTable(const RecognitionUpdate& update, int dataVersion,
                                      ElementTable& table);
// The click points of one entry; log lines for the points that change.
std::vector<std::string> ApplyPointsToTable(const PointsChange& change, int dataVersion,
                                            ElementTable& table);

}  // namespace tavik
