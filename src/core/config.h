#pragma once
// Installation settings that the behaviour leaves to this implementation: addresses, the
// browser command, the practice bid numbers, the public time servers. Built-in defaults, which
// a "key = value" file may override (see Config::defaultPath).

#include <string>
#include <vector>

namespace tavik {

struct Config {
  // The official bidding site's root page.
  std::string officialSiteUrl = "https://paimai.alltobid.com/";
  // Host of the vendor's web server that serves the practice pages "/fz.html" and "/51m.html".
  std::string practiceHost = "http://tavik.example.net";
  // The browser command: program and leading arguments; the page address is appended.
  std::vector<std::string> browserCommand = {"xdg-open"};
  // The two practice bid numbers: bidding with either means practice mode.
  std::string practiceBidNumber1 = "88888888";
  std::string practiceBidNumber2 = "51515151";
  // Public NTP servers 1..4 (IPv4, UDP port 123); server 3 is also the default of the
  // configurable server.
  std::vector<std::string> ntpServers = {"216.239.35.0", "216.239.35.4", "162.159.200.1",
                                         "129.6.15.28"};
  int ntpPort = 123;
  // Edition name shown in front of "V" in the window title.
  std::string editionName = "tavik";
  // Vendor page for a new version; "%s" becomes the announced version.
  std::string downloadUrlFormat = "http://tavik.example.net/download/tavik-%s.zip";

  // Reads "key = value" lines (# comments) over the defaults. Unknown keys are reported in
  // `warnings`; a missing file leaves the defaults. Returns false when the file exists but
  // cannot be read.
  bool load(const std::string& path, std::vector<std::string>* warnings = nullptr);

  // $TAVIK_CONFIG, else $XDG_CONFIG_HOME/tavik/tavik.conf, else ~/.config/tavik/tavik.conf.
  static std::string defaultPath();
};

}  // namespace tavik
