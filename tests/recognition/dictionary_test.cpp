#include "recognition/dictionary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "recognition/dictionary_codec.h"
#include "recognition/dictionary_invariants.h"
#include "recognition/glyph_font.h"
#include "support/temp_dir.h"

namespace tavik {
namespace {

const char* kGood =
    "tavik-dictionary 1\n"
    "word-gap 4\n"
    "glyph 7 3 2\n"
    "###\n"
    "..#\n"
    "glyph dd_201 2 1\r\n"  // CRLF files (an edited or downloaded copy) read the same
    "#.\r\n"
    "end 2\n";

TEST(Dictionary, ParsesAndSerializesTheSameText) {
  Dictionary d;
  std::string error;
  ASSERT_TRUE(Dictionary::Parse(kGood, d, error)) << error;
  EXPECT_EQ(d.wordGap, 4);
  ASSERT_EQ(d.glyphs.size(), 2u);
  EXPECT_EQ(d.glyphs[1].name(), "dd_201");
  EXPECT_TRUE(d.glyphs[0].bits().get(2, 1));
  EXPECT_FALSE(d.glyphs[0].bits().get(0, 1));
  EXPECT_EQ(d.glyphs[0].inkCount(), 4);
  // Saved again by Notepad, with a byte-order mark: the same dictionary.
  Dictionary edited;
  ASSERT_TRUE(Dictionary::Parse(std::string("\xEF\xBB\xBF") + kGood, edited, error)) << error;
  EXPECT_EQ(edited.serialize(), d.serialize());

  const Dictionary digits = test::DigitDictionary();
  Dictionary back;
  ASSERT_TRUE(Dictionary::Parse(digits.serialize(), back, error)) << error;
  EXPECT_EQ(back.serialize(), digits.serialize());
}

TEST(Dictionary, RefusesDamagedText) {
  const struct {
    const char* text;
    const char* reason;
  } cases[] = {
      {"", "not a tavik dictionary"},
      {"<html>404</html>\n", "not a tavik dictionary"},
      {"tavik-dictionary 1\nglyph 7 3 2\n###\n", "truncated"},
      {"tavik-dictionary 1\nglyph 7 3 2\n###\n..#\n", "truncated"},
      {"tavik-dictionary 1\nglyph 7 3 2\n###\n..#\nend 3\n", "does not match"},
      {"tavik-dictionary 1\nglyph 7 3 2\n###\n..\nend 1\n", "wrong width"},
      {"tavik-dictionary 1\nglyph 7 3 2\n###\n.x#\nend 1\n", "other than"},
      {"tavik-dictionary 1\nglyph 7 0 2\nend 0\n", "bad glyph header"},
      {"tavik-dictionary 1\nglyph 7 3 99999\n", "bad glyph header"},
      {"tavik-dictionary 1\nglyph 7 513 1\n", "bad glyph header"},
      {"tavik-dictionary 1\nglyph a|b 1 1\n#\nend 1\n", "bad glyph header"},
      {"tavik-dictionary 1\nglyph  1 1\n#\nend 1\n", "bad glyph header"},
      {"tavik-dictionary 1\nword-gap -1\nend 0\n", "bad word-gap"},
      {"tavik-dictionary 1\nend 0\ngarbage\n", "after the"},
      {"tavik-dictionary 1\nsomething\nend 0\n", "unknown line"},
  };
  for (const auto& c : cases) {
    Dictionary d;
    d.wordGap = 7;
    std::string error;
    EXPECT_FALSE(Dictionary::Parse(c.text, d, error)) << c.text;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(d.wordGap, 7) << "a refused text leaves the target untouched";
  }
}

// A picture of scattered ink, the same on every run.
BitImage Pattern(int w, int h, uint32_t seed) {
  BitImage bits(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      bits.set(x, y, (seed >> 29) < 3);
    }
  }
  return bits;
}

// A whole page's glyphs: ten digits of 8x12 and a colon, and twenty words of 30x12 that the
// page is read by (buttons, markers, labels), three of them named in Chinese.
Dictionary PageDictionary() {
  Dictionary d;
  uint32_t seed = 1;
  for (char c = '0'; c <= '9'; ++c)
    d.glyphs.emplace_back(std::string(1, c), Pattern(8, 12, ++seed));
  d.glyphs.emplace_back(":", Pattern(2, 12, ++seed));
  for (const char* word :
       {"301", "302", "303", "304", "901", "902",    "903",   "904",    "905",  "906",
        "907", "908", "909", "910", "911", "dd_201", "dd_jj", "拍卖会", "确定", "取消"}) {
    d.glyphs.emplace_back(word, Pattern(30, 12, ++seed));
  }
  return d;
}

// The text as a download delivers it: each line followed by "/r/n" inside the reply envelope,
// then turned back into bytes, "/r" a carriage return and "/n" a line feed.
std::string ThroughDownload(std::string_view text, size_t& payloadLength) {
  std::string payload;
  for (size_t pos = 0; pos < text.size();) {
    const size_t end = text.find('\n', pos);
    payload += std::string(text.substr(pos, end - pos)) + "/r/n";
    pos = end + 1;
  }
  payloadLength = payload.size();
  EXPECT_EQ(payload.find("#AA"), std::string::npos);
  EXPECT_EQ(payload.find("*AA"), std::string::npos);
  std::string bytes;
  for (size_t i = 0; i < payload.size(); ++i) {
    const bool lineBreak = payload[i] == '/' && i + 1 < payload.size() &&
                           (payload[i + 1] == 'r' || payload[i + 1] == 'n');
    if (!lineBreak) {
      bytes += payload[i];
    } else {
      bytes += payload[++i] == 'r' ? '\r' : '\n';
    }
  }
  return bytes;
}

TEST(Dictionary, CompactFormatKeepsEveryGlyphThroughADownload) {
  Dictionary d = PageDictionary();
  d.wordGap = 5;
  // Sides around the six pixels of a character and the 64 of a word; names that must be escaped.
  const std::pair<const char*, std::pair<int, int>> more[] = {
      {"#AA", {1, 1}}, {"*AA", {5, 1}},    {"a/n", {7, 1}},  {"%", {6, 2}},
      {"/r", {65, 3}}, {"拍卖", {512, 2}}, {"~!", {13, 13}}, {"x", {1, 512}},
  };
  uint32_t seed = 100;
  for (const auto& [name, size] : more)
    d.glyphs.emplace_back(name, Pattern(size.first, size.second, ++seed));

  std::string error;
  DictionaryFormat format = DictionaryFormat::kRows;
  Dictionary fromRows, fromCompact, fromDownload;
  const std::string rows = d.serialize();
  ASSERT_TRUE(Dictionary::Parse(rows, fromRows, error, &format)) << error;
  EXPECT_EQ(format, DictionaryFormat::kRows);
  const std::string compact = fromRows.serialize(DictionaryFormat::kCompact);
  ASSERT_TRUE(Dictionary::Parse(compact, fromCompact, error, &format)) << error;
  EXPECT_EQ(format, DictionaryFormat::kCompact);
  EXPECT_TRUE(testing::SameDictionary(d, fromCompact));
  EXPECT_EQ(fromCompact.serialize(), rows);
  EXPECT_TRUE(testing::DownloadSafe(compact));

  size_t payload = 0;
  const std::string delivered = ThroughDownload(compact, payload);
  EXPECT_EQ(payload, DownloadLength(compact));
  ASSERT_TRUE(Dictionary::Parse(delivered, fromDownload, error)) << error;
  EXPECT_TRUE(testing::SameDictionary(d, fromDownload));
}

// docs/dictionary-format.md quotes these sizes; the payload must leave room in the 15000
// characters a download reads, "#AA" and "*AA" included.
TEST(Dictionary, PageDictionaryFitsADownloadWithRoomToSpare) {
  const Dictionary d = PageDictionary();
  const size_t rows = DownloadLength(d.serialize());
  const size_t compact = DownloadLength(d.serialize(DictionaryFormat::kCompact));
  RecordProperty("rows", int(rows));
  RecordProperty("compact", int(compact));
  EXPECT_EQ(rows, 10291u);
  EXPECT_EQ(compact, 2065u);
  EXPECT_LE(compact + 6, kDictionaryDownloadWindow / 4);
}

// A compact text of `lines` with a matching checksum, so that each case below is refused for
// its own fault and not for the checksum.
std::string Compact(const std::vector<std::string>& lines, int count) {
  std::string text = "tavik-dictionary 2\n";
  for (const std::string& line : lines) text += line + "\n";
  dictcodec::Crc32 crc;
  crc.add(text);
  char end[40];
  std::snprintf(end, sizeof end, "end %d %08x\n", count, crc.value());
  return text + end;
}

TEST(Dictionary, RefusesDamagedCompactText) {
  // "5JI" is the 3x5 picture of a 7: ###, ..#, ..#, ..#, ..#.
  const std::string good = Compact({"word-gap 3", "glyph 7 3 5 5JI"}, 1);
  Dictionary seven;
  std::string error;
  ASSERT_TRUE(Dictionary::Parse(good, seven, error)) << error;
  ASSERT_EQ(seven.glyphs.size(), 1u);
  EXPECT_EQ(seven.serialize(),
            "tavik-dictionary 1\nword-gap 3\nglyph 7 3 5\n###\n..#\n..#\n..#\n"
            "..#\nend 1\n");

  std::string manyGlyphs;
  for (int i = 0; i <= kMaxGlyphs; ++i) manyGlyphs += "glyph a 1 1 A\n";
  manyGlyphs.pop_back();
  std::string damaged = good;
  damaged.replace(damaged.find("5JI"), 3, "5JA");  // one pixel lost on the way
  std::string gapChanged = good;
  gapChanged.replace(gapChanged.find("word-gap 3"), 10, "word-gap 4");

  const struct {
    std::string text;
    const char* reason;
  } cases[] = {
      // Bits: other characters (standard base64's "/" and "+" included), padding, wrong
      // counts, a set padding bit.
      {Compact({"glyph 7 3 5 5J!"}, 1), "glyph bits"},
      {Compact({"glyph 7 3 5 5J/"}, 1), "glyph bits"},
      {Compact({"glyph 7 3 5 5J+"}, 1), "glyph bits"},
      {Compact({"glyph 7 3 5 5JI="}, 1), "glyph bits"},
      {Compact({"glyph 7 3 5 5J"}, 1), "glyph bits"},
      {Compact({"glyph 7 3 5 5JIA"}, 1), "glyph bits"},
      {Compact({"glyph 7 3 5 5JJ"}, 1), "glyph bits"},
      {Compact({"glyph 7 3 5 5\tI"}, 1), "glyph bits"},
      // Headers: fields, sides, names that are not escaped or escape to a bad name.
      {Compact({"glyph 7 3 5"}, 1), "bad glyph header"},
      {Compact({"glyph 7 3 5 5JI x"}, 1), "bad glyph header"},
      {Compact({"glyph 7 3 5  5JI"}, 1), "bad glyph header"},
      {Compact({"glyph 7 0 5 A"}, 1), "bad glyph header"},
      {Compact({"glyph 7 513 1 " + std::string(86, 'A')}, 1), "bad glyph header"},
      {Compact({"glyph #AA 1 1 A"}, 1), "bad glyph header"},
      {Compact({"glyph a/n 1 1 A"}, 1), "bad glyph header"},
      {Compact({"glyph 拍 1 1 A"}, 1), "bad glyph header"},
      {Compact({"glyph %2 1 1 A"}, 1), "bad glyph header"},
      {Compact({"glyph %G1 1 1 A"}, 1), "bad glyph header"},
      {Compact({"glyph %20 1 1 A"}, 1), "bad glyph header"},
      {Compact({"glyph a%7Cb 1 1 A"}, 1), "bad glyph header"},
      {Compact({"glyph " + std::string(65, 'a') + " 1 1 A"}, 1), "bad glyph header"},
      {Compact({"glyph 7 3 5", "###", "..#", "..#", "..#", "..#"}, 1), "bad glyph header"},
      {Compact({manyGlyphs}, kMaxGlyphs + 1), "too many glyphs"},
      // The end line, the checksum, what comes after.
      {"tavik-dictionary 2\nglyph 7 3 5 5JI\nend 1\n", "bad \"end\" line"},
      {"tavik-dictionary 2\nglyph 7 3 5 5JI\nend 1 1234567\n", "bad \"end\" line"},
      {"tavik-dictionary 2\nglyph 7 3 5 5JI\nend 1 1234567g\n", "bad \"end\" line"},
      {Compact({"glyph 7 3 5 5JI"}, 2), "does not match"},
      {damaged, "checksum does not match"},
      {gapChanged, "checksum does not match"},
      {good + "glyph 7 3 5 5JI\n", "after the"},
      {good.substr(0, good.find("end")), "truncated"},
      {"tavik-dictionary 3\nend 0 00000000\n", "not a tavik dictionary"},
      {"tavik-dictionary 2\n" + std::string(kMaxDictionaryFileBytes, 'A'), "32 MB"},
  };
  for (const auto& c : cases) {
    Dictionary d;
    d.wordGap = 7;
    EXPECT_FALSE(Dictionary::Parse(c.text, d, error)) << c.text.substr(0, 200);
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.reason << " / " << error;
    EXPECT_EQ(d.wordGap, 7) << "a refused text leaves the target untouched";
  }
}

// Inputs kept from fuzzing and hand-made seeds keep every promise of dictionary_invariants.h.
TEST(Dictionary, CorpusKeepsEveryPromise) {
  size_t files = 0;
  for (const auto& file : std::filesystem::directory_iterator(TAVIK_DICTIONARY_CORPUS)) {
    SCOPED_TRACE(file.path().filename().string());
    EXPECT_EQ(testing::CheckDictionaryText(testing::TempDir::readFile(file.path())), "");
    ++files;
  }
  EXPECT_GE(files, 5u);
}

}  // namespace
}  // namespace tavik
