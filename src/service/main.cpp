// tavik-service: the local vendor service. Usage: tavik-service [--config FILE] [--port N]
// Answers the assistant's price reports and reads, main parameters, result uploads,
// recognition downloads and host address, and serves the practice pages, on 127.0.0.1.

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "service/http_server.h"
#include "service/service_config.h"
#include "service/service_log.h"
#include "service/service_store.h"
#include "service/vendor_service.h"

namespace {

int Usage() {
  std::cerr << "usage: tavik-service [--config FILE] [--port N]\n";
  return 2;
}

// Every open connection holds a descriptor; the usual soft limit of 1024 would stop accepting
// below max_connections.
void RaiseDescriptorLimit(int connections) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  const rlim_t wanted = rlim_t(connections) + 64;
  if (limit.rlim_cur >= wanted) return;
  limit.rlim_cur = std::min(wanted, limit.rlim_max);
  setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tavik::service;
  ServiceConfig config;
  std::string portText;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage();
    if (arg == "--config") {
      std::vector<std::string> errors;
      if (!config.load(argv[++i], errors)) {
        for (const auto& e : errors) std::cerr << "tavik-service: " << e << "\n";
        return 1;
      }
    } else if (arg == "--port") {
      portText = argv[++i];
    } else {
      return Usage();
    }
  }
  if (!portText.empty()) {
    char* end = nullptr;
    const long port = std::strtol(portText.c_str(), &end, 10);
    if (*end != '\0' || port < 0 || port > 65535) return Usage();
    config.port = int(port);
  }

  // SIGINT and SIGTERM are taken by one thread that stops the server; the others never see them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  RaiseDescriptorLimit(config.maxConnections);

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
    std::thread stopper([&] {
      int sig = 0;
      sigwait(&signals, &sig);
      log.note("stopping");
      server.stop();
    });
    stopper.detach();
    return server.run() ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "tavik-service: " << e.what() << "\n";
    return 1;
  }
}
