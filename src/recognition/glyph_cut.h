#pragma once
// Cutting glyphs out of a colour mask: the ink's box, the columns that hold ink, a box's bits.
// Shared by tavik-dict and the calibration from the user's screen, so that a glyph cut by hand
// and one learned from the page are cut alike.

#include <string>
#include <utility>
#include <vector>

#include "core/window_ref.h"
#include "recognition/bit_image.h"

namespace tavik {

// The smallest box around the on pixels of columns [x0, x1) of `mask`; empty when none.
Rect InkBox(const BitImage& mask, int x0, int x1);
// The smallest box around every on pixel of `mask`; empty when none.
inline Rect InkBox(const BitImage& mask) {
  return InkBox(mask, 0, mask.width());
}
// The pixels of `box` (inside `mask`) as an image of their own.
BitImage CutBits(const BitImage& mask, const Rect& box);
// Column ranges [begin, end) that hold ink, split at empty columns.
std::vector<std::pair<int, int>> InkColumns(const BitImage& mask);
// The pixels as rows of '#' and '.', one line a row.
std::string Picture(const BitImage& bits);
bool SameBits(const BitImage& a, const BitImage& b);

}  // namespace tavik
