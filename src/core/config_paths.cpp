#include <cstdlib>

#include "core/config.h"

namespace tavik {

std::string Config::defaultPath() {
  if (const char* p = std::getenv("TAVIK_CONFIG"); p && *p) return p;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
    return std::string(x) + "/tavik/tavik.conf";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.config/tavik/tavik.conf";
}

std::string DefaultHostsFile() {
  return "/etc/hosts";
}

std::vector<std::string> DefaultBrowserCommand() {
  return {"xdg-open"};
}

}  // namespace tavik
