#include "recognition/dictionary_codec.h"

#include <array>

namespace tavik::dictcodec {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr int kBitsPerChar = 6;

// Value of an alphabet character, -1 for any other byte.
constexpr std::array<int8_t, 256> kValues = [] {
  std::array<int8_t, 256> values{};
  values.fill(-1);
  for (size_t i = 0; i < kAlphabet.size(); ++i) values[uint8_t(kAlphabet[i])] = int8_t(i);
  return values;
}();

constexpr std::array<uint32_t, 256> kCrcTable = [] {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}();

// Bytes a name may carry as they are: printable ASCII but for the escape itself and the
// characters that start a line break ("/r", "/n") or an envelope marker ("#AA", "*AA").
bool RawNameByte(unsigned char c) {
  return c > 0x20 && c < 0x7f && c != '%' && c != '/' && c != '#' && c != '*';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string EncodeBits(const BitImage& bits) {
  const size_t pixels = size_t(bits.width()) * size_t(bits.height());
  std::string out;
  out.reserve((pixels + kBitsPerChar - 1) / kBitsPerChar);
  int value = 0, filled = 0;
  for (int y = 0; y < bits.height(); ++y) {
    for (int x = 0; x < bits.width(); ++x) {
      value = (value << 1) | int(bits.get(x, y));
      if (++filled == kBitsPerChar) {
        out += kAlphabet[size_t(value)];
        value = filled = 0;
      }
    }
  }
  if (filled > 0) out += kAlphabet[size_t(value << (kBitsPerChar - filled))];
  return out;
}

bool DecodeBits(std::string_view text, int width, int height, BitImage& out) {
  if (width < 1 || height < 1) return false;
  const size_t pixels = size_t(width) * size_t(height);
  if (text.size() != (pixels + kBitsPerChar - 1) / kBitsPerChar) return false;
  BitImage bits(width, height);
  for (size_t i = 0; i < text.size(); ++i) {
    const int value = kValues[uint8_t(text[i])];
    if (value < 0) return false;
    for (int b = 0; b < kBitsPerChar; ++b) {
      const bool on = (value >> (kBitsPerChar - 1 - b)) & 1;
      const size_t pixel = i * kBitsPerChar + size_t(b);
      if (pixel >= pixels) {
        if (on) return false;  // padding must be zero, so one picture has one spelling
        continue;
      }
      if (on) bits.set(int(pixel % size_t(width)), int(pixel / size_t(width)), true);
    }
  }
  out = std::move(bits);
  return true;
}

std::string EscapeName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if (RawNameByte(c)) {
      out += char(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool UnescapeName(std::string_view text, std::string& out) {
  std::string name;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = text[i];
    if (c == '%') {
      if (text.size() - i < 3) return false;
      const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return false;
      name += char(high * 16 + low);
      i += 2;
    } else if (RawNameByte(c)) {
      name += char(c);
    } else {
      return false;
    }
  }
  out = std::move(name);
  return true;
}

void Crc32::add(std::string_view bytes) {
  for (unsigned char c : bytes) state_ = kCrcTable[(state_ ^ c) & 0xff] ^ (state_ >> 8);
}

}  // namespace tavik::dictcodec
