#include <cstdlib>
#include <filesystem>

#include "log/log_file.h"

namespace tavik {

std::string LogFile::defaultPath() {
  namespace fs = std::filesystem;
  fs::path dir;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) {
    dir = fs::path(state) / "tavik";
  } else {
    const char* home = std::getenv("HOME");
    dir = fs::path(home && *home ? home : "/tmp") / ".local" / "state" / "tavik";
  }
  return (dir / "my.Log").string();
}

}  // namespace tavik
