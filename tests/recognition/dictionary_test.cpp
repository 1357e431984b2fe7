#include "recognition/dictionary.h"

#include <gtest/gtest.h>

#include "recognition/glyph_font.h"

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

}  // namespace
}  // namespace tavik
