#pragma once
// What must hold for any dictionary text whatever its content: the checks shared by the fuzz
// target and the corpus replay test. Returns the first broken promise, or an empty text.

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "recognition/dictionary.h"
#include "recognition/dictionary_codec.h"

namespace tavik::testing {

inline bool SameGlyph(const Glyph& a, const Glyph& b) {
  if (a.name() != b.name() || a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.bits().get(x, y) != b.bits().get(x, y)) return false;
  return true;
}

inline bool SameDictionary(const Dictionary& a, const Dictionary& b) {
  if (a.wordGap != b.wordGap || a.glyphs.size() != b.glyphs.size()) return false;
  for (size_t i = 0; i < a.glyphs.size(); ++i)
    if (!SameGlyph(a.glyphs[i], b.glyphs[i])) return false;
  return true;
}

// A compact text must pass through a download unchanged: printable ASCII lines with nothing
// that starts a "/r" or "/n" line join or an "#AA" or "*AA" envelope marker.
inline bool DownloadSafe(std::string_view text) {
  for (unsigned char c : text)
    if (c != '\n' && (c < 0x20 || c > 0x7e || c == '/' || c == '#' || c == '*')) return false;
  return true;
}

inline std::string CheckWrittenForm(const Dictionary& d, DictionaryFormat format) {
  const std::string text = d.serialize(format);
  if (format == DictionaryFormat::kCompact && !DownloadSafe(text))
    return "compact text is not download-safe";
  Dictionary back;
  std::string error;
  DictionaryFormat read = DictionaryFormat::kRows;
  if (!Dictionary::Parse(text, back, error, &read)) return "written text refused: " + error;
  if (read != format) return "written text read as the other format";
  if (!SameDictionary(d, back)) return "written text reads back different";
  return {};
}

// `text` with the checksum of its first "end COUNT CHECKSUM" line made to match the lines before
// it (as the parser reads them: without a line's final "\r"). Random changes almost never keep
// a checksum right; this lets them reach the glyphs and the success path as well.
inline std::string WithMatchingChecksum(std::string_view text) {
  dictcodec::Crc32 crc;
  for (size_t pos = 0; pos < text.size();) {
    const size_t end = std::min(text.find('\n', pos), text.size());
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t lastSpace = line.rfind(' ');
    if (line.starts_with("end ") && lastSpace > 3 && line.size() - lastSpace == 9) {
      char hex[9];
      std::snprintf(hex, sizeof hex, "%08x", crc.value());
      std::string fixed(text);
      fixed.replace(pos + lastSpace + 1, 8, hex);
      return fixed;
    }
    crc.add(line);
    crc.add("\n");
    pos = end + 1;
  }
  return std::string(text);
}

inline std::string CheckOneText(std::string_view text) {
  Glyph marker("marker", BitImage(1, 1));
  Dictionary d;
  d.wordGap = 7;
  d.glyphs.push_back(marker);
  std::string error;
  if (!Dictionary::Parse(text, d, error)) {
    if (error.empty()) return "refused without a reason";
    if (d.wordGap != 7 || d.glyphs.size() != 1 || d.glyphs[0].name() != "marker")
      return "refused text changed the dictionary";
    return {};
  }
  Dictionary again;
  if (!Dictionary::Parse(text, again, error) || !SameDictionary(d, again))
    return "parsing is not deterministic";
  if (d.glyphs.size() > size_t(kMaxGlyphs)) return "too many glyphs accepted";
  if (d.wordGap < 0 || d.wordGap > kMaxGlyphSide) return "word gap out of range accepted";
  for (const Glyph& g : d.glyphs) {
    if (!IsValidGlyphName(g.name())) return "bad glyph name accepted";
    if (g.width() < 1 || g.height() < 1 || g.width() > kMaxGlyphSide || g.height() > kMaxGlyphSide)
      return "glyph size out of range accepted";
  }
  for (DictionaryFormat f : {DictionaryFormat::kRows, DictionaryFormat::kCompact}) {
    const std::string fault = CheckWrittenForm(d, f);
    if (!fault.empty()) return fault;
  }
  return {};
}

inline std::string CheckDictionaryText(std::string_view text) {
  std::string fault = CheckOneText(text);
  if (fault.empty() && text.starts_with("tavik-dictionary 2")) {
    fault = CheckOneText(WithMatchingChecksum(text));
    if (!fault.empty()) fault += " (checksum made to match)";
  }
  return fault;
}

}  // namespace tavik::testing
