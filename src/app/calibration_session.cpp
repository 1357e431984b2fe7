#include "app/calibration_session.h"

namespace tavik {

CalibrationSession::CalibrationSession(Desktop& desktop, Clock& clock, WindowId window,
                                       const std::string& title, bool realMode,
                                       const Dictionary& current, const AtomicInt& networkOffsetMs)
    : desktop_(desktop),
      clock_(clock),
      window_(window),
      networkOffsetMs_(networkOffsetMs),
      calibrator_(ElementTable::Defaults(), title, realMode, current) {}

void CalibrationSession::start() {
  if (thread_.joinable()) return;
  stopping_ = false;
  thread_ = std::thread([this] { run(); });
}

void CalibrationSession::stop() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
}

bool CalibrationSession::capture(CalibrationFrame& frame) {
  Rect r;
  if (!desktop_.windowRect(window_, r) || !desktop_.captureScreen(r, frame.image)) return false;
  frame.at = {r.left, r.top};
  const int64_t now = clock_.utcNowMs() + networkOffsetMs_;
  frame.expectedSecond = calendarFromUnixMs(now + clock_.localOffsetMs(now)).secondsOfDay();
  return true;
}

void CalibrationSession::run() {
  constexpr int kPeriodMs = 200, kStepMs = 50;
  while (!stopping_) {
    auto frame = std::make_shared<CalibrationFrame>();
    if (capture(*frame)) {
      std::lock_guard lock(mutex_);
      if (!calibrator_.origin()) calibrator_.findAnchor(*frame);
      calibrator_.addFrame(*frame);
      for (const std::string& m : calibrator_.messages()) messages_.push_back(m);
      latest_ = std::move(frame);
    }
    for (int waited = 0; waited < kPeriodMs && !stopping_; waited += kStepMs)
      clock_.sleepMs(kStepMs);
  }
}

bool CalibrationSession::setAnchorBox(const Rect& box) {
  std::lock_guard lock(mutex_);
  if (!latest_) {
    messages_.push_back("the auction window has not been captured yet");
    return false;
  }
  const bool ok = calibrator_.anchorFromBox(*latest_, box);
  for (const std::string& m : calibrator_.messages()) messages_.push_back(m);
  return ok;
}

CalibrationProgress CalibrationSession::progress() const {
  std::lock_guard lock(mutex_);
  CalibrationProgress p;
  p.frame = latest_;
  p.anchorKnown = calibrator_.origin().has_value();
  p.missing = calibrator_.missing();
  p.complete = p.anchorKnown && calibrator_.clockLearned() && p.missing.empty();
  p.words = calibrator_.words();
  p.messages = messages_;
  return p;
}

bool CalibrationSession::save(const std::string& path, std::string& error) {
  std::lock_guard lock(mutex_);
  if (!calibrator_.origin() || !calibrator_.clockLearned() || !calibrator_.missing().empty()) {
    error = "the calibration is not complete: nothing was written";
    return false;
  }
  return WriteDictionary(calibrator_.dictionary(), path, DictionaryFormat::kCompact, error);
}

}  // namespace tavik
