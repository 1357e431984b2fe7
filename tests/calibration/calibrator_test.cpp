// Calibration on pixels: a page drawn in a font the dictionary in use does not know (the test
// glyphs in bold) is learned from one box around the anchor and a few seconds of its clock, and
// the page locator and readers then read it with the learned dictionary.

#include "calibration/calibrator.h"

#include <gmock/gmock.h>

#include <filesystem>

#include "page/page_fixture.h"

namespace tavik::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr int k112900 = 11 * 3600 + 29 * 60;  // 11:29:00

std::string ClockText(int second) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / 3600, second / 60 % 60, second % 60);
  return text;
}

class CalibratorTest : public PageFixture {
 protected:
  CalibratorTest() {
    scene = sceneAt({10, 10});
    scene.half = AuctionHalf::second;
    scene.endTime = "11:30";
    scene.lowestPrice = "89300";
    scene.halfMark = "4500";
    scene.bidButton = true;
    scene.bidCount = 1;
  }

 public:  // for the cases of a table
  // The page in bold at page second `second`, captured as the calibration sees it.
  CalibrationFrame frame(int second, int expected) {
    scene.clock = ClockText(second);
    show(scene);
    CalibrationFrame f;
    f.at = scene.browser;
    f.expectedSecond = expected;
    f.image = Image(scene.browserSize.width, scene.browserSize.height);
    const Image& fb = desktop.framebuffer();
    for (int y = 0; y < f.image.height; ++y)
      for (int x = 0; x < f.image.width; ++x) f.image.at(x, y) = fb.at(f.at.x + x, f.at.y + y);
    return f;
  }
  void show(const PageScene& s) {
    const Rect at{s.browser.x, s.browser.y, s.browser.x + s.browserSize.width,
                  s.browser.y + s.browserSize.height};
    desktop.moveWindow(auctionWnd, at);
    Image& fb = desktop.framebuffer();
    std::fill(fb.pixels.begin(), fb.pixels.end(), 0xFFFFFF);
    PageRenderer(ElementTable::Defaults(), BoldPageGlyphDictionary()).render(s, fb);
  }
  // A box the user drags around the anchor, a few pixels loose.
  Rect anchorBox() const {
    const ElementRect& r = ElementTable::Defaults().rect(RectRow::net_rec_dd201);
    return {scene.origin.x + r.x - 4, scene.origin.y + r.y - 3, scene.origin.x + r.x + 40,
            scene.origin.y + r.y + 12};
  }

 protected:
  // Calibration from the anchor box and `seconds` ticks of the clock, the page `lag` seconds
  // behind the network clock.
  Calibrator learned(int seconds, int lag = 0) {
    Calibrator c(ElementTable::Defaults(), pageTitle.get(), false, PageGlyphDictionary());
    EXPECT_FALSE(c.findAnchor(frame(k112900, k112900)));
    EXPECT_TRUE(c.anchorFromBox(frame(k112900, k112900), anchorBox()));
    for (int t = 0; t < seconds; ++t) c.addFrame(frame(k112900 + t - lag, k112900 + t));
    return c;
  }
  void use(const Dictionary& dict) {
    std::string error;
    ASSERT_TRUE(WriteDictionary(dict, dir.file("learned.dict"), DictionaryFormat::kCompact, error))
        << error;
    ASSERT_EQ(screen.LoadDictionary(0, dir.file("learned.dict")), 1);
  }

  PageScene scene;
};

