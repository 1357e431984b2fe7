#include "net/price_reply.h"

#include "net/reply_envelope.h"

namespace tavik {
namespace {

// Nine digits cannot overflow an int32; a longer number is no price.
constexpr size_t kMaxDigits = 9;

bool Blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
bool Digit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::optional<int32_t> ParsePriceReply(std::string_view reply) {
  const auto payload = FindEnvelope(reply, kPriceReadReplyLimit);
  if (!payload) return std::nullopt;
  const size_t comma = payload->find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  std::string_view field = payload->substr(comma + 1);
  while (!field.empty() && Blank(field.front())) field.remove_prefix(1);
  size_t digits = 0;
  int32_t value = 0;
  for (; digits < field.size() && Digit(field[digits]); ++digits) {
    if (digits == kMaxDigits) return std::nullopt;
    value = value * 10 + (field[digits] - '0');
  }
  if (digits == 0) return std::nullopt;
  // A line break before "*AA" arrives as a line join; anything else makes the field no number.
  for (std::string_view rest = field.substr(digits); !rest.empty();) {
    if (rest.starts_with(kLineJoin)) {
      rest.remove_prefix(kLineJoin.size());
    } else if (Blank(rest.front())) {
      rest.remove_prefix(1);
    } else {
      return std::nullopt;
    }
  }
  return value;
}

}  // namespace tavik
