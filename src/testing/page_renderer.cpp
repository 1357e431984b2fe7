#include "testing/page_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "recognition/colour_spec.h"

namespace tavik {

namespace {

using Rows = std::vector<std::string>;

// Figures: 4x7, ink in the first and last row and column of every digit, so that tavik-dict's
// cut to the ink keeps them whole. No digit holds a 2x2 block of ink (":" is one) and none has
// a full top and bottom row (every word picture has), so neither is found inside the other.
const std::map<char, Rows>& DigitFont() {
  static const std::map<char, Rows> font = {
      {'0', {".##.", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."}},
      {'1', {".##.", "#.#.", "..#.", "..#.", "..#.", "..#.", "####"}},
      {'2', {".##.", "#..#", "...#", "..#.", ".#..", "#...", "####"}},
      {'3', {"###.", "...#", "...#", ".##.", "...#", "...#", "###."}},
      {'4', {"#..#", "#..#", "#..#", "####", "...#", "...#", "...#"}},
      {'5', {"####", "#...", "#...", "###.", "...#", "...#", "###."}},
      {'6', {".##.", "#...", "#...", "###.", "#..#", "#..#", ".##."}},
      {'7', {"####", "...#", "...#", "..#.", "..#.", ".#..", ".#.."}},
      {'8', {".##.", "#..#", "#..#", ".##.", "#..#", "#..#", ".##."}},
      {'9', {".##.", "#..#", "#..#", ".###", "...#", "...#", ".##."}},
  };
  return font;
}
const Rows kColon = {"##", "##", "..", "##", "##"};
constexpr int kColonDy = 1;  // its top row within a 7-row line

// The 3x5 letters inside word pictures.
const std::map<char, Rows>& LabelFont() {
  static const std::map<char, Rows> font = {
      {'0', {"###", "#.#", "#.#", "#.#", "###"}}, {'1', {".#.", "##.", ".#.", ".#.", "###"}},
      {'2', {"###", "..#", "###", "#..", "###"}}, {'3', {"###", "..#", "###", "..#", "###"}},
      {'4', {"#.#", "#.#", "###", "..#", "..#"}}, {'5', {"###", "#..", "###", "..#", "###"}},
      {'8', {"###", "#.#", "###", "#.#", "###"}}, {'9', {"###", "#.#", "###", "..#", "###"}},
      {'d', {"..#", "..#", "###", "#.#", "###"}}, {'j', {"..#", "...", "..#", "..#", "##."}},
      {'_', {"...", "...", "...", "...", "###"}},
  };
  return font;
}

// The bid status spot is 5x10 pixels, too small for a framed word: a solid rounded mark.
const Rows kStatusMark = {".##.", "####", "####", "####", "####", "####", "####", ".##."};

BitImage FromRows(const Rows& rows) {
  BitImage bits(int(rows[0].size()), int(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) bits.set(int(x), int(y), rows[y][x] == '#');
  return bits;
}

// A word as one picture: its letters one pixel apart inside a one-pixel frame, 7 pixels high.
BitImage FramedWord(std::string_view word) {
  BitImage bits(int(word.size()) * 4 + 1, 7);
  for (int x = 0; x < bits.width(); ++x) {
    bits.set(x, 0, true);
    bits.set(x, 6, true);
  }
  for (int y = 0; y < 7; ++y) {
    bits.set(0, y, true);
    bits.set(bits.width() - 1, y, true);
  }
  for (size_t i = 0; i < word.size(); ++i) {
    const Rows& letter = LabelFont().at(word[i]);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 3; ++x) bits.set(1 + int(i) * 4 + x, 1 + y, letter[y][x] == '#');
  }
  return bits;
}

const std::vector<Glyph>& Glyphs() {
  static const std::vector<Glyph> glyphs = [] {
    std::vector<Glyph> out;
    for (const auto& [c, rows] : DigitFont()) out.emplace_back(std::string(1, c), FromRows(rows));
    out.emplace_back(":", FromRows(kColon));
    for (const std::string& w : PageGlyphSheetWords())
      out.emplace_back(w, w == "903" ? FromRows(kStatusMark) : FramedWord(w));
    return out;
  }();
  return glyphs;
}

const Glyph* GlyphNamed(const std::vector<Glyph>& glyphs, std::string_view name) {
  for (const Glyph& g : glyphs)
    if (g.name() == name) return &g;
  return nullptr;
}

Point Plus(Point a, Point b) {
  return {a.x + b.x, a.y + b.y};
}
Point Minus(Point a, Point b) {
  return {a.x - b.x, a.y - b.y};
}
Point TopLeft(const ElementRect& r) {
  return {r.x, r.y};
}
Point TopLeft(const ElementPoint& p) {
  return {p.x, p.y};
}

// Centre colour of one alternative ("H.S.V-..." or "RRGGBB-...").
std::optional<uint32_t> CentreOf(std::string_view alt) {
  const std::string text(alt.substr(0, alt.find('-')));
  unsigned rgb = 0;
  int h = 0, s = 0, v = 0;
  char tail = 0;
  if (text.size() == 6 && std::sscanf(text.c_str(), "%6x%c", &rgb, &tail) == 1) return rgb;
  if (std::sscanf(text.c_str(), "%d.%d.%d%c", &h, &s, &v, &tail) != 3) return std::nullopt;
  const double value = v * 2.55, chroma = value * s / 100.0;
  const double sector = h / 60.0;
  const double second = chroma * (1 - std::abs(std::fmod(sector, 2.0) - 1));
  double r = 0, g = 0, b = 0;
  switch (int(sector) % 6) {
    case 0:
      r = chroma, g = second;
      break;
    case 1:
      r = second, g = chroma;
      break;
    case 2:
      g = chroma, b = second;
      break;
    case 3:
      g = second, b = chroma;
      break;
    case 4:
      r = second, b = chroma;
      break;
    default:
      r = chroma, b = second;
      break;
  }
  const double m = value - chroma;
  auto channel = [m](double c) { return uint32_t(std::clamp(std::lround(c + m), 0L, 255L)); };
  return channel(r) << 16 | channel(g) << 8 | channel(b);
}

// Colours within 3 of `centre` in every channel, the centre first.
std::vector<uint32_t> Around(uint32_t centre) {
  std::vector<uint32_t> out{centre};
  const int r0 = int(centre >> 16), g0 = int(centre >> 8 & 0xff), b0 = int(centre & 0xff);
  for (int dr = -3; dr <= 3; ++dr)
    for (int dg = -3; dg <= 3; ++dg)
      for (int db = -3; db <= 3; ++db) {
        const int r = r0 + dr, g = g0 + dg, b = b0 + db;
        if (r < 0 || g < 0 || b < 0 || r > 255 || g > 255 || b > 255) continue;
        out.push_back(uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b));
      }
  return out;
}

std::vector<std::string_view> Alternatives(std::string_view spec) {
  std::vector<std::string_view> out;
  for (size_t begin = 0; begin <= spec.size();) {
    size_t end = spec.find('|', begin);
    if (end == std::string_view::npos) end = spec.size();
    out.push_back(spec.substr(begin, end - begin));
    begin = end + 1;
  }
  return out;
}

}  // namespace

std::optional<uint32_t> ColourMatching(std::string_view spec,
                                       const std::vector<std::string_view>& avoid) {
  const ColourSpec whole = ColourSpec::Parse(spec);
  if (!whole.valid()) return std::nullopt;
  std::vector<ColourSpec> others;
  for (std::string_view a : avoid) others.push_back(ColourSpec::Parse(a));
  for (std::string_view alt : Alternatives(spec)) {
    const std::optional<uint32_t> centre = CentreOf(alt);
    if (!centre) continue;
    for (uint32_t c : Around(*centre)) {
      const bool avoided = std::any_of(others.begin(), others.end(),
                                       [c](const ColourSpec& o) { return o.matches(c); });
      if (whole.matches(c) && !avoided) return c;
    }
  }
  return std::nullopt;
}

const std::vector<std::string>& PageGlyphSheetWords() {
  static const std::vector<std::string> words = {"dd_201", "dd_jj", "908", "915", "909", "920",
                                                 "901",    "911",   "902", "903", "904", "302",
                                                 "303",    "501",   "502", "503"};
  return words;
}

Dictionary BoldPageGlyphDictionary() {
  Dictionary d;
  for (const Glyph& g : Glyphs()) {
    BitImage bold(g.width() + 1, g.height());
    for (int y = 0; y < g.height(); ++y)
      for (int x = 0; x < bold.width(); ++x)
        bold.set(x, y, (x < g.width() && g.bits().get(x, y)) || (x > 0 && g.bits().get(x - 1, y)));
    d.glyphs.emplace_back(g.name(), std::move(bold));
  }
  return d;
}

Dictionary PageGlyphDictionary() {
  Dictionary d;
  d.glyphs = Glyphs();
  return d;
}

namespace {

// Draws glyphs into an image and remembers whether everything fitted.
class Painter {
 public:
  explicit Painter(Image& image, const std::vector<Glyph>& glyphs = Glyphs())
      : image_(image), glyphs_(glyphs) {}

