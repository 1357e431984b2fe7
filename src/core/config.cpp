#include "core/config.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    const auto eq = line.find('=');
    const std::string key = trim(line.substr(0, eq));
    const std::string value = eq == std::string::npos ? std::string() : trim(line.substr(eq + 1));
    if (key == "official_site_url")
      officialSiteUrl = value;
    else if (key == "practice_host")
      practiceHost = value;
    else if (key == "browser_command")
      browserCommand = words(value);
    else if (key == "practice_bid_number_1")
      practiceBidNumber1 = value;
    else if (key == "practice_bid_number_2")
      practiceBidNumber2 = value;
    else if (key == "ntp_servers")
      ntpServers = words(value);
    else if (key == "ntp_port")
      ntpPort = std::atoi(value.c_str());
    else if (key == "edition_name")
      editionName = value;
    else if (key == "download_url_format")
      downloadUrlFormat = value;
    else if (warnings)
      warnings->push_back(path + ":" + std::to_string(lineNo) + ": unknown key \"" + key + "\"");
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
