#include "core/env_win32.h"
#include "log/log_file.h"

namespace tavik {

std::string LogFile::defaultPath() {
  const std::string local = EnvironmentUtf8(L"LOCALAPPDATA");
  return (local.empty() ? std::string(".") : local) + "\\tavik\\my.Log";
}

}  // namespace tavik
