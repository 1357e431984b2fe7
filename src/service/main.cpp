// tavik-service: the local vendor service. Usage: tavik-service [--config FILE] [--port N]
// Answers the assistant's price reports and reads, main parameters, result uploads,
// recognition downloads and host address, and serves the practice pages, on 127.0.0.1.
// Without --config it reads service.conf beside the program when there is one (the Windows zip
// has one naming its practice folder and dictionary), so that a double click serves practice.

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "core/file_names.h"
#include "platform/clock.h"
#include "service/http_server.h"
#include "service/service_config.h"
#include "service/service_log.h"
#include "service/service_process.h"
#include "service/service_store.h"
#include "service/vendor_service.h"

namespace {

constexpr const char* kConfigBesideProgram = "service.conf";

bool LoadConfig(tavik::service::ServiceConfig& config, const std::string& path) {
  std::vector<std::string> errors;
  if (config.load(path, errors)) return true;
  for (const auto& e : errors) std::cerr << "tavik-service: " << e << "\n";
  return false;
}

int Usage() {
  std::cerr << "usage: tavik-service [--config FILE] [--port N]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tavik::service;
  tavik::UseUtf8Console();
  const std::vector<std::string> args = tavik::Utf8Arguments(argc, argv);
  ServiceConfig config;
  std::string portText;
  std::string configPath;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i + 1 >= args.size()) return Usage();
    if (arg == "--config") {
      configPath = args[++i];
    } else if (arg == "--port") {
      portText = args[++i];
    } else {
      return Usage();
    }
  }
  if (configPath.empty()) {
    const std::string beside = ProgramFolder() + kConfigBesideProgram;
    std::error_code ec;
    if (!ProgramFolder().empty() && std::filesystem::exists(tavik::PathFromUtf8(beside), ec)) {
      configPath = beside;
    }
  }
  if (!configPath.empty() && !LoadConfig(config, configPath)) return 1;
  if (!portText.empty()) {
    char* end = nullptr;
    const long port = std::strtol(portText.c_str(), &end, 10);
    if (*end != '\0' || port < 0 || port > 65535) return Usage();
    config.port = int(port);
  }

  PrepareServiceProcess(config.maxConnections);
  try {
    const std::unique_ptr<ServiceStore> store =
        OpenServiceStore(config.database, config.maxStoredRows);
    tavik::RealClock clock;
    std::vector<std::string> warnings;
    VendorService service(config, *store, clock, warnings);
    for (const auto& w : warnings) std::cerr << "tavik-service: " << w << "\n";
    ServiceLog log(std::cerr, clock);
    HttpServer server(service, config, clock, log);
    const int port = server.bind();
    if (port < 0) {
      std::cerr << "tavik-service: cannot listen on " << config.listenAddress << ":" << config.port
                << "\n";
      return 1;
    }
    log.note("listening on http://" + config.listenAddress + ":" + std::to_string(port) + "/");
    StopOnInterrupt([&] {
      log.note("stopping");
      server.stop();
    });
    return server.run() ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "tavik-service: " << e.what() << "\n";
    return 1;
  }
}
