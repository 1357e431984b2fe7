#pragma once
// A one-bit image: which pixels are "on" (belong to the text) after colour filtering.
// Rows are packed 64 pixels a word, bit 0 of a word is its leftmost pixel, and every row ends
// with one spare zero word so that a 64-pixel window can be read at any x inside the row.

#include <cstdint>
#include <vector>

namespace tavik {

class BitImage {
 public:
  BitImage() = default;
  BitImage(int width, int height)
      : width_(width),
        height_(height),
        stride_((width + 63) / 64 + 1),
        words_(size_t(stride_) * height, 0) {}

  int width() const { return width_; }
  int height() const { return height_; }

  bool get(int x, int y) const { return (row(y)[x >> 6] >> (x & 63)) & 1; }
  void set(int x, int y, bool on) {
    uint64_t& w = words_[size_t(y) * stride_ + (x >> 6)];
    const uint64_t bit = uint64_t{1} << (x & 63);
    w = on ? (w | bit) : (w & ~bit);
  }

  // Pixels x .. x+63 of row y (bit 0 = pixel x); pixels past the row's end read as off.
  // Requires 0 <= x < width and 0 <= y < height.
  uint64_t window(int x, int y) const {
    const uint64_t* r = row(y) + (x >> 6);
    const int shift = x & 63;
    return shift == 0 ? r[0] : (r[0] >> shift) | (r[1] << (64 - shift));
  }

  // Row y as 64-pixel words (bit 0 of word 0 = pixel 0), for filling a row at once. The words
  // past the row's width must stay 0.
  uint64_t* rowWords(int y) { return words_.data() + size_t(y) * stride_; }

  int countOn() const {
    int n = 0;
    for (uint64_t w : words_) n += __builtin_popcountll(w);
    return n;
  }

 private:
  const uint64_t* row(int y) const { return words_.data() + size_t(y) * stride_; }

  int width_ = 0;
  int height_ = 0;
  int stride_ = 1;
  std::vector<uint64_t> words_;
};

}  // namespace tavik
