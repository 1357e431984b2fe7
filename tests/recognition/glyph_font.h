#pragma once
// A tiny 3x5 pixel font for recognition tests: glyphs built from text pictures, a dictionary of
// them, and drawing of strings into an image the way a page would show them.

#include <string>
#include <vector>

#include "platform/image.h"
#include "recognition/dictionary.h"

namespace tavik::test {

// Rows of '#' (on) and '.' (off).
inline Glyph MakeGlyph(const std::string& name, const std::vector<std::string>& rows) {
  BitImage bits(int(rows[0].size()), int(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) bits.set(int(x), int(y), rows[y][x] == '#');
  return Glyph(name, std::move(bits));
}

// Digits, ':' and '.', each drawn 1 pixel apart; '.' is a single pixel on the bottom row, so
// it matches inside every other glyph too and only the overlap rule keeps it in its place.
inline Dictionary DigitDictionary() {
  Dictionary d;
  const std::vector<std::pair<std::string, std::vector<std::string>>> font = {
      {"0", {"###", "#.#", "#.#", "#.#", "###"}}, {"1", {".#.", "##.", ".#.", ".#.", "###"}},
      {"2", {"###", "..#", "###", "#..", "###"}}, {"3", {"###", "..#", "###", "..#", "###"}},
      {"4", {"#.#", "#.#", "###", "..#", "..#"}}, {"5", {"###", "#..", "###", "..#", "###"}},
      {"6", {"###", "#..", "###", "#.#", "###"}}, {"7", {"###", "..#", "..#", "..#", "..#"}},
      {"8", {"###", "#.#", "###", "#.#", "###"}}, {"9", {"###", "#.#", "###", "..#", "###"}},
      {":", {".", "#", ".", "#", "."}},           {".", {"#"}},
  };
  for (const auto& [name, rows] : font) d.glyphs.push_back(MakeGlyph(name, rows));
  return d;
}

// Draws glyph `g` with its top-left at (x, y): on pixels in `colour`, the rest untouched.
inline void DrawGlyph(Image& img, int x, int y, const Glyph& g, uint32_t colour) {
  for (int j = 0; j < g.height(); ++j)
    for (int i = 0; i < g.width(); ++i)
      if (g.bits().get(i, j)) img.at(x + i, y + j) = colour;
}

// Draws `text` with top-left (x, y), one pixel between glyphs, 4 pixels for a space; glyphs of
// one pixel ('.') sit on the bottom row of the line (5 pixels high). Returns the end x.
inline int DrawText(Image& img, int x, int y, const std::string& text, uint32_t colour,
                    const Dictionary& d) {
  for (char c : text) {
    if (c == ' ') {
      x += 4;
      continue;
    }
    const Glyph& g = d.glyphs[d.indicesOf(std::string(1, c)).at(0)];
    DrawGlyph(img, x, y + 5 - g.height(), g, colour);
    x += g.width() + 1;
  }
  return x;
}

}  // namespace tavik::test
