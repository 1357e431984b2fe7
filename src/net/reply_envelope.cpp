#include "net/reply_envelope.h"

#include <algorithm>

namespace tavik {
namespace {

constexpr std::string_view kOpen = "#AA";
constexpr std::string_view kClose = "*AA";

}  // namespace

std::string JoinReplyLines(std::string_view body) {
  std::string joined;
  joined.reserve(body.size() + kLineJoin.size());
  while (!body.empty()) {
    const size_t end = body.find('\n');
    std::string_view line = body.substr(0, end);
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    joined.append(line).append(kLineJoin);
    body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
  }
  return joined;
}

std::optional<std::string_view> FindEnvelope(std::string_view reply, size_t limit) {
  const std::string_view text = reply.substr(0, std::min(limit, reply.find('\0')));
  const size_t open = text.find(kOpen);
  if (open == std::string_view::npos) return std::nullopt;
  const size_t start = open + kOpen.size();
  // The closing marker is looked for after the opening one: a "*AA" in front of "#AA" (page
  // text, say) must not end the payload before it begins.
  const size_t close = text.find(kClose, start);
  if (close == std::string_view::npos) return std::nullopt;
  return text.substr(start, close - start);
}

std::vector<std::string> SplitFields(std::string_view text, char delimiter, size_t maxFields,
                                     size_t maxChars) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> fields;
  while (fields.size() < maxFields) {
    const size_t begin = text.find_first_not_of(delimiter);
    if (begin == std::string_view::npos) break;
    text.remove_prefix(begin);
    const size_t end = text.find(delimiter);
    fields.emplace_back(text.substr(0, std::min(end, maxChars)));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end);
  }
  return fields;
}

std::optional<std::vector<std::string>> ParseMainParamsReply(std::string_view reply) {
  const auto payload = FindEnvelope(reply, kMainParamsReplyLimit);
  if (!payload) return std::nullopt;
  return SplitFields(*payload, ',', kMainParamsMaxFields, kMainParamsFieldChars);
}

}  // namespace tavik