  bool ok() const { return ok_; }

  void fill(Point at, Size size, uint32_t colour) {
    for (int y = std::max(at.y, 0); y < std::min(at.y + size.height, image_.height); ++y)
      for (int x = std::max(at.x, 0); x < std::min(at.x + size.width, image_.width); ++x)
        image_.at(x, y) = colour;
  }

  // A word picture in a colour `spec` takes and `avoid` does not.
  void word(Point at, std::string_view name, std::string_view spec,
            const std::vector<std::string_view>& avoid = {}) {
    const Glyph* g = GlyphNamed(glyphs_, name);
    const std::optional<uint32_t> colour = ColourMatching(spec, avoid);
    if (!g || !colour) {
      ok_ = false;
      return;
    }
    glyph(at, *g, *colour);
  }

  // Digits and ":" on one 7-row line, one pixel apart.
  void text(Point at, std::string_view chars, std::string_view spec) {
    const std::optional<uint32_t> colour = ColourMatching(spec);
    for (char c : chars) {
      const Glyph* g = GlyphNamed(glyphs_, std::string_view(&c, 1));
      if (!g || !colour) {
        ok_ = false;
        return;
      }
      glyph({at.x, at.y + (c == ':' ? kColonDy : 0)}, *g, *colour);
      at.x += g->width() + 1;
    }
  }

