#pragma once
// The places on the auction page that are read and clicked, relative to the page origin, and the
// colours their text is drawn in.
//
// An ElementTable is a plain value: the built-in defaults are one constant table, the current
// values another table published whole (element_table_store.h). A reader that holds one table
// therefore always sees a row's rectangle and colours from the same moment.
//
// Colours are the text of a ColourSpec (recognition/colour_spec.h). A table only ever holds
// colour texts that the recognition component accepts and that fit its 1023-character buffer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavik {

// A rectangle row: top-left offset from the page origin and size.
struct ElementRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t w = 0;
  int32_t h = 0;
  friend bool operator==(const ElementRect&, const ElementRect&) = default;
};

// A click point: offset from the page origin.
struct ElementPoint {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const ElementPoint&, const ElementPoint&) = default;
};

// One row as a reader uses it: where it lies and which colours its text has.
struct ElementRow {
  ElementRect rect;
  std::string colours;
  friend bool operator==(const ElementRow&, const ElementRow&) = default;
};

inline constexpr size_t kColourSpecCapacity = 1023;

// Rows that recognition updates can replace, named after their update keys and in the order in
// which those keys are tried.
enum class RectRow : uint8_t {
  net_rec_nowprice,
  net_rec_priceconfirmbutton,
  net_rec_priceconfirmrec2,
  net_rec_priceconfirmrec,
  net_rec_bidbutton,
  net_rec_errorinfo_confirmbutton,
  net_rec_bidtimesrec_first,
  net_rec_bidtimesrec,
  net_rec_bidstatus,
  net_rec_ddjj,
  net_rec_dd201,
  net_rec_find_priceconfirmbutton,
  net_rec_find_pricecancelbutton,
  net_rec_priceshuabutton,
};
inline constexpr size_t kRectRowCount = 14;

// Rows built in for good. The read-back and clock cells exist once per half of the auction;
// the read-back cells also once more for the practice page.
enum class FixedRow : uint8_t {
  nowprice1,
  halfmark_rec,
  priceconfirm904_rec,
  bidtimesrec_practice,
  readback_price_first,
  readback_price_second,
  readback_time_first,
  readback_time_second,
  readback_price_first_practice,
  readback_price_second_practice,
  readback_time_first_practice,
  readback_time_second_practice,
  clock_first_hours,
  clock_first_minutes,
  clock_first_seconds,
  clock_second_hours,
  clock_second_minutes,
  clock_second_seconds,
  endtime_hours,
  endtime_minutes,
};
inline constexpr size_t kFixedRowCount = 20;

// Click points. The first nine are replaced together by button-position updates; pagefocus is
// changed only by the remote main parameters.
enum class ClickPoint : uint8_t {
  bidpriceselfedit,
  bidbutton,
  bid_addprice_selfedit,
  addbutton,
  plus300,
  priceconfirmbutton,
  pricecancelbutton,
  priceedit,
  errorinfobutton,
  pagefocus,
};
inline constexpr size_t kButtonPointCount = 9;
inline constexpr size_t kClickPointCount = 10;

// Fixed colours of the four position markers "908", "915", "920" (P) and "909" (Q).
// What the price and clock readers look for ("pure red"), and the colours of the end time.
inline constexpr const char* kReaderRed = "ff0000-ff0000";
inline constexpr const char* kEndTimeColours = "0.100.100-0.0.0|210.100.80-0.0.0|210.57.49-0.0.0";
inline constexpr std::string_view kMarkerColoursP = "210.100.80-0.0.0|240.100.100-0.0.0";
inline constexpr std::string_view kMarkerColoursQ = "0.100.100-0.0.0|210.100.80-0.0.0";

// What an updatable row is called: its update key and the label of its change log line.
std::string_view RowKey(RectRow row);
std::string_view RowLabel(RectRow row);
// The name of a click point in button-position updates and their log lines.
std::string_view PointName(ClickPoint point);

// Whether `colours` may be stored in a row: not longer than the buffer and accepted by the
// recognition component's parser.
bool IsStorableColourSpec(std::string_view colours);

class ElementTable {
 public:
  // The built-in values.
  static const ElementTable& Defaults();

  const ElementRect& rect(RectRow row) const { return rects_[Index(row)]; }
  // The row's colours; the two confirm-button rows share one buffer.
  const std::string& colours(RectRow row) const;
  ElementRow row(RectRow row) const { return {rect(row), colours(row)}; }
  // A fixed row; bidtimesrec_practice takes the current colours of net_rec_bidtimesrec.
  ElementRow row(FixedRow row) const;
  ElementPoint point(ClickPoint p) const { return points_[Index(p)]; }

  void setRect(RectRow row, const ElementRect& r) { rects_[Index(row)] = r; }
  // False, and nothing changes, when the text is not IsStorableColourSpec.
  bool setColours(RectRow row, std::string_view colours);
  void setPoint(ClickPoint p, const ElementPoint& at) { points_[Index(p)] = at; }

  // Default rectangle and default colours of one row (for the shared buffer: its default).
  void restoreRow(RectRow row);
  // Every updatable row.
  void restoreRows();
  // The nine button points; pagefocus keeps its value.
  void restoreButtonPositions();

  friend bool operator==(const ElementTable&, const ElementTable&) = default;

 private:
  static constexpr size_t kColourBufferCount = kRectRowCount - 1;
  static size_t ColourBuffer(RectRow row);
  template <typename E>
  static size_t Index(E e) {
    return static_cast<size_t>(e);
  }

  ElementTable();

  std::array<ElementRect, kRectRowCount> rects_;
  std::array<std::string, kColourBufferCount> colours_;
  std::array<ElementPoint, kClickPointCount> points_;
};

}  // namespace tavik
