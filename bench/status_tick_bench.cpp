// Cost of the window thread's 200 ms tick in the last minute, once per second when a screenshot
// is due: Controller::StatusTick with recording on, a bid number set and a new remaining second
// on every tick, on a 1920x1080 screen. "X11" runs take the picture from the X display through
// the X11 backend (run under an Xvfb of 1920x1080x24, see the README); "Memory" runs take it
// from the in-memory test desktop. The capture alone is timed through X11 too.
//
// Encoding and writing the picture belong to the screenshot writer's thread. In real life the
// ticks that take a picture are a second apart, so after each tick the bench waits, untimed,
// until the writer is idle; the counters say how long that took and whether a picture was lost.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/controller.h"
#include "app/recording.h"
#include "platform/clock.h"
#include "platform/x11/x11_desktop.h"
#include "recognition/screen_driver.h"
#include "support/auction_time.h"
#include "support/temp_dir.h"
#include "testing/fake_desktop.h"
#include "testing/headless_view.h"
#include "testing/in_process_udp.h"
#include "testing/virtual_clock.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

constexpr Size kScreen{1920, 1080};
// A 24-bit BMP of the full screen: headers and rows of 1920 * 3 bytes (no padding needed).
constexpr uintmax_t kPictureBytes = 54 + uintmax_t(kScreen.width) * 3 * kScreen.height;
// Much longer than the writer needs; a tick that takes a picture comes once a second.
constexpr int kWriterWaitMs = 2000;

using DesktopFactory = std::function<std::unique_ptr<Desktop>(Clock&)>;

// A controller in virtual time with its program folder in a temp dir, as the controller tests
// build it, on the desktop the factory makes. The recording marker beside the program turns
// recording on and makes the bid number's folder; the run is started and nothing else moves
// (virtual time stands still, so the workers and timers stay asleep).
struct TickRig {
  testing::TempDir dir;
  VirtualClock clock;
  std::unique_ptr<Desktop> desktop;
  VirtualTimers timers{clock};
  VirtualMailbox mailbox{clock};
  HeadlessView view;
  LogFile logFile{clock, dir.file("my.Log")};
  InProcessUdp udp{clock, [](const Ipv4Endpoint&, const std::vector<uint8_t>&) {
                     return std::optional<InProcessUdp::Reply>();
                   }};
  std::unique_ptr<Controller> controller;
  std::string error;

  explicit TickRig(const DesktopFactory& makeDesktop) : desktop(makeDesktop(clock)) {
    if (!desktop || !desktop->available()) {
      error = "no X display or no X11 backend";
      return;
    }
    const Size size = desktop->screenSize();
    if (size.width != kScreen.width || size.height != kScreen.height) {
      error = "screen is " + std::to_string(size.width) + "x" + std::to_string(size.height) +
              ", not 1920x1080 (start Xvfb with -screen 0 1920x1080x24)";
      return;
    }
    testing::TempDir::writeFile(dir.file("lx.txt"), "");
    controller = std::make_unique<Controller>(
        ControllerDeps{clock, *desktop, timers, mailbox, view, logFile, Config{}, dir.dir(), &udp});
    if (controller->OnInitDialog() != 0) {
      error = "start-up failed";
      return;
    }
    start();
  }
  ~TickRig() { controller.reset(); }

  void start() {
    Controller& c = *controller;
    c.SetBidNumber("12345678");
    c.run.m_recording = 1;
    c.ToggleRun();
    // What worker 1 stores once the auction window is found.
    c.run.m_screenSize.storeSize(desktop->screenSize());
    if (c.run.m_running != 1 || c.run.m_recording != 1) error = "the run did not start recording";
  }
};

// Removes the finished pictures; returns how many had the full size.
int TakeWrittenPictures(const fs::path& folder) {
  int complete = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.path().extension() != ".bmp") continue;
    if (fs::file_size(entry.path(), ec) == kPictureBytes) ++complete;
    fs::remove(entry.path(), ec);
  }
  return complete;
}

// Shows remaining seconds 59, 58, ..., 2 and again from 59, one a tick, so that every tick
// photographs a new second. The last second is left out: shown after 1, the 59 would look
// like a page clock standing still on its last second, which the clock ends after a few ticks.
int NextShown(int shown) {
  return shown <= 2 ? 59 : shown - 1;
}

void ScreenshotTicks(benchmark::State& state, const DesktopFactory& makeDesktop) {
  TickRig rig(makeDesktop);
  if (!rig.error.empty()) return state.SkipWithError(rig.error.c_str());
  Controller& c = *rig.controller;
  const fs::path folder = RecordingDirectory(c.run);
  RealClock wall;  // how long the writer takes after a tick, read outside the timed region

  // The first tick of a run only learns the remaining second; from then on each tick takes one.
  int shown = 59;
  testing::ShowTimeBeforeEnd(c.clockState, shown);
  c.StatusTick();
  c.waitForScreenshots(kWriterWaitMs);
  TakeWrittenPictures(folder);

  int64_t taken = 0, written = 0, writerMs = 0;
  for (auto _ : state) {
    const int due = c.clockState.m_remainSec;
    shown = NextShown(shown);
    testing::ShowTimeBeforeEnd(c.clockState, shown);
    c.StatusTick();

    state.PauseTiming();
    if (c.flags.g_lastShotSec != due) {
      state.SkipWithError("the tick took no screenshot");
      break;
    }
    ++taken;
    const uint32_t begin = wall.tickCountMs();
    c.waitForScreenshots(kWriterWaitMs);
    writerMs += int64_t(wall.tickCountMs() - begin);
    written += TakeWrittenPictures(folder);
    state.ResumeTiming();
  }
  state.counters["pictures"] = double(taken);
  state.counters["dropped"] = double(taken - written);
  state.counters["writer_ms"] = taken ? double(writerMs) / double(taken) : 0.0;
}

std::unique_ptr<Desktop> X11Desktop(Clock&) {
  return createX11Desktop();
}
std::unique_ptr<Desktop> MemoryDesktop(Clock& clock) {
  return std::make_unique<FakeDesktop>(clock, kScreen);
}

void BM_ScreenshotTick_X11(benchmark::State& state) {
  ScreenshotTicks(state, X11Desktop);
}
void BM_ScreenshotTick_Memory(benchmark::State& state) {
  ScreenshotTicks(state, MemoryDesktop);
}

// The picture alone: the whole screen through the X11 backend (MIT-SHM and the conversion to
// 0x00RRGGBB pixels), into a new Image each time as CaptureSecond does.
void BM_CaptureFullScreen_X11(benchmark::State& state) {
  const std::unique_ptr<Desktop> desktop = createX11Desktop();
  if (!desktop || !desktop->available())
    return state.SkipWithError("no X display or no X11 backend");
  const Size size = desktop->screenSize();
  if (size.width != kScreen.width || size.height != kScreen.height)
    return state.SkipWithError("screen is not 1920x1080 (start Xvfb with -screen 0 1920x1080x24)");
  ScreenDriver driver(*desktop);
  for (auto _ : state) {
    Image image;
    if (!driver.CaptureImage(0, 0, size.width, size.height, image)) {
      state.SkipWithError("capture failed");
      break;
    }
    benchmark::DoNotOptimize(image.pixels.data());
  }
}

BENCHMARK(BM_ScreenshotTick_X11)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScreenshotTick_Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureFullScreen_X11)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavik

BENCHMARK_MAIN();
