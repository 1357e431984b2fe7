#pragma once
// The pieces of the compact dictionary format (version 2, docs/dictionary-format.md): glyph
// pictures packed six pixels to a character, glyph names with every byte that could upset a
// download escaped, and the CRC-32 that lets a damaged file be refused whole.
//
// Everything these functions write is printable ASCII without "/", "#" or "*": a dictionary
// travels inside a reply envelope marked by "#AA" and "*AA" whose line breaks are written as
// "/r/n", and none of those may appear in the text itself.

#include <cstdint>
#include <string>
#include <string_view>

#include "recognition/bit_image.h"

namespace tavik::dictcodec {

// The pixels of `bits` row-major, six to a character of the alphabet A-Z a-z 0-9 - _ (values
// 0..63, the first pixel in the highest bit), the unused bits of the last character zero.
std::string EncodeBits(const BitImage& bits);
// Reverses EncodeBits for a `width` x `height` picture (sides at least 1). False, with `out`
// untouched, unless `text` has exactly the right length, only alphabet characters and zero
// unused bits.
bool DecodeBits(std::string_view text, int width, int height, BitImage& out);

// `name` with "%", "/", "#", "*" and every byte outside printable ASCII written as "%XX" (two
// upper-case hex digits).
std::string EscapeName(std::string_view name);
// Reverses EscapeName. False when `text` holds a byte that should have been escaped or a "%"
// not followed by two hex digits; the result is not checked as a glyph name.
bool UnescapeName(std::string_view text, std::string& out);

// CRC-32 as in zlib and PNG (reflected polynomial 0xEDB88320), fed in pieces.
class Crc32 {
 public:
  void add(std::string_view bytes);
  uint32_t value() const { return ~state_; }

 private:
  uint32_t state_ = ~uint32_t{0};
};

}  // namespace tavik::dictcodec