 private:
  void glyph(Point at, const Glyph& g, uint32_t colour) {
    if (at.x < 0 || at.y < 0 || at.x + g.width() > image_.width ||
        at.y + g.height() > image_.height) {
      ok_ = false;
      return;
    }
    for (int y = 0; y < g.height(); ++y)
      for (int x = 0; x < g.width(); ++x)
        if (g.bits().get(x, y)) image_.at(at.x + x, at.y + y) = colour;
  }

  Image& image_;
  const std::vector<Glyph>& glyphs_;
  bool ok_ = true;
};

// One scene drawn with one table.
class SceneDrawing {
 public:
  SceneDrawing(const ElementTable& table, const PageScene& scene, Painter& painter)
      : t_(table), s_(scene), p_(painter) {}

  void draw() {
    p_.fill(s_.browser, s_.browserSize, kPageBackground);
    anchors();
    markers();
    figures();
    buttons();
    bidRecord();
    if (s_.captchaBox) captchaBox();
    captchaSigns();
    if (s_.infoWindow) infoWindow();
  }

 private:
  Point onScreen(Point offset) const { return Plus(s_.origin, offset); }
  bool first() const { return s_.half == AuctionHalf::first; }

  // Text kTextInset inside a fixed cell, in the cell's colours.
  void cell(FixedRow r, std::string_view text) {
    if (text.empty()) return;
    const ElementRow row = t_.row(r);
    p_.text(onScreen(Plus(TopLeft(row.rect), kTextInset)), text, row.colours);
  }

