// The rendered auction page read back through the screen driver with the test dictionary: every
// word and figure is found where the element table and the trackers' searches say, in colours
// the rows take, wherever the page sits on the screen.

#include "testing/page_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <set>

#include "recognition/colour_spec.h"
#include "recognition/screen_driver.h"
#include "testing/fake_desktop.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

// The colours the readers pass themselves rather than take from a row.
constexpr std::string_view kRed = "ff0000-ff0000";
constexpr std::string_view kEndTime = "0.100.100-0.0.0|210.100.80-0.0.0|210.57.49-0.0.0";

Rect Area(Point origin, const ElementRect& r) {
  return {origin.x + r.x, origin.y + r.y, origin.x + r.x + r.w, origin.y + r.y + r.h};
}
Rect Span(Point at, int x1, int y1, int x2, int y2) {
  return {at.x + x1, at.y + y1, at.x + x2, at.y + y2};
}
bool StrictlyInside(Point p, const Rect& r) {
  return p.x > r.left && p.x < r.right && p.y > r.top && p.y < r.bottom;
}

class PageRendererTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(driver_.LoadDictionary(0, TAVIK_PAGE_GLYPHS), 1); }

  void render(const PageScene& scene, const PageRenderer& renderer = PageRenderer()) {
    ASSERT_TRUE(renderer.render(scene, desktop_.framebuffer()));
  }
  std::string words(const Rect& r, std::string_view colours) {
    return driver_.OcrWords(r.left, r.top, r.right, r.bottom, std::string(colours), 1.0);
  }
  std::string firstWord(const Rect& r, std::string_view colours) {
    return driver_.WordOfResult(words(r, colours), 0);
  }
  std::string text(const Rect& r, std::string_view colours) {
    return driver_.OcrText(r.left, r.top, r.right, r.bottom, std::string(colours), 1.0);
  }
  std::optional<Point> find(const Rect& r, const std::string& word, std::string_view colours) {
    int x = 0, y = 0;
    if (driver_.FindWord(r.left, r.top, r.right, r.bottom, word, std::string(colours), 1.0, x, y) !=
        0)
      return std::nullopt;
    return Point{x, y};
  }
  std::optional<Point> findAnchor(const Rect& r, const std::string& word,
                                  std::string_view colours) {
    int x = 0, y = 0;
    if (driver_.FindAnchorWord(r.left, r.top, r.right, r.bottom, word, std::string(colours), 1.0, x,
                               y) != 0)
      return std::nullopt;
    return Point{x, y};
  }

  const ElementTable& table_ = ElementTable::Defaults();
  VirtualClock clock_;
  FakeDesktop desktop_{clock_};
  ScreenDriver driver_{desktop_};
};

// Every colour spec the page is read with.
std::set<std::string> PageSpecs() {
  const ElementTable& t = ElementTable::Defaults();
  std::set<std::string> specs = {std::string(kRed), std::string(kEndTime),
                                 std::string(kMarkerColoursP), std::string(kMarkerColoursQ)};
  for (size_t i = 0; i < kRectRowCount; ++i) specs.insert(t.colours(RectRow(i)));
  for (size_t i = 0; i < kFixedRowCount; ++i) specs.insert(t.row(FixedRow(i)).colours);
  return specs;
}

TEST(PageColours, ColourMatchingGivesAColourTheSpecTakesAndTheAvoidedOnesDoNot) {
  for (const std::string& spec : PageSpecs()) {
    const std::optional<uint32_t> c = ColourMatching(spec);
    ASSERT_TRUE(c) << spec;
    EXPECT_TRUE(ColourSpec::Parse(spec).matches(*c)) << spec;
    EXPECT_FALSE(ColourSpec::Parse(spec).matches(kPageBackground)) << spec;
    EXPECT_FALSE(ColourSpec::Parse(spec).matches(kPopupBackground)) << spec;
  }
  // "909" is drawn next to a figure read in the price colours, which share its red.
  const std::string prices = ElementTable::Defaults().colours(RectRow::net_rec_nowprice);
  const std::optional<uint32_t> marker = ColourMatching(kMarkerColoursQ, {prices});
  ASSERT_TRUE(marker);
  EXPECT_TRUE(ColourSpec::Parse(kMarkerColoursQ).matches(*marker));
  EXPECT_FALSE(ColourSpec::Parse(prices).matches(*marker));

  EXPECT_FALSE(ColourMatching("0.100.100-0.0.0", {"0.100.100-0.0.0"}));
  EXPECT_FALSE(ColourMatching("0.100.100-0.0.0|"));
  EXPECT_FALSE(ColourMatching(""));
}

