#include "calibration/calibrator.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "page/page_locator.h"
#include "recognition/colour_spec.h"
#include "recognition/glyph_cut.h"
#include "recognition/ocr.h"

namespace tavik {

namespace {

constexpr int kSecondsPerDay = 86400;
// A digit counts once it has been seen at its place in this many different seconds.
constexpr size_t kSightings = 2;
// A finished digit set that misreads the clock this often is dropped and learned again.
constexpr int kReadBackTries = 5;
// The clock counts as standing still when its cells have not changed for this many seconds.
constexpr int kStillSeconds = 4;
// Where the locator looks for the anchor "dd_201", from the window's top-left.
constexpr Rect kAnchorArea{30, 200, 130, 500};
constexpr const char* kAnchor = "dd_201";

Point Plus(Point a, Point b) {
  return {a.x + b.x, a.y + b.y};
}
Point Minus(Point a, Point b) {
  return {a.x - b.x, a.y - b.y};
}
Rect Shifted(const Rect& r, Point by) {
  return {r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
}
Rect OnScreen(Point origin, const ElementRect& r) {
  return {origin.x + r.x, origin.y + r.y, origin.x + r.x + r.w, origin.y + r.y + r.h};
}

// "hhmmss" of a second of the day.
std::string ClockDigits(int second) {
  second = ((second % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
  char text[8];
  std::snprintf(text, sizeof text, "%02d%02d%02d", second / 3600, second / 60 % 60, second % 60);
  return text;
}

std::string TextOf(const BitImage& mask, const Dictionary& dict) {
  return OcrTextOf(Recognise(mask, dict), dict);
}

}  // namespace

Calibrator::Calibrator(const ElementTable& table, std::string title, bool realMode,
                       const Dictionary& current)
    : table_(table), title_(std::move(title)), realMode_(realMode), current_(current) {
  learned_.wordGap = current.wordGap;
  const std::string bid = "place a bid: the captcha box comes up";
  words_ = {
      {"902", "the bid button", "open the bidding page's second half", false},
      {"901", "the captcha box's OK", bid, false},
      {"911", "the captcha box's cancel", bid, false},
      {"302", "the captcha box's sign", bid, false},
      {"904", "the captcha box's prompt", bid, false},
      {"501", "the first bid's marker", "the page after a first bid", false},
      {"502", "the second bid's marker", "place a second bid and confirm it", false},
      {"901", "the information window's OK",
       "place a bid outside the price window and confirm it: the page refuses it", false},
  };
}

Point Calibrator::originOf(const CalibrationFrame& frame) const {
  return Plus(*origin_, Minus(frame.at, windowAtAnchor_));
}

BitImage Calibrator::maskOf(const CalibrationFrame& frame, const Rect& screen,
                            const std::string& colours, Rect* clipped) const {
  const Rect r0 = Shifted(screen, Minus({}, frame.at));
  const Rect r{std::max(r0.left, 0), std::max(r0.top, 0), std::min(r0.right, frame.image.width),
               std::min(r0.bottom, frame.image.height)};
  if (clipped) *clipped = Shifted(r, frame.at);
  if (r.empty()) return BitImage(0, 0);
  Image area(r.width(), r.height());
  for (int y = 0; y < r.height(); ++y)
    for (int x = 0; x < r.width(); ++x) area.at(x, y) = frame.image.at(r.left + x, r.top + y);
  return ColourMask(area, ColourSpec::Parse(colours));
}

bool Calibrator::addGlyph(const std::string& name, const BitImage& bits) {
  for (const Glyph& g : learned_.glyphs) {
    if (!SameBits(g.bits(), bits)) continue;
    if (g.name() == name) return true;
    say("refused \"" + name + "\": its picture is that of \"" + g.name() +
        "\", and recognition could not tell the two apart");
    return false;
  }
  learned_.glyphs.emplace_back(name, bits);
  return true;
}

bool Calibrator::findAnchor(const CalibrationFrame& frame) {
  messages_.clear();
  const std::vector<int> anchors = current_.indicesOf(kAnchor);
  if (anchors.empty()) return false;
  Rect area;
  const std::string colours = table_.colours(RectRow::net_rec_dd201);
  const BitImage mask = maskOf(frame, Shifted(kAnchorArea, frame.at), colours, &area);
  GlyphHit hit;
  if (mask.width() == 0 || !FindFirst(mask, current_, anchors, hit)) return false;
  const ElementRect& row = table_.rect(RectRow::net_rec_dd201);
  const Point at{area.left + hit.x, area.top + hit.y};
  origin_ = Plus(Minus(at, {row.x, row.y}), PracticeAnchorShift(title_, realMode_));
  windowAtAnchor_ = frame.at;
  addGlyph(kAnchor, current_.glyphs[size_t(hit.glyph)].bits());
  return true;
}

bool Calibrator::anchorFromBox(const CalibrationFrame& frame, const Rect& box) {
  messages_.clear();
  const std::string colours = table_.colours(RectRow::net_rec_dd201);
  Rect clipped;
  const BitImage mask = maskOf(frame, box, colours, &clipped);
  const Rect ink = mask.width() ? InkBox(mask) : Rect{};
  if (ink.empty()) {
    say("nothing inside the box is in the anchor's colours (" + colours + ")");
    return false;
  }
  const BitImage bits = CutBits(mask, ink);
  const Point at{clipped.left + ink.left, clipped.top + ink.top};
  // The locator must find this picture, first, at this place.
  const Rect searched = Shifted(kAnchorArea, frame.at);
  if (at.x < searched.left || at.y < searched.top || at.x + bits.width() > searched.right ||
      at.y + bits.height() > searched.bottom) {
    say("the anchor lies outside the strip at the window's left where it is looked for");
    return false;
  }
  Dictionary alone;
  alone.glyphs.emplace_back(kAnchor, bits);
  GlyphHit hit;
  Rect area;
  const BitImage strip = maskOf(frame, searched, colours, &area);
  if (!FindFirst(strip, alone, {0}, hit) || area.left + hit.x != at.x || area.top + hit.y != at.y) {
    say("the anchor's picture shows more than once: drag the box around the anchor only");
    return false;
  }
  const ElementRect& row = table_.rect(RectRow::net_rec_dd201);
  const Point origin = Plus(Minus(at, {row.x, row.y}), PracticeAnchorShift(title_, realMode_));
  if (origin.x <= frame.at.x || origin.y <= frame.at.y) {
    say("that text puts the page outside its window: drag the box around the anchor");
    return false;
  }
  std::erase_if(learned_.glyphs, [](const Glyph& g) { return g.name() == kAnchor; });
  if (!addGlyph(kAnchor, bits)) return false;
  origin_ = origin;
  windowAtAnchor_ = frame.at;
  return true;
}

void Calibrator::addFrame(const CalibrationFrame& frame) {
  messages_.clear();
  if (!origin_) return;
  learnClock(frame);
  learnWords(frame);
}

// The clock's three cells as one strip: six digits, with the two ":" between them when the
// page draws them there, split at empty columns.
void Calibrator::learnClock(const CalibrationFrame& frame) {
  const Point o = originOf(frame);
  const ElementRow h = table_.row(FixedRow::clock_second_hours);
  const ElementRect m = table_.row(FixedRow::clock_second_minutes).rect;
  const ElementRect s = table_.row(FixedRow::clock_second_seconds).rect;
  const int top = std::min({h.rect.y, m.y, s.y});
  const int bottom = std::max({h.rect.y + h.rect.h, m.y + m.h, s.y + s.h});
  const Rect strip{o.x + h.rect.x, o.y + top, o.x + s.x + s.w, o.y + bottom};
  Rect where;
  const BitImage mask = maskOf(frame, strip, h.colours, &where);
  const std::string key = Picture(mask);
  const int t = frame.expectedSecond;
  if (t >= 0) {
    if (key != lastStrip_ || stripChangedAt_ < 0 || t < lastSecond_) stripChangedAt_ = t;
    lastStrip_ = key;
    lastSecond_ = t;
    clockStill_ = t - stripChangedAt_ >= kStillSeconds;
  }
  const auto runs = InkColumns(mask);
  clockMissing_ = runs.size() != 6 && runs.size() != 8;
  if (clockMissing_) {
    clockProblem_ = "the page clock is not where the anchor puts it (" +
                    std::to_string(runs.size()) + " pieces in its colours, 6 digits expected)";
    return;
  }
  if (t < 0) {
    clockProblem_ = "no network time to tell the clock's digits by";
    return;
  }
  clockProblem_.clear();
  if (clockVerified_) return;
  if (pictureOf_.size() == 10 && std::all_of(seenIn_.begin(), seenIn_.end(), [](const auto& e) {
        return e.second.size() >= kSightings;
      })) {
    verifyClock(frame);
    return;
  }
  std::vector<std::string> pictures;
  std::vector<BitImage> bits;
  for (size_t i = 0; i < runs.size(); ++i) {
    BitImage piece = CutBits(mask, InkBox(mask, runs[i].first, runs[i].second));
    if (runs.size() == 8 && (i == 2 || i == 5)) {
      if (!colon_) colon_ = piece;
      continue;
    }
    pictures.push_back(Picture(piece));
    bits.push_back(std::move(piece));
  }
  // Which of the seconds around the network's the page shows: those whose digits fit what is
  // known. Only what every fitting second agrees on is learned.
  std::vector<int> fits;
  for (int d : offset_ ? std::vector<int>{*offset_} : std::vector<int>{0, -1, 1})
    if (assignDigits(pictures, ClockDigits(t + d), false)) fits.push_back(d);
  if (fits.empty()) {
    clockProblem_ = "the page clock does not show the network time";
    return;
  }
  if (fits.size() == 1 && !offset_ && ++offsetVotes_[fits[0]] >= int(kSightings)) offset_ = fits[0];
  std::string agreed = ClockDigits(t + fits[0]);
  for (int d : fits) {
    const std::string other = ClockDigits(t + d);
    for (size_t i = 0; i < agreed.size(); ++i)
      if (agreed[i] != other[i]) agreed[i] = '?';
  }
  assignDigits(pictures, agreed, true);
  for (size_t i = 0; i < agreed.size(); ++i) {
    if (agreed[i] == '?') continue;
    bitsOf_.try_emplace(agreed[i], bits[i]);
    std::vector<int>& seen = seenIn_[agreed[i]];
    if (std::find(seen.begin(), seen.end(), t) == seen.end()) seen.push_back(t);
  }
}

bool Calibrator::assignDigits(const std::vector<std::string>& pictures, const std::string& digits,
                              bool apply) {
  std::map<std::string, char> digitOf = digitOf_;
  std::map<char, std::string> pictureOf = pictureOf_;
  for (size_t i = 0; i < pictures.size() && i < digits.size(); ++i) {
    const char c = digits[i];
    if (c == '?') continue;
    const auto d = digitOf.find(pictures[i]);
    const auto p = pictureOf.find(c);
    if ((d != digitOf.end() && d->second != c) ||
        (p != pictureOf.end() && p->second != pictures[i]))
      return false;
    digitOf[pictures[i]] = c;
    pictureOf[c] = pictures[i];
  }
  if (apply) {
    digitOf_ = std::move(digitOf);
    pictureOf_ = std::move(pictureOf);
  }
  return true;
}

// The finished digits must read the clock's cells as the network time before they count.
void Calibrator::verifyClock(const CalibrationFrame& frame) {
  Dictionary trial = learned_;
  for (const auto& [c, bits] : bitsOf_) trial.glyphs.emplace_back(std::string(1, c), bits);
  if (colon_) trial.glyphs.emplace_back(":", *colon_);
  const Point o = originOf(frame);
  std::string read;
  for (FixedRow cell : {FixedRow::clock_second_hours, FixedRow::clock_second_minutes,
                        FixedRow::clock_second_seconds}) {
    const ElementRow row = table_.row(cell);
    read += TextOf(maskOf(frame, OnScreen(o, row.rect), row.colours), trial);
  }
  const std::string want = ClockDigits(frame.expectedSecond + offset_.value_or(0));
  if (read == want || (!offset_ && (read == ClockDigits(frame.expectedSecond - 1) ||
                                    read == ClockDigits(frame.expectedSecond + 1)))) {
    for (const auto& [c, bits] : bitsOf_)
      if (!addGlyph(std::string(1, c), bits)) return;
    if (colon_) addGlyph(":", *colon_);
    clockVerified_ = true;
    return;
  }
  say("the learned digits read the clock as " + read + " where it shows " + want);
  if (++readBackFailures_ < kReadBackTries) return;
  say("the digits are learned again");
  digitOf_.clear();
  pictureOf_.clear();
  bitsOf_.clear();
  seenIn_.clear();
  offset_.reset();
  offsetVotes_.clear();
  readBackFailures_ = 0;
}

bool Calibrator::learnLowestPrice(const CalibrationFrame& frame, int price) {
  messages_.clear();
  if (!origin_ || !clockVerified_ || price <= 0) {
    say("the lowest price is learned after the anchor and the clock");
    return false;
  }
  const ElementRow row = table_.row(RectRow::net_rec_nowprice);
  const BitImage mask = maskOf(frame, OnScreen(originOf(frame), row.rect), row.colours);
  const std::string digits = std::to_string(price);
  if (TextOf(mask, learned_) == digits) return true;
  const auto runs = InkColumns(mask);
  if (runs.size() != digits.size()) {
    say("the lowest price shows " + std::to_string(runs.size()) + " figures where " + digits +
        " has " + std::to_string(digits.size()));
    return false;
  }
  Dictionary before = learned_;
  for (size_t i = 0; i < runs.size(); ++i) {
    const BitImage bits = CutBits(mask, InkBox(mask, runs[i].first, runs[i].second));
    if (!addGlyph(std::string(1, digits[i]), bits)) {
      learned_ = std::move(before);
      return false;
    }
  }
  return true;
}

void Calibrator::learnWords(const CalibrationFrame& frame) {
  const Point o = originOf(frame);
  const auto area = [&](RectRow r) { return OnScreen(o, table_.rect(r)); };
  const auto has = [&](const Rect& r, const std::string& colours) {
    const BitImage m = maskOf(frame, r, colours);
    return m.width() > 0 && m.countOn() > 0;
  };
  const std::string okColours = table_.colours(RectRow::net_rec_priceconfirmbutton);
  const ElementRow sign904 = table_.row(FixedRow::priceconfirm904_rec);
  const ElementPoint cancel = table_.point(ClickPoint::pricecancelbutton);
  // The cancel word lies before its click point, as the OK word does before its own.
  const Rect cancelArea{o.x + cancel.x - 80, o.y + cancel.y - 20, o.x + cancel.x + 80,
                        o.y + cancel.y + 20};
  const bool captchaBox = has(area(RectRow::net_rec_priceconfirmbutton), okColours);
  const ElementRow marker = realMode_ ? table_.row(RectRow::net_rec_bidtimesrec)
                                      : table_.row(FixedRow::bidtimesrec_practice);
  for (WordNeed& w : words_) {
    if (w.learned) continue;
    const std::string& n = w.name;
    if (n == "902") {
      learnWord(w, frame, area(RectRow::net_rec_bidbutton),
                table_.colours(RectRow::net_rec_bidbutton));
    } else if (n == "901" && w.what.find("captcha") != std::string::npos) {
      learnWord(w, frame, area(RectRow::net_rec_priceconfirmbutton), okColours);
    } else if (n == "911" && captchaBox) {
      learnWord(w, frame, cancelArea, table_.colours(RectRow::net_rec_find_pricecancelbutton));
    } else if (n == "302") {
      learnWord(w, frame, area(RectRow::net_rec_priceconfirmrec2),
                table_.colours(RectRow::net_rec_priceconfirmrec2));
    } else if (n == "904") {
      learnWord(w, frame, OnScreen(o, sign904.rect), sign904.colours);
    } else if (n == "901" && !captchaBox) {
      // The information window's row overlaps the captcha box's cancel word.
      learnWord(w, frame, area(RectRow::net_rec_errorinfo_confirmbutton), okColours);
    }
  }
  // The bid-count marker names the bids made; a new picture there is the next bid's. A popup
  // hides part of it, and a picture counts only when two frames in a row show it.
  if (captchaBox || has(area(RectRow::net_rec_errorinfo_confirmbutton), okColours)) {
    pendingMarker_.clear();
    return;
  }
  const BitImage m = maskOf(frame, OnScreen(o, marker.rect), marker.colours);
  const Rect ink = m.width() ? InkBox(m) : Rect{};
  if (ink.empty()) return;
  const BitImage bits = CutBits(m, ink);
  const std::string picture = Picture(bits);
  const bool steady = picture == pendingMarker_;
  pendingMarker_ = picture;
  if (!steady) return;
  std::string name = "50" + std::to_string(std::clamp(frame.bidsMade, 1, 3));
  if (!lastMarker_.empty()) {
    const auto known = learned_.indicesOf(lastMarker_);
    if (!known.empty() && SameBits(learned_.glyphs[size_t(known[0])].bits(), bits)) return;
    if (lastMarker_ == "503") return;
    name = "50" + std::string(1, char(lastMarker_.back() + 1));
  }
  if (!addGlyph(name, bits)) return;
  lastMarker_ = name;
  for (WordNeed& w : words_)
    if (w.name == name) w.learned = true;
}

void Calibrator::learnWord(WordNeed& need, const CalibrationFrame& frame, const Rect& area,
                           const std::string& colours) {
  const BitImage mask = maskOf(frame, area, colours);
  const Rect ink = mask.width() ? InkBox(mask) : Rect{};
  if (ink.empty()) return;
  need.learned = addGlyph(need.name, CutBits(mask, ink));
}

std::vector<std::string> Calibrator::missing() const {
  std::vector<std::string> out;
  if (!origin_) {
    out.push_back("the anchor: drag a box around it");
    return out;
  }
  if (clockStill_) out.push_back("the page clock is not moving");
  if (!clockProblem_.empty()) out.push_back(clockProblem_);
  if (clockVerified_) return out;
  std::string digits;
  for (char c = '0'; c <= '9'; ++c) {
    const auto seen = seenIn_.find(c);
    if (seen == seenIn_.end() || seen->second.size() < kSightings) digits += c;
  }
  if (!digits.empty())
    out.push_back("the digits " + digits + " (the page clock shows each within a minute)");
  else
    out.push_back("the clock read back with the learned digits");
  return out;
}

bool WriteDictionary(const Dictionary& dict, const std::string& path, DictionaryFormat format,
                     std::string& error) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    std::filesystem::copy_file(path, path + ".bak",
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
      error = "cannot keep " + path + " as " + path + ".bak: " + ec.message();
      return false;
    }
  }
  return dict.save(path, error, format);
}

}  // namespace tavik
