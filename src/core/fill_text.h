#pragma once
// Log texts with numbers in them, written as they are read: "%d" stands for the next number.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tavik {

// `format` with each "%d" replaced by the next of `values` (a "%d" without a value stays).
std::string Fill(std::string_view format, std::initializer_list<int64_t> values);

}  // namespace tavik
