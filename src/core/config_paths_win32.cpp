#include "core/config.h"
#include "core/env_win32.h"

namespace tavik {

std::string Config::defaultPath() {
  if (std::string p = EnvironmentUtf8(L"TAVIK_CONFIG"); !p.empty()) return p;
  const std::string appData = EnvironmentUtf8(L"APPDATA");
  return (appData.empty() ? std::string(".") : appData) + "\\tavik\\tavik.conf";
}

std::string DefaultHostsFile() {
  const std::string root = EnvironmentUtf8(L"SystemRoot");
  return (root.empty() ? std::string("C:\\Windows") : root) + "\\System32\\drivers\\etc\\hosts";
}

// No program: the address alone goes to ShellExecuteW, which opens it in the user's default
// browser and, unlike "explorer.exe <address>", fails when there is none.
std::vector<std::string> DefaultBrowserCommand() {
  return {};
}

}  // namespace tavik
