// One tick of the page locator (worker 1) and one tick of the readers (worker 2: stage, end
// time, page clock, lowest price) on a rendered auction page with nothing changing, the steady
// state of a run: from an in-memory screen, and from the X display (under scripts/with-display;
// the page is shown there by ImageMagick's "display").

#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/page_view.h"
#include "page/page_context.h"
#include "page/page_locator.h"
#include "page/page_readers.h"
#include "platform/x11/x11_desktop.h"

// Xlib after everything else: its macros (None, Status, Bool) clash with other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include "testing/fake_desktop.h"
#include "testing/page_renderer.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

constexpr Point kBrowser{20, 20};

PageScene Scene() {
  PageScene s;
  s.browser = kBrowser;
  s.origin = {kBrowser.x + 25, kBrowser.y + 62};
  s.half = AuctionHalf::second;
  s.clock = "11:29:12";
  s.endTime = "11:30";
  s.lowestPrice = "89300";
  s.halfMark = "4500";
  s.bidButton = true;
  return s;
}

// The product's page code on a desktop, with the state a run has once the page is found.
struct PageRun {
  fs::path dir = fs::temp_directory_path() / ("tavik-page-bench-" + std::to_string(getpid()));
  Desktop& desktop;
  VirtualClock clock;  // nothing in a steady tick waits
  ScreenDriver driver{desktop};
  LogFile logFile{clock, (dir / "my.Log").string()};
  AtomicInt logEnabled{0};
  Logger logger{logFile, logEnabled};
  std::atomic<WindowId> auctionWnd{0}, ownWnd{0};
  AtomicInt clientFound{1}, realMode{0}, compatMode{1}, keyCount{0};
  AtomicPoint screenSize;
  GuardedText title{"额度投标拍卖"};
  PageInputs in{auctionWnd, clientFound, screenSize, realMode, compatMode,
                title,      ownWnd,      keyCount,   {}};
  PageState page;
  ClockState clockState;
  NetworkTimeState netTime;
  NetState net;
  ElementTableStore table;
  PageContext c{page, clockState, netTime, net, in, table, driver, desktop, clock, logger};
  PageLocator locator{c};
  PageReaders readers{c};

  PageRun(Desktop& d, WindowId wnd) : desktop(d) {
    fs::create_directories(dir);
    std::string error;
    PageGlyphDictionary().save((dir / "glyphs.dict").string(), error);
    driver.LoadDictionary(0, (dir / "glyphs.dict").string());
    auctionWnd = wnd;
    screenSize.storeSize(desktop.screenSize());
    locator.TrackPage();  // finds the page: the waits of the first sight are not measured
    clockState.m_auctionStartText.set("10:30:00");
  }
  ~PageRun() { fs::remove_all(dir); }
  bool found() const { return page.g_pageOrigin.load() == Scene().origin; }

  bool readerTick() {
    readers.ReadAuctionStage();
    readers.ReadEndTime();
    int h, m, s;
    std::string text;
    const int time = readers.ReadPageTime(h, m, s, text);
    page.m_lowestPrice.Set(0);
    return readers.ReadLowestPrice() == 1 && time == 1 && text == "11:29:12";
  }
};

void Locate(benchmark::State& state, PageRun& run) {
  if (!run.found()) return state.SkipWithError("the page was not found");
  for (auto _ : state) run.locator.TrackPage();
  if (!run.found()) state.SkipWithError("the page was lost");
}

void Read(benchmark::State& state, PageRun& run) {
  if (!run.found()) return state.SkipWithError("the page was not found");
  for (auto _ : state) {
    if (!run.readerTick()) return state.SkipWithError("the page was not read right");
  }
}

struct MemoryPage {
  VirtualClock clock;
  FakeDesktop desktop{clock, Size{1280, 1024}};
  std::unique_ptr<PageRun> run;
  MemoryPage() {
    PageRenderer().render(Scene(), desktop.framebuffer());
    const WindowId wnd = desktop.addWindow(
        "额度投标拍卖", "Chromium", {kBrowser.x, kBrowser.y, kBrowser.x + 950, kBrowser.y + 850});
    run = std::make_unique<PageRun>(desktop, wnd);
  }
};

