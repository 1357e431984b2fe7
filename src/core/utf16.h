#pragma once
// UTF-8 inside the program, UTF-16 at the Windows API. Built on Windows only.

#include <string>
#include <string_view>

namespace tavik {

// Malformed input becomes U+FFFD (to UTF-16) or "?"-free replacement bytes (to UTF-8).
std::wstring WidenUtf8(std::string_view utf8);
std::string NarrowToUtf8(std::wstring_view utf16);

}  // namespace tavik