TEST_F(PageRendererTest, DictionaryFileHoldsExactlyTheGlyphsTheRendererDraws) {
  Dictionary file;
  std::string error;
  ASSERT_TRUE(Dictionary::Load(TAVIK_PAGE_GLYPHS, file, error)) << error;
  auto pictures = [](const Dictionary& d) {
    std::set<std::string> out;
    for (const Glyph& g : d.glyphs) {
      Dictionary one;
      one.glyphs.push_back(g);
      out.insert(one.serialize());
    }
    return out;
  };
  EXPECT_EQ(pictures(file), pictures(PageGlyphDictionary()));
  EXPECT_EQ(file.glyphs.size(), PageGlyphDictionary().glyphs.size());
}

// Each glyph alone reads as itself and holds no other word; two digits one pixel apart stay
// two digits of one word for every pair (the clock cells hold such pairs).
TEST_F(PageRendererTest, GlyphsReadAsThemselvesAndDigitPairsStayApart) {
  const Dictionary d = PageGlyphDictionary();
  Image& fb = desktop_.framebuffer();
  for (const Glyph& g : d.glyphs) {
    std::fill(fb.pixels.begin(), fb.pixels.end(), kPageBackground);
    for (int y = 0; y < g.height(); ++y)
      for (int x = 0; x < g.width(); ++x)
        if (g.bits().get(x, y)) fb.at(20 + x, 20 + y) = 0xFF0000;
    const Rect around{10, 10, 60, 40};
    EXPECT_EQ(words(around, kRed), g.name());
    for (const Glyph& other : d.glyphs) {
      if (other.name() != g.name() && other.name().size() > 1) {
        EXPECT_FALSE(find(around, other.name(), kRed)) << other.name() << " in " << g.name();
      }
    }
  }
  const Rect hours = Area({35, 72}, table_.row(FixedRow::clock_second_hours).rect);
  for (int n = 0; n < 100; ++n) {
    const std::string pair = {char('0' + n / 10), char('0' + n % 10)};
    PageScene scene;
    scene.half = AuctionHalf::second;
    scene.clock = pair + ":00:00";
    render(scene);
    EXPECT_EQ(words(hours, kRed), pair);
  }
}

struct SceneCase {
  const char* name;
  Point browser;
  Point origin;
  AuctionHalf half;
  bool realMode;
  bool movedMarkers;
};
void PrintTo(const SceneCase& c, std::ostream* os) {
  *os << c.name;
}

class PageSceneTest : public PageRendererTest, public testing::WithParamInterface<SceneCase> {
 protected:
  // Everything the page shows outside its pop-ups.
  PageScene pageScene() const {
    const SceneCase& c = GetParam();
    PageScene s;
    s.browser = c.browser;
    s.origin = c.origin;
    s.half = c.half;
    s.realMode = c.realMode;
    if (c.movedMarkers) {
      s.mqzdMarker = Point{30, 310};
      s.qujianMarker = Point{200, 300};
      s.zhiMarker = Point{250, 500};
    }
    s.clock = "10:25:07";
    s.endTime = "11:30";
    s.lowestPrice = "89300";
    s.rangeLowPrice = "89000";
    s.mqzdPrice = "89300";
    s.rangeHighPrice = "89600";
    s.halfMark = "4500";
    s.bidButton = s.bidStatus = true;
    s.bidCount = c.realMode ? 2 : 1;
    s.submittedPrice = "89400";
    s.submittedTime = "11:29:45";
    return s;
  }

  std::string rowWords(const PageScene& s, RectRow r) {
    return words(Area(s.origin, table_.rect(r)), table_.colours(r));
  }
  std::optional<Point> captchaOkWord(const PageScene& s) {
    return find(Area(s.origin, table_.rect(RectRow::net_rec_find_priceconfirmbutton)), "901",
                table_.colours(RectRow::net_rec_priceconfirmbutton));
  }
  std::optional<Point> infoOkWord(const PageScene& s) {
    return find(Area(s.origin, table_.rect(RectRow::net_rec_errorinfo_confirmbutton)), "901",
                table_.colours(RectRow::net_rec_priceconfirmbutton));
  }

