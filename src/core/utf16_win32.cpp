#include <windows.h>

#include "core/env_win32.h"
#include "core/utf16.h"

namespace tavik {

namespace {

// The length of a well-formed UTF-8 sequence at the start of `s` and its code point; 0 when
// malformed (bad lead, missing or bad continuation, overlong, surrogate, beyond U+10FFFF).
size_t DecodeOne(std::string_view s, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  size_t n = b0 < 0x80             ? 1
             : (b0 & 0xE0) == 0xC0 ? 2
             : (b0 & 0xF0) == 0xE0 ? 3
             : (b0 & 0xF8) == 0xF0 ? 4
                                   : 0;
  if (n == 0 || n > s.size()) return 0;
  cp = n == 1 ? b0 : n == 2 ? (b0 & 0x1F) : n == 3 ? (b0 & 0x0F) : (b0 & 0x07);
  for (size_t i = 1; i < n; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

// Decoded here rather than by MultiByteToWideChar, whose handling of malformed input differs
// between Windows versions (and Wine): a malformed sequence becomes one U+FFFD, and its
// continuation bytes go with it.
std::wstring WidenUtf8(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    char32_t cp = 0;
    size_t n = DecodeOne(utf8, cp);
    if (n == 0) {
      cp = 0xFFFD;
      n = 1;
      while (n < utf8.size() && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) ++n;
    }
    if (cp >= 0x10000) {
      out += wchar_t(0xD800 + ((cp - 0x10000) >> 10));
      out += wchar_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += wchar_t(cp);
    }
    utf8.remove_prefix(n);
  }
  return out;
}

std::string NarrowToUtf8(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), int(utf16.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(size_t(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), int(utf16.size()), out.data(), n, nullptr,
                        nullptr);
  return out;
}

std::string EnvironmentUtf8(const wchar_t* name) {
  const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  const DWORD got = GetEnvironmentVariableW(name, value.data(), n);
  value.resize(got < n ? got : 0);
  return NarrowToUtf8(value);
}

}  // namespace tavik
