#pragma once
// The auction page's places, typed by hand from the page's layout rather than taken from the
// code's table: the page renderer, the simulator and the readers all draw on that one table, so
// a value moved there by mistake moves them all together, and only a list kept apart notices.
//
// One row per place: updatable rows in the order their update keys are tried (with their log
// labels), then the fixed rows, the click points (with their update names) and the position
// markers' colours. A click point's x, y sit in the rectangle with w = h = 0. `word` is what the
// place is searched or read for, where it is one.

#include <ostream>
#include <string_view>
#include <variant>

#include "page/element_table.h"

namespace tavik {

// Rows and points in test messages as their values.
inline void PrintTo(const ElementRect& r, std::ostream* os) {
  *os << "{" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << "}";
}
inline void PrintTo(const ElementRow& r, std::ostream* os) {
  PrintTo(r.rect, os);
  *os << " \"" << r.colours << "\"";
}
inline void PrintTo(const ElementPoint& p, std::ostream* os) {
  *os << "(" << p.x << ", " << p.y << ")";
}

}  // namespace tavik

namespace tavik::layout {

inline constexpr const char* kA = "208.79.87-0.0.0|208.70.87-0.0.0|209.81.85-0.0.0|208.49.88-0.0.0";
inline constexpr const char* kB = "213.81.87-0.0.0|206.75.89-0.0.0|213.18.93-0.0.0|209.21.91-0.0.0";
inline constexpr const char* kC = "0.100.100-0.0.0|0.79.90-0.0.0";
inline constexpr const char* kD = "0.100.100-0.0.0|240.100.100-0.0.0";
inline constexpr const char* kE = "0.100.100-0.0.0|210.100.80-0.0.0";
inline constexpr const char* kRed = "ff0000-ff0000";
inline constexpr const char* kEndTime = "0.100.100-0.0.0|210.100.80-0.0.0|210.57.49-0.0.0";
inline constexpr const char* kMarkersP = "210.100.80-0.0.0|240.100.100-0.0.0";
inline constexpr const char* kMarkersQ = "0.100.100-0.0.0|210.100.80-0.0.0";

// A marker's fixed colours, as the code names them.
struct MarkerColours {
  std::string_view code;
};
using Place = std::variant<RectRow, FixedRow, ClickPoint, MarkerColours>;

struct Pinned {
  Place place;
  const char* name;   // update key, click-point name, or what the row is
  const char* label;  // log label of an updatable row
  ElementRect rect;
  const char* colours;  // none for click points
  const char* word = nullptr;
};

inline const Pinned kPageLayout[] = {
    {RectRow::net_rec_nowprice, "net_rec_nowprice", "nowprice", {152, 390, 48, 14}, kD},
    {RectRow::net_rec_priceconfirmbutton,
     "net_rec_priceconfirmbutton",
     "priceconfirmbutton_rec",
     {479, 440, 149, 66},
     kA,
     "901"},
    {RectRow::net_rec_priceconfirmrec2,
     "net_rec_priceconfirmrec2",
     "priceconfirmrec2",
     {450, 320, 400, 170},
     "26.10.98-0.0.0",
     "302"},
    {RectRow::net_rec_priceconfirmrec,
     "net_rec_priceconfirmrec",
     "priceconfirmrec",
     {453, 232, 150, 41},
     kA},
    {RectRow::net_rec_bidbutton,
     "net_rec_bidbutton",
     "bidbutton_rec",
     {750, 383, 94, 42},
     kB,
     "902"},
    {RectRow::net_rec_errorinfo_confirmbutton,
     "net_rec_errorinfo_confirmbutton",
     "errorinfo_confirmbutton_rec",
     {570, 380, 200, 110},
     kA,
     "901"},
    {RectRow::net_rec_bidtimesrec_first,
     "net_rec_bidtimesrec_first",
     "bidtimesrec_first",
     {433, 482, 82, 19},
     kC},
    {RectRow::net_rec_bidtimesrec,
     "net_rec_bidtimesrec",
     "net_rec_bidtimesrec",
     {433, 482, 82, 19},
     kC,
     "501"},
    {RectRow::net_rec_bidstatus,
     "net_rec_bidstatus",
     "net_rec_bidstatus",
     {438, 431, 5, 10},
     "258.68.70-0.0.0",
     "903"},
    {RectRow::net_rec_ddjj,
     "net_rec_ddjj",
     "net_rec_ddjj",
     {23, 147, 0, 0},
     "213.81.87-0.0.0",
     "dd_jj"},
    {RectRow::net_rec_dd201, "net_rec_dd201", "net_rec_dd201", {35, 249, 0, 0}, kE, "dd_201"},
    {RectRow::net_rec_find_priceconfirmbutton,
     "net_rec_find_priceconfirmbutton",
     "net_rec_find_priceconfirmbutton",
     {450, 440, 400, 95},
     kA,
     "901"},
    {RectRow::net_rec_find_pricecancelbutton,
     "net_rec_find_pricecancelbutton",
     "net_rec_find_pricecancelbutton",
     {450, 440, 400, 95},
     kA,
     "911"},
    {RectRow::net_rec_priceshuabutton,
     "net_rec_priceshuabutton",
     "net_rec_priceshuabutton",
     {450, 320, 400, 170},
     "0.0.100-0.0.0",
     "303"},

    {FixedRow::nowprice1, "first-half price", nullptr, {152, 406, 48, 14}, kRed},
    {FixedRow::halfmark_rec, "half mark", nullptr, {110, 263, 60, 13}, kRed},
    {FixedRow::priceconfirm904_rec,
     "captcha sign 904",
     nullptr,
     {450, 320, 400, 170},
     "0.0.0-0.0.0",
     "904"},
    {FixedRow::bidtimesrec_practice, "practice bid count", nullptr, {433, 456, 82, 19}, kC},
    {FixedRow::readback_price_first, "read-back price 1", nullptr, {497, 501, 43, 13}, kC},
    {FixedRow::readback_price_second, "read-back price 2", nullptr, {497, 501, 43, 13}, kC},
    {FixedRow::readback_time_first, "read-back time 1", nullptr, {575, 511, 70, 30}, kC},
    {FixedRow::readback_time_second, "read-back time 2", nullptr, {571, 511, 70, 30}, kC},
    {FixedRow::readback_price_first_practice, "practice price 1", nullptr, {497, 475, 43, 13}, kC},
    {FixedRow::readback_price_second_practice, "practice price 2", nullptr, {497, 475, 43, 13}, kC},
    {FixedRow::readback_time_first_practice, "practice time 1", nullptr, {571, 485, 70, 30}, kC},
    {FixedRow::readback_time_second_practice, "practice time 2", nullptr, {571, 485, 70, 30}, kC},
    {FixedRow::clock_first_hours, "clock 1 hours", nullptr, {125, 375, 15, 13}, kRed},
    {FixedRow::clock_first_minutes, "clock 1 minutes", nullptr, {146, 375, 15, 13}, kRed},
    {FixedRow::clock_first_seconds, "clock 1 seconds", nullptr, {167, 375, 15, 13}, kRed},
    {FixedRow::clock_second_hours, "clock 2 hours", nullptr, {124, 375, 18, 14}, kRed},
    {FixedRow::clock_second_minutes, "clock 2 minutes", nullptr, {148, 375, 18, 14}, kRed},
    {FixedRow::clock_second_seconds, "clock 2 seconds", nullptr, {172, 375, 18, 14}, kRed},
    {FixedRow::endtime_hours, "end hours", nullptr, {124, 327, 15, 14}, kEndTime},
    {FixedRow::endtime_minutes, "end minutes", nullptr, {194, 327, 15, 14}, kEndTime},

    {ClickPoint::bidpriceselfedit, "bidpriceselfedit", nullptr, {676, 399, 0, 0}, nullptr},
    {ClickPoint::bidbutton, "bidbutton", nullptr, {799, 403, 0, 0}, nullptr},
    {ClickPoint::bid_addprice_selfedit,
     "bid_addprice_selfedit",
     nullptr,
     {682, 300, 0, 0},
     nullptr},
    {ClickPoint::addbutton, "addbutton", nullptr, {798, 300, 0, 0}, nullptr},
    {ClickPoint::plus300, "plus300", nullptr, {646, 366, 0, 0}, nullptr},
    {ClickPoint::priceconfirmbutton, "priceconfirmbutton", nullptr, {556, 487, 0, 0}, nullptr},
    {ClickPoint::pricecancelbutton, "pricecancelbutton", nullptr, {745, 487, 0, 0}, nullptr},
    {ClickPoint::priceedit, "priceedit", nullptr, {740, 403, 0, 0}, nullptr},
    {ClickPoint::errorinfobutton, "errorinfobutton", nullptr, {661, 463, 0, 0}, nullptr},
    {ClickPoint::pagefocus, "pagefocus", nullptr, {290, 84, 0, 0}, nullptr},

    {MarkerColours{kMarkerColoursP}, "marker 908", nullptr, {}, kMarkersP, "908"},
    {MarkerColours{kMarkerColoursP}, "marker 915", nullptr, {}, kMarkersP, "915"},
    {MarkerColours{kMarkerColoursQ}, "marker 909", nullptr, {}, kMarkersQ, "909"},
    {MarkerColours{kMarkerColoursP}, "marker 920", nullptr, {}, kMarkersP, "920"},
};

}  // namespace tavik::layout
