#include "core/config.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace tavik {
namespace {

std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> words(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

}  // namespace

bool Config::load(const std::string& path, std::vector<std::string>* warnings) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return true;
  std::ifstream in(path);
  if (!in) return false;
  using Setter = std::function<void(const std::string&)>;
  const std::map<std::string, Setter> setters = {
      {"official_site_url", [this](const std::string& v) { officialSiteUrl = v; }},
      {"practice_host", [this](const std::string& v) { practiceHost = v; }},
      {"browser_command", [this](const std::string& v) { browserCommand = words(v); }},
      {"practice_bid_number_1", [this](const std::string& v) { practiceBidNumber1 = v; }},
      {"practice_bid_number_2", [this](const std::string& v) { practiceBidNumber2 = v; }},
      {"ntp_servers", [this](const std::string& v) { ntpServers = words(v); }},
      {"ntp_port", [this](const std::string& v) { ntpPort = std::atoi(v.c_str()); }},
      {"edition_name", [this](const std::string& v) { editionName = v; }},
      {"download_url_format", [this](const std::string& v) { downloadUrlFormat = v; }},
  };
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    const auto eq = line.find('=');
    const std::string key = trim(line.substr(0, eq));
    const std::string value = eq == std::string::npos ? std::string() : trim(line.substr(eq + 1));
    const auto setter = setters.find(key);
    if (setter != setters.end()) {
      setter->second(value);
    } else if (warnings) {
      warnings->push_back(path + ":" + std::to_string(lineNo) + ": unknown key \"" + key + "\"");
    }
  }
  while (ntpServers.size() < 4)
    ntpServers.push_back(ntpServers.empty() ? "127.0.0.1" : ntpServers.back());
  if (browserCommand.empty()) browserCommand = {"xdg-open"};
  return true;
}

std::string Config::defaultPath() {
  if (const char* p = std::getenv("TAVIK_CONFIG"); p && *p) return p;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
    return std::string(x) + "/tavik/tavik.conf";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.config/tavik/tavik.conf";
}

}  // namespace tavik
