#pragma once
// A recognition dictionary: named one-bit bitmaps (glyphs). A name is what recognition reports
// for the glyph: one character ("7", ":") or a word the page shows as one picture ("901" for a
// button). Several glyphs may share a name (variants of one character).
//
// Files are text, documented in docs/dictionary-format.md.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "recognition/bit_image.h"

namespace tavik {

class Glyph {
 public:
  Glyph(std::string name, BitImage bits);

  const std::string& name() const { return name_; }
  const BitImage& bits() const { return bits_; }
  int width() const { return bits_.width(); }
  int height() const { return bits_.height(); }
  int inkCount() const { return ink_; }

  // Exact match with its top-left at (x, y) of `mask`: on where the glyph is on and off
  // everywhere else in its box. The box must lie inside the mask.
  bool matchesAt(const BitImage& mask, int x, int y) const {
    for (int j = 0; j < height(); ++j) {
      const uint64_t* want = rows_.data() + size_t(j) * chunks_;
      for (int k = 0; k < chunks_; ++k) {
        const uint64_t keep = k == chunks_ - 1 ? lastMask_ : ~uint64_t{0};
        if ((mask.window(x + 64 * k, y + j) & keep) != want[k]) return false;
      }
    }
    return true;
  }
  // Quick test of the first 64 pixels of the top row against a window read at the position.
  bool firstWindowFits(uint64_t window) const { return (window & firstMask_) == rows_[0]; }
  // The glyph's top row (its first 64 pixels).
  uint64_t firstRow() const { return rows_[0]; }

 private:
  std::string name_;
  BitImage bits_;
  int ink_ = 0;
  int chunks_ = 1;
  uint64_t lastMask_ = 0;
  uint64_t firstMask_ = 0;
  std::vector<uint64_t> rows_;  // chunks_ words a row
};

// Limits that keep a damaged or hostile file from exhausting memory.
inline constexpr int kMaxGlyphSide = 512;
inline constexpr int kMaxGlyphs = 4096;
inline constexpr size_t kMaxNameBytes = 64;
inline constexpr size_t kMaxDictionaryFileBytes = 32u << 20;

// Versions of the file format (docs/dictionary-format.md). Version 1 draws every glyph as rows
// of '#' and '.', to be read and edited by hand. Version 2 packs a glyph into one line of
// printable characters with a checksum over the file: several times smaller, and safe to send
// through a reply whose line breaks are written as "/r/n". Both are read alike.
enum class DictionaryFormat { kRows = 1, kCompact = 2 };

// A dictionary download arrives in the first 15000 characters of a reply, its line breaks
// written as the four characters "/r/n".
inline constexpr size_t kDictionaryDownloadWindow = 15000;
// The length of `text` with each line break written as "/r/n".
size_t DownloadLength(std::string_view text);

// Whether `name` may name a glyph: 1..64 bytes, no spaces, control characters or "|" (the
// separator of word lists and of recognition results).
bool IsValidGlyphName(std::string_view name);

class Dictionary {
 public:
  // Word gap: a horizontal gap of at least this many pixels between two glyphs on a line starts
  // a new word. 0 = automatic (half the line height, at least 2).
  int wordGap = 0;
  std::vector<Glyph> glyphs;

  // Indices of the glyphs named `name`.
  std::vector<int> indicesOf(std::string_view name) const;

  // Text form of the dictionary (the file format).
  std::string serialize(DictionaryFormat format = DictionaryFormat::kRows) const;
  // Parses either format; false with a reason ("line 7: ...") and `out` untouched when the text
  // is not a complete, well-formed dictionary. `format`, when given, receives the version read.
  static bool Parse(std::string_view text, Dictionary& out, std::string& error,
                    DictionaryFormat* format = nullptr);

  // Reads a file; false with a reason when it cannot be read or is not a dictionary.
  static bool Load(const std::string& path, Dictionary& out, std::string& error,
                   DictionaryFormat* format = nullptr);
  // Writes a file through a temporary file renamed into place.
  bool save(const std::string& path, std::string& error,
            DictionaryFormat format = DictionaryFormat::kRows) const;
};

}  // namespace tavik
