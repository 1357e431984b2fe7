#pragma once
// The settings of tavik-service, the local stand-in for the vendor's web service: where it
// listens, where it keeps what it stores, and the answers it gives (the main parameters, the
// recognition files, the host address, the practice pages). One "key = value" file, read whole
// and checked whole: a file with any bad line changes nothing.

#include <array>
#include <string>
#include <vector>

#include "service/service_store.h"

namespace tavik::service {

// The main parameters: this many fields, in order, joined by "," in the reply.
inline constexpr size_t kMainParamFields = 21;

struct ServiceConfig {
  // The service listens on this IPv4 address: loopback by default, so that only programs on
  // this machine reach it; another address of the machine serves the copies of a network
  // (Windows PCs among them, which have no service of their own). Port 0 lets the system pick
  // a free port (tests).
  std::string listenAddress = "127.0.0.1";
  int port = 8391;
  // Where price reports and result uploads are kept: an SQLite file (":memory:" keeps them in
  // memory), or a PostgreSQL database that several copies share ("postgresql://..."). The
  // Windows build keeps them in memory only and refuses anything else.
  std::string database = kMemoryDatabase;
  // Folder of the practice pages and their files ("fz.html", "51m.html", "practice.js", …).
  std::string webRoot;
  // Files answered as they are: the recognition coordinates and the dictionary (the compact
  // encoding, which holds no "/", "#" or "*" and so travels in a reply envelope unchanged).
  // Empty: the service has none to give, and answers without an envelope.
  std::string coordinatesFile;
  std::string dictionaryFile;
  // The address bidip.php gives.
  std::string hostAddress = "127.0.0.1";
  // Fields 0..20 of the main-parameter reply. The defaults change nothing on the assistant
  // beyond its own defaults: network mode 2, no pixel shifts, 4 captcha characters, paste
  // mode 1, no recognition-data version, network time from ntp.ntsc.ac.cn, the usual feature
  // switches, browser class "IE", network price from server 1, the page focus point, the
  // relay host on loopback and our own version (no update notice).
  std::array<std::string, kMainParamFields> mainParams = {"2",
                                                          "0",
                                                          "0",
                                                          "0",
                                                          "0",
                                                          "0",
                                                          "4",
                                                          "0;0",
                                                          "1",
                                                          "0",
                                                          "ntp.ntsc.ac.cn",
                                                          "0",
                                                          "0",
                                                          "10",
                                                          "0",
                                                          "11111111111111111111",
                                                          "IE",
                                                          "1",
                                                          "290;84",
                                                          "127.0.0.1",
                                                          "9.1.4###919"};
  // Stored rows are capped: the oldest go first, so a flood of reports cannot fill the disk.
  int maxStoredRows = 20'000;
  // Requests handled at once (threads), and whole requests waiting for one; a request beyond
  // those, or one that waited longer than the request deadline, is answered 503.
  int workers = 8;
  int maxQueued = 1024;
  // Open connections: beyond this many the service stops accepting and new connections wait in
  // the kernel's backlog. One client address may hold at most maxConnectionsPerAddress of them;
  // the next one gets a 503 and is closed, so that one client cannot take every place.
  int maxConnections = 1024;
  int maxConnectionsPerAddress = 32;

  // Reads `path` over the defaults; relative file names are taken from the file's folder. On
  // failure returns false with a message per bad line in `errors`, and `*this` is unchanged.
  bool load(const std::string& path, std::vector<std::string>& errors);
};

}  // namespace tavik::service
