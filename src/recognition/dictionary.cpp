#include "recognition/dictionary.h"

#include "core/file_replace.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tavik {

namespace {

constexpr std::string_view kMagic = "tavik-dictionary 1";

uint64_t LowBits(int n) {
  return n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
}

// Splits `line` at single spaces; empty fields (double spaces) are kept so they fail parsing.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> out;
  size_t begin = 0;
  while (true) {
    const size_t end = line.find(' ', begin);
    out.push_back(line.substr(begin, end == std::string_view::npos ? end : end - begin));
    if (end == std::string_view::npos) return out;
    begin = end + 1;
  }
}

bool ToInt(std::string_view s, int& out) {
  if (s.empty() || s.size() > 9) return false;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc{} && p == s.data() + s.size() && out >= 0;
}

// Line reader that accepts "\n" and "\r\n" endings.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}
  bool next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = end + 1;
    ++number_;
    return true;
  }
  int number() const { return number_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  int number_ = 0;
};

}  // namespace

Glyph::Glyph(std::string name, BitImage bits) : name_(std::move(name)), bits_(std::move(bits)) {
  const int w = bits_.width(), h = bits_.height();
  chunks_ = (w + 63) / 64;
  lastMask_ = LowBits(w - 64 * (chunks_ - 1));
  firstMask_ = LowBits(w);
  rows_.assign(size_t(chunks_) * h, 0);
  for (int j = 0; j < h; ++j) {
    for (int k = 0; k < chunks_; ++k) {
      rows_[size_t(j) * chunks_ + k] =
          bits_.window(64 * k, j) & (k == chunks_ - 1 ? lastMask_ : ~uint64_t{0});
    }
  }
  ink_ = bits_.countOn();
}

bool IsValidGlyphName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameBytes) return false;
  for (unsigned char c : name)
    if (c <= 0x20 || c == 0x7f || c == '|') return false;
  return true;
}

std::vector<int> Dictionary::indicesOf(std::string_view name) const {
  std::vector<int> out;
  for (size_t i = 0; i < glyphs.size(); ++i)
    if (glyphs[i].name() == name) out.push_back(int(i));
  return out;
}

std::string Dictionary::serialize() const {
  std::string out;
  out += kMagic;
  out += "\nword-gap " + std::to_string(wordGap) + "\n";
  for (const Glyph& g : glyphs) {
    out += "glyph " + g.name() + " " + std::to_string(g.width()) + " " +
           std::to_string(g.height()) + "\n";
    for (int y = 0; y < g.height(); ++y) {
      for (int x = 0; x < g.width(); ++x) out += g.bits().get(x, y) ? '#' : '.';
      out += '\n';
    }
  }
  out += "end " + std::to_string(glyphs.size()) + "\n";
  return out;
}

bool Dictionary::Parse(std::string_view text, Dictionary& out, std::string& error) {
  Lines lines(text);
  std::string_view line;
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(lines.number()) + ": " + why;
    return false;
  };
  if (!lines.next(line) || line != kMagic) return fail("not a tavik dictionary");

  Dictionary dict;
  while (true) {
    if (!lines.next(line)) return fail("file ends before its \"end\" line (truncated?)");
    const std::vector<std::string_view> f = Fields(line);
    if (f[0] == "word-gap") {
      if (f.size() != 2 || !ToInt(f[1], dict.wordGap) || dict.wordGap > kMaxGlyphSide)
        return fail("bad word-gap line");
    } else if (f[0] == "glyph") {
      int w = 0, h = 0;
      if (f.size() != 4 || !IsValidGlyphName(f[1]) || !ToInt(f[2], w) || !ToInt(f[3], h) || w < 1 ||
          h < 1 || w > kMaxGlyphSide || h > kMaxGlyphSide) {
        return fail("bad glyph header (want: glyph NAME WIDTH HEIGHT, sides 1.." +
                    std::to_string(kMaxGlyphSide) + ")");
      }
      if (int(dict.glyphs.size()) >= kMaxGlyphs) return fail("too many glyphs");
      BitImage bits(w, h);
      for (int y = 0; y < h; ++y) {
        if (!lines.next(line)) return fail("file ends inside a glyph (truncated?)");
        if (int(line.size()) != w) return fail("glyph row has the wrong width");
        for (int x = 0; x < w; ++x) {
          if (line[x] != '#' && line[x] != '.') return fail("glyph row holds other than # and .");
          bits.set(x, y, line[x] == '#');
        }
      }
      dict.glyphs.emplace_back(std::string(f[1]), std::move(bits));
    } else if (f[0] == "end") {
      int count = -1;
      if (f.size() != 2 || !ToInt(f[1], count) || count != int(dict.glyphs.size()))
        return fail("glyph count in the \"end\" line does not match (damaged file?)");
      while (lines.next(line))
        if (!line.empty()) return fail("text after the \"end\" line");
      out = std::move(dict);
      return true;
    } else {
      return fail("unknown line");
    }
  }
}

bool Dictionary::Load(const std::string& path, Dictionary& out, std::string& error) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = "cannot read " + path + ": " + ec.message();
    return false;
  }
  if (size > kMaxDictionaryFileBytes) {
    error = path + " is too large for a dictionary";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buf;
  if (in.is_open()) buf << in.rdbuf();
  if (!in.is_open() || in.bad()) {
    error = "cannot read " + path;
    return false;
  }
  if (!Parse(buf.str(), out, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

bool Dictionary::save(const std::string& path, std::string& error) const {
  if (!ReplaceFileContents(path, serialize())) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace tavik
