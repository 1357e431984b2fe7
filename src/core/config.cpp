#include "core/config.h"

#include <charconv>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include "core/file_names.h"

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

// A list of `count` entries: the last given one fills the places after it; an empty list keeps
// the defaults.
void fillList(std::vector<std::string>& list, const std::vector<std::string>& defaults,
              size_t count) {
  if (list.empty()) list = defaults;
  while (list.size() < count) list.push_back(list.back());
}

// A positive number of milliseconds, or nothing.
std::optional<int> positiveMs(const std::string& v) {
  int value = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
  if (ec != std::errc() || end != v.data() + v.size() || value <= 0) return std::nullopt;
  return value;
}

// A UDP port number 1..65535, or nothing.
std::optional<int> udpPort(const std::string& v) {
  int value = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
  if (ec != std::errc() || end != v.data() + v.size() || value < 1 || value > 65535)
    return std::nullopt;
  return value;
}

// Up to five relay hosts of at most 19 characters each, or nothing.
std::optional<std::vector<std::string>> relayHostList(const std::string& v) {
  const std::vector<std::string> hosts = words(v);
  if (hosts.empty() || hosts.size() > 5) return std::nullopt;
  for (const std::string& host : hosts)
    if (host.size() > 19) return std::nullopt;
  return hosts;
}

}  // namespace

bool Config::load(const std::string& path, std::vector<std::string>* warnings) {
  std::string text;
  const FileRead read = ReadFileUtf8(path, kMaxFileBytes, text);
  // A file that is there but cannot be read leaves the defaults, completed below like any.
  const bool readable = read == FileRead::kRead || read == FileRead::kMissing;
  if (!readable) text.clear();
  // Notepad saves with a byte-order mark, which would otherwise join the first key's name.
  std::istringstream in{std::string(WithoutByteOrderMark(text))};
  using Setter = std::function<void(const std::string&)>;
  // A setter that refuses its value says why here; the field keeps its value.
  std::string refusal;
  const auto milliseconds = [&refusal](const char* key, int& field) {
    return [&refusal, key, &field](const std::string& v) {
      if (const auto ms = positiveMs(v)) {
        field = *ms;
      } else {
        refusal = std::string(key) + " \"" + v + "\" is not a positive number";
      }
    };
  };
  const auto port = [&refusal](const char* key, int& field) {
    return [&refusal, key, &field](const std::string& v) {
      if (const auto p = udpPort(v)) {
        field = *p;
      } else {
        refusal = std::string(key) + " \"" + v + "\" is not a port number 1..65535";
      }
    };
  };
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
      {"vendor_servers", [this](const std::string& v) { vendorServers = words(v); }},
      {"vendor_www_servers", [this](const std::string& v) { vendorWwwServers = words(v); }},
      {"http_connect_timeout_ms", milliseconds("http_connect_timeout_ms", httpConnectTimeoutMs)},
      {"http_total_timeout_ms", milliseconds("http_total_timeout_ms", httpTotalTimeoutMs)},
      {"relay_hosts",
       [this, &refusal](const std::string& v) {
         if (auto hosts = relayHostList(v)) {
           relayHosts = std::move(*hosts);
         } else {
           refusal = "relay_hosts \"" + v + "\" is not one to five hosts of at most 19 characters";
         }
       }},
      {"relay_port", port("relay_port", relayPort)},
      {"relay_listen_port", port("relay_listen_port", relayListenPort)},
      {"vendor_bid_host", [this](const std::string& v) { vendorBidHost = v; }},
      {"hosts_file", [this](const std::string& v) { hostsFile = v; }},
      {"share_prices",
       [this, &refusal](const std::string& v) {
         if (v == "0" || v == "1") {
           sharePrices = v == "1";
         } else {
           refusal = "share_prices \"" + v + "\" is not 0 or 1";
         }
       }},
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
      refusal.clear();
      setter->second(value);
      if (warnings && !refusal.empty())
        warnings->push_back(path + ":" + std::to_string(lineNo) + ": " + refusal);
    } else if (warnings) {
      warnings->push_back(path + ":" + std::to_string(lineNo) + ": unknown key \"" + key + "\"");
    }
  }
  while (ntpServers.size() < 4)
    ntpServers.push_back(ntpServers.empty() ? "127.0.0.1" : ntpServers.back());
  if (browserCommand.empty()) browserCommand = DefaultBrowserCommand();
  fillList(vendorServers, Config{}.vendorServers, 3);
  fillList(vendorWwwServers, Config{}.vendorWwwServers, 3);
  return readable;
}

}  // namespace tavik
