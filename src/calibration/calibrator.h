#pragma once
// Calibration from the user's screen: a dictionary learned from captures of the auction window,
// for a page drawn in fonts, zoom and DPI the shipped dictionary does not know.
//
// Steps, each fed with frames (captures of the auction window):
//   1. The anchor: found with the dictionary in use, or cut from one box the user drags around
//      the anchor text, in the anchor row's colours. It gives the page origin, and every other
//      place of the element table lies at a known offset from there.
//   2. The digits and ":": the page's clock shows the network time to the second, so the
//      digits it shows are known; each is cut from the clock cells in the clock's colours and
//      counts once it has been seen at its place in two different seconds, and the finished
//      set must then read the clock back right.
//   3. Figures in other colours: from the lowest price, once its value is known.
//   4. The words the page shows only at times (captcha signs, OK and cancel, the bid button,
//      the bid-count markers, the information window), cut at their element-table places in
//      their rows' colours whenever they are on screen.
// Nothing here captures, sleeps or writes: the caller brings frames (a window of its own, or
// tavik-dict calibrate) and writes the result with WriteDictionary.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/window_ref.h"
#include "page/element_table.h"
#include "platform/image.h"
#include "recognition/dictionary.h"

namespace tavik {

// One capture of the auction window.
struct CalibrationFrame {
  Image image;  // the window's pixels
  Point at;     // the window's top-left on the screen
  // The second of the day the page's clock shows by the network clock, -1 when not known.
  int expectedSecond = -1;
  // Bids the user has made: the bid-count marker on screen names that many.
  int bidsMade = 1;
};

// A word the page shows only at times, and whether it has been learned.
struct WordNeed {
  std::string name;       // the glyph name the page readers look for
  std::string what;       // what it is on the page
  std::string howToShow;  // how to bring it on screen
  bool learned = false;
};

class Calibrator {
 public:
  // `table`: where things are and their colours; `title`: the auction window's title (a
  // practice page draws its anchors a little off); `current`: the dictionary in use, whose
  // anchor is used when it still finds it.
  Calibrator(const ElementTable& table, std::string title, bool realMode,
             const Dictionary& current);

  // Step 1 with the dictionary in use: true when its anchor is found in the frame.
  bool findAnchor(const CalibrationFrame& frame);
  // Step 1 from a box the user dragged around the anchor text (screen coordinates). False with
  // a message when the box holds nothing in the anchor's colours or the page locator would not
  // find the anchor cut from it where it is.
  bool anchorFromBox(const CalibrationFrame& frame, const Rect& box);
  // The page origin on the screen of the frame the anchor was taken from.
  std::optional<Point> origin() const { return origin_; }

  // Steps 2 to 4 on one frame: the clock, then every word on screen. The frame's window may
  // have moved since the anchor was taken: the origin follows its top-left.
  void addFrame(const CalibrationFrame& frame);
  // Step 3: the lowest price as read elsewhere (the network price, or the user's word).
  bool learnLowestPrice(const CalibrationFrame& frame, int price);

  bool clockLearned() const { return clockVerified_; }
  const std::vector<WordNeed>& words() const { return words_; }
  // What still keeps the calibration from finishing: empty when the anchor, the ten digits and
  // the clock's read-back are done. Words the page has not shown yet are listed by words().
  std::vector<std::string> missing() const;
  // The messages of the last call, for the user (refusals, unreadable frames).
  const std::vector<std::string>& messages() const { return messages_; }
  // The dictionary learned so far.
  const Dictionary& dictionary() const { return learned_; }

 private:
  Point originOf(const CalibrationFrame& frame) const;
  BitImage maskOf(const CalibrationFrame& frame, const Rect& screen, const std::string& colours,
                  Rect* clipped = nullptr) const;
  bool addGlyph(const std::string& name, const BitImage& bits);
  void learnClock(const CalibrationFrame& frame);
  bool assignDigits(const std::vector<std::string>& pictures, const std::string& digits,
                    bool apply);
  void commitDigits();
  void verifyClock(const CalibrationFrame& frame);
  void learnWords(const CalibrationFrame& frame);
  void learnWord(WordNeed& need, const CalibrationFrame& frame, const Rect& area,
                 const std::string& colours);
  void say(std::string message) { messages_.push_back(std::move(message)); }

  ElementTable table_;
  std::string title_;
  bool realMode_ = false;
  Dictionary current_;
  Dictionary learned_;
  std::optional<Point> origin_;
  Point windowAtAnchor_;

  // The clock: picture (rows of '#' and '.') -> digit, the seconds each digit was confirmed
  // in, and the page clock's offset from the network clock once it is plain.
  std::map<std::string, char> digitOf_;
  std::map<char, std::string> pictureOf_;
  std::map<char, BitImage> bitsOf_;
  std::map<char, std::vector<int>> seenIn_;
  std::optional<BitImage> colon_;
  std::optional<int> offset_;
  std::map<int, int> offsetVotes_;
  bool clockVerified_ = false;
  int readBackFailures_ = 0;
  std::string lastStrip_;
  int stripChangedAt_ = -1;
  int lastSecond_ = -1;
  bool clockStill_ = false;
  bool clockMissing_ = true;
  std::string clockProblem_;

  std::vector<WordNeed> words_;
  std::vector<std::string> messages_;
  std::string lastMarker_;     // the bid-count marker's name last learned
  std::string pendingMarker_;  // the marker's picture in the frame before
};

// Writes `dict` to `path` through a temporary file; an existing file is kept as `path`.bak
// first. False with a reason, and `path` untouched, when it cannot be written.
bool WriteDictionary(const Dictionary& dict, const std::string& path, DictionaryFormat format,
                     std::string& error);

}  // namespace tavik