  void anchors() {
    const Point shift = Minus({0, 0}, s_.anchorShift);
    if (s_.showDd201) {
      const ElementRow row = t_.row(RectRow::net_rec_dd201);
      p_.word(onScreen(Plus(TopLeft(row.rect), shift)), "dd_201", row.colours);
    }
    if (s_.showDdjj) {
      const ElementRow row = t_.row(RectRow::net_rec_ddjj);
      const Point real{0, s_.realMode ? 4 : 0};
      p_.word(onScreen(Plus(Plus(TopLeft(row.rect), real), shift)), "dd_jj", row.colours);
    }
  }

  void markers() {
    // The figures beside the markers are read in the colours of the second-half price row, so
    // the markers are drawn in colours that row does not take.
    const std::string& prices = t_.colours(RectRow::net_rec_nowprice);
    struct Marker {
      std::optional<Point> at;
      const char* name;
      std::string_view colours;
      Point figure;  // where the reader's rectangle for the figure starts
      const std::string* text;
    };
    const Marker markers[] = {
        {s_.mqzdMarker, "908", kMarkerColoursP, {117, 0}, &s_.mqzdPrice},
        {s_.qujianMarker, "915", kMarkerColoursP, {33, 0}, &s_.rangeLowPrice},
        {s_.zhiMarker, "909", kMarkerColoursQ, {13, 0}, &s_.rangeHighPrice},
        {s_.nowTimeMarker, "920", kMarkerColoursP, {61, 0}, nullptr},
    };
    for (const Marker& m : markers) {
      if (!m.at) continue;
      const Point at = onScreen(*m.at);
      p_.word(at, m.name, m.colours, {prices});
      if (m.text && !m.text->empty())
        p_.text(Plus(Plus(at, m.figure), kTextInset), *m.text, prices);
    }
  }

  void clock() {
    const FixedRow cells[3] = {
        first() ? FixedRow::clock_first_hours : FixedRow::clock_second_hours,
        first() ? FixedRow::clock_first_minutes : FixedRow::clock_second_minutes,
        first() ? FixedRow::clock_first_seconds : FixedRow::clock_second_seconds};
    const std::string_view text = s_.clock;
    size_t begin = 0;
    for (int i = 0; i < 3 && begin < text.size(); ++i) {
      const size_t end = std::min(text.find(':', begin), text.size());
      cell(cells[i], text.substr(begin, end - begin));
      begin = end + 1;
    }
  }

  void figures() {
    // Each cell's text starts kTextInset inside it; for the clock that also puts the digits of
    // either half inside the reads the default "920" marker leads to.
    clock();
    const std::string_view end = s_.endTime;
    const size_t colon = std::min(end.find(':'), end.size());
    cell(FixedRow::endtime_hours, end.substr(0, colon));
    if (colon < end.size()) cell(FixedRow::endtime_minutes, end.substr(colon + 1));
    cell(FixedRow::halfmark_rec, s_.halfMark);
    if (first()) {
      cell(FixedRow::nowprice1, s_.lowestPrice);
    } else if (!s_.lowestPrice.empty()) {
      const ElementRow row = t_.row(RectRow::net_rec_nowprice);
      p_.text(onScreen(Plus(TopLeft(row.rect), kTextInset)), s_.lowestPrice, row.colours);
    }
  }

  void inRow(RectRow r, Point offset, const char* name) {
    const ElementRow row = t_.row(r);
    p_.word(onScreen(Plus(TopLeft(row.rect), offset)), name, row.colours);
  }

  void buttons() {
    if (s_.bidButton) inRow(RectRow::net_rec_bidbutton, {30, 16}, "902");
    if (s_.bidStatus) inRow(RectRow::net_rec_bidstatus, {0, 1}, "903");
  }

  void panel(const ElementRect& r) { p_.fill(onScreen(TopLeft(r)), {r.w, r.h}, kPopupBackground); }