  // The four position markers, each in its tracker's search area; returns where each was
  // found (908, 915, 909, 920).
  std::array<Point, 4> expectMarkers(const PageScene& s) {
    const Point o = s.origin;
    struct Search {
      const char* word;
      Rect area;
      std::string_view colours;
      Point want;
    };
    const Search searches[] = {
        {"908", Span(o, 0, 0, 130, 460), kMarkerColoursP, *s.mqzdMarker},
        {"915", Span(o, 0, 200, 400, 460), kMarkerColoursP, *s.qujianMarker},
        {"909", Span(o, 0, 350, 400, 550), kMarkerColoursQ, *s.zhiMarker},
        {"920", Span(o, 0, 250, 400, 550), kMarkerColoursP, *s.nowTimeMarker},
    };
    std::array<Point, 4> found{};
    for (size_t i = 0; i < 4; ++i) {
      const Search& m = searches[i];
      const std::optional<Point> at = find(m.area, m.word, m.colours);
      EXPECT_EQ(at, (Point{o.x + m.want.x, o.y + m.want.y})) << m.word;
      found[i] = at.value_or(Point{-1000, -1000});
    }
    return found;
  }

  // The clock through the stage's cells and through the reads measured from "920".
  void expectClock(const PageScene& s, Point nowTime) {
    const bool first = s.half == AuctionHalf::first;
    const FixedRow cells[3] = {
        first ? FixedRow::clock_first_hours : FixedRow::clock_second_hours,
        first ? FixedRow::clock_first_minutes : FixedRow::clock_second_minutes,
        first ? FixedRow::clock_first_seconds : FixedRow::clock_second_seconds};
    const char* want[3] = {"10", "25", "07"};
    const int fromMarker[3] = {61, 85, 109};
    for (int i = 0; i < 3; ++i) {
      const ElementRect cell = table_.row(cells[i]).rect;
      EXPECT_EQ(firstWord(Area(s.origin, cell), kRed), want[i]) << "cell " << i;
      const Rect beside = Span(nowTime, fromMarker[i], 0, fromMarker[i] + cell.w, cell.h);
      EXPECT_EQ(firstWord(beside, kRed), want[i]) << "beside 920, " << i;
    }
    EXPECT_EQ(firstWord(Area(s.origin, table_.row(FixedRow::endtime_hours).rect), kEndTime), "11");
    EXPECT_EQ(firstWord(Area(s.origin, table_.row(FixedRow::endtime_minutes).rect), kEndTime),
              "30");
  }

  // The lowest price in the half's cell, the figures beside the markers by every read method,
  // and the half mark.
  void expectPrices(const PageScene& s, const std::array<Point, 4>& m) {
    const ElementRow now = table_.row(RectRow::net_rec_nowprice);
    const std::string& n = now.colours;
    const int w = now.rect.w, h = now.rect.h;
    if (s.half == AuctionHalf::first)
      EXPECT_EQ(firstWord(Area(s.origin, table_.row(FixedRow::nowprice1).rect), kRed), "89300");
    else
      EXPECT_EQ(firstWord(Area(s.origin, now.rect), n), "89300");
    const Point mqzd = m[0], qujian = m[1], zhi = m[2];
    EXPECT_EQ(firstWord(Span(qujian, 33, 0, 33 + w, h), n), "89000");
    EXPECT_EQ(text(Span(qujian, 33, 0, 38 + w, h), n), "89000");
    EXPECT_EQ(firstWord(Span(mqzd, 117, 0, 117 + w, h), n), "89300");
    EXPECT_EQ(firstWord(Span(zhi, 13, 0, 18 + w, h), n), "89600");
    EXPECT_EQ(text(Span(zhi, 13, 0, 18 + w, h), n), "89600");
    EXPECT_EQ(firstWord(Area(s.origin, table_.row(FixedRow::halfmark_rec).rect), kRed), "4500");
  }

