#pragma once
// Recognition on a captured image: colour filtering, exact glyph search and text recognition.
// Coordinates here are image coordinates; the screen driver adds the capture's origin.

#include <string>
#include <vector>

#include "platform/image.h"
#include "recognition/bit_image.h"
#include "recognition/colour_spec.h"
#include "recognition/dictionary.h"

namespace tavik {

// The pixels of `image` that match `spec`.
BitImage ColourMask(const Image& image, const ColourSpec& spec);

struct GlyphHit {
  int glyph = -1;  // index into the dictionary
  int x = 0, y = 0, width = 0, height = 0;
};

// First exact match, in row-major order of the top-left corner, of any of the glyphs `candidates`
// (the earlier candidate wins at one position). False when none matches.
bool FindFirst(const BitImage& mask, const Dictionary& dict, const std::vector<int>& candidates,
               GlyphHit& hit);

// Text recognised in a mask: lines top to bottom, words left to right, glyphs left to right.
struct OcrLine {
  std::vector<std::vector<GlyphHit>> words;
};
struct OcrResult {
  std::vector<OcrLine> lines;
};

// Every glyph found in the mask. Where matches overlap, the one with more ink wins (a word
// drawn as one picture beats the single characters inside it); then they are grouped into
// lines (overlapping vertical spans) and words (gaps narrower than the word gap).
OcrResult Recognise(const BitImage& mask, const Dictionary& dict);

// All characters, line by line, lines joined by "\n", no separators within a line.
std::string OcrTextOf(const OcrResult& r, const Dictionary& dict);
// Words of every line in reading order, joined by "|".
std::string OcrWordsOf(const OcrResult& r, const Dictionary& dict);
// Word `index` (from 0) of an OcrWords result; empty when there is no such word.
std::string WordAt(const std::string& words, int index);

}  // namespace tavik
