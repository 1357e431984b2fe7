// The reply text: line joins, the envelope within each request's limit, and strtok-style
// fields. Hostile texts live in the corpus, which the fuzzer grows.

#include "net/reply_envelope.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "net/reply_invariants.h"
#include "support/temp_dir.h"

namespace tavik {
namespace {

using namespace std::string_literals;

TEST(JoinReplyLines, EveryLineIsFollowedByTheFourCharacters) {
  const struct {
    std::string body;
    std::string joined;
  } cases[] = {
      {"", ""},
      {"A", "A/r/n"},
      {"A\nB", "A/r/nB/r/n"},
      {"A\r\nB\r\n", "A/r/nB/r/n"},
      {"\n\n", "/r/n/r/n"},
      {"A\rB", "A\rB/r/n"},  // only a CR in front of an LF belongs to the line break
  };
  for (const auto& c : cases) EXPECT_EQ(JoinReplyLines(c.body), c.joined) << c.body;
}

// A reply of `pad` filler characters and then `tail`.
std::string Padded(size_t pad, const std::string& tail) {
  return std::string(pad, 'x') + tail;
}

TEST(FindEnvelope, PayloadLiesBetweenTheMarkersWithinTheLimit) {
  const std::string envelope = "#AA1,2*AA";  // 9 characters
  const struct {
    std::string reply;
    size_t limit;
    std::optional<std::string> payload;
  } cases[] = {
      {"<html>\r\n#AA1,2*AA\r\n</html>", 3000, "1,2"},
      {"#AA*AA", 3000, ""},
      {"#AA1,2", 3000, std::nullopt},
      {"x*AAy#AA1,2", 3000, std::nullopt},  // a closing marker only in front of the opening one
      {"x*AAy#AA1,2*AA", 3000, "1,2"},
      {"#AA1*AA#AA2*AA", 3000, "1"},
      {"#A A1*AA", 3000, std::nullopt},
      {"x\0#AA1*AA"s, 3000, std::nullopt},  // the text ends at a NUL
      {"#AA1\0*AA"s, 3000, std::nullopt},
      {Padded(3000 - envelope.size(), envelope), 3000, "1,2"},
      {Padded(3001 - envelope.size(), envelope), 3000, std::nullopt},
      {Padded(2996, "#AA1,2*AA"), 3000, std::nullopt},  // "#AA" inside, "*AA" past the limit
      {Padded(4999 - envelope.size(), envelope), kPriceReadReplyLimit, "1,2"},
      {Padded(5000 - envelope.size(), envelope), kPriceReadReplyLimit, std::nullopt},
      {Padded(15001 - envelope.size(), envelope), kDictionaryReplyLimit, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply.substr(0, 40) + " … limit " + std::to_string(c.limit));
    const auto payload = FindEnvelope(c.reply, c.limit);
    ASSERT_EQ(payload.has_value(), c.payload.has_value());
    if (payload) {
      EXPECT_EQ(std::string(*payload), *c.payload);
    }
  }
}

TEST(SplitFields, EmptyFieldsVanishAndTheFollowingOnesMoveForward) {
  using Fields = std::vector<std::string>;
  EXPECT_EQ(SplitFields("12,,3,4", ',', 31, 199), (Fields{"12", "3", "4"}));
  EXPECT_EQ(SplitFields(",a,,,b,", ',', 31, 199), (Fields{"a", "b"}));
  EXPECT_EQ(SplitFields(",,,", ',', 31, 199), Fields{});
  EXPECT_EQ(SplitFields("1;2", ';', 31, 199), (Fields{"1", "2"}));
  EXPECT_EQ(SplitFields("a,b\0,c"s, ',', 31, 199), (Fields{"a", "b"}));

  std::string many;
  for (int i = 0; i < 40; ++i) many += std::to_string(i) + ",";
  const Fields capped = SplitFields(many, ',', 31, 199);
  ASSERT_EQ(capped.size(), 31u);
  EXPECT_EQ(capped.back(), "30");
  EXPECT_EQ(SplitFields(std::string(300, 'v') + ",1", ',', 31, 199),
            (Fields{std::string(199, 'v'), "1"}));
}

TEST(ParseMainParamsReply, FieldsOfTheEnvelopeOrNothing) {
  const auto fields = ParseMainParamsReply("page text,#AA2,1,,-3*AA,more");
  ASSERT_TRUE(fields);
  EXPECT_EQ(*fields, (std::vector<std::string>{"2", "1", "-3"}));
  EXPECT_FALSE(ParseMainParamsReply("2,1,-3"));
  EXPECT_FALSE(ParseMainParamsReply(Padded(2995, "#AA1*AA")));
}

// Inputs kept from fuzzing and written by hand, replayed so that the ordinary test run covers
// them: none may break a promise of the reply parsers or of the query encoding.
TEST(ReplyText, CorpusKeepsEveryPromise) {
  size_t files = 0;
  for (const auto& file : std::filesystem::directory_iterator(TAVIK_REPLY_CORPUS)) {
    SCOPED_TRACE(file.path().filename().string());
    EXPECT_EQ(testing::CheckReplyText(testing::TempDir::readFile(file.path())), "");
    ++files;
  }
  EXPECT_GE(files, 5u);
}

}  // namespace
}  // namespace tavik
