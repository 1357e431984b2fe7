#pragma once
// Shared set-up of the X11 tests: the backend under test on the display of the test run, and
// an EWMH window manager (openbox) that a test can run for its duration.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <memory>

#include "platform/x11/x11_desktop.h"
#include "x11/test_window.h"

namespace tavik::testing {

class WindowManager {
 public:
  // Starts openbox and waits until it manages the screen; false when it cannot.
  bool start();
  void stop();
  ~WindowManager() { stop(); }

 private:
  pid_t pid_ = 0;
};

class X11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop_ = createX11Desktop();
    ASSERT_NE(desktop_, nullptr) << "no X display: run the tests through scripts/with-display";
    ASSERT_TRUE(desktop_->available());
  }
  std::unique_ptr<Desktop> desktop_;
};

}  // namespace tavik::testing
