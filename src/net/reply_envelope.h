#pragma once
// The text of a vendor reply: how the HTTP client joins the body's lines, where the payload
// sits ("#AA" … "*AA") and how a payload splits into fields. Pure functions on hostile text:
// each looks at no more than the limit it is given and allocates in proportion to its input.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// How much of a reply each request looks at for its envelope.
inline constexpr size_t kMainParamsReplyLimit = 3000;
inline constexpr size_t kPriceReadReplyLimit = 4999;
inline constexpr size_t kRecognitionReplyLimit = 9000;
inline constexpr size_t kDictionaryReplyLimit = 15000;

// The main parameters: at most this many fields, each cut to this many characters.
inline constexpr size_t kMainParamsMaxFields = 31;
inline constexpr size_t kMainParamsFieldChars = 199;

// The four characters that stand for each line break of a reply body.
inline constexpr std::string_view kLineJoin = "/r/n";

// The body as the HTTP client returns it: every line (ended by "\n" or "\r\n", or by the end of
// the body) followed by the four characters "/r/n". An empty body stays empty.
std::string JoinReplyLines(std::string_view body);

// The payload of a reply: the text after the first "#AA" up to the first "*AA" after it, both
// markers lying within the first `limit` characters. The reply ends at its first NUL, as it
// does in the fixed buffer the payload is searched in. Nothing when a marker is missing. The
// view points into `reply`.
std::optional<std::string_view> FindEnvelope(std::string_view reply, size_t limit);

// Splits at `delimiter` the way C strtok does: empty fields vanish, so the fields after an
// empty one move forward, and a NUL ends the text. At most `maxFields` fields are taken, each cut
// to `maxChars`.
std::vector<std::string> SplitFields(std::string_view text, char delimiter, size_t maxFields,
                                     size_t maxChars);

// The fields of a main-parameter reply (payload split at ","), or nothing without an envelope.
std::optional<std::vector<std::string>> ParseMainParamsReply(std::string_view reply);

}  // namespace tavik
