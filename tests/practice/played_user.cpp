// tavik-played-user: the user of a practice run without a hand at the keyboard, and the story
// of the run as it happens. It asks the practice service for the captcha the page shows (a
// practice-only address), types it with XTest a moment after the box comes up, presses Enter,
// and prints the assistant's log events and the page's own verdicts. It also watches every
// mouse press on the display (XRecord) and counts those outside the practice page's window.
//
//   tavik-played-user --service http://127.0.0.1:8391 --log FILE [--typing-ms N]
//                     [--seconds N] [--bids N] [--shots DIR]
// --shots: the screen 6 s after the start (idle.bmp) and with the captcha box up (captcha.bmp).
// Ends after --seconds (default 150), or once the page has recorded --bids OK clicks.

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/gbk.h"
#include "net/http_transport.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "platform/x11/x11_desktop.h"
#include "recognition/bmp.h"

namespace tavik {
namespace {

struct Options {
  std::string service = "http://127.0.0.1:8391";
  std::string log;
  int typingMs = 800;
  int seconds = 150;
  int bids = 0;
  std::string shots;
};

void Shot(Desktop& desktop, const std::string& path) {
  const Size size = desktop.screenSize();
  Image image;
  std::string error;
  if (!desktop.captureScreen({0, 0, size.width, size.height}, image) ||
      !WriteBmp(path, image, error))
    std::cerr << "tavik-played-user: no screenshot " << path << " " << error << "\n";
}

std::string Now(Clock& clock) {
  const CalendarTime t = clock.localTime();
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", t.hour, t.minute, t.second,
                t.millisecond);
  return text;
}

// New lines of the assistant's log since the last call, as UTF-8, without the status lines
// (they follow most events and repeat the state).
class LogTail {
 public:
  explicit LogTail(std::string path) : path_(std::move(path)) {}
  void print(Clock& clock) {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < offset_) offset_ = 0;  // a new log
    in.seekg(offset_);
    std::string line;
    while (std::getline(in, line)) {
      if (in.eof()) break;  // a line still being written: read it whole next time
      offset_ = in.tellg();
      const std::string text = gbkToUtf8(line.substr(0, line.find('\r')));
      const size_t sep = text.find("---");
      const std::string event = sep == std::string::npos ? text : text.substr(sep + 3);
      if (event.rfind("剩余时间:", 0) == 0 || event == last_) continue;
      last_ = event;
      std::cout << Now(clock) << " tavik: " << event << "\n";
    }
    std::cout.flush();
  }

 private:
  std::string path_;
  std::streamoff offset_ = 0;
  std::string last_;
};

// Every button press on the display, from all clients, as it happens.
class ClickWatch {
 public:
  ClickWatch() : control_(XOpenDisplay(nullptr)), data_(XOpenDisplay(nullptr)) {
    if (!control_ || !data_) return;
    XRecordRange* range = XRecordAllocRange();
    range->device_events.first = ButtonPress;
    range->device_events.last = ButtonPress;
    XRecordClientSpec clients = XRecordAllClients;
    context_ = XRecordCreateContext(control_, 0, &clients, 1, &range, 1);
    XFree(range);
    XSync(control_, False);
    if (context_) XRecordEnableContextAsync(data_, context_, &ClickWatch::record, XPointer(this));
  }
  ~ClickWatch() {
    if (context_) {
      XRecordDisableContext(control_, context_);
      XSync(control_, False);
      XRecordFreeContext(control_, context_);
    }
    if (data_) XCloseDisplay(data_);
    if (control_) XCloseDisplay(control_);
  }
  bool ok() const { return context_ != 0; }
  // The presses since the last call.
  std::vector<Point> take() {
    if (data_ && context_) XRecordProcessReplies(data_);
    std::vector<Point> out;
    out.swap(presses_);
    return out;
  }

 private:
  static void record(XPointer self, XRecordInterceptData* d) {
    if (d->category == XRecordFromServer && d->data) {
      const auto* ev = reinterpret_cast<const xEvent*>(d->data);
      if (ev->u.u.type == ButtonPress)
        reinterpret_cast<ClickWatch*>(self)->presses_.push_back(
            {ev->u.keyButtonPointer.rootX, ev->u.keyButtonPointer.rootY});
    }
    XRecordFreeData(d);
  }

  Display* control_;
  Display* data_;
  XRecordContext context_ = 0;
  std::vector<Point> presses_;
};

