#pragma once
// Colour specs: which screen pixels belong to the text being read.
//
// Two forms, alternatives joined by "|":
//   "H.S.V-dH.dS.dV"  hue 0-359 degrees, saturation and value 0-100 percent, each with a
//                     tolerance; the pixel's HSV (integers, see PixelHsv) must lie within every
//                     tolerance. Hue distance wraps around (359 and 1 are 2 apart).
//   "RRGGBB-DRDGDB"   a colour in hex and a per-channel tolerance in hex.
// A pixel matches a spec when it matches any alternative. A spec with any malformed alternative
// matches nothing, so a typo never turns into "everything is text".

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavik {

struct Hsv {
  int h = 0;  // 0..359, 0 for greys
  int s = 0;  // 0..100
  int v = 0;  // 0..100
  friend bool operator==(const Hsv&, const Hsv&) = default;
};

// Standard RGB to HSV conversion of a 0x00RRGGBB pixel, each component rounded to the nearest
// integer (a hue that rounds to 360 is 0).
Hsv PixelHsv(uint32_t rgb);

class ColourSpec {
 public:
  // Parses `text`; a malformed text gives a spec that is not valid() and matches nothing.
  static ColourSpec Parse(std::string_view text);

  bool valid() const { return valid_; }
  bool matches(uint32_t rgb) const;

 private:
  struct HsvRange {
    Hsv centre;
    Hsv tolerance;
  };
  struct RgbRange {
    int r, g, b;
    int dr, dg, db;
  };

  bool valid_ = false;
  std::vector<HsvRange> hsv_;
  std::vector<RgbRange> rgb_;
};

}  // namespace tavik