  void captchaBox() {
    const ElementRect signs = t_.rect(RectRow::net_rec_priceconfirmrec2);
    const ElementRect ok = t_.rect(RectRow::net_rec_find_priceconfirmbutton);
    const ElementRect cancel = t_.rect(RectRow::net_rec_find_pricecancelbutton);
    const int left = std::min({signs.x, ok.x, cancel.x}), top = std::min({signs.y, ok.y, cancel.y});
    const int right = std::max({signs.x + signs.w, ok.x + ok.w, cancel.x + cancel.w});
    const int bottom = std::max({signs.y + signs.h, ok.y + ok.h, cancel.y + cancel.h});
    panel({left, top, right - left, bottom - top});
    // The confirm word is searched in the colours of net_rec_priceconfirmbutton, whose buffer
    // net_rec_find_priceconfirmbutton shares.
    const Point okWord = Minus(TopLeft(t_.point(ClickPoint::priceconfirmbutton)), kButtonWordShift);
    p_.word(onScreen(okWord), "901", t_.colours(RectRow::net_rec_priceconfirmbutton));
    const Point cancelWord =
        Minus(TopLeft(t_.point(ClickPoint::pricecancelbutton)), kButtonWordShift);
    p_.word(onScreen(cancelWord), "911", t_.colours(RectRow::net_rec_find_pricecancelbutton));
  }

  void captchaSigns() {
    if (s_.captchaSign302) inRow(RectRow::net_rec_priceconfirmrec2, {10, 10}, "302");
    if (s_.captchaSign904) {
      const ElementRow row = t_.row(FixedRow::priceconfirm904_rec);
      p_.word(onScreen(Plus(TopLeft(row.rect), {40, 10})), "904", row.colours);
    }
    if (s_.captchaRefresh) inRow(RectRow::net_rec_priceshuabutton, {250, 10}, "303");
  }

  void infoWindow() {
    // Its OK word is searched in the colours of the captcha confirm row.
    const ElementRect r = t_.rect(RectRow::net_rec_errorinfo_confirmbutton);
    panel(r);
    p_.word(onScreen(Plus(TopLeft(r), kInfoWordAt)), "901",
            t_.colours(RectRow::net_rec_priceconfirmbutton));
  }

  void bidRecord() {
    if (s_.bidCount >= 1 && s_.bidCount <= 3) {
      const ElementRow row = s_.realMode ? t_.row(RectRow::net_rec_bidtimesrec)
                                         : t_.row(FixedRow::bidtimesrec_practice);
      const std::string word = "50" + std::to_string(s_.bidCount);
      p_.word(onScreen(Plus(TopLeft(row.rect), kBidCountWordAt)), word, row.colours);
    }
    using enum FixedRow;
    if (s_.realMode) {
      cell(first() ? readback_price_first : readback_price_second, s_.submittedPrice);
      cell(first() ? readback_time_first : readback_time_second, s_.submittedTime);
    } else {
      cell(first() ? readback_price_first_practice : readback_price_second_practice,
           s_.submittedPrice);
      cell(first() ? readback_time_first_practice : readback_time_second_practice,
           s_.submittedTime);
    }
  }

  const ElementTable& t_;
  const PageScene& s_;
  Painter& p_;
};

}  // namespace

PageRenderer::PageRenderer(const ElementTable& table) : table_(table), glyphs_(Glyphs()) {}

PageRenderer::PageRenderer(const ElementTable& table, const Dictionary& font)
    : table_(table), glyphs_(font.glyphs) {}

bool PageRenderer::render(const PageScene& scene, Image& image) const {
  Painter painter(image, glyphs_);
  SceneDrawing(table_, scene, painter).draw();
  return painter.ok();
}

Image PageGlyphSheet() {
  const std::vector<std::string>& words = PageGlyphSheetWords();
  Image sheet(64, 12 * int(words.size() + 1), 0xFFFFFF);
  Painter p(sheet);
  p.text({2, 2}, "0123456789:", "ff0000-000000");
  for (size_t i = 0; i < words.size(); ++i)
    p.word({2, 12 * int(i + 1) + 2}, words[i], "ff0000-000000");
  return sheet;
}

}  // namespace tavik