// The practice page's window: the first top-level window whose title holds the practice word.
bool PageWindow(Desktop& desktop, Rect& out) {
  WindowId top = desktop.foregroundWindow();
  for (int i = 0; top && i < 4096; ++i) {
    const WindowId up = desktop.windowAbove(top);
    if (!up) break;
    top = up;
  }
  int steps = 0;
  for (WindowId w = top; w && steps < 4096; w = desktop.windowBelow(w), ++steps) {
    if (desktop.windowTitle(w).find("仿真") != std::string::npos) return desktop.windowRect(w, out);
  }
  return false;
}

int Run(const Options& o) {
  auto desktop = createX11Desktop();
  if (!desktop) {
    std::cerr << "tavik-played-user: no X display\n";
    return 1;
  }
  RealClock clock;
  CurlHttpTransport http;
  const HttpTimeouts timeouts{1000, 2000};
  const auto get = [&](const std::string& path) {
    const HttpResult r = http.get(o.service + path, timeouts);
    return r.ok ? r.body : std::string();
  };
  LogTail log(o.log);
  ClickWatch clicks;
  if (!clicks.ok()) std::cerr << "tavik-played-user: XRecord unavailable, clicks not watched\n";
  int clickCount = 0, outside = 0;
  std::string lastCaptcha = get("/practice/captcha");
  size_t recordLines = 0;
  const int64_t startMs = clock.utcNowMs();
  const int64_t endMs = startMs + int64_t(o.seconds) * 1000;
  bool idleShot = o.shots.empty(), captchaShot = o.shots.empty();
  while (clock.utcNowMs() < endMs) {
    if (!o.log.empty()) log.print(clock);
    if (!idleShot && clock.utcNowMs() - startMs > 6000) {
      Shot(*desktop, o.shots + "/idle.bmp");
      idleShot = true;
    }
    const std::string captcha = get("/practice/captcha");
    if (!captcha.empty() && captcha != lastCaptcha) {
      lastCaptcha = captcha;
      std::cout << Now(clock) << " user: the captcha box shows " << captcha << std::endl;
      clock.sleepMs(o.typingMs);
      if (!captchaShot) {
        Shot(*desktop, o.shots + "/captcha.bmp");
        captchaShot = true;
      }
      for (const char c : captcha) {
        desktop->keyDown(vk::kDigit(c - '0'));
        desktop->keyUp(vk::kDigit(c - '0'));
        clock.sleepMs(120);
      }
      desktop->keyDown(vk::kReturn);
      desktop->keyUp(vk::kReturn);
      std::cout << Now(clock) << " user: typed " << captcha << " and pressed Enter" << std::endl;
    }
    std::istringstream record(get("/practice/record"));
    std::string line;
    size_t n = 0;
    while (std::getline(record, line)) {
      if (++n <= recordLines) continue;
      recordLines = n;
      const bool accepted = line.find("accepted=true") != std::string::npos;
      std::cout << Now(clock) << " page: " << (accepted ? "bid accepted: " : "bid refused: ")
                << line << std::endl;
    }
    for (const Point p : clicks.take()) {
      Rect page;
      ++clickCount;
      if (!PageWindow(*desktop, page) || p.x < page.left || p.x >= page.right || p.y < page.top ||
          p.y >= page.bottom) {
        ++outside;
        std::cout << Now(clock) << " click outside the practice page at " << p.x << "," << p.y
                  << std::endl;
      }
    }
    if (o.bids > 0 && int(recordLines) >= o.bids) break;
    clock.sleepMs(50);
  }
  if (!o.log.empty()) log.print(clock);
  std::cout << "clicks: " << clickCount << ", outside the practice page: " << outside << std::endl;
  return 0;
}

}  // namespace
}  // namespace tavik

int main(int argc, char** argv) {
  tavik::Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i], value = argv[i + 1];
    if (key == "--service")
      o.service = value;
    else if (key == "--log")
      o.log = value;
    else if (key == "--typing-ms")
      o.typingMs = std::atoi(value.c_str());
    else if (key == "--seconds")
      o.seconds = std::atoi(value.c_str());
    else if (key == "--bids")
      o.bids = std::atoi(value.c_str());
    else if (key == "--shots")
      o.shots = value;
    else {
      std::cerr << "tavik-played-user: unknown option " << key << "\n";
      return 2;
    }
  }
  return tavik::Run(o);
}
