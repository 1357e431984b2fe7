#pragma once
// What must hold for any reply text whatever its content: the checks shared by the fuzz target
// and the corpus replay test. Returns the first broken promise, or an empty text.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/gbk.h"
#include "net/reply_envelope.h"
#include "net/vendor_requests.h"

namespace tavik::testing {

inline std::string CheckJoinedLines(std::string_view input) {
  const std::string joined = JoinReplyLines(input);
  if (joined.find('\n') != std::string::npos) return "line break left in the joined text";
  const size_t breaks = size_t(std::count(input.begin(), input.end(), '\n'));
  if (joined.size() > input.size() + 3 * breaks + kLineJoin.size()) return "joined text too long";
  if (!input.empty() && !joined.ends_with(kLineJoin)) return "last line not joined";
  return {};
}

// The envelope found with `limit`, against the plain reading of the rule: the first "#AA" of
// the text before its first NUL and the limit, and the first "*AA" after it.
inline std::string CheckEnvelope(std::string_view input, size_t limit) {
  const auto payload = FindEnvelope(input, limit);
  const std::string_view cut = input.substr(0, std::min(limit, input.find('\0')));
  const size_t open = cut.find("#AA");
  const size_t close = open == std::string_view::npos ? open : cut.find("*AA", open + 3);
  if (close == std::string_view::npos) return payload ? "envelope found without markers" : "";
  if (!payload) return "envelope missed";
  const size_t start = size_t(payload->data() - input.data());
  if (payload->data() < input.data() || start != open + 3 || start + payload->size() != close)
    return "payload not between the markers";
  if (payload->find("*AA") != std::string_view::npos) return "payload holds a closing marker";
  return {};
}

// Fields of `text` split at "," are its non-empty pieces, in order, within the caps.
inline std::string CheckFields(std::string_view text) {
  const std::vector<std::string> fields =
      SplitFields(text, ',', kMainParamsMaxFields, kMainParamsFieldChars);
  if (fields.size() > kMainParamsMaxFields) return "too many fields";
  std::vector<std::string> pieces;
  const std::string_view cut = text.substr(0, text.find('\0'));
  for (size_t at = 0; at <= cut.size();) {
    const size_t end = std::min(cut.find(',', at), cut.size());
    if (end > at) pieces.emplace_back(cut.substr(at, std::min(end - at, kMainParamsFieldChars)));
    at = end + 1;
  }
  if (pieces.size() > kMainParamsMaxFields) pieces.resize(kMainParamsMaxFields);
  if (fields != pieces) return "fields differ from the text's non-empty pieces";
  return {};
}

inline int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The encoded value holds only unreserved characters and %XX, and decodes to the GBK text.
inline std::string CheckQueryValue(std::string_view utf8) {
  const std::string encoded = EncodeQueryValue(utf8);
  std::string decoded;
  for (size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      decoded.push_back(c);
    } else if (c == '%' && i + 2 < encoded.size() && HexDigit(encoded[i + 1]) >= 0 &&
               HexDigit(encoded[i + 2]) >= 0) {
      decoded.push_back(char(HexDigit(encoded[i + 1]) * 16 + HexDigit(encoded[i + 2])));
      i += 2;
    } else {
      return "query value carries a reserved character";
    }
  }
  if (decoded != utf8ToGbk(utf8)) return "query value does not decode to its GBK text";
  return {};
}

inline std::string CheckReplyText(std::string_view input) {
  std::string fault = CheckJoinedLines(input);
  for (const size_t limit : {size_t{0}, size_t{3}, size_t{8}, kMainParamsReplyLimit,
                             kPriceReadReplyLimit, kRecognitionReplyLimit, kDictionaryReplyLimit}) {
    if (fault.empty()) fault = CheckEnvelope(input, limit);
  }
  if (fault.empty()) fault = CheckFields(input);
  if (const auto payload = FindEnvelope(input, kMainParamsReplyLimit); payload && fault.empty())
    fault = CheckFields(*payload);
  if (fault.empty() && input.size() <= 4096) fault = CheckQueryValue(input);
  return fault;
}

}  // namespace tavik::testing
