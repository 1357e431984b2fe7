#pragma once
// Finding and following the auction page: the page origin from its anchor words, the browser
// window kept in place and at its size, the four position markers the readers measure from,
// the captcha box and its buttons, the captcha refresh and the page's information window.
// TrackPage runs on worker 1 every 100 ms while a run has found the auction window.

#include "page/page_context.h"

namespace tavik {

// How far the origin lies from where the anchors put it on a practice page, which draws its
// anchors a little off the real page's places; told by the window's title, none in real mode.
Point PracticeAnchorShift(const std::string& title, bool realMode);

class PageLocator {
 public:
  explicit PageLocator(const PageContext& c) : c_(c) {}

  // One tick, in order: window keeping and the origin, the captcha refresh, the captcha box,
  // the bid button and the information window.
  void TrackPage();

  // 1 when the captcha box is in front.
  int DetectCaptchaBox();
  // Where the captcha box's OK and cancel buttons and the information window's OK button are;
  // 1 when found (see the .cpp for what a match outside its row means).
  int LocateCaptchaOk();
  int LocateCaptchaCancel();
  int LocateInfoOk();
  // 1 when the first bid's marker "501" is shown, 2 for the second bid's "502", else 0.
  int LocateBidCountMarker();
  // Puts the browser's zoom back to 100 %.
  void ResetZoom();

 private:
  // Step 1: returns false when the tick ends there.
  bool keepWindow(const Rect& r, bool& browserMoved);
  // True when an anchor was found.
  bool trackOrigin(bool browserMoved);
  bool trackAnchor201();
  bool trackAnchorJJ();
  bool trackAnchor(const char* word, const Rect& area, RectRow row, AtomicPoint& pos,
                   const char* label);
  bool trackMarker(const char* word, Point from, Point to, std::string_view colours,
                   AtomicPoint& pos, const char* label);
  Point practiceShift();
  void moveOrigin(Point candidate, bool browserMoved);
  void refreshCaptcha();
  void captchaBoxShown();
  void noCaptchaBox(bool lookHolds);
  void infoWindow();
  bool locateButton(RectRow area, RectRow colours, const char* word, AtomicPoint& pos,
                    const char* label, bool outsideFound);
  void logStatus(const std::string& text) { c_.log.LogStatus(text, true); }
  void log(const std::string& text) { c_.log.LogStatus(text, false); }

  const PageContext& c_;
};

}  // namespace tavik