TEST_F(CalibratorTest, LearnsTheDigitsFromTheClockAndThenReadsThePage) {
  // Before: the dictionary in use sees no page in this font.
  const ElementRect& anchor = ElementTable::Defaults().rect(RectRow::net_rec_dd201);
  const Point anchorAt{scene.origin.x + anchor.x, scene.origin.y + anchor.y};
  show(scene);
  locator.TrackPage();
  EXPECT_EQ(page.g_anchor201Pos.load(), Point{});
  page.m_auctionStage = 2;
  EXPECT_EQ(readers.ReadLowestPrice(), -1);

  // One tick is not enough: every digit has to show twice.
  Calibrator c(ElementTable::Defaults(), pageTitle.get(), false, PageGlyphDictionary());
  ASSERT_TRUE(c.anchorFromBox(frame(k112900, k112900), anchorBox()));
  EXPECT_EQ(c.origin(), scene.origin);
  c.addFrame(frame(k112900, k112900));
  ASSERT_EQ(c.missing().size(), 1u);
  EXPECT_THAT(c.missing()[0], HasSubstr("the digits 0123456789"));

  Calibrator done = learned(25, 1);
  EXPECT_TRUE(done.clockLearned());
  EXPECT_THAT(done.missing(), IsEmpty());
  use(done.dictionary());

  // After: the locator finds the origin, the readers the clock, end time and lowest price.
  scene.clock = "11:29:40";
  show(scene);
  locator.TrackPage();
  EXPECT_EQ(page.g_anchor201Pos.load(), anchorAt);
  EXPECT_EQ(page.g_pageOrigin.load(), scene.origin);
  EXPECT_EQ(locator.LocateBidCountMarker(), 1);
  clockState.m_auctionStartSec = 37800;
  clockState.m_auctionEndSec = 41400;
  int h = 0, m = 0, s = 0;
  std::string text;
  EXPECT_EQ(readers.ReadPageTime(h, m, s, text), 1);
  EXPECT_EQ(text, "11:29:40");
  EXPECT_EQ(readers.ReadEndTime(), 1);
  EXPECT_EQ(clockState.m_endTimeText.get(), "11:30:00");
  EXPECT_EQ(readers.ReadLowestPrice(), 1);
  EXPECT_EQ(page.m_lowestPrice, 89300);
}

TEST_F(CalibratorTest, LearnsTheOccasionalWordsWhenTheyAreOnScreen) {
  Calibrator c = learned(12);
  const auto learnedNames = [&] {
    std::vector<std::string> out;
    for (const WordNeed& w : c.words())
      if (w.learned) out.push_back(w.name + " " + w.what);
    return out;
  };
  EXPECT_THAT(learnedNames(), ElementsAre("902 the bid button", "501 the first bid's marker"));

  scene.captchaBox = scene.captchaSign302 = scene.captchaSign904 = true;
  c.addFrame(frame(k112900 + 12, k112900 + 12));
  scene.captchaBox = scene.captchaSign302 = scene.captchaSign904 = false;
  scene.bidCount = 2;
  c.addFrame(frame(k112900 + 13, k112900 + 13));
  c.addFrame(frame(k112900 + 14, k112900 + 14));
  scene.infoWindow = true;
  c.addFrame(frame(k112900 + 15, k112900 + 15));
  for (const WordNeed& w : c.words()) EXPECT_TRUE(w.learned) << w.name << " " << w.what;

  // The learned words are those the locator looks for.
  use(c.dictionary());
  scene.infoWindow = false;
  scene.captchaBox = true;
  show(scene);
  locator.TrackPage();
  EXPECT_EQ(locator.DetectCaptchaBox(), 1);
  EXPECT_EQ(locator.LocateCaptchaOk(), 1);
  const ElementPoint ok = ElementTable::Defaults().point(ClickPoint::priceconfirmbutton);
  EXPECT_EQ(page.m_captchaOkPos.load(), (Point{scene.origin.x + ok.x - kButtonWordShift.x,
                                               scene.origin.y + ok.y - kButtonWordShift.y}));
  EXPECT_EQ(locator.LocateBidCountMarker(), 2);
}

