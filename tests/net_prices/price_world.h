#pragma once
// The shared price network against real HTTP servers on loopback: cpp-httplib servers that
// record every request and answer as each test scripts, sockets that refuse or never answer,
// and the fields of the other owners that the price network reads and writes.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "clock/temp_log.h"
#include "net/http_client.h"
#include "net/net_price.h"
#include "net/price_report.h"
#include "platform/clock.h"

namespace tavik::testing {

// An HTTP server on 127.0.0.1 and an ephemeral port, on a thread of its own, that records the
// query of every request and answers with what the script returns for it.
class ScriptedServer {
 public:
  using Script = std::function<std::string(const httplib::Request&)>;

  explicit ScriptedServer(Script script = {}) : script_(std::move(script)) {
    server_.Get(".*", [this](const httplib::Request& q, httplib::Response& r) {
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(q.params);
        paths_.push_back(q.path);
      }
      r.set_content(script_ ? script_(q) : std::string(), "text/html");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    RealClock clock;
    while (!server_.is_running()) clock.sleepMs(1);
  }
  ~ScriptedServer() {
    server_.stop();
    thread_.join();
  }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

  std::vector<httplib::Params> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::vector<std::string> paths() const {
    std::lock_guard lock(mutex_);
    return paths_;
  }
  // The value of `key` in every request so far, in order.
  std::vector<std::string> values(const std::string& key) const {
    std::vector<std::string> out;
    for (const auto& params : requests()) {
      const auto it = params.find(key);
      out.push_back(it == params.end() ? std::string("-") : it->second);
    }
    return out;
  }
  size_t count() const { return requests().size(); }

 private:
  Script script_;
  httplib::Server server_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<httplib::Params> requests_;
  std::vector<std::string> paths_;
  int port_ = 0;
};

// A dead server: a port that refuses connections, or one whose connections the kernel
// completes and nobody ever answers.
class DeadServer {
 public:
  enum Kind { Refusing, Silent };
  explicit DeadServer(Kind kind) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    const bool ok = ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), len) == 0 &&
                    (kind == Refusing || ::listen(fd_, 16) == 0) &&
                    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) == 0;
    EXPECT_TRUE(ok);
    port_ = ntohs(sa.sin_port);
  }
  ~DeadServer() { ::close(fd_); }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  int fd_;
  int port_ = 0;
};

// The fields of the other owners, the price network's own state, and an HTTP client on libcurl.
// Defaults: a run in real mode in the second half with nothing read yet, reports switched on.
struct PriceWorld {
  explicit PriceWorld(Clock& clock, HttpTimeouts timeouts = {2000, 5000})
      : clock(clock), client(http, timeouts), file(clock), log(file.file, logOn) {
    // Loopback requests must not go to a proxy of the machine.
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
      ::unsetenv(name);
    prices.m_priceShareOn = 1;
    requestValues = [] { return RequestValues{"12345678", "87654321", "10.0.0.7", "9.1.4", 3, 0}; };
  }

  // Vendor servers 1..3 under their own and their www names.
  void useServers(const std::array<std::string, 3>& base, const std::array<std::string, 3>& www) {
    config.vendorServers = {base.begin(), base.end()};
    config.vendorWwwServers = {www.begin(), www.end()};
  }

  NetPriceContext context() { return {prices, net, servers, in, client, config, clock, log}; }
  PriceReporter reporter() { return PriceReporter(context()); }
  NetPriceReader reader() { return NetPriceReader(context()); }

  Clock& clock;
  LowestPrice m_lowestPrice;
  AtomicInt m_warningPrice{88100};
  AtomicInt m_remainSec{1000};
  AtomicInt m_running{1};
  AtomicInt m_realMode{1};
  AtomicInt m_compatMode{1};
  GuardedText m_pageTitle{"上海市个人非营业性客车额度投标拍卖"};
  AtomicInt m_pagePriceReads{0};
  std::array<AtomicInt, 61> m_priceReadMarks{};
  AtomicInt m_udpNetPrice{88100};
  AtomicInt g_udpPriceHits{0};
  std::function<RequestValues()> requestValues;
  NetPriceInputs in{m_lowestPrice, m_warningPrice,   m_remainSec,
                    m_running,     m_realMode,       m_compatMode,
                    m_pageTitle,   m_pagePriceReads, m_priceReadMarks,
                    m_udpNetPrice, g_udpPriceHits,   [this] { return requestValues(); }};

  NetPriceState prices;
  NetState net;
  ServerChoiceState servers;
  Config config;
  CurlHttpTransport http;
  CHttpClient client;
  TempLog file;
  AtomicInt logOn{1};
  Logger log;
};

}  // namespace tavik::testing
