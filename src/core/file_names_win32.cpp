#include <windows.h>
// After windows.h: shellapi.h needs its types.
#include <shellapi.h>

#include "core/file_names.h"
#include "core/utf16.h"

namespace tavik {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(WidenUtf8(utf8));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  return NarrowToUtf8(path.native());
}

std::FILE* OpenFileUtf8(const std::string& path, const char* mode) {
  return _wfopen(WidenUtf8(path).c_str(), WidenUtf8(mode).c_str());
}

std::vector<std::string> Utf8Arguments(int, char**) {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) args.push_back(NarrowToUtf8(wide[i]));
  LocalFree(wide);
  return args;
}

void UseUtf8Console() {
  SetConsoleOutputCP(CP_UTF8);
}

}  // namespace tavik
