#pragma once
// A controller on a fake desktop in virtual time, with its program folder in a temp dir.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "app/controller.h"
#include "support/auction_time.h"
#include "support/temp_dir.h"
#include "testing/fake_desktop.h"
#include "testing/headless_view.h"
#include "testing/in_process_http.h"
#include "testing/in_process_udp.h"
#include "testing/virtual_clock.h"

namespace tavik::testing {

class ControllerTest : public ::testing::Test {
 protected:
  ControllerTest() { clock.runUntilLocal(11, 20, 0); }
  ~ControllerTest() override { controller.reset(); }

  // Creates the controller (after marker files are in place) and runs its start-up.
  int startUp() {
    controller = std::make_unique<Controller>(ControllerDeps{
        clock, desktop, timers, mailbox, view, logFile, config, dir.dir(), &udp, &http});
    controller->onWorkerPass = [this](int worker, int64_t) {
      std::lock_guard lock(passMutex);
      passes[worker].push_back(clock.elapsedMs());
    };
    return controller->OnInitDialog();
  }
  void marker(const char* name) { TempDir::writeFile(dir.file(name), ""); }

  // The virtual times (elapsedMs) of a worker's passes since the last clearPasses().
  std::vector<int64_t> passTimes(int worker) {
    std::lock_guard lock(passMutex);
    return passes[worker];
  }
  // Gaps between consecutive passes.
  std::vector<int64_t> passGaps(int worker) {
    const auto t = passTimes(worker);
    std::vector<int64_t> gaps;
    for (size_t i = 1; i < t.size(); ++i) gaps.push_back(t[i] - t[i - 1]);
    return gaps;
  }
  void clearPasses() {
    std::lock_guard lock(passMutex);
    passes.clear();
  }
  // Sets the shown time and the end time so that `remain` seconds are left.
  void showTime(int remain) { ShowTimeBeforeEnd(controller->clockState, remain); }
  // The same, with the remaining seconds already derived from it.
  void showRemaining(int remain) {
    showTime(remain);
    controller->clockState.m_remainSec = remain;
  }

  TempDir dir;
  Config config;  // the installation settings the controller is created with
  VirtualClock clock;
  FakeDesktop desktop{clock};
  VirtualTimers timers{clock};
  VirtualMailbox mailbox{clock};
  HeadlessView view;
  LogFile logFile{clock, dir.file("my.Log")};
  // No time server answers: sync attempts time out in virtual time.
  InProcessUdp udp{clock, [](const Ipv4Endpoint&, const std::vector<uint8_t>&) {
                     return std::optional<InProcessUdp::Reply>();
                   }};
  // The vendor servers' answer to every request; by default none: refused at once.
  std::function<std::optional<InProcessHttp::Reply>(const std::string&)> vendorReply =
      [](const std::string&) { return std::optional<InProcessHttp::Reply>(); };
  InProcessHttp http{clock, [this](const std::string& url) { return vendorReply(url); }};
  std::unique_ptr<Controller> controller;

  std::mutex passMutex;
  std::map<int, std::vector<int64_t>> passes;  // worker -> virtual times of its passes
};

}  // namespace tavik::testing
