#include "core/gbk.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

// The log and the vendor queries are GBK on every platform: the same bytes for the same text.
TEST(Gbk, ConvertsBothWaysAndMarksWhatCannotBeConverted) {
  struct Case {
    const char* utf8;
    const char* gbk;
  };
  const Case cases[] = {
      {"abc 123", "abc 123"},
      {"中文", "\xD6\xD0\xCE\xC4"},
      {"价格：88300",
       "\xBC\xDB\xB8\xF1\xA3\xBA"
       "88300"},
      {"a\xF0\x9F\x98\x80z", "a?z"},  // an emoji: GBK has none, one '?'
      {"a\xE4z", "a?z"},              // a cut UTF-8 sequence
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf8ToGbk(c.utf8), c.gbk) << c.utf8;
  }
  EXPECT_EQ(gbkToUtf8("\xD6\xD0\xCE\xC4 ok"), "中文 ok");
  EXPECT_EQ(gbkToUtf8("\xD6"), "?");  // a lead byte without its second byte
  EXPECT_EQ(gbkToUtf8(""), "");
}

}  // namespace
}  // namespace tavik
