#include "recognition/glyph_cut.h"

#include <algorithm>

namespace tavik {

Rect InkBox(const BitImage& mask, int x0, int x1) {
  Rect box{x1, mask.height(), x0, 0};
  for (int y = 0; y < mask.height(); ++y) {
    for (int x = x0; x < x1; ++x) {
      if (mask.get(x, y)) {
        box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
               std::max(box.bottom, y + 1)};
      }
    }
  }
  return box;
}

BitImage CutBits(const BitImage& mask, const Rect& box) {
  BitImage bits(box.width(), box.height());
  for (int y = 0; y < box.height(); ++y)
    for (int x = 0; x < box.width(); ++x) bits.set(x, y, mask.get(box.left + x, box.top + y));
  return bits;
}

std::vector<std::pair<int, int>> InkColumns(const BitImage& mask) {
  std::vector<std::pair<int, int>> runs;
  int start = -1;
  for (int x = 0; x <= mask.width(); ++x) {
    bool ink = false;
    for (int y = 0; x < mask.width() && y < mask.height() && !ink; ++y) ink = mask.get(x, y);
    if (ink && start < 0) start = x;
    if (!ink && start >= 0) {
      runs.emplace_back(start, x);
      start = -1;
    }
  }
  return runs;
}

std::string Picture(const BitImage& bits) {
  std::string out;
  for (int y = 0; y < bits.height(); ++y) {
    for (int x = 0; x < bits.width(); ++x) out += bits.get(x, y) ? '#' : '.';
    out += '\n';
  }
  return out;
}

bool SameBits(const BitImage& a, const BitImage& b) {
  return a.width() == b.width() && a.height() == b.height() && Picture(a) == Picture(b);
}

}  // namespace tavik
