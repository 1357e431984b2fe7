#include "recognition/colour_spec.h"

#include <algorithm>
#include <cstdlib>

namespace tavik {

namespace {

// Rounded quotient num / den for num >= 0, den > 0.
int RoundDiv(int num, int den) {
  return (2 * num + den) / (2 * den);
}

// Reads a decimal number of 1 to 3 digits at `pos`; false when there is none.
bool ReadDecimal(std::string_view s, size_t& pos, int& out) {
  const size_t start = pos;
  out = 0;
  while (pos < s.size() && pos - start < 4 && s[pos] >= '0' && s[pos] <= '9') {
    out = out * 10 + (s[pos] - '0');
    ++pos;
  }
  return pos > start && pos - start <= 3;
}

bool Expect(std::string_view s, size_t& pos, char c) {
  if (pos >= s.size() || s[pos] != c) return false;
  ++pos;
  return true;
}

// "H.S.V" with H 0..359 and S, V 0..100.
bool ReadHsv(std::string_view s, size_t& pos, Hsv& out) {
  return ReadDecimal(s, pos, out.h) && Expect(s, pos, '.') && ReadDecimal(s, pos, out.s) &&
         Expect(s, pos, '.') && ReadDecimal(s, pos, out.v) && out.h <= 359 && out.s <= 100 &&
         out.v <= 100;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Six hex digits "RRGGBB".
bool ReadRgb(std::string_view s, int& r, int& g, int& b) {
  if (s.size() != 6) return false;
  int v[6];
  for (int i = 0; i < 6; ++i)
    if ((v[i] = HexDigit(s[i])) < 0) return false;
  r = v[0] * 16 + v[1];
  g = v[2] * 16 + v[3];
  b = v[4] * 16 + v[5];
  return true;
}

int HueDistance(int a, int b) {
  const int d = std::abs(a - b);
  return std::min(d, 360 - d);
}

}  // namespace

Hsv PixelHsv(uint32_t rgb) {
  const int r = (rgb >> 16) & 0xff, g = (rgb >> 8) & 0xff, b = rgb & 0xff;
  const int max = std::max({r, g, b});
  const int min = std::min({r, g, b});
  const int delta = max - min;
  Hsv out;
  out.v = RoundDiv(max * 100, 255);
  out.s = max == 0 ? 0 : RoundDiv(delta * 100, max);
  if (delta == 0) return out;
  // Numerators shifted by whole turns so that they are never negative.
  int num;
  if (max == r) {
    num = 60 * (g - b) + 360 * delta;
  } else if (max == g) {
    num = 60 * (b - r) + 120 * delta;
  } else {
    num = 60 * (r - g) + 240 * delta;
  }
  out.h = RoundDiv(num, delta) % 360;
  return out;
}

ColourSpec ColourSpec::Parse(std::string_view text) {
  ColourSpec spec;
  if (text.empty()) return spec;
  size_t begin = 0;
  while (begin <= text.size()) {
    size_t end = text.find('|', begin);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view alt = text.substr(begin, end - begin);
    const size_t dash = alt.find('-');
    if (dash == std::string_view::npos) return ColourSpec{};
    const std::string_view left = alt.substr(0, dash), right = alt.substr(dash + 1);
    RgbRange rr{};
    if (ReadRgb(left, rr.r, rr.g, rr.b) && ReadRgb(right, rr.dr, rr.dg, rr.db)) {
      spec.rgb_.push_back(rr);
    } else {
      HsvRange hr;
      size_t p = 0;
      if (!ReadHsv(left, p, hr.centre) || p != left.size()) return ColourSpec{};
      p = 0;
      if (!ReadHsv(right, p, hr.tolerance) || p != right.size()) return ColourSpec{};
      spec.hsv_.push_back(hr);
    }
    begin = end + 1;
  }
  spec.valid_ = true;
  return spec;
}

bool ColourSpec::matches(uint32_t rgb) const {
  if (!rgb_.empty()) {
    const int r = (rgb >> 16) & 0xff, g = (rgb >> 8) & 0xff, b = rgb & 0xff;
    for (const RgbRange& c : rgb_) {
      if (std::abs(r - c.r) <= c.dr && std::abs(g - c.g) <= c.dg && std::abs(b - c.b) <= c.db)
        return true;
    }
  }
  if (hsv_.empty()) return false;
  const Hsv p = PixelHsv(rgb);
  for (const HsvRange& c : hsv_) {
    if (HueDistance(p.h, c.centre.h) <= c.tolerance.h &&
        std::abs(p.s - c.centre.s) <= c.tolerance.s && std::abs(p.v - c.centre.v) <= c.tolerance.v)
      return true;
  }
  return false;
}

}  // namespace tavik