  // The captcha box by each of its signs, its buttons inside their rows and before the click
  // points; not taken for the information window.
  void expectCaptchaBox(const PageScene& s) {
    const Point o = s.origin;
    EXPECT_EQ(rowWords(s, RectRow::net_rec_priceconfirmbutton), "901");
    const auto ok = captchaOkWord(s);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(StrictlyInside(*ok, Area(o, table_.rect(RectRow::net_rec_priceconfirmbutton))));
    const ElementPoint okPoint = table_.point(ClickPoint::priceconfirmbutton);
    EXPECT_EQ((Point{ok->x + 50, ok->y + 5}), (Point{o.x + okPoint.x, o.y + okPoint.y}));
    const ElementRow cancelRow = table_.row(RectRow::net_rec_find_pricecancelbutton);
    const auto cancel = find(Area(o, cancelRow.rect), "911", cancelRow.colours);
    ASSERT_TRUE(cancel);
    const ElementPoint cancelPoint = table_.point(ClickPoint::pricecancelbutton);
    EXPECT_EQ((Point{cancel->x + 50, cancel->y + 5}),
              (Point{o.x + cancelPoint.x, o.y + cancelPoint.y}));

    const ElementRow sign302 = table_.row(RectRow::net_rec_priceconfirmrec2);
    EXPECT_TRUE(find(Area(o, sign302.rect), "302", sign302.colours));
    const ElementRow sign904 = table_.row(FixedRow::priceconfirm904_rec);
    EXPECT_TRUE(find(Area(o, sign904.rect), "904", sign904.colours));
    const ElementRow refresh = table_.row(RectRow::net_rec_priceshuabutton);
    EXPECT_TRUE(find(Area(o, refresh.rect), "303", refresh.colours));

    EXPECT_EQ(rowWords(s, RectRow::net_rec_errorinfo_confirmbutton).find("901"), std::string::npos);
  }

  // The information window with its OK word inside its row; not taken for the captcha box.
  void expectInfoWindow(const PageScene& s) {
    EXPECT_EQ(rowWords(s, RectRow::net_rec_errorinfo_confirmbutton), "901");
    const auto word = infoOkWord(s);
    ASSERT_TRUE(word);
    EXPECT_TRUE(
        StrictlyInside({word->x + 50, word->y + 4},
                       Area(s.origin, table_.rect(RectRow::net_rec_errorinfo_confirmbutton))));
    EXPECT_EQ(rowWords(s, RectRow::net_rec_priceconfirmbutton), "");
    EXPECT_FALSE(captchaOkWord(s));
  }

  // The bid-count marker by its search and by the outcome reader's whole-text read, and the
  // read-back cells, also where the reader looks from the marker.
  void expectBidRecord(const PageScene& s) {
    const bool first = s.half == AuctionHalf::first;
    const ElementRow row = s.realMode ? table_.row(RectRow::net_rec_bidtimesrec)
                                      : table_.row(FixedRow::bidtimesrec_practice);
    const std::string marker = s.realMode ? "502" : "501";
    const Point b{s.origin.x + row.rect.x, s.origin.y + row.rect.y};
    const auto ndd = findAnchor(Span(b, -100, -100, 100, 100), marker, row.colours);
    ASSERT_TRUE(ndd);
    EXPECT_EQ(words(Area(s.origin, row.rect), row.colours), marker);
    using enum FixedRow;
    const ElementRow price = table_.row(
        s.realMode ? (first ? readback_price_first : readback_price_second)
                   : (first ? readback_price_first_practice : readback_price_second_practice));
    const ElementRow time = table_.row(
        s.realMode ? (first ? readback_time_first : readback_time_second)
                   : (first ? readback_time_first_practice : readback_time_second_practice));
    EXPECT_EQ(firstWord(Area(s.origin, price.rect), price.colours), "89400");
    EXPECT_EQ(firstWord(Span(*ndd, 62, 17, 62 + price.rect.w, 17 + price.rect.h), price.colours),
              "89400");
    EXPECT_EQ(words(Area(s.origin, time.rect), time.colours), "11:29:45");
  }
};

TEST_P(PageSceneTest, EveryElementIsFoundWhereTheTableAndTheSearchesSay) {
  PageScene s = pageScene();
  render(s);
  // Anchors: in the browser-relative search areas, at the origin plus their rows' offsets.
  const ElementRow dd201 = table_.row(RectRow::net_rec_dd201);
  const ElementRow ddjj = table_.row(RectRow::net_rec_ddjj);
  EXPECT_EQ(findAnchor(Span(s.browser, 30, 200, 130, 500), "dd_201", dd201.colours),
            (Point{s.origin.x + dd201.rect.x, s.origin.y + dd201.rect.y}));
  EXPECT_EQ(findAnchor(Span(s.browser, 0, 0, 200, 500), "dd_jj", ddjj.colours),
            (Point{s.origin.x + ddjj.rect.x, s.origin.y + ddjj.rect.y + (s.realMode ? 4 : 0)}));

  const std::array<Point, 4> markers = expectMarkers(s);
  expectClock(s, markers[3]);
  expectPrices(s, markers);
  EXPECT_EQ(rowWords(s, RectRow::net_rec_bidbutton), "902");
  EXPECT_EQ(rowWords(s, RectRow::net_rec_bidstatus), "903");
  expectBidRecord(s);
  EXPECT_EQ(rowWords(s, RectRow::net_rec_priceconfirmbutton), "");
  EXPECT_EQ(rowWords(s, RectRow::net_rec_errorinfo_confirmbutton), "");

  s.captchaBox = s.captchaSign302 = s.captchaSign904 = s.captchaRefresh = true;
  render(s);
  expectCaptchaBox(s);

  s.captchaBox = s.captchaSign302 = s.captchaSign904 = s.captchaRefresh = false;
  s.infoWindow = true;
  render(s);
  expectInfoWindow(s);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageSceneTest,
    testing::Values(
        SceneCase{"FirstHalfPractice", {10, 10}, {35, 72}, AuctionHalf::first, false, false},
        SceneCase{"SecondHalfReal", {10, 10}, {35, 72}, AuctionHalf::second, true, false},
        SceneCase{"WindowMoved", {300, 120}, {325, 182}, AuctionHalf::second, false, false},
        SceneCase{"OriginShiftedInWindow", {10, 10}, {42, 80}, AuctionHalf::first, true, false},
        SceneCase{"MarkersMoved", {150, 40}, {175, 102}, AuctionHalf::second, false, true}),
    [](const testing::TestParamInfo<SceneCase>& info) { return std::string(info.param.name); });

