#pragma once
// The vendor's web service as one cpp-httplib server on loopback, scripted per test. Its three
// servers and their www names are path prefixes ("/s1" .. "/s3", "/w1" .. "/w3") of the one
// address, so a test sees which server each request went to. The requests run through the
// real HTTP client on libcurl; sleeps run in virtual time (the test thread drives the clock).

#include <gtest/gtest.h>
#include <httplib.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "clock/temp_log.h"
#include "core/config.h"
#include "log/logger.h"
#include "net/http_client.h"
#include "net/recognition_download.h"
#include "net/vendor_access.h"
#include "testing/virtual_clock.h"

namespace tavik::testing {

struct VendorRequest {
  std::string server;  // "s1".."s3" or "w1".."w3"
  std::string path;    // "/rps.php", "/bidip.php", ...
  httplib::Params params;

  std::string param(const std::string& key) const {
    const auto it = params.find(key);
    return it == params.end() ? std::string() : it->second;
  }
};

class VendorServer {
 public:
  // The body of the reply to one request (called on the server's thread).
  using Script = std::function<std::string(const VendorRequest&)>;

  explicit VendorServer(Script script = {}) : script_(std::move(script)) {
    server_.Get(R"(/([sw][123])(/.*))", [this](const httplib::Request& q, httplib::Response& r) {
      VendorRequest request{q.matches[1], q.matches[2], q.params};
      Script script;
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        script = script_;
      }
      r.set_content(script ? script(request) : std::string(), "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  ~VendorServer() {
    server_.stop();
    thread_.join();
  }

  // Replaces the script for the requests from now on.
  void answer(Script script) {
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
  }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  int port() const { return port_; }
  Config config() const {
    Config config;
    config.vendorServers = {base() + "/s1", base() + "/s2", base() + "/s3"};
    config.vendorWwwServers = {base() + "/w1", base() + "/w2", base() + "/w3"};
    config.httpConnectTimeoutMs = 2000;
    config.httpTotalTimeoutMs = 5000;
    return config;
  }
  std::vector<VendorRequest> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  // "s1 type=8", one for each request so far.
  std::vector<std::string> asked() const {
    std::vector<std::string> out;
    for (const VendorRequest& r : requests()) out.push_back(r.server + " type=" + r.param("type"));
    return out;
  }

 private:
  Script script_;
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::vector<VendorRequest> requests_;
};

// Everything a vendor request needs, around one VendorServer.
class VendorTest : public ::testing::Test {
 protected:
  // Loopback requests must not go to a proxy of the machine.
  static void SetUpTestSuite() {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
      ::unsetenv(name);
  }

  VirtualClock clock;
  VendorServer server;
  Config config = server.config();
  CurlHttpTransport transport;
  CHttpClient http{transport, HttpTimeoutsFrom(config)};
  TempLog logFile{clock};
  AtomicInt logOn{1};
  Logger log{logFile.file, logOn, [] { return std::string("STATUS"); }};
  VendorAccess vendor{config, http, clock, log,
                      [] { return RequestValues{"12345678", "", "127.0.0.1", "9.1.4", 0, 0}; }};
};

// Recognition hooks that record their calls ("apply <version> <payload>", "restore",
// "load <file>", "use <slot>") and answer as told.
struct RecordedHooks {
  std::vector<std::string> calls;
  bool loadSucceeds = true;
  bool slotOneFilled = false;

  RecognitionHooks hooks() {
    return {[this](std::string_view payload, int version) {
              calls.push_back("apply " + std::to_string(version) + " " + std::string(payload));
            },
            [this] { calls.push_back("restore"); },
            [this](const std::string& file) {
              calls.push_back("load " + file);
              slotOneFilled = slotOneFilled || loadSucceeds;
              return loadSucceeds;
            },
            [this](int slot) {
              calls.push_back("use " + std::to_string(slot));
              return slot == 0 || slotOneFilled;
            }};
  }
};

}  // namespace tavik::testing
