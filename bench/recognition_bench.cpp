// Speed of the page reads: a price-cell read (capture and OcrText of 48x14) and a word search
// over a 400x170 area with a 60-glyph dictionary, each from an in-memory screen and from the
// X display (under scripts/with-display; the page is shown there by ImageMagick's "display").

#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "platform/x11/x11_desktop.h"
#include "recognition/bmp.h"
#include "recognition/dictionary.h"
#include "recognition/screen_driver.h"
#include "testing/fake_desktop.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

constexpr int kPageW = 400, kPageH = 170;
constexpr uint32_t kPriceColour = 0xFF0000;  // "0.100.100"
constexpr uint32_t kWordColour = 0x2F8DDE;   // "208.79.87"
const std::string kPriceSpec = "0.100.100-0.0.0|240.100.100-0.0.0";
const std::string kWordSpec = "208.79.87-0.0.0|208.70.87-0.0.0|209.81.85-0.0.0|208.49.88-0.0.0";
// Where the price cell and the searched word sit in the page.
constexpr int kCellX = 152, kCellY = 20;
constexpr int kTargetX = 370, kTargetY = 150;

// Digits 6x10 (the 3x5 shapes doubled) and 50 words of 14x10 random ink: 60 glyphs.
Dictionary BenchDictionary() {
  const char* digits[10][5] = {
      {"###", "#.#", "#.#", "#.#", "###"}, {".#.", "##.", ".#.", ".#.", "###"},
      {"###", "..#", "###", "#..", "###"}, {"###", "..#", "###", "..#", "###"},
      {"#.#", "#.#", "###", "..#", "..#"}, {"###", "#..", "###", "..#", "###"},
      {"###", "#..", "###", "#.#", "###"}, {"###", "..#", "..#", "..#", "..#"},
      {"###", "#.#", "###", "#.#", "###"}, {"###", "#.#", "###", "..#", "###"}};
  Dictionary d;
  for (int n = 0; n < 10; ++n) {
    BitImage bits(6, 10);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 6; ++x) bits.set(x, y, digits[n][y / 2][x / 2] == '#');
    d.glyphs.emplace_back(std::to_string(n), std::move(bits));
  }
  std::mt19937 rng(7);
  for (int w = 0; w < 50; ++w) {
    BitImage bits(14, 10);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 14; ++x) bits.set(x, y, rng() % 5 < 2 || (y == 0 && x == 0));
    d.glyphs.emplace_back("9" + std::to_string(w + 10), std::move(bits));
  }
  return d;
}

void Draw(Image& img, int x, int y, const Glyph& g, uint32_t colour) {
  for (int j = 0; j < g.height(); ++j)
    for (int i = 0; i < g.width(); ++i)
      if (g.bits().get(i, j)) img.at(x + i, y + j) = colour;
}

// A busy page: the price in its cell, rows of words in the searched colour, and the target
// word last in row-major order, so that a search visits nearly every position.
Image BenchPage(const Dictionary& d) {
  Image page(kPageW, kPageH, 0xFFFFFF);
  int x = kCellX + 2;
  for (char c : std::string("88300")) {
    Draw(page, x, kCellY + 2, d.glyphs[c - '0'], kPriceColour);
    x += 8;
  }
  for (int row = 0; row < 6; ++row)
    for (int col = 0; col < 20; ++col)
      Draw(page, 4 + col * 19, 40 + row * 17, d.glyphs[11 + (row * 20 + col) % 49],
           row % 2 ? kWordColour : 0x404040);
  Draw(page, kTargetX, kTargetY, d.glyphs[10], kWordColour);
  return page;
}

struct Fixture {
  fs::path dir;
  Dictionary dict = BenchDictionary();
  Image page = BenchPage(dict);