// A page drawn over a full one shows only what it holds: the background leaves nothing for any
// read, and hidden elements are gone.
TEST_F(PageRendererTest, BarePageDrawnOverAFullOneLeavesNothingToRead) {
  PageScene full;
  full.clock = "10:25:07";
  full.endTime = "11:30";
  full.halfMark = "4500";
  full.lowestPrice = full.rangeLowPrice = full.mqzdPrice = full.rangeHighPrice = "89300";
  full.bidButton = full.bidStatus = full.captchaBox = full.infoWindow = true;
  full.captchaSign302 = full.captchaSign904 = full.captchaRefresh = true;
  full.bidCount = 1;
  full.submittedPrice = "89400";
  full.submittedTime = "11:29:45";
  render(full);
  PageScene bare;
  bare.showDd201 = bare.showDdjj = false;
  bare.mqzdMarker = bare.qujianMarker = bare.zhiMarker = bare.nowTimeMarker = std::nullopt;
  render(bare);

  const Rect page{bare.browser.x, bare.browser.y, bare.browser.x + bare.browserSize.width,
                  bare.browser.y + bare.browserSize.height};
  for (const std::string& spec : PageSpecs()) {
    EXPECT_EQ(words(page, spec), "") << spec;
    for (const std::string& w : PageGlyphSheetWords()) EXPECT_FALSE(find(page, w, spec)) << w;
  }
}

TEST_F(PageRendererTest, FollowsAnUpdatedTable) {
  ElementTable updated = ElementTable::Defaults();
  updated.setRect(RectRow::net_rec_bidbutton, {700, 560, 94, 42});
  ASSERT_TRUE(updated.setColours(RectRow::net_rec_nowprice, "240.100.100-0.0.0"));
  PageScene s;
  s.half = AuctionHalf::second;
  s.lowestPrice = "91200";
  s.bidButton = true;
  render(s, PageRenderer(updated));
  EXPECT_EQ(words(Area(s.origin, {700, 560, 94, 42}), updated.colours(RectRow::net_rec_bidbutton)),
            "902");
  const ElementRect price = updated.rect(RectRow::net_rec_nowprice);
  EXPECT_EQ(words(Area(s.origin, price), "240.100.100-0.0.0"), "91200");
  EXPECT_EQ(words(Area(s.origin, price), "0.100.100-0.0.0"), "");
}

// What cannot be drawn whole is reported, and the rest is drawn all the same.
TEST_F(PageRendererTest, ReportsWhatItCannotDraw) {
  PageScene offScreen;
  offScreen.bidButton = true;
  offScreen.browser = {700, 10};
  offScreen.origin = {725, 72};  // the bid button would lie past the screen's right edge
  EXPECT_FALSE(PageRenderer().render(offScreen, desktop_.framebuffer()));
  EXPECT_TRUE(findAnchor(Span(offScreen.browser, 30, 200, 130, 500), "dd_201",
                         table_.colours(RectRow::net_rec_dd201)));

  PageScene badText;
  badText.clock = "1a:25:07";
  EXPECT_FALSE(PageRenderer().render(badText, desktop_.framebuffer()));
  EXPECT_EQ(firstWord(Area(badText.origin, table_.row(FixedRow::clock_first_minutes).rect), kRed),
            "25");
}

}  // namespace
}  // namespace tavik
