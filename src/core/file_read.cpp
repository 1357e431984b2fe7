#include <algorithm>
#include <cerrno>

#include "core/file_names.h"

namespace tavik {

FileRead ReadFileUtf8(const std::string& path, size_t limit, std::string& out) {
  out.clear();
  errno = 0;
  std::FILE* file = OpenFileUtf8(path, "rb");
  if (!file) return errno == ENOENT ? FileRead::kMissing : FileRead::kUnreadable;
  // Read in pieces up to one byte past the limit, which tells an oversized file from one of
  // exactly `limit` bytes without reserving the limit for a small file.
  std::string text;
  char chunk[64 * 1024];
  bool failed = false;
  while (text.size() <= limit) {
    const size_t want = std::min(sizeof chunk, limit + 1 - text.size());
    const size_t got = std::fread(chunk, 1, want, file);
    text.append(chunk, got);
    if (got < want) {
      failed = std::ferror(file) != 0;
      break;
    }
  }
  std::fclose(file);
  if (failed) return FileRead::kUnreadable;
  if (text.size() > limit) return FileRead::kTooLarge;
  out = std::move(text);
  return FileRead::kRead;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
  return text;
}

}  // namespace tavik
