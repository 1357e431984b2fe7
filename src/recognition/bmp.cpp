#include "recognition/bmp.h"

#include "core/file_names.h"
#include "core/file_replace.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tavik {

namespace {

constexpr int kFileHeader = 14;
constexpr int kInfoHeader = 40;
constexpr int kMaxSide = 1 << 15;
// A screen picture of the largest screens is some tens of megabytes; anything far beyond is
// not one, and is not read into memory.
constexpr size_t kMaxBmpFileBytes = size_t(1) << 28;

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(v & 0xff);
  b.push_back(v >> 8);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xff);
}
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t Get16(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8;
}

}  // namespace

std::string EncodeBmp(const Image& image) {
  const int w = image.width, h = image.height;
  if (w <= 0 || h <= 0 || image.pixels.size() < size_t(w) * h) return {};
  const uint32_t rowBytes = (uint32_t(w) * 3 + 3) & ~3u;
  const uint32_t dataBytes = rowBytes * uint32_t(h);
  std::vector<uint8_t> b;
  b.reserve(kFileHeader + kInfoHeader);
  b.push_back('B');
  b.push_back('M');
  Put32(b, kFileHeader + kInfoHeader + dataBytes);
  Put32(b, 0);
  Put32(b, kFileHeader + kInfoHeader);
  Put32(b, kInfoHeader);
  Put32(b, uint32_t(w));
  Put32(b, uint32_t(h));  // positive height: bottom row first
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);  // BI_RGB
  Put32(b, dataBytes);
  Put32(b, 2835);  // 72 dpi
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  std::string out(b.begin(), b.end());
  out.resize(b.size() + dataBytes);
  char* row = out.data() + b.size();
  for (int y = h - 1; y >= 0; --y, row += rowBytes) {
    const uint32_t* src = &image.pixels[size_t(y) * size_t(w)];
    for (int x = 0; x < w; ++x) {
      const uint32_t p = src[x];
      row[3 * x] = char(p & 0xff);
      row[3 * x + 1] = char((p >> 8) & 0xff);
      row[3 * x + 2] = char((p >> 16) & 0xff);
    }
  }
  return out;
}

namespace {

// Encodes the image and hands the bytes to `write`, which says whether they reached the file.
template <typename Write>
bool WriteEncoded(const std::string& path, const Image& image, std::string& error, Write write) {
  const std::string bytes = EncodeBmp(image);
  if (bytes.empty()) {
    error = "empty image";
    return false;
  }
  if (!write(bytes)) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace

bool WriteBmp(const std::string& path, const Image& image, std::string& error) {
  return WriteEncoded(path, image, error,
                      [&](const std::string& bytes) { return ReplaceFileContents(path, bytes); });
}

bool WriteBmpUnsynced(const std::string& path, const Image& image, std::string& error) {
  return WriteEncoded(path, image, error, [&](const std::string& bytes) {
    std::FILE* f = OpenFileUtf8(path, "wb");
    bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && std::fclose(f) != 0) written = false;
    return written;
  });
}

bool ReadBmp(const std::string& path, Image& out, std::string& error) {
  std::string bytes;
  const FileRead read = ReadFileUtf8(path, kMaxBmpFileBytes, bytes);
  if (read == FileRead::kTooLarge) {
    error = path + " is too large for a screen picture";
    return false;
  }
  if (read != FileRead::kRead) {
    error = "cannot open " + path;
    return false;
  }
  const std::vector<uint8_t> b(bytes.begin(), bytes.end());
  if (b.size() < kFileHeader + kInfoHeader || b[0] != 'B' || b[1] != 'M') {
    error = path + " is not a BMP file";
    return false;
  }
  const uint32_t offset = Get32(b, 10);
  const uint32_t infoSize = Get32(b, 14);
  const int32_t w = int32_t(Get32(b, 18));
  const int32_t rawH = int32_t(Get32(b, 22));
  const int bpp = Get16(b, 28);
  const uint32_t compression = Get32(b, 30);
  // 32-bit images may be BI_BITFIELDS with the usual BGRA masks.
  if (infoSize < kInfoHeader || (bpp != 24 && bpp != 32) ||
      !(compression == 0 || (compression == 3 && bpp == 32))) {
    error = path + ": only uncompressed 24- and 32-bit BMP images are supported";
    return false;
  }
  if (w <= 0 || rawH == 0 || rawH == INT32_MIN || w > kMaxSide || std::abs(rawH) > kMaxSide) {
    error = path + ": bad image size";
    return false;
  }
  const int h = std::abs(rawH);
  const size_t rowBytes = (size_t(w) * (bpp / 8) + 3) & ~size_t(3);
  if (offset > b.size() || b.size() - offset < rowBytes * size_t(h)) {
    error = path + ": file is truncated";
    return false;
  }
  Image img(w, h);
  for (int row = 0; row < h; ++row) {
    const int y = rawH > 0 ? h - 1 - row : row;
    const uint8_t* p = b.data() + offset + rowBytes * size_t(row);
    for (int x = 0; x < w; ++x, p += bpp / 8)
      img.at(x, y) = uint32_t(p[2]) << 16 | p[1] << 8 | p[0];
  }
  out = std::move(img);
  return true;
}

}  // namespace tavik