MemoryPage& SharedMemory() {
  static MemoryPage m;
  return m;
}

// The page's browser area drawn into a window of our own where the scene puts the browser
// (override-redirect, so that no window manager moves it).
struct XPage {
  std::unique_ptr<Desktop> desktop = createX11Desktop();
  Display* display = nullptr;
  Window window = 0;
  std::unique_ptr<PageRun> run;
  std::string error;

  XPage() {
    if (!desktop || !desktop->available() || !(display = XOpenDisplay(nullptr))) {
      error = "no X display or no X11 backend";
      return;
    }
    const Size screen = desktop->screenSize();
    Image full(screen.width, screen.height, 0xFFFFFF);
    PageRenderer().render(Scene(), full);
    XSetWindowAttributes a{};
    a.override_redirect = True;
    window = XCreateWindow(display, DefaultRootWindow(display), kBrowser.x, kBrowser.y, 950, 850, 0,
                           CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect, &a);
    XMapRaised(display, window);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::vector<uint32_t> pixels(950 * 850);
    for (int y = 0; y < 850; ++y)
      for (int x = 0; x < 950; ++x)
        pixels[size_t(y) * 950 + size_t(x)] = full.at(kBrowser.x + x, kBrowser.y + y);
    XImage* image =
        XCreateImage(display, DefaultVisual(display, DefaultScreen(display)), 24, ZPixmap, 0,
                     reinterpret_cast<char*>(pixels.data()), 950, 850, 32, 0);
    GC gc = XCreateGC(display, window, 0, nullptr);
    XPutImage(display, window, gc, image, 0, 0, 0, 0, 950, 850);
    XFreeGC(display, gc);
    image->data = nullptr;
    XDestroyImage(image);
    XSync(display, False);
    run = std::make_unique<PageRun>(*desktop, WindowId(window));
    if (!run->found()) error = "the page was not found on the screen";
  }
  ~XPage() {
    run.reset();
    if (display) {
      if (window) XDestroyWindow(display, window);
      XCloseDisplay(display);
    }
  }
};

XPage& SharedX() {
  static XPage x;
  return x;
}

void BM_TrackPageTick_Memory(benchmark::State& state) {
  Locate(state, *SharedMemory().run);
}
void BM_ReaderTick_Memory(benchmark::State& state) {
  Read(state, *SharedMemory().run);
}
void BM_TrackPageTick_X11(benchmark::State& state) {
  XPage& x = SharedX();
  if (!x.error.empty()) return state.SkipWithError(x.error.c_str());
  Locate(state, *x.run);
}
void BM_ReaderTick_X11(benchmark::State& state) {
  XPage& x = SharedX();
  if (!x.error.empty()) return state.SkipWithError(x.error.c_str());
  Read(state, *x.run);
}

// The readers' tick while the view of what tavik sees is open: its feed captures the auction
// window and labels it on a thread of its own, asked every 250 ms as the window's refresh timer
// asks it, beside the readers.
void ReadWithViewOpen(benchmark::State& state, PageRun& run) {
  RealClock real;
  SeenPageFeed feed(SeenPageSources{run.page, run.clockState, run.table, run.auctionWnd, run.title,
                                    run.realMode, run.desktop, real});
  feed.start();
  std::atomic<bool> open{true};
  std::thread refreshTimer([&] {
    while (open) {
      real.sleepMs(kSeenRefreshMs);
      feed.request();
    }
  });
  Read(state, run);
  open = false;
  refreshTimer.join();
  feed.stop();
  if (!feed.latest()) state.SkipWithError("the view took no snapshot");
}
void BM_ReaderTick_X11_ViewOpen(benchmark::State& state) {
  XPage& x = SharedX();
  if (!x.error.empty()) return state.SkipWithError(x.error.c_str());
  ReadWithViewOpen(state, *x.run);
}

BENCHMARK(BM_TrackPageTick_Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderTick_Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrackPageTick_X11)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderTick_X11)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderTick_X11_ViewOpen)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
}  // namespace tavik

BENCHMARK_MAIN();
