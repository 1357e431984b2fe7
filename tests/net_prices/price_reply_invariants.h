#pragma once
// What must hold for the price reply parser whatever the reply: the checks shared by the fuzz
// target and the corpus replay test. Returns the first broken promise, or an empty text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/price_reply.h"
#include "net/reply_envelope.h"

namespace tavik::testing {

// A price, when there is one, is the number written after the first "," of the payload.
inline std::string CheckPriceFromPayload(std::string_view input) {
  const std::optional<int32_t> price = ParsePriceReply(input);
  if (price != ParsePriceReply(input)) return "parse not deterministic";
  if (!price) return {};
  if (*price < 0 || *price > 999'999'999) return "price out of the nine-digit range";
  const auto payload = FindEnvelope(input, kPriceReadReplyLimit);
  if (!payload) return "price without an envelope";
  const size_t comma = payload->find(',');
  if (comma == std::string_view::npos) return "price without a comma in the payload";
  const std::string_view field = payload->substr(comma + 1);
  const size_t first = field.find_first_of("0123456789");
  if (first == std::string_view::npos) return "price without digits after the comma";
  size_t end = first;
  while (end < field.size() && field[end] >= '0' && field[end] <= '9') ++end;
  std::string_view digits = field.substr(first, end - first);
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  if (digits != std::to_string(*price)) return "price differs from the digits after the comma";
  return {};
}

// Text in front of the envelope never supplies the price, and nothing past the limit counts.
inline std::string CheckOutsideText(std::string_view input) {
  const std::optional<int32_t> price = ParsePriceReply(input);
  if (ParsePriceReply(input.substr(0, kPriceReadReplyLimit)) != price)
    return "text past the limit changed the price";
  // The prefix holds no marker and cannot complete one with the input's first characters.
  const std::string prefix = "ok,88300;";
  if (input.size() + prefix.size() <= kPriceReadReplyLimit &&
      ParsePriceReply(prefix + std::string(input)) != price)
    return "text in front of the envelope changed the price";
  return {};
}

// A well-formed reply built from the input's bytes gives back its number.
inline std::string CheckWellFormed(std::string_view input) {
  std::string text;
  uint32_t hash = 2166136261u;
  for (const char c : input) {
    hash = (hash ^ uint8_t(c)) * 16777619u;
    if (text.size() < 100 && c != ',' && c != '#' && c != '*' && c != '\0') text.push_back(c);
  }
  const int32_t number = int32_t(hash % 1'000'000'000u);
  const std::string reply = "#AA" + text + "," + std::to_string(number) + "/r/n*AA/r/n";
  if (ParsePriceReply(reply) != number) return "well-formed reply not read";
  return {};
}

inline std::string CheckPriceReply(std::string_view input) {
  std::string fault = CheckPriceFromPayload(input);
  if (fault.empty()) fault = CheckOutsideText(input);
  if (fault.empty()) fault = CheckWellFormed(input);
  return fault;
}

}  // namespace tavik::testing
