#include "recognition/dictionary.h"

#include "core/file_names.h"
#include "core/file_replace.h"
#include "recognition/dictionary_codec.h"

#include <charconv>
#include <cstdio>

namespace tavik {

namespace {

constexpr std::string_view kMagicRows = "tavik-dictionary 1";
constexpr std::string_view kMagicCompact = "tavik-dictionary 2";

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

std::string SerializeRows(const Dictionary& d) {
  std::string out;
  out += kMagicRows;
  out += "\nword-gap " + std::to_string(d.wordGap) + "\n";
  for (const Glyph& g : d.glyphs) {
    out += "glyph " + g.name() + " " + std::to_string(g.width()) + " " +
           std::to_string(g.height()) + "\n";
    for (int y = 0; y < g.height(); ++y) {
      for (int x = 0; x < g.width(); ++x) out += g.bits().get(x, y) ? '#' : '.';
      out += '\n';
    }
  }
  out += "end " + std::to_string(d.glyphs.size()) + "\n";
  return out;
}

std::string Hex8(uint32_t v) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", v);
  return buf;
}

// The checksum covers every line before the "end" line, each followed by one "\n".
std::string SerializeCompact(const Dictionary& d) {
  std::string out;
  out += kMagicCompact;
  out += "\nword-gap " + std::to_string(d.wordGap) + "\n";
  for (const Glyph& g : d.glyphs) {
    out += "glyph " + dictcodec::EscapeName(g.name()) + " " + std::to_string(g.width()) + " " +
           std::to_string(g.height()) + " " + dictcodec::EncodeBits(g.bits()) + "\n";
  }
  dictcodec::Crc32 crc;
  crc.add(out);
  out += "end " + std::to_string(d.glyphs.size()) + " " + Hex8(crc.value()) + "\n";
  return out;
}

bool ParseHex8(std::string_view s, uint32_t& out) {
  if (s.size() != 8) return false;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out, 16);
  return ec == std::errc{} && p == s.data() + s.size();
}

// A glyph name as written in the file: as it is in format 1, escaped in format 2.
bool ReadName(std::string_view field, bool escaped, std::string& out) {
  if (escaped) {
    if (!dictcodec::UnescapeName(field, out)) return false;
  } else {
    out = field;
  }
  return IsValidGlyphName(out);
}

// Reads one text of either format; builds the dictionary aside so a refusal changes nothing.
class Parser {
 public:
  explicit Parser(std::string_view text) : lines_(text) {}

  bool run(Dictionary& out, std::string& error);
  DictionaryFormat format() const { return format_; }

 private:
  bool fail(const std::string& why) {
    error_ = "line " + std::to_string(lines_.number()) + ": " + why;
    return false;
  }
  bool wordGap(const std::vector<std::string_view>& f);
  bool glyph(const std::vector<std::string_view>& f);
  bool glyphRows(std::string name, int w, int h);
  bool end(const std::vector<std::string_view>& f);
  void checksum(std::string_view line) {
    crc_.add(line);
    crc_.add("\n");
  }

  Lines lines_;
  DictionaryFormat format_ = DictionaryFormat::kRows;
  Dictionary dict_;
  dictcodec::Crc32 crc_;
  std::string error_;
};

bool Parser::run(Dictionary& out, std::string& error) {
  std::string_view line;
  bool ok = lines_.next(line);
  if (ok && line == kMagicCompact) {
    format_ = DictionaryFormat::kCompact;
  } else if (!ok || line != kMagicRows) {
    ok = fail("not a tavik dictionary");
  }
  while (ok) {
    checksum(line);
    if (!lines_.next(line)) {
      ok = fail("file ends before its \"end\" line (truncated?)");
      break;
    }
    const std::vector<std::string_view> f = Fields(line);
    if (f[0] == "end") {
      if (!end(f)) break;
      out = std::move(dict_);
      return true;
    }
    if (f[0] == "word-gap") {
      ok = wordGap(f);
    } else if (f[0] == "glyph") {
      ok = glyph(f);
    } else {
      ok = fail("unknown line");
    }
  }
  error = error_;
  return false;
}

bool Parser::wordGap(const std::vector<std::string_view>& f) {
  if (f.size() != 2 || !ToInt(f[1], dict_.wordGap) || dict_.wordGap > kMaxGlyphSide)
    return fail("bad word-gap line");
  return true;
}

