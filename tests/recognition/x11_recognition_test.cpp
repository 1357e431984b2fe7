// Recognition on real pixels: a helper window draws text with the X core bitmap font "fixed";
// a dictionary cut from a capture of it by tavik-dict reads the text back off the screen.

#include <gtest/gtest.h>
#include <unistd.h>

// Xlib defines macros (None, Status, Bool) that clash with names in GoogleTest: it comes after.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <filesystem>

#include "platform/x11/x11_desktop.h"
#include "recognition/run_tool.h"
#include "recognition/screen_driver.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

constexpr int kWinX = 120, kWinY = 90, kWinW = 420, kWinH = 160;
const std::string kRed = "0.100.100-0.0.0";
const std::string kBlue = "240.100.100-0.0.0";

// Where a string drawn at a baseline lands: the top-left and size of its ink.
struct Ink {
  int x, y, w, h;
};

class HelperWindow {
 public:
  explicit HelperWindow(Display* d) : d_(d) {
    XSetWindowAttributes a{};
    a.override_redirect = True;  // placed exactly where asked, with or without a window manager
    a.background_pixel = WhitePixel(d_, DefaultScreen(d_));
    a.event_mask = ExposureMask;
    win_ = XCreateWindow(d_, DefaultRootWindow(d_), kWinX, kWinY, kWinW, kWinH, 0, CopyFromParent,
                         InputOutput, CopyFromParent,
                         CWOverrideRedirect | CWBackPixel | CWEventMask, &a);
    font_ = XLoadQueryFont(d_, "fixed");
    gc_ = XCreateGC(d_, win_, 0, nullptr);
    if (font_) XSetFont(d_, gc_, font_->fid);
    XMapRaised(d_, win_);
    XEvent e;
    XWindowEvent(d_, win_, ExposureMask, &e);
  }
  ~HelperWindow() {
    if (font_) XFreeFont(d_, font_);
    XFreeGC(d_, gc_);
    XDestroyWindow(d_, win_);
    XSync(d_, False);
  }
  bool hasFont() const { return font_ != nullptr; }

  // Draws `text` at window position (x, baseline) in an RGB colour; returns its ink on the screen.
  Ink draw(int x, int baseline, const std::string& text, unsigned long rgb) {
    XColor c{};
    c.red = uint16_t(((rgb >> 16) & 0xff) * 257);
    c.green = uint16_t(((rgb >> 8) & 0xff) * 257);
    c.blue = uint16_t((rgb & 0xff) * 257);
    XAllocColor(d_, DefaultColormap(d_, DefaultScreen(d_)), &c);
    XSetForeground(d_, gc_, c.pixel);
    XDrawString(d_, win_, gc_, x, baseline, text.c_str(), int(text.size()));
    XSync(d_, False);
    int dir, ascent, descent;
    XCharStruct ink;
    XTextExtents(font_, text.c_str(), int(text.size()), &dir, &ascent, &descent, &ink);
    return Ink{kWinX + x + ink.lbearing, kWinY + baseline - ink.ascent, ink.rbearing - ink.lbearing,
               ink.ascent + ink.descent};
  }

 private:
  Display* d_;
  Window win_;
  XFontStruct* font_ = nullptr;
  GC gc_;
};

class X11RecognitionTest : public testing::Test {
 protected:
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    ASSERT_NE(display_, nullptr) << "needs an X display: run under scripts/with-display";
    dir_ = fs::path(testing::TempDir()) / ("x11-recog-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    if (display_) XCloseDisplay(display_);
  }

  test::ToolResult tool(std::vector<std::string> args) {
    args.insert(args.begin(), TAVIK_DICT_PATH);
    return test::RunTool(args);
  }
  // A rectangle around an ink box, in capture (image) coordinates, with a margin.
  static std::string imageRect(const Ink& i, int margin = 2) {
    return std::to_string(i.x - kWinX - margin) + "," + std::to_string(i.y - kWinY - margin) + "," +
           std::to_string(i.x - kWinX + i.w + margin) + "," +
           std::to_string(i.y - kWinY + i.h + margin);
  }

