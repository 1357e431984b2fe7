#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "service/service_process.h"

namespace tavik::service {
namespace {

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

}  // namespace

void PrepareServiceProcess(int connections) {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  // Every open connection holds a descriptor; the usual soft limit of 1024 would stop accepting
  // below max_connections.
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  const rlim_t wanted = rlim_t(connections) + 64;
  if (limit.rlim_cur >= wanted) return;
  limit.rlim_cur = std::min(wanted, limit.rlim_max);
  setrlimit(RLIMIT_NOFILE, &limit);
}

std::string ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? "" : exe.parent_path().string() + "/";
}

void StopOnInterrupt(std::function<void()> stop) {
  std::thread([stop = std::move(stop)] {
    const sigset_t signals = StopSignals();
    int sig = 0;
    sigwait(&signals, &sig);
    stop();
  }).detach();
}

}  // namespace tavik::service