TEST_F(CalibratorTest, ACalibrationThatCannotFinishSaysWhatIsMissing) {
  struct Case {
    const char* what;
    std::function<void(CalibratorTest&, Calibrator&)> run;
    const char* missing;
  };
  const Case cases[] = {
      {"no anchor yet", [](CalibratorTest&, Calibrator&) {}, "the anchor"},
      {"a box with nothing in the anchor's colours",
       [](CalibratorTest& t, Calibrator& c) {
         EXPECT_FALSE(c.anchorFromBox(t.frame(k112900, k112900), {300, 300, 340, 320}));
         EXPECT_THAT(c.messages()[0], HasSubstr("anchor's colours"));
       },
       "the anchor"},
      {"the clock stands still",
       [](CalibratorTest& t, Calibrator& c) {
         ASSERT_TRUE(c.anchorFromBox(t.frame(k112900, k112900), t.anchorBox()));
         for (int i = 0; i < 8; ++i) c.addFrame(t.frame(k112900, k112900 + i));
       },
       "not moving"},
      {"the window covered where the clock is",
       [](CalibratorTest& t, Calibrator& c) {
         ASSERT_TRUE(c.anchorFromBox(t.frame(k112900, k112900), t.anchorBox()));
         CalibrationFrame f = t.frame(k112900 + 1, k112900 + 1);
         for (int y = 300; y < 500; ++y)
           for (int x = 0; x < 400; ++x) f.image.at(x, y) = 0x202020;
         c.addFrame(f);
       },
       "not where the anchor puts it"},
      {"a clock an hour off the network time",
       [](CalibratorTest& t, Calibrator& c) {
         ASSERT_TRUE(c.anchorFromBox(t.frame(k112900, k112900), t.anchorBox()));
         for (int i = 0; i < 3; ++i) c.addFrame(t.frame(k112900 + i, k112900 + 3600 + i));
       },
       "does not show the network time"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Calibrator c(ElementTable::Defaults(), pageTitle.get(), false, PageGlyphDictionary());
    k.run(*this, c);
    EXPECT_FALSE(c.clockLearned());
    ASSERT_FALSE(c.missing().empty());
    EXPECT_THAT(c.missing()[0], HasSubstr(k.missing));
  }
}

TEST_F(CalibratorTest, RefusesAPictureThatTwoNamesWouldShare) {
  // The bid button drawn with the picture of the first bid's marker.
  Dictionary font = BoldPageGlyphDictionary();
  const auto marker = font.indicesOf("501");
  const auto button = font.indicesOf("902");
  font.glyphs[size_t(button[0])] = Glyph("902", font.glyphs[size_t(marker[0])].bits());
  Calibrator fresh(ElementTable::Defaults(), pageTitle.get(), false, PageGlyphDictionary());
  ASSERT_TRUE(fresh.anchorFromBox(frame(k112900, k112900), anchorBox()));
  CalibrationFrame f = frame(k112900, k112900);
  Image& fb = desktop.framebuffer();
  PageRenderer(ElementTable::Defaults(), font).render(scene, fb);
  for (int y = 0; y < f.image.height; ++y)
    for (int x = 0; x < f.image.width; ++x) f.image.at(x, y) = fb.at(f.at.x + x, f.at.y + y);
  fresh.addFrame(f);
  fresh.addFrame(f);  // the marker is taken when two frames show it
  EXPECT_THAT(fresh.messages(), ElementsAre(HasSubstr("refused \"501\"")));
}

TEST_F(CalibratorTest, WritingKeepsThePreviousDictionaryAsBackup) {
  const std::string path = dir.file("sscai.dll");
  std::string error;
  ASSERT_TRUE(PageGlyphDictionary().save(path, error));
  const std::string before = TempDir::readFile(path);
  Calibrator c = learned(12);
  ASSERT_TRUE(WriteDictionary(c.dictionary(), path, DictionaryFormat::kRows, error)) << error;
  EXPECT_EQ(TempDir::readFile(path + ".bak"), before);
  Dictionary back;
  ASSERT_TRUE(Dictionary::Load(path, back, error)) << error;
  EXPECT_EQ(back.glyphs.size(), c.dictionary().glyphs.size());

  // A file that cannot be written leaves nothing half done.
  EXPECT_FALSE(WriteDictionary(c.dictionary(), dir.file("no/such/dir/x.dll"),
                               DictionaryFormat::kRows, error));
  EXPECT_EQ(TempDir::readFile(path + ".bak"), before);
}

}  // namespace
}  // namespace tavik::testing
