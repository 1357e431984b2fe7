#pragma once
// Installation settings that the behaviour leaves to this implementation: addresses, the
// browser command, the practice bid numbers, the public time servers. Built-in defaults, which
// a "key = value" file may override (see Config::defaultPath).

#include <string>
#include <vector>

namespace tavik {

// The system's hosts file: /etc/hosts, or on Windows
// %SystemRoot%\System32\drivers\etc\hosts.
std::string DefaultHostsFile();
// The program that opens a web address in the user's browser: xdg-open; none on Windows, where
// the address goes to the shell, which opens the default browser.
std::vector<std::string> DefaultBrowserCommand();

struct Config {
  // The official bidding site's root page.
  std::string officialSiteUrl = "https://paimai.alltobid.com/";
  // Host of the vendor's web server that serves the practice pages "/fz.html" and "/51m.html":
  // tavik-service on this machine (src/service), so that a fresh install needs no outside server.
  std::string practiceHost = "http://127.0.0.1:8391";
  // The browser command: program and leading arguments; the page address is appended.
  std::vector<std::string> browserCommand = DefaultBrowserCommand();
  // The two practice bid numbers: bidding with either means practice mode.
  std::string practiceBidNumber1 = "88888888";
  std::string practiceBidNumber2 = "51515151";
  // Public NTP servers 1..4 (IPv4 address or host name, UDP port 123); server 3 is also the
  // default of the configurable server. The users are in mainland China, so these are servers
  // that answer there: Alibaba Cloud's and Tencent's, the National Time Service Center's and
  // the ntp.org.cn project's. A sync cycle tries 1, 2, 1, the configurable one, 4: the most
  // dependable comes first.
  std::vector<std::string> ntpServers = {"ntp.aliyun.com", "ntp.tencent.com", "ntp.ntsc.ac.cn",
                                         "cn.ntp.org.cn"};
  int ntpPort = 123;
  // Edition name shown in front of "V" in the window title.
  std::string editionName = "tavik";
  // Vendor page for a new version; "%s" becomes the announced version.
  std::string downloadUrlFormat = "http://127.0.0.1:8391/download/tavik-%s.zip";
  // The vendor's web servers 1..3 as base URLs ("http://host" or "http://host:port", no path):
  // each server's own name, and the "www" name that price reports (and the host-address request
  // of server 1) use. With fewer than three, the last one fills the remaining places. Built in:
  // tavik-service on this machine for all six.
  std::vector<std::string> vendorServers = {"http://127.0.0.1:8391", "http://127.0.0.1:8391",
                                            "http://127.0.0.1:8391"};
  std::vector<std::string> vendorWwwServers = vendorServers;
  // Limits of one HTTP request: to set up the connection, and for the whole exchange, so that a
  // dead or stalled server cannot hold a worker thread for long. Values that are not positive
  // numbers keep the defaults.
  // Whether this copy reports the lowest price it reads to the vendor's servers, so that other
  // copies share it. The vendor's configuration for the user would switch this; a setting takes
  // its place here. A practice page turns reporting off for the session whatever this says.
  bool sharePrices = true;
  int httpConnectTimeoutMs = 10'000;
  int httpTotalTimeoutMs = 30'000;
  // The UDP price relay. Clients greet the relay hosts in this order (up to five, each an IPv4
  // address or a host name of at most 19 characters) on relayPort; a relay copy listens on
  // relayListenPort (0 there lets the platform pick a free port, which tests use). How port 123
  // of a relay host reaches port 6123 of the relay copy is the deployment's business.
  std::vector<std::string> relayHosts = {"r.tavik.example.net"};
  int relayPort = 123;
  int relayListenPort = 6123;
  // The vendor's bidding host, which the hosts-file command maps to the address the vendor's
  // server 1 supplies, and the hosts file it rewrites.
  std::string vendorBidHost = "bid.tavik.example.net";
  std::string hostsFile = DefaultHostsFile();

  // Reads "key = value" lines (# comments) over the defaults. Unknown keys are reported in
  // `warnings`; a missing file leaves the defaults. Returns false when the file exists but
  // cannot be read.
  bool load(const std::string& path, std::vector<std::string>* warnings = nullptr);
  // Installation settings are a few lines; a larger file is not read.
  static constexpr size_t kMaxFileBytes = 64 * 1024;

  // $TAVIK_CONFIG, else $XDG_CONFIG_HOME/tavik/tavik.conf, else ~/.config/tavik/tavik.conf;
  // on Windows $TAVIK_CONFIG, else %APPDATA%\tavik\tavik.conf.
  static std::string defaultPath();
};

}  // namespace tavik