  Display* display_ = nullptr;
  fs::path dir_;
};

TEST_F(X11RecognitionTest, DictionaryCutFromTheScreenReadsTheScreen) {
  HelperWindow window(display_);
  ASSERT_TRUE(window.hasFont()) << "the X core font \"fixed\" is missing (package xfonts-base)";
  const Ink sample = window.draw(10, 20, "0123456789:.", 0xFF0000);
  const Ink ok = window.draw(200, 20, "OK", 0x0000FF);
  const Ink price = window.draw(40, 70, "88300", 0xFF0000);
  const Ink clock = window.draw(40, 100, "10:25:07", 0xFF0000);
  const Ink words = window.draw(200, 100, "10 25", 0xFF0000);
  window.draw(200, 70, "OK", 0xFF0000);  // the word in another colour: not a match

  // Capture the helper window and make the dictionary from the capture, all with the tool.
  const std::string page = (dir_ / "page.bmp").string();
  auto r = tool({"capture", page,
                 std::to_string(kWinX) + "," + std::to_string(kWinY) + "," +
                     std::to_string(kWinX + kWinW) + "," + std::to_string(kWinY + kWinH)});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const std::string dict = (dir_ / "fixed.dict").string();
  r = tool({"glyphs", dict, page, imageRect(sample), kRed, "0123456789:."});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  r = tool({"add", dict, page, imageRect(ok), kBlue, "901"});
  ASSERT_EQ(r.exitCode, 0) << r.out;

  // The component reads the screen through the X11 backend.
  const std::unique_ptr<Desktop> desktop = createX11Desktop();
  ASSERT_TRUE(desktop && desktop->available());
  ScreenDriver driver(*desktop);
  driver.SetResourcePath(dir_.string());
  ASSERT_EQ(driver.LoadDictionary(0, "fixed.dict"), 1);

  // A 48x14 price cell around the price, as the page reader uses it.
  const int cellX = price.x - 2, cellY = price.y - 2;
  EXPECT_EQ(driver.OcrText(cellX, cellY, cellX + 48, cellY + 14, kRed, 1.0), "88300");
  EXPECT_EQ(driver.OcrText(clock.x - 3, clock.y - 3, clock.x + clock.w + 3, clock.y + clock.h + 3,
                           kRed, 1.0),
            "10:25:07");
  const std::string found = driver.OcrWords(words.x - 2, words.y - 2, words.x + words.w + 2,
                                            words.y + words.h + 2, kRed, 1.0);
  EXPECT_EQ(found, "10|25");
  EXPECT_EQ(driver.WordOfResult(found, 1), "25");

  // The word is found where it was drawn, in its own colour only.
  int x = 0, y = 0;
  EXPECT_EQ(driver.FindWord(kWinX, kWinY, kWinX + kWinW, kWinY + kWinH, "901", kBlue, 1.0, x, y),
            0);
  EXPECT_EQ(x, ok.x);
  EXPECT_EQ(y, ok.y);
  EXPECT_EQ(driver.FindWord(kWinX + 100, kWinY + 40, kWinX + kWinW, kWinY + kWinH, "901", kBlue,
                            1.0, x, y),
            -1);
  // The tool reads the live screen the same way.
  r = tool({"find", dict, "screen", "0,0,1000,1000", kBlue, "901"});
  EXPECT_NE(r.out.find("\"901\" found at " + std::to_string(ok.x) + "," + std::to_string(ok.y)),
            std::string::npos)
      << r.out;
  // The first "3" in row-major order is the one in the sample line.
  EXPECT_EQ(driver.FindWord(kWinX, kWinY, kWinX + kWinW, kWinY + kWinH, "3", kRed, 1.0, x, y), 0);
  EXPECT_LT(y, price.y);
}

}  // namespace
}  // namespace tavik