  Fixture() {
    dir = fs::temp_directory_path() / ("tavik-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::string error;
    dict.save((dir / "bench.dict").string(), error);
    WriteBmp((dir / "page.bmp").string(), page, error);
  }
  ~Fixture() { fs::remove_all(dir); }
  void load(ScreenDriver& driver) const {
    driver.SetResourcePath(dir.string());
    driver.LoadDictionary(0, "bench.dict");
  }
};

const Fixture& Shared() {
  static const Fixture f;
  return f;
}

void PriceCellRead(benchmark::State& state, ScreenDriver& driver, Point origin) {
  const int x = origin.x + kCellX, y = origin.y + kCellY;
  for (auto _ : state) {
    std::string text = driver.OcrText(x, y, x + 48, y + 14, kPriceSpec, 1.0);
    if (text != "88300") {
      state.SkipWithError(("price cell read \"" + text + "\"").c_str());
      return;
    }
    benchmark::DoNotOptimize(text);
  }
}

void WordSearch(benchmark::State& state, ScreenDriver& driver, Point origin) {
  const std::string word = Shared().dict.glyphs[10].name();
  for (auto _ : state) {
    int x = 0, y = 0;
    driver.FindWord(origin.x, origin.y, origin.x + kPageW, origin.y + kPageH, word, kWordSpec, 1.0,
                    x, y);
    if (x != origin.x + kTargetX || y != origin.y + kTargetY) {
      state.SkipWithError("word not found where it was drawn");
      return;
    }
  }
}

// In memory: the recognition work alone (the fake capture is a copy).
struct FakeScreen {
  VirtualClock clock;
  FakeDesktop desktop{clock, Size{1280, 1024}};
  ScreenDriver driver{desktop};
  const Point origin{300, 200};
  FakeScreen() {
    const Image& page = Shared().page;
    for (int y = 0; y < page.height; ++y)
      for (int x = 0; x < page.width; ++x)
        desktop.framebuffer().at(origin.x + x, origin.y + y) = page.at(x, y);
    Shared().load(driver);
  }
};

void BM_PriceCell_Memory(benchmark::State& state) {
  FakeScreen s;
  PriceCellRead(state, s.driver, s.origin);
}
void BM_WordSearch400x170_Memory(benchmark::State& state) {
  FakeScreen s;
  WordSearch(state, s.driver, s.origin);
}

// On the X display: the page is shown by ImageMagick's "display" and found by its target word.
struct XScreen {
  std::unique_ptr<Desktop> desktop = createX11Desktop();
  std::unique_ptr<ScreenDriver> driver;
  pid_t viewer = 0;
  Point origin;
  std::string error;

  XScreen() {
    if (!desktop || !desktop->available()) {
      error = "no X display or no X11 backend";
      return;
    }
    driver = std::make_unique<ScreenDriver>(*desktop);
    Shared().load(*driver);
    const std::string page = (Shared().dir / "page.bmp").string();
    const char* argv[] = {"display", "-geometry",  "+200+150", "-borderwidth",
                          "0",       page.c_str(), nullptr};
    if (posix_spawnp(&viewer, "display", nullptr, nullptr, const_cast<char**>(argv), environ)) {
      error = "cannot start ImageMagick's display";
      viewer = 0;
      return;
    }
    const Size screen = desktop->screenSize();
    const std::string word = Shared().dict.glyphs[10].name();
    for (int tries = 0; tries < 100; ++tries) {
      int x, y;
      if (driver->FindWord(0, 0, screen.width, screen.height, word, kWordSpec, 1.0, x, y) == 0) {
        origin = Point{x - kTargetX, y - kTargetY};
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    error = "the page did not appear on the screen";
  }
  ~XScreen() {
    if (viewer > 0) {
      kill(viewer, SIGTERM);
      waitpid(viewer, nullptr, 0);
    }
  }
};

XScreen& SharedX() {
  static XScreen s;
  return s;
}

void BM_PriceCell_X11(benchmark::State& state) {
  XScreen& s = SharedX();
  if (!s.error.empty()) return state.SkipWithError(s.error.c_str());
  PriceCellRead(state, *s.driver, s.origin);
}
void BM_WordSearch400x170_X11(benchmark::State& state) {
  XScreen& s = SharedX();
  if (!s.error.empty()) return state.SkipWithError(s.error.c_str());
  WordSearch(state, *s.driver, s.origin);
}

BENCHMARK(BM_PriceCell_Memory)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WordSearch400x170_Memory)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PriceCell_X11)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WordSearch400x170_X11)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tavik

BENCHMARK_MAIN();
