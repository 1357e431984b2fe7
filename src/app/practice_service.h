#pragma once
// The practice service on this PC: when the practice address names this machine and nothing
// listens on its port, the vendor service (src/service) runs inside tavik on that port, serving
// the practice pages from the "practice" folder beside the program and answering the vendor
// requests (the built-in vendor servers are the same address). So "载入仿真练习" works on a PC
// with nothing but tavik's folder; a tavik-service already on the port is used as it is, and a
// practice address on another machine is left to that machine.
//
// Started on the window's thread (binding a loopback port and reading two small files), served
// on a thread of its own; stop() (also the destructor) ends it within the server's poll period.

#include <memory>
#include <optional>
#include <string>

#include "platform/clock.h"

namespace tavik {

// The port of a practice address on this machine ("http://127.0.0.1:PORT", "http://localhost",
// a trailing "/" allowed, port 80 when none is given); nothing for any other address.
std::optional<int> LocalPracticePort(const std::string& practiceHost);

class PracticeService {
 public:
  // `exeDir` (with a trailing "/") holds the "practice" folder and the dictionary sscai.dll.
  PracticeService(Clock& clock, std::string exeDir);
  ~PracticeService();
  PracticeService(const PracticeService&) = delete;
  PracticeService& operator=(const PracticeService&) = delete;

  // Window's thread. Makes sure the practice at `practiceHost` is served when it names this
  // machine: starts the service unless it runs already or another program holds the port.
  // Returns a message for the user when the practice cannot be served here, else "".
  std::string ensureRunning(const std::string& practiceHost);
  // True while this service serves.
  bool running() const;
  // The port it serves on, or -1.
  int port() const;
  void stop();

 private:
  class Running;
  Clock& clock_;
  std::string exeDir_;
  std::unique_ptr<Running> running_;  // the window's thread's alone
};

}  // namespace tavik
