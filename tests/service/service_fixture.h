#pragma once
// tavik-service on loopback, reached through the assistant's own HTTP client (libcurl, WinHTTP
// on Windows) and request builders, with a clock the test sets.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

#include "core/config.h"
#include "core/file_names.h"
#include "net/http_client.h"
#include "net/vendor_requests.h"
#include "platform/clock.h"
#include "service/http_server.h"
#include "service/service_config.h"
#include "service/service_log.h"
#include "service/service_store.h"
#include "service/vendor_service.h"

namespace tavik::service::testing {

// The service's clock: time stands where the test puts it; sleeps are real.
class SetClock final : public Clock {
 public:
  void sleepMs(int ms) override { real_.sleepMs(ms); }
  uint32_t tickCountMs() override { return real_.tickCountMs(); }
  int64_t utcNowMs() override { return now_.load(); }
  int64_t localOffsetMs(int64_t) override { return 8 * 3600 * 1000; }
  void interruptSleeps() override { real_.interruptSleeps(); }
  void set(int64_t ms) { now_ = ms; }
  void advance(int64_t ms) { now_ += ms; }

 private:
  RealClock real_;
  std::atomic<int64_t> now_{1'796'000'000'000};
};

// A folder of its own under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    for (uint64_t n = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());; ++n) {
      const auto folder = base / ("tavik-service-" + std::to_string(n % 1'000'000'007) + "-" +
                                  std::to_string(counter++));
      if (std::filesystem::create_directory(folder)) {
        path_ = Utf8FromPath(folder);
        break;
      }
    }
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(PathFromUtf8(path_), ignored);
  }
  std::string file(const std::string& name, const std::string& content) const {
    const std::string path = path_ + "/" + name;
    std::ofstream(PathFromUtf8(path), std::ios::binary) << content;
    return path;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A log's text, written from the server's threads and read by the test's.
class LockedText final : public std::streambuf {
 public:
  std::string text() {
    std::lock_guard lock(mutex_);
    return text_;
  }

 protected:
  int overflow(int c) override {
    std::lock_guard lock(mutex_);
    if (c != EOF) text_.push_back(char(c));
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::lock_guard lock(mutex_);
    text_.append(s, size_t(n));
    return n;
  }

 private:
  std::mutex mutex_;
  std::string text_;
};

class RunningService {
 public:
  explicit RunningService(ServiceConfig config) : config_(std::move(config)) {
    config_.port = 0;
    store_ = OpenServiceStore(config_.database, config_.maxStoredRows);
    service_ = std::make_unique<VendorService>(config_, *store_, clock, warnings);
    server_ = std::make_unique<HttpServer>(*service_, config_, clock, log_);
    port_ = server_->bind();
    thread_ = std::thread([this] { server_->run(); });
    while (!server_->running()) std::this_thread::yield();
  }
  ~RunningService() {
    server_->stop();
    thread_.join();
  }

  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  int port() const { return port_; }
  // The assistant's installation settings pointing at this service.
  Config assistantConfig() const {
    Config c;
    c.vendorServers = {base()};
    c.vendorWwwServers = {base()};
    c.httpConnectTimeoutMs = 2000;
    c.httpTotalTimeoutMs = 5000;
    return c;
  }
  // One request as the assistant sends it: the joined body, or "" on failure.
  std::string get(const std::string& pathAndQuery) {
    CHttpClient http(transport_, HttpTimeoutsFrom(assistantConfig()));
    return http.Get(VendorUrl(assistantConfig(), 1, VendorName::Base, pathAndQuery));
  }
  // The raw exchange, status included.
  HttpResult raw(const std::string& pathAndQuery) {
    return transport_.get(base() + pathAndQuery, HttpTimeoutsFrom(assistantConfig()));
  }
  ServiceStore& store() { return *store_; }

  // What the service logged.
  std::string logText() { return logText_.text(); }

  SetClock clock;
  std::vector<std::string> warnings;

 private:
  LockedText logText_;
  std::ostream logStream_{&logText_};
  ServiceLog log_{logStream_, clock};
  ServiceConfig config_;
  std::unique_ptr<ServiceStore> store_;
  std::unique_ptr<VendorService> service_;
  std::unique_ptr<HttpServer> server_;
  CurlHttpTransport transport_;
  int port_ = -1;
  std::thread thread_;
};

}  // namespace tavik::service::testing
