#include "app/calibration_session.h"

#include <algorithm>

#include "app/assistant.h"

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
  thread_.start();
  thread_.request();
}

bool CalibrationSession::capture(CalibrationFrame& frame) {
  Rect r;
  if (!desktop_.windowRect(window_, r) || !desktop_.captureScreen(r, frame.image)) return false;
  frame.at = {r.left, r.top};
  const int64_t now = clock_.utcNowMs() + networkOffsetMs_;
  frame.expectedSecond = calendarFromUnixMs(now + clock_.localOffsetMs(now)).secondsOfDay();
  return true;
}

void CalibrationSession::captureOne() {
  auto frame = std::make_shared<CalibrationFrame>();
  if (!capture(*frame)) return;
  std::lock_guard lock(mutex_);
  if (!calibrator_.origin()) calibrator_.findAnchor(*frame);
  calibrator_.addFrame(*frame);
  for (const std::string& m : calibrator_.messages()) messages_.push_back(m);
  latest_ = std::move(frame);
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

std::string CalibrationStatusText(const CalibrationSession* session,
                                  const CalibrationProgress& progress) {
  if (!session) return "没有找到拍卖窗口：请先打开拍卖页面 (no auction window)";
  std::string text;
  if (!progress.anchorKnown)
    text += "请在图上拖一个框，框住页面左侧的定位文字 (drag a box around the anchor)\n";
  for (const std::string& m : progress.missing) text += "missing: " + m + "\n";
  for (const WordNeed& w : progress.words)
    if (!w.learned) text += "not yet: " + w.what + " (" + w.howToShow + ")\n";
  if (!progress.messages.empty()) text += progress.messages.back();
  if (progress.complete) text += "\n可以保存 (ready to save)";
  return text;
}

Rect ScreenBoxFromPicture(Point imageAt, double scale, Point from, Point to) {
  const int left = std::min(from.x, to.x), right = std::max(from.x, to.x);
  const int top = std::min(from.y, to.y), bottom = std::max(from.y, to.y);
  return {imageAt.x + int(left / scale), imageAt.y + int(top / scale),
          imageAt.x + int((right + 1) / scale) + 1, imageAt.y + int((bottom + 1) / scale) + 1};
}

std::unique_ptr<CalibrationSession> StartGuidedCalibration(Assistant& c) {
  std::unique_ptr<CalibrationSession> session = c.NewCalibrationSession();
  if (session) session->start();
  return session;
}

bool SaveGuidedCalibration(Assistant& c, CalibrationSession& session, std::string& error) {
  if (!session.save(c.DictionaryPath(), error)) return false;
  if (!c.UseSavedDictionary()) {
    error = "the dictionary was written but cannot be loaded; the previous one is sscai.dll.bak";
    return false;
  }
  return true;
}

}  // namespace tavik
