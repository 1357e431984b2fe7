#pragma once
// Replacing a file's contents without ever leaving a half-written file behind.

#include <string>
#include <string_view>

namespace tavik {

// Writes `content` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`. Returns false, with `path` untouched and no temporary file left, when any step fails.
// A path that is a link keeps being a link: the file it points to is replaced.
bool ReplaceFileContents(const std::string& path, std::string_view content);

}  // namespace tavik
