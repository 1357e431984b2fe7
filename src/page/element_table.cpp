#include "page/element_table.h"

#include "recognition/colour_spec.h"

namespace tavik {

namespace {

// Colour sets shared by several rows.
constexpr std::string_view kColoursA =
    "208.79.87-0.0.0|208.70.87-0.0.0|209.81.85-0.0.0|208.49.88-0.0.0";
constexpr std::string_view kColoursB =
    "213.81.87-0.0.0|206.75.89-0.0.0|213.18.93-0.0.0|209.21.91-0.0.0";
constexpr std::string_view kColoursC = "0.100.100-0.0.0|0.79.90-0.0.0";
constexpr std::string_view kColoursD = "0.100.100-0.0.0|240.100.100-0.0.0";
constexpr std::string_view kColoursE = "0.100.100-0.0.0|210.100.80-0.0.0";

struct RowDefault {
  std::string_view key;
  std::string_view label;
  ElementRect rect;
  std::string_view colours;
};

// In RectRow order. The colours of net_rec_find_priceconfirmbutton are those of
// net_rec_priceconfirmbutton, whose buffer it shares.
constexpr RowDefault kRowDefaults[kRectRowCount] = {
    {"net_rec_nowprice", "nowprice", {152, 390, 48, 14}, kColoursD},
    {"net_rec_priceconfirmbutton", "priceconfirmbutton_rec", {479, 440, 149, 66}, kColoursA},
    {"net_rec_priceconfirmrec2", "priceconfirmrec2", {450, 320, 400, 170}, "26.10.98-0.0.0"},
    {"net_rec_priceconfirmrec", "priceconfirmrec", {453, 232, 150, 41}, kColoursA},
    {"net_rec_bidbutton", "bidbutton_rec", {750, 383, 94, 42}, kColoursB},
    {"net_rec_errorinfo_confirmbutton",
     "errorinfo_confirmbutton_rec",
     {570, 380, 200, 110},
     kColoursA},
    {"net_rec_bidtimesrec_first", "bidtimesrec_first", {433, 482, 82, 19}, kColoursC},
    {"net_rec_bidtimesrec", "net_rec_bidtimesrec", {433, 482, 82, 19}, kColoursC},
    {"net_rec_bidstatus", "net_rec_bidstatus", {438, 431, 5, 10}, "258.68.70-0.0.0"},
    {"net_rec_ddjj", "net_rec_ddjj", {23, 147, 0, 0}, "213.81.87-0.0.0"},
    {"net_rec_dd201", "net_rec_dd201", {35, 249, 0, 0}, kColoursE},
    {"net_rec_find_priceconfirmbutton",
     "net_rec_find_priceconfirmbutton",
     {450, 440, 400, 95},
     kColoursA},
    {"net_rec_find_pricecancelbutton",
     "net_rec_find_pricecancelbutton",
     {450, 440, 400, 95},
     kColoursA},
    {"net_rec_priceshuabutton", "net_rec_priceshuabutton", {450, 320, 400, 170}, "0.0.100-0.0.0"},
};

struct FixedDefault {
  ElementRect rect;
  std::string_view colours;  // empty: the current colours of net_rec_bidtimesrec
};

// In FixedRow order.
constexpr FixedDefault kFixedRows[kFixedRowCount] = {
    {{152, 406, 48, 14}, kReaderRed},       // nowprice1
    {{110, 263, 60, 13}, kReaderRed},       // halfmark_rec
    {{450, 320, 400, 170}, "0.0.0-0.0.0"},  // priceconfirm904_rec
    {{433, 456, 82, 19}, {}},               // bidtimesrec_practice
    {{497, 501, 43, 13}, kColoursC},        // readback_price_first
    {{497, 501, 43, 13}, kColoursC},        // readback_price_second
    {{575, 511, 70, 30}, kColoursC},        // readback_time_first
    {{571, 511, 70, 30}, kColoursC},        // readback_time_second
    {{497, 475, 43, 13}, kColoursC},        // readback_price_first_practice
    {{497, 475, 43, 13}, kColoursC},        // readback_price_second_practice
    {{571, 485, 70, 30}, kColoursC},        // readback_time_first_practice
    {{571, 485, 70, 30}, kColoursC},        // readback_time_second_practice
    {{125, 375, 15, 13}, kReaderRed},       // clock_first_hours
    {{146, 375, 15, 13}, kReaderRed},       // clock_first_minutes
    {{167, 375, 15, 13}, kReaderRed},       // clock_first_seconds
    {{124, 375, 18, 14}, kReaderRed},       // clock_second_hours
    {{148, 375, 18, 14}, kReaderRed},       // clock_second_minutes
    {{172, 375, 18, 14}, kReaderRed},       // clock_second_seconds
    {{124, 327, 15, 14}, kEndTimeColours},  // endtime_hours
    {{194, 327, 15, 14}, kEndTimeColours},  // endtime_minutes
};

struct PointDefault {
  std::string_view name;
  ElementPoint at;
};

// In ClickPoint order.
constexpr PointDefault kPointDefaults[kClickPointCount] = {
    {"bidpriceselfedit", {676, 399}},
    {"bidbutton", {799, 403}},
    {"bid_addprice_selfedit", {682, 300}},
    {"addbutton", {798, 300}},
    {"plus300", {646, 366}},
    {"priceconfirmbutton", {556, 487}},
    {"pricecancelbutton", {745, 487}},
    {"priceedit", {740, 403}},
    {"errorinfobutton", {661, 463}},
    {"pagefocus", {290, 84}},
};

const RowDefault& DefaultOf(RectRow row) {
  return kRowDefaults[static_cast<size_t>(row)];
}

}  // namespace

std::string_view RowKey(RectRow row) {
  return DefaultOf(row).key;
}

std::string_view RowLabel(RectRow row) {
  return DefaultOf(row).label;
}

std::string_view PointName(ClickPoint point) {
  return kPointDefaults[static_cast<size_t>(point)].name;
}

bool IsStorableColourSpec(std::string_view colours) {
  return colours.size() <= kColourSpecCapacity && ColourSpec::Parse(colours).valid();
}

const ElementTable& ElementTable::Defaults() {
  static const ElementTable defaults;
  return defaults;
}

ElementTable::ElementTable() {
  restoreRows();
  for (size_t i = 0; i < kClickPointCount; ++i) points_[i] = kPointDefaults[i].at;
}

size_t ElementTable::ColourBuffer(RectRow row) {
  constexpr size_t shared = static_cast<size_t>(RectRow::net_rec_find_priceconfirmbutton);
  const size_t i = Index(row);
  if (i == shared) return Index(RectRow::net_rec_priceconfirmbutton);
  return i < shared ? i : i - 1;
}

const std::string& ElementTable::colours(RectRow row) const {
  return colours_[ColourBuffer(row)];
}

ElementRow ElementTable::row(FixedRow row) const {
  const FixedDefault& fixed = kFixedRows[Index(row)];
  if (fixed.colours.empty()) return {fixed.rect, colours(RectRow::net_rec_bidtimesrec)};
  return {fixed.rect, std::string(fixed.colours)};
}

bool ElementTable::setColours(RectRow row, std::string_view colours) {
  if (!IsStorableColourSpec(colours)) return false;
  colours_[ColourBuffer(row)] = colours;
  return true;
}

void ElementTable::restoreRow(RectRow row) {
  const RowDefault& d = DefaultOf(row);
  rects_[Index(row)] = d.rect;
  colours_[ColourBuffer(row)] = d.colours;
}

void ElementTable::restoreRows() {
  for (size_t i = 0; i < kRectRowCount; ++i) restoreRow(static_cast<RectRow>(i));
}

void ElementTable::restoreButtonPositions() {
  for (size_t i = 0; i < kButtonPointCount; ++i) points_[i] = kPointDefaults[i].at;
}

}  // namespace tavik
