#include "app/practice_service.h"

#include <charconv>
#include <filesystem>
#include <ostream>
#include <streambuf>
#include <thread>

#include "app/assistant.h"
#include "core/file_names.h"
#include "service/http_server.h"
#include "service/memory_store.h"
#include "service/service_config.h"
#include "service/service_log.h"
#include "service/vendor_service.h"

namespace tavik {
namespace {

constexpr const char* kPracticeFolder = "practice";

// What the service would log goes nowhere: tavik's own log says what the user needs.
class NullBuffer final : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace

std::optional<int> LocalPracticePort(const std::string& practiceHost) {
  std::string_view rest = practiceHost;
  if (!rest.starts_with("http://")) return std::nullopt;
  rest.remove_prefix(7);
  while (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  const size_t colon = rest.find(':');
  const std::string_view host = rest.substr(0, colon);
  if (host != "127.0.0.1" && host != "localhost") return std::nullopt;
  if (colon == std::string_view::npos) return 80;
  const std::string_view digits = rest.substr(colon + 1);
  int port = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
  if (ec != std::errc() || end != digits.data() + digits.size() || port < 1 || port > 65535) {
    return std::nullopt;
  }
  return port;
}

// One start of the service: its settings, store, server and thread, in the order they are
// built and torn down.
class PracticeService::Running {
 public:
  Running(Clock& clock, service::ServiceConfig config)
      : config_(std::move(config)),
        store_(config_.maxStoredRows),
        service_(config_, store_, clock, warnings_),
        log_(logStream_, clock),
        server_(service_, config_, clock, log_) {}
  ~Running() {
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }

  // Binds the port; false when another program holds it.
  bool bind() {
    port_ = server_.bind();
    return port_ > 0;
  }
  void start() {
    thread_ = std::thread([this] { server_.run(); });
  }
  int port() const { return port_; }

 private:
  service::ServiceConfig config_;
  service::MemoryStore store_;
  std::vector<std::string> warnings_;
  service::VendorService service_;
  NullBuffer nothing_;
  std::ostream logStream_{&nothing_};
  service::ServiceLog log_;
  service::HttpServer server_;
  std::thread thread_;
  int port_ = -1;
};

PracticeService::PracticeService(Clock& clock, std::string exeDir)
    : clock_(clock), exeDir_(std::move(exeDir)) {}

PracticeService::~PracticeService() {
  stop();
}

std::string PracticeService::ensureRunning(const std::string& practiceHost) {
  const std::optional<int> port = LocalPracticePort(practiceHost);
  if (!port || running_) return "";
  service::ServiceConfig config;
  config.listenAddress = "127.0.0.1";
  config.port = *port;
  config.webRoot = exeDir_ + kPracticeFolder;
  // A practice on one PC has one client; a few workers are plenty.
  config.workers = 2;
  std::error_code ec;
  const bool pages = std::filesystem::is_directory(PathFromUtf8(config.webRoot), ec);
  if (std::filesystem::exists(PathFromUtf8(exeDir_ + kDictionaryFile), ec)) {
    config.dictionaryFile = exeDir_ + kDictionaryFile;
  }
  auto running = std::make_unique<Running>(clock_, config);
  // Another program has the port: a tavik-service started by hand (or by scripts/run) serves
  // the practice, and tavik leaves it to it.
  if (!running->bind()) return "";
  if (!pages) {
    return "找不到仿真练习页面（" + config.webRoot + "）。请把下载的压缩包完整解压后再运行。";
  }
  running->start();
  running_ = std::move(running);
  return "";
}

bool PracticeService::running() const {
  return running_ != nullptr;
}

int PracticeService::port() const {
  return running_ ? running_->port() : -1;
}

void PracticeService::stop() {
  running_.reset();
}

}  // namespace tavik
