#pragma once
// The reply of the vendor's price service, a pure function on hostile text.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavik {

// The price a price-service reply carries: its payload (between "#AA" and "*AA" in the first
// 4999 characters) is some text, a ",", and the price in decimal; blanks may surround the
// number and a line join ("/r/n") may follow it. Nothing when the envelope or the "," is
// missing or the field after the "," is not a number of at most nine digits. Text outside the
// envelope never counts: a "," in front of "#AA" is no separator. Looks at no more than the
// limit and allocates nothing.
std::optional<int32_t> ParsePriceReply(std::string_view reply);

}  // namespace tavik
