#include <windows.h>

#include "core/gbk.h"
#include "core/utf16.h"

namespace tavik {
namespace {

constexpr UINT kGbk = 936;

bool isHighSurrogate(wchar_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(wchar_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// One '?' for every character GBK lacks: a character outside the BMP is two UTF-16 units,
// which the code page conversion would turn into two.
std::wstring OneUnitPerCharacter(std::wstring text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      out += L'?';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string utf8ToGbk(std::string_view utf8) {
  const std::wstring wide = OneUnitPerCharacter(WidenUtf8(utf8));
  if (wide.empty()) return {};
  const int n =
      WideCharToMultiByte(kGbk, 0, wide.data(), int(wide.size()), nullptr, 0, "?", nullptr);
  std::string out(size_t(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(kGbk, 0, wide.data(), int(wide.size()), out.data(), n, "?", nullptr);
  return out;
}

// Byte by byte, so that a malformed byte becomes one '?' and the text after it still reads.
std::string gbkToUtf8(std::string_view gbk) {
  std::wstring wide;
  wide.reserve(gbk.size());
  for (size_t i = 0; i < gbk.size();) {
    const auto lead = static_cast<unsigned char>(gbk[i]);
    if (lead < 0x80) {
      wide += wchar_t(lead);
      ++i;
      continue;
    }
    wchar_t c = 0;
    if (i + 1 < gbk.size() &&
        MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data() + i, 2, &c, 1) == 1) {
      wide += c;
      i += 2;
    } else {
      wide += L'?';
      ++i;
    }
  }
  return NarrowToUtf8(wide);
}

}  // namespace tavik
