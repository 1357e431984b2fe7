#pragma once
#include <cstdint>
#include <vector>

namespace tavik {

// A captured screen area: row-major pixels 0x00RRGGBB, top row first.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  Image() = default;
  Image(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(size_t(w) * h, fill) {}
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
  uint32_t& at(int x, int y) { return pixels[size_t(y) * width + x]; }
};

}  // namespace tavik