bool Parser::glyph(const std::vector<std::string_view>& f) {
  const bool compact = format_ == DictionaryFormat::kCompact;
  std::string name;
  int w = 0, h = 0;
  if (f.size() != (compact ? 5u : 4u) || !ReadName(f[1], compact, name) || !ToInt(f[2], w) ||
      !ToInt(f[3], h) || w < 1 || h < 1 || w > kMaxGlyphSide || h > kMaxGlyphSide) {
    return fail(std::string("bad glyph header (want: glyph NAME WIDTH HEIGHT") +
                (compact ? " BITS" : "") + ", sides 1.." + std::to_string(kMaxGlyphSide) + ")");
  }
  if (int(dict_.glyphs.size()) >= kMaxGlyphs) return fail("too many glyphs");
  if (!compact) return glyphRows(std::move(name), w, h);
  BitImage bits;
  if (!dictcodec::DecodeBits(f[4], w, h, bits)) {
    return fail("glyph bits do not spell a " + std::to_string(w) + "x" + std::to_string(h) +
                " picture (damaged file?)");
  }
  dict_.glyphs.emplace_back(std::move(name), std::move(bits));
  return true;
}

bool Parser::glyphRows(std::string name, int w, int h) {
  BitImage bits(w, h);
  std::string_view line;
  for (int y = 0; y < h; ++y) {
    if (!lines_.next(line)) return fail("file ends inside a glyph (truncated?)");
    if (int(line.size()) != w) return fail("glyph row has the wrong width");
    for (int x = 0; x < w; ++x) {
      if (line[x] != '#' && line[x] != '.') return fail("glyph row holds other than # and .");
      bits.set(x, y, line[x] == '#');
    }
  }
  dict_.glyphs.emplace_back(std::move(name), std::move(bits));
  return true;
}

bool Parser::end(const std::vector<std::string_view>& f) {
  int count = -1;
  if (format_ == DictionaryFormat::kRows) {
    if (f.size() != 2 || !ToInt(f[1], count) || count != int(dict_.glyphs.size()))
      return fail("glyph count in the \"end\" line does not match (damaged file?)");
  } else {
    uint32_t crc = 0;
    if (f.size() != 3 || !ToInt(f[1], count) || !ParseHex8(f[2], crc))
      return fail("bad \"end\" line (want: end COUNT CHECKSUM)");
    if (count != int(dict_.glyphs.size()))
      return fail("glyph count in the \"end\" line does not match (damaged file?)");
    if (crc != crc_.value()) return fail("checksum does not match (damaged file?)");
  }
  std::string_view line;
  while (lines_.next(line))
    if (!line.empty()) return fail("text after the \"end\" line");
  return true;
}

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

size_t DownloadLength(std::string_view text) {
  size_t length = 0;
  Lines lines(text);
  for (std::string_view line; lines.next(line);) length += line.size() + 4;
  return length;
}

std::vector<int> Dictionary::indicesOf(std::string_view name) const {
  std::vector<int> out;
  for (size_t i = 0; i < glyphs.size(); ++i)
    if (glyphs[i].name() == name) out.push_back(int(i));
  return out;
}

std::string Dictionary::serialize(DictionaryFormat format) const {
  return format == DictionaryFormat::kCompact ? SerializeCompact(*this) : SerializeRows(*this);
}

bool Dictionary::Parse(std::string_view text, Dictionary& out, std::string& error,
                       DictionaryFormat* format) {
  if (text.size() > kMaxDictionaryFileBytes) {
    error = "larger than a dictionary may be (32 MB)";
    return false;
  }
  // A dictionary kept as text may have been saved by Notepad, with a byte-order mark.
  Parser parser(WithoutByteOrderMark(text));
  if (!parser.run(out, error)) return false;
  if (format) *format = parser.format();
  return true;
}

bool Dictionary::Load(const std::string& path, Dictionary& out, std::string& error,
                      DictionaryFormat* format) {
  std::string text;
  switch (ReadFileUtf8(path, kMaxDictionaryFileBytes, text)) {
    case FileRead::kRead:
      break;
    case FileRead::kMissing:
      error = "cannot read " + path + ": no such file";
      return false;
    case FileRead::kUnreadable:
      error = "cannot read " + path;
      return false;
    case FileRead::kTooLarge:
      error = path + " is too large for a dictionary";
      return false;
  }
  if (!Parse(text, out, error, format)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

bool Dictionary::save(const std::string& path, std::string& error, DictionaryFormat format) const {
  if (!ReplaceFileContents(path, serialize(format))) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace tavik
