// The price service's reply: where its price is, and what is no price.

#include "net/price_reply.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "net_prices/price_reply_invariants.h"

namespace tavik {
namespace {

TEST(ParsePriceReply, PriceIsTheNumberAfterThePayloadsFirstComma) {
  using namespace std::string_literals;
  const std::optional<int32_t> none;
  const struct {
    std::string reply;
    std::optional<int32_t> price;
  } cases[] = {
      {"#AA0,90100*AA", 90100},
      {"<html>/r/n#AA沪牌,90100/r/n*AA/r/n</html>/r/n", 90100},
      {"#AA0, 90100 *AA", 90100},
      {"#AA,000090100*AA", 90100},
      {"#AA0,999999999*AA", 999'999'999},
      // A "," in front of "#AA" is page text, not the separator.
      {"ok,88300#AA0,90100*AA", 90100},
      {"ok,88300#AA90100*AA", none},
      {"#AA0,90100", none},
      {"#AA0,*AA", none},
      {"#AA0,90100abc*AA", none},
      {"#AA0,90100,1*AA", none},
      {"#AA0,-90100*AA", none},
      {"#AA0,1000000000*AA", none},
      {"#AA0,90\0"s
       "100*AA",
       none},
      {std::string(4990, 'x') + "#AA0,90100*AA", none},
  };
  for (const auto& c : cases) EXPECT_EQ(ParsePriceReply(c.reply), c.price) << c.reply;
}

// Every kept input of the fuzz target, replayed through the same checks.
TEST(ParsePriceReply, CorpusKeepsEveryPromise) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TAVIK_PRICE_CORPUS)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(testing::CheckPriceReply(bytes.str()), "") << entry.path();
    ++files;
  }
  EXPECT_GT(files, 5);
}

}  // namespace
}  // namespace tavik
