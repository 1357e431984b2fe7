#pragma once
// A calibration from the live screen for the guided windows (Qt and Win32): a thread of its own
// captures the auction window each time the window's refresh timer asks and feeds the
// Calibrator; the window's thread only reads the progress and hands over the user's box around
// the anchor. Expected clock seconds are the local time plus the network-time offset, as the
// auction clock takes them.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/on_request_thread.h"
#include "calibration/calibrator.h"
#include "core/atomic_int.h"
#include "platform/clock.h"
#include "platform/desktop.h"

namespace tavik {

class Assistant;

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

  // Starts the thread and asks for the first capture.
  void start();
  // Asks for one capture soon; the window's refresh timer calls it a few times a second.
  void request() { thread_.request(); }
  // Returns once the capture in hand is learned from.
  void stop() { thread_.stop(); }
  // The user's box around the anchor (screen coordinates), cut from the latest capture.
  bool setAnchorBox(const Rect& box);
  CalibrationProgress progress() const;
  // Writes the learned dictionary (previous kept as .bak); false with a reason when it is not
  // complete or cannot be written, and nothing is written then.
  bool save(const std::string& path, std::string& error);
  // Captures taken so far.
  uint64_t captures() const { return thread_.runs(); }

 private:
  void captureOne();
  bool capture(CalibrationFrame& frame);

  Desktop& desktop_;
  Clock& clock_;
  WindowId window_;
  const AtomicInt& networkOffsetMs_;
  mutable std::mutex mutex_;  // guards the three below
  Calibrator calibrator_;
  std::shared_ptr<const CalibrationFrame> latest_;
  std::vector<std::string> messages_;
  OnRequestThread thread_{[this] { captureOne(); }};  // last: joined before the fields above go
};

// How often the guided window asks for a capture.
inline constexpr int kCalibrationCaptureMs = 250;
// The width the guided window shows the capture at; the user drags on that picture.
inline constexpr int kCalibrationPictureWidth = 640;

// What the guided window says after a good save.
inline constexpr char kCalibrationSaved[] =
    "字库已保存并启用 (saved and in use; the previous one is sscai.dll.bak)";
// What the guided window tells the user: what to do next, what is missing and how to bring
// each word up, the last message, whether it can be saved. `session` is null when there is no
// auction window.
std::string CalibrationStatusText(const CalibrationSession* session,
                                  const CalibrationProgress& progress);
// The screen box of a drag from `from` to `to` on the picture of a capture taken at `imageAt`
// and shown `scale` times its size (corners in either order).
Rect ScreenBoxFromPicture(Point imageAt, double scale, Point from, Point to);

// The guided calibration as both windows run it over the controller: the auction window as
// tavik knows it, else the first window whose title names an auction page; the dictionary in
// use beside the program. Null when there is no auction window.
std::unique_ptr<CalibrationSession> StartGuidedCalibration(Assistant& c);
// Writes the learned dictionary beside the program as sscai.dll (the previous one kept as
// sscai.dll.bak) and puts it in use; false with the reason, and nothing written or changed in
// use, when it cannot.
bool SaveGuidedCalibration(Assistant& c, CalibrationSession& session, std::string& error);

}  // namespace tavik
