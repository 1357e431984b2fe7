#include "core/file_names.h"

namespace tavik {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::string(utf8));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  return path.string();
}

std::FILE* OpenFileUtf8(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void UseUtf8Console() {}

}  // namespace tavik
