#include "recognition/screen_driver.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "recognition/bmp.h"
#include "recognition/glyph_font.h"
#include "testing/fake_desktop.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGrey = 0x808080;
const std::string kRedSpec = "0.100.100-0.0.0";
const std::string kRedOrBlue = "0.100.100-0.0.0|240.100.100-0.0.0";

// A page on a 200x100 fake screen read through a dictionary file of the 3x5 test font plus
// "901", a word drawn as one picture (the shape of "57").
class ScreenDriverTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) /
           ("recog-" + std::to_string(getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    dict_ = test::DigitDictionary();
    dict_.glyphs.push_back(
        test::MakeGlyph("901", {"###.###", "#.....#", "###...#", "..#...#", "###...#"}));
    writeDictionary("sscai.dll", dict_);
    driver_.setLogSink([this](const std::string& line) { logged_.push_back(line); });
    driver_.SetResourcePath(dir_.string());
    ASSERT_EQ(driver_.LoadDictionary(0, "sscai.dll"), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void writeDictionary(const std::string& name, const Dictionary& d) {
    std::string error;
    ASSERT_TRUE(d.save((dir_ / name).string(), error)) << error;
  }
  void writeFile(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  int draw(int x, int y, const std::string& text, uint32_t colour = kRed) {
    return test::DrawText(desktop_.framebuffer(), x, y, text, colour, dict_);
  }
  std::string ocr(int x1, int y1, int x2, int y2, const std::string& spec = kRedSpec) {
    return driver_.OcrText(x1, y1, x2, y2, spec, 1.0);
  }

  fs::path dir_;
  VirtualClock clock_;
  FakeDesktop desktop_{clock_, Size{200, 100}};
  ScreenDriver driver_{desktop_};
  Dictionary dict_;
  std::vector<std::string> logged_;
};

TEST_F(ScreenDriverTest, FindWordGivesTopLeftOfFirstMatchInRowMajorOrder) {
  draw(150, 20, "7");
  draw(30, 21, "7");  // lower row, further left: second in row-major order
  draw(10, 60, "7", kBlue);
  int x = 0, y = 0;
  EXPECT_EQ(driver_.FindWord(0, 0, 200, 100, "7", kRedSpec, 1.0, x, y), 0);
  EXPECT_EQ((Point{x, y}), (Point{150, 20}));
  EXPECT_EQ(driver_.FindAnchorWord(0, 0, 200, 100, "7", kRedSpec, 1.0, x, y), 0);
  EXPECT_EQ((Point{x, y}), (Point{150, 20}));
  // The search area decides which one is first; the blue one needs a spec that takes blue.
  EXPECT_EQ(driver_.FindWord(0, 0, 100, 100, "7", kRedSpec, 1.0, x, y), 0);
  EXPECT_EQ((Point{x, y}), (Point{30, 21}));
  EXPECT_EQ(driver_.FindWord(0, 40, 200, 100, "7", kRedSpec, 1.0, x, y), -1);
  EXPECT_EQ((Point{x, y}), (Point{-1, -1}));
  EXPECT_EQ(driver_.FindWord(0, 40, 200, 100, "7", kRedOrBlue, 1.0, x, y), 0);
  EXPECT_EQ((Point{x, y}), (Point{10, 60}));
  // A list of words gives the index of the word found first.
  draw(5, 5, "3");
  EXPECT_EQ(driver_.FindWord(0, 0, 200, 100, "7|3", kRedSpec, 1.0, x, y), 1);
  EXPECT_EQ((Point{x, y}), (Point{5, 5}));
}

// With the cache on, every read still follows the screen and the dictionary in use: a changed
// page, a dictionary swap and more places than the cache holds.
TEST_F(ScreenDriverTest, MaskCacheReadsWhatTheScreenShowsNow) {
  driver_.setMaskCache(2);
  draw(10, 10, "42");
  draw(100, 10, "7");
  int x, y;
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(ocr(0, 0, 60, 30), "42");
    EXPECT_EQ(driver_.FindWord(0, 0, 60, 30, "2", kRedSpec, 1.0, x, y), 0);
    EXPECT_EQ(ocr(90, 0, 150, 30), "7");
    EXPECT_EQ(ocr(0, 50, 60, 90), "");  // a third place pushes the first one out
  }
  draw(30, 10, "5");
  EXPECT_EQ(ocr(0, 0, 60, 30), "425");
  draw(30, 10, "5", kGrey);  // greyed out: no longer read
  EXPECT_EQ(ocr(0, 0, 60, 30), "42");
  Dictionary sevens;
  sevens.glyphs.push_back(dict_.glyphs[size_t(dict_.indicesOf("7").front())]);
  writeDictionary("sevens.dll", sevens);
  ASSERT_EQ(driver_.LoadDictionary(1, "sevens.dll"), 1);
  ASSERT_EQ(driver_.UseDictionary(1), 1);
  EXPECT_EQ(ocr(0, 0, 60, 30), "");
  EXPECT_EQ(ocr(90, 0, 150, 30), "7");
}

TEST_F(ScreenDriverTest, FindWordNeedsTheExactPictureInItsBox) {
  draw(20, 20, "8");  // "0" with its middle bar on: not a "0"
  desktop_.framebuffer().at(41, 21) = kRed;
  draw(40, 20, "0");         // a stray pixel inside its box: not a "0" either
  draw(60, 20, "0", kGrey);  // right shape, other colour
  int x, y;
  EXPECT_EQ(driver_.FindWord(0, 0, 200, 100, "0", kRedSpec, 1.0, x, y), -1);
  draw(80, 20, "0");
  EXPECT_EQ(driver_.FindWord(0, 0, 200, 100, "0", kRedSpec, 1.0, x, y), 0);
  EXPECT_EQ((Point{x, y}), (Point{80, 20}));
  // A word cut by the search area is not there.
  EXPECT_EQ(driver_.FindWord(0, 0, 82, 100, "0", kRedSpec, 1.0, x, y), -1);
  EXPECT_EQ(driver_.FindWord(0, 0, 83, 100, "0", kRedSpec, 1.0, x, y), 0);
}

TEST_F(ScreenDriverTest, RectanglesAreClippedAndEmptyOnesFindNothing) {
  draw(0, 0, "42");
  draw(193, 95, "42");  // the last pixel column and row of the screen
  int x, y;
  EXPECT_EQ(driver_.FindWord(-50, -50, 10, 10, "4", kRedSpec, 1.0, x, y), 0);
  EXPECT_EQ((Point{x, y}), (Point{0, 0}));
  EXPECT_EQ(driver_.FindWord(150, 50, 5000, 5000, "2", kRedSpec, 1.0, x, y), 0);
  EXPECT_EQ((Point{x, y}), (Point{197, 95}));
  EXPECT_EQ(ocr(190, 90, 400, 300), "42");
  const struct {
    int x1, y1, x2, y2;
  } nothing[] = {{10, 10, 10, 50},
                 {10, 10, 50, 10},
                 {50, 50, 10, 10},
                 {200, 0, 300, 100},
                 {0, 100, 200, 200},
                 {-100, -100, 0, 0},
                 {INT32_MIN, INT32_MIN, INT32_MAX, -1}};
  for (const auto& r : nothing) {
    EXPECT_EQ(driver_.FindWord(r.x1, r.y1, r.x2, r.y2, "4", kRedSpec, 1.0, x, y), -1);
    EXPECT_EQ(ocr(r.x1, r.y1, r.x2, r.y2), "");
    EXPECT_EQ(driver_.OcrWords(r.x1, r.y1, r.x2, r.y2, kRedSpec, 1.0), "");
  }
  EXPECT_EQ(ocr(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), "42\n42");
}

TEST_F(ScreenDriverTest, MalformedColoursOrUnknownWordsFindNothing) {
  draw(10, 10, "88300");
  int x, y;
  for (const std::string spec : {"", "0.100.100", "0.100.100-0.0.0|", "red"}) {
    EXPECT_EQ(driver_.FindWord(0, 0, 200, 100, "8", spec, 1.0, x, y), -1) << spec;
    EXPECT_EQ(ocr(0, 0, 200, 100, spec), "") << spec;
  }
  for (const std::string word : {"", "x", "88", "|"})
    EXPECT_NE(driver_.FindWord(0, 0, 200, 100, word, kRedSpec, 1.0, x, y), 0) << word;
}

TEST_F(ScreenDriverTest, OcrTextReadsLinesLeftToRight) {
  // A 48x14 price cell with a price in it and a second line below another cell.
  draw(152, 40, "88300");
  draw(10, 10, "10:25:00");
  draw(10, 18, "2.5");
  EXPECT_EQ(ocr(152, 39, 200, 53), "88300");
  EXPECT_EQ(ocr(0, 0, 100, 30), "10:25:00\n2.5");
  // Small marks belong to the line they sit in even when drawn at a lower pixel row.
  draw(100, 70, "1.2:3");
  EXPECT_EQ(ocr(90, 60, 140, 80), "1.2:3");
  EXPECT_EQ(ocr(0, 0, 200, 100), "10:25:00\n2.5\n88300\n1.2:3");
}

TEST_F(ScreenDriverTest, AWordDrawnAsOnePictureWinsOverTheCharactersInIt) {
  draw(20, 20, "57");  // the same pixels as the word "901"
  draw(60, 20, "3");
  EXPECT_EQ(ocr(0, 0, 200, 100), "9013");
  EXPECT_EQ(driver_.OcrWords(0, 0, 200, 100, kRedSpec, 1.0), "901|3");
  int x, y;
  EXPECT_EQ(driver_.FindWord(0, 0, 200, 100, "5", kRedSpec, 1.0, x, y), 0);
  EXPECT_EQ((Point{x, y}), (Point{20, 20})) << "a search still finds the character itself";
}

TEST_F(ScreenDriverTest, OcrWordsSplitsAtGapsAndWordOfResultPicksOne) {
  draw(10, 10, "10 25");
  draw(10, 30, "88300");
  const std::string words = driver_.OcrWords(0, 0, 100, 50, kRedSpec, 1.0);
  EXPECT_EQ(words, "10|25|88300");
  EXPECT_EQ(driver_.WordOfResult(words, 0), "10");
  EXPECT_EQ(driver_.WordOfResult(words, 2), "88300");
  EXPECT_EQ(driver_.WordOfResult(words, 3), "");
  EXPECT_EQ(driver_.WordOfResult(words, -1), "");
  EXPECT_EQ(driver_.WordOfResult("", 0), "");
  EXPECT_EQ(driver_.OcrWords(100, 60, 200, 100, kRedSpec, 1.0), "") << "nothing recognised";

  // A dictionary can set the gap that separates words.
  dict_.wordGap = 6;
  writeDictionary("wide.dict", dict_);
  ASSERT_EQ(driver_.LoadDictionary(1, "wide.dict"), 1);
  ASSERT_EQ(driver_.UseDictionary(1), 1);
  EXPECT_EQ(driver_.OcrWords(0, 0, 100, 50, kRedSpec, 1.0), "1025|88300");
}

// A gap of at least the dictionary's word gap starts a new word; a narrower one does not. The
// glyphs "2" and "3" are 3 pixels wide, so the second is drawn gap + 3 pixels after the first.
TEST_F(ScreenDriverTest, AGapAsWideAsTheWordGapSplitsWords) {
  dict_.wordGap = 4;
  writeDictionary("gap4.dict", dict_);
  ASSERT_EQ(driver_.LoadDictionary(1, "gap4.dict"), 1);
  ASSERT_EQ(driver_.UseDictionary(1), 1);
  const struct {
    int gap;
    const char* words;
  } cases[] = {{3, "23"}, {4, "2|3"}, {5, "2|3"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gap);
    desktop_.framebuffer().pixels.assign(desktop_.framebuffer().pixels.size(), 0);
    draw(10, 10, "2");
    draw(10 + 3 + c.gap, 10, "3");
    EXPECT_EQ(driver_.OcrWords(0, 0, 100, 50, kRedSpec, 1.0), c.words);
  }
}

TEST_F(ScreenDriverTest, DamagedDictionaryIsRefusedAndThePreviousStaysInUse) {
  draw(10, 10, "42");
  const std::string good = dict_.serialize();
  writeFile("truncated.dll", good.substr(0, good.size() / 2));
  writeFile("garbage.dll",
            "\x7f"
            "ELF\x02\x01\x01");
  const std::string bad[] = {"truncated.dll", "garbage.dll", "missing.dll"};
  for (const std::string& name : bad) {
    logged_.clear();
    EXPECT_EQ(driver_.LoadDictionary(0, name), 0) << name;
    ASSERT_EQ(logged_.size(), 1u) << name;
    EXPECT_NE(logged_[0].find(name), std::string::npos) << logged_[0];
    EXPECT_EQ(ocr(0, 0, 50, 50), "42") << "slot 0 still holds the good dictionary";
  }
  // An empty slot cannot be put in use; another index is no slot.
  EXPECT_EQ(driver_.LoadDictionary(1, "truncated.dll"), 0);
  EXPECT_EQ(driver_.UseDictionary(1), 0);
  EXPECT_EQ(driver_.LoadDictionary(2, "sscai.dll"), 0);
  EXPECT_EQ(driver_.UseDictionary(-1), 0);
  EXPECT_EQ(ocr(0, 0, 50, 50), "42");
}

TEST_F(ScreenDriverTest, SlotsSwitchAndFilesResolveAgainstTheResourcePath) {
  draw(10, 10, "42");
  Dictionary fours;
  fours.glyphs.push_back(dict_.glyphs[4]);
  fs::create_directories(dir_ / "dl");
  writeDictionary("dl/sscai_2.dll", fours);
  ASSERT_EQ(driver_.LoadDictionary(1, "dl/sscai_2.dll"), 1);
  EXPECT_EQ(ocr(0, 0, 50, 50), "42") << "loading does not switch";
  ASSERT_EQ(driver_.UseDictionary(1), 1);
  EXPECT_EQ(ocr(0, 0, 50, 50), "4");
  ASSERT_EQ(driver_.UseDictionary(0), 1);
  EXPECT_EQ(ocr(0, 0, 50, 50), "42");
  // An absolute path is used as it stands.
  driver_.SetResourcePath("/nonexistent");
  EXPECT_EQ(driver_.LoadDictionary(1, (dir_ / "sscai.dll").string()), 1);
}

TEST_F(ScreenDriverTest, CaptureToFileWritesTheClippedRectangleAsBmp) {
  desktop_.framebuffer().at(195, 97) = 0x123456;
  desktop_.framebuffer().at(199, 99) = 0xABCDEF;
  const std::string path = (dir_ / "shot.bmp").string();
  ASSERT_EQ(driver_.CaptureToFile(195, 97, 300, 300, path, 50), 1);
  Image back;
  std::string error;
  ASSERT_TRUE(ReadBmp(path, back, error)) << error;
  ASSERT_EQ(back.width, 5);
  ASSERT_EQ(back.height, 3);
  EXPECT_EQ(back.at(0, 0), 0x123456u);
  EXPECT_EQ(back.at(4, 2), 0xABCDEFu);
  EXPECT_EQ(back.at(1, 1), 0xFFFFFFu);
  EXPECT_EQ(fs::file_size(path), 14u + 40u + 3u * 16u) << "24-bit rows padded to 4 bytes";

  EXPECT_EQ(driver_.CaptureToFile(300, 300, 400, 400, (dir_ / "none.bmp").string(), 50), 0);
  EXPECT_FALSE(fs::exists(dir_ / "none.bmp"));
  EXPECT_EQ(driver_.CaptureToFile(0, 0, 10, 10, (dir_ / "no/such/dir.bmp").string(), 50), 0);
  EXPECT_FALSE(logged_.empty());
}

// A backend whose capture does not give the size asked for: the driver must not trust it.
class ShortCaptureDesktop final : public Desktop {
 public:
  int shrink = 0;            // pixels missing in width
  bool shortPixels = false;  // right size claimed, too few pixels delivered
  bool captureScreen(const Rect& r, Image& out) override {
    out = Image(std::max(r.width() - shrink, 0), r.height(), 0xFF0000);
    if (shortPixels) out.pixels.resize(out.pixels.size() / 2);
    return true;
  }
  Size screenSize() override { return {200, 100}; }
  bool available() override { return true; }
  WindowId foregroundWindow() override { return 0; }
  WindowId windowBelow(WindowId) override { return 0; }
  WindowId windowAbove(WindowId) override { return 0; }
  std::string windowTitle(WindowId) override { return {}; }
  std::string windowClass(WindowId) override { return {}; }
  bool windowRect(WindowId, Rect&) override { return false; }
  bool windowExists(WindowId) override { return false; }
  bool windowVisible(WindowId) override { return false; }
  bool moveWindow(WindowId, const Rect&) override { return false; }
  Point cursorPos() override { return {}; }
  void setCursorPos(Point) override {}
  void leftButtonDown() override {}
  void leftButtonUp() override {}
  void keyDown(int) override {}
  void keyUp(int) override {}
  bool setClipboardText(const std::string&) override { return false; }
  bool clipboardText(std::string&) override { return false; }
  bool installKeyboardHook(KeyboardHook) override { return false; }
  void removeKeyboardHook() override {}
  bool launchProgram(const std::vector<std::string>&) override { return false; }
  OsVersion osVersion() override { return {}; }
};

TEST_F(ScreenDriverTest, ACaptureOfTheWrongSizeIsNotRead) {
  for (const auto& [shrink, shortPixels] : {std::pair{1, false}, std::pair{0, true}}) {
    ShortCaptureDesktop desktop;
    desktop.shrink = shrink;
    desktop.shortPixels = shortPixels;
    ScreenDriver driver(desktop);
    driver.SetResourcePath(dir_.string());
    ASSERT_EQ(driver.LoadDictionary(0, "sscai.dll"), 1);
    int x, y;
    EXPECT_EQ(driver.FindWord(0, 0, 200, 100, "8", kRedSpec, 1.0, x, y), -1);
    EXPECT_EQ(driver.OcrText(0, 0, 200, 100, kRedSpec, 1.0), "");
    EXPECT_EQ(driver.CaptureToFile(0, 0, 200, 100, (dir_ / "x.bmp").string(), 50), 0);
  }
}

// Workers read while another thread swaps dictionaries; every read sees one whole dictionary.
TEST_F(ScreenDriverTest, ConcurrentReadsWhileDictionariesChange) {
  draw(10, 10, "42");
  Dictionary fours;
  fours.glyphs.push_back(dict_.glyphs[4]);
  writeDictionary("fours.dll", fours);
  std::atomic<bool> stop{false};
  std::atomic<int> odd{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t) {
    readers.emplace_back([&] {
      while (!stop) {
        const std::string text = ocr(0, 0, 50, 50);
        int x, y;
        driver_.FindWord(0, 0, 50, 50, "4", kRedSpec, 1.0, x, y);
        if (text != "42" && text != "4") ++odd;
      }
    });
  }
  for (int i = 0; i < 50; ++i) {
    driver_.LoadDictionary(1, i % 2 ? "fours.dll" : "sscai.dll");
    driver_.UseDictionary(i % 2);
  }
  stop = true;
  for (auto& t : readers) t.join();
  EXPECT_EQ(odd, 0);
}

}  // namespace
}  // namespace tavik
