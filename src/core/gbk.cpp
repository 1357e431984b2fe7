#include "core/gbk.h"

#include <iconv.h>

#include <cerrno>

namespace tavik {
namespace {

std::string convert(std::string_view in, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == iconv_t(-1)) return std::string(in);
  std::string out;
  out.resize(in.size() * 2 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  size_t done = 0;
  while (srcLeft > 0) {
    char* dst = out.data() + done;
    size_t dstLeft = out.size() - done;
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    done = size_t(dst - out.data());
    if (r != size_t(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
    } else {
      // EILSEQ (no mapping or a bad byte) or EINVAL (cut sequence): one '?' for the bad
      // character, then skip its bytes up to the next character start.
      if (out.size() - done < 1) out.resize(out.size() * 2);
      out[done++] = '?';
      ++src;
      --srcLeft;
      while (srcLeft > 0 && std::string_view(from) == "UTF-8" &&
             (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
        ++src;
        --srcLeft;
      }
    }
  }
  iconv_close(cd);
  out.resize(done);
  return out;
}

}  // namespace

std::string utf8ToGbk(std::string_view utf8) {
  return convert(utf8, "GBK", "UTF-8");
}
std::string gbkToUtf8(std::string_view gbk) {
  return convert(gbk, "UTF-8", "GBK");
}

}  // namespace tavik
