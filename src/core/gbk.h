#pragma once
// Texts are UTF-8 inside the program; the diagnostic log is GBK (code page 936).

#include <string>
#include <string_view>

namespace tavik {

// Converts UTF-8 to GBK. Characters GBK lacks, and malformed input bytes, become '?'.
std::string utf8ToGbk(std::string_view utf8);
// Converts GBK to UTF-8; malformed bytes become '?'.
std::string gbkToUtf8(std::string_view gbk);

}  // namespace tavik
