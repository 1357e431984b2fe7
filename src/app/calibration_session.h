#pragma once
// A calibration from the live screen for the guided window: a thread of its own captures the
// auction window every 200 ms and feeds the Calibrator; the window's thread only reads the
// progress and hands over the user's box around the anchor. Expected clock seconds are the
// local time plus the network-time offset, as the auction clock takes them.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "calibration/calibrator.h"
#include "core/atomic_int.h"
#include "platform/clock.h"
#include "platform/desktop.h"

namespace tavik {

struct CalibrationProgress {
  std::shared_ptr<const CalibrationFrame> frame;  // the latest capture
  bool anchorKnown = false;
  bool complete = false;  // anchor, digits and the clock's read-back: it can be saved
  std::vector<std::string> missing;
  std::vector<WordNeed> words;
  std::vector<std::string> messages;
};

class CalibrationSession {
 public:
  CalibrationSession(Desktop& desktop, Clock& clock, WindowId window, const std::string& title,
                     bool realMode, const Dictionary& current, const AtomicInt& networkOffsetMs);
  ~CalibrationSession() { stop(); }
  CalibrationSession(const CalibrationSession&) = delete;
  CalibrationSession& operator=(const CalibrationSession&) = delete;

  void start();
  // Returns within one 50 ms step.
  void stop();
  // The user's box around the anchor (screen coordinates), cut from the latest capture.
  bool setAnchorBox(const Rect& box);
  CalibrationProgress progress() const;
  // Writes the learned dictionary (previous kept as .bak); false with a reason when it is not
  // complete or cannot be written, and nothing is written then.
  bool save(const std::string& path, std::string& error);

 private:
  void run();
  bool capture(CalibrationFrame& frame);
  void publish();

  Desktop& desktop_;
  Clock& clock_;
  WindowId window_;
  const AtomicInt& networkOffsetMs_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
  mutable std::mutex mutex_;  // guards everything below
  Calibrator calibrator_;
  std::shared_ptr<const CalibrationFrame> latest_;
  std::vector<std::string> messages_;
};

}  // namespace tavik
