// The X11 backend against a real X server (Xvfb): windows, capture, injected input, starting
// programs.

#include "x11/x11_fixture.h"  // first: gtest before Xlib

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/keys.h"

extern char** environ;

namespace tavik::testing {
namespace {

using WindowsTest = X11Test;

TEST_F(WindowsTest, TitleClassRectVisibilityExistence) {
  TestWindow utf8({"上海 额度投标拍卖", "Chromium", {120, 80, 420, 280}});
  TestWindow legacy({"Caf\xe9 ol\xe9", "XTerm", {10, 10, 60, 40}, 0, true});
  const WindowId a = utf8.id();

  EXPECT_EQ(desktop_->windowTitle(a), "上海 额度投标拍卖");
  EXPECT_EQ(desktop_->windowClass(a), "Chromium");
  EXPECT_EQ(desktop_->windowTitle(legacy.id()), "Café olé");
  EXPECT_EQ(desktop_->windowClass(legacy.id()), "XTerm");
  Rect r;
  ASSERT_TRUE(desktop_->windowRect(a, r));
  EXPECT_EQ(r, (Rect{120, 80, 420, 280}));
  EXPECT_TRUE(desktop_->windowExists(a));
  EXPECT_TRUE(desktop_->windowVisible(a));

  ASSERT_TRUE(desktop_->moveWindow(a, {200, 150, 600, 450}));
  ASSERT_TRUE(eventually([&] {
    return desktop_->windowRect(a, r) && r == Rect{200, 150, 600, 450};
  }));

  legacy.unmap();
  EXPECT_FALSE(desktop_->windowVisible(legacy.id()));
  EXPECT_TRUE(desktop_->windowExists(legacy.id()));
  const WindowId gone = legacy.id();
  legacy.destroy();
  EXPECT_FALSE(desktop_->windowExists(gone));
  EXPECT_FALSE(desktop_->windowRect(gone, r));
  EXPECT_EQ(desktop_->windowTitle(gone), "");
  EXPECT_FALSE(desktop_->windowExists(0));
}

// Without a window manager: the input focus is the foreground window, the root's children
// give the stacking order.
TEST_F(WindowsTest, ForegroundAndStackingWithoutWindowManager) {
  TestWindow bottom({"bottom"});
  TestWindow middle({"middle"});
  TestWindow top({"top"});
  middle.focus(false);
  EXPECT_EQ(desktop_->foregroundWindow(), middle.id());
  EXPECT_EQ(desktop_->windowBelow(middle.id()), bottom.id());
  EXPECT_EQ(desktop_->windowAbove(middle.id()), top.id());
  EXPECT_EQ(desktop_->windowAbove(top.id()), 0u);

  bottom.raise();
  EXPECT_EQ(desktop_->windowAbove(top.id()), bottom.id());
}

// The EWMH root properties are used only while the window manager that set them runs.
TEST_F(WindowsTest, EwmhPropertiesCountOnlyWithALiveManager) {
  TestWindow a({"a"});
  TestWindow b({"b"});
  TestWindow c({"c"});  // the server's order, bottom to top: a b c
  Display* d = a.display();
  const Window root = DefaultRootWindow(d);
  const Window check = XCreateSimpleWindow(d, root, -10, -10, 1, 1, 0, 0, 0);
  const long checkId = long(check);
  XChangeProperty(d, check, atom(d, "_NET_SUPPORTING_WM_CHECK"), XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&checkId), 1);
  XChangeProperty(d, root, atom(d, "_NET_SUPPORTING_WM_CHECK"), XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&checkId), 1);
  // The manager's order, bottom to top: c a b; b is active.
  const long stacking[] = {long(c.id()), long(a.id()), long(b.id())};
  XChangeProperty(d, root, atom(d, "_NET_CLIENT_LIST_STACKING"), XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(stacking), 3);
  const long active = long(b.id());
  XChangeProperty(d, root, atom(d, "_NET_ACTIVE_WINDOW"), XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&active), 1);
  c.focus(false);
  XSync(d, False);

  EXPECT_EQ(desktop_->foregroundWindow(), b.id());
  EXPECT_EQ(desktop_->windowBelow(b.id()), a.id());
  EXPECT_EQ(desktop_->windowBelow(a.id()), c.id());
  EXPECT_EQ(desktop_->windowAbove(c.id()), a.id());

  // The manager has gone: its properties are stale.
  XDestroyWindow(d, check);
  XSync(d, False);
  EXPECT_EQ(desktop_->foregroundWindow(), c.id());
  EXPECT_EQ(desktop_->windowBelow(c.id()), b.id());
  for (const char* name :
       {"_NET_SUPPORTING_WM_CHECK", "_NET_CLIENT_LIST_STACKING", "_NET_ACTIVE_WINDOW"})
    XDeleteProperty(d, root, atom(d, name));
  XSync(d, False);
}

TEST_F(WindowsTest, ForegroundAndStackingUnderOpenbox) {
  WindowManager wm;
  ASSERT_TRUE(wm.start()) << "openbox is part of scripts/setup";
  TestWindow bottom({"bottom"});
  TestWindow top({"top"});
  bottom.focus();
  ASSERT_TRUE(eventually([&] { return desktop_->foregroundWindow() == bottom.id(); }));
  // The window manager restacks after it has activated the window; wait for both.
  EXPECT_TRUE(eventually([&] { return desktop_->windowBelow(bottom.id()) == top.id(); }));
  EXPECT_TRUE(eventually([&] { return desktop_->windowAbove(top.id()) == bottom.id(); }));
  // The client window is named, not the frame around it.
  EXPECT_EQ(desktop_->windowTitle(desktop_->foregroundWindow()), "bottom");
}

using CaptureTest = X11Test;

TEST_F(CaptureTest, ReadsThePixelsOnScreenAndClipsToIt) {
  TestWindow w({"capture", "TavikTest", {50, 60, 250, 160}, 0x102030});
  w.fill(0xFF8000, {10, 5, 30, 15});
  Image image;
  ASSERT_TRUE(desktop_->captureScreen({50, 60, 250, 160}, image));
  ASSERT_EQ(image.width, 200);
  ASSERT_EQ(image.height, 100);
  EXPECT_EQ(image.at(0, 0), 0x102030u);
  EXPECT_EQ(image.at(10, 5), 0xFF8000u);
  EXPECT_EQ(image.at(29, 14), 0xFF8000u);
  EXPECT_EQ(image.at(30, 14), 0x102030u);

  // Partly off the screen: the part on it, from the screen's edge.
  ASSERT_TRUE(desktop_->captureScreen({-40, -50, 70, 70}, image));
  EXPECT_EQ(image.width, 70);
  EXPECT_EQ(image.height, 70);
  EXPECT_EQ(image.at(50, 60), 0x102030u);
  const Size screen = desktop_->screenSize();
  Image none;
  EXPECT_FALSE(desktop_->captureScreen({screen.width, 0, screen.width + 10, 10}, none));
  EXPECT_FALSE(desktop_->captureScreen({10, 10, 10, 20}, none));

  // A whole-screen capture outgrows the first segment and must agree with the small one.
  Image full;
  ASSERT_TRUE(desktop_->captureScreen({0, 0, screen.width, screen.height}, full));
  EXPECT_EQ(full.width, screen.width);
  EXPECT_EQ(full.at(60, 65), 0xFF8000u);
  EXPECT_EQ(full.at(50, 60), 0x102030u);
}

// Each thread captures through its own segment; the segments are ours alone and are gone
// with the desktop.
TEST_F(CaptureTest, SharedMemoryIsPrivateAndRemoved) {
  auto ourSegments = [] {
    std::vector<int> modes;
    std::ifstream in("/proc/sysvipc/shm");
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
      std::istringstream f(line);
      long key = 0, id = 0, perms = 0, size = 0, cpid = 0;
      f >> key >> id >> std::oct >> perms >> std::dec >> size >> cpid;
      if (cpid == getpid()) modes.push_back(int(perms & 0777));
    }
    return modes;
  };
  Image image;
  ASSERT_TRUE(desktop_->captureScreen({0, 0, 64, 64}, image));
  std::thread([&] { desktop_->captureScreen({0, 0, 64, 64}, image); }).join();
  const std::vector<int> modes = ourSegments();
  ASSERT_FALSE(modes.empty()) << "the capture did not use MIT-SHM";
  for (int mode : modes) EXPECT_EQ(mode, 0600);
  desktop_.reset();
  EXPECT_TRUE(ourSegments().empty());
}

using InputTest = X11Test;

TEST_F(InputTest, ClicksLandWhereTheCursorWasPut) {
  TestWindow w({"click", "TavikTest", {300, 200, 500, 300}});
  desktop_->setCursorPos({337, 221});
  EXPECT_EQ(desktop_->cursorPos(), (Point{337, 221}));
  desktop_->leftButtonDown();
  desktop_->leftButtonUp();
  ASSERT_TRUE(w.waitFor([](const XEvent& e) { return e.type == ButtonRelease; }));
  const XEvent* press = nullptr;
  for (const XEvent& e : w.events())
    if (e.type == ButtonPress) press = &e;
  ASSERT_NE(press, nullptr);
  EXPECT_EQ(press->xbutton.button, 1u);
  EXPECT_EQ(press->xbutton.x, 37);
  EXPECT_EQ(press->xbutton.y, 21);
}

// The keys that entering a price uses, in order, with Ctrl held around "V".
TEST_F(InputTest, KeysReachTheFocusedWindow) {
  TestWindow w({"keys"});
  w.focus();
  const std::vector<std::pair<int, KeySym>> keys = {
      {vk::kDelete, XK_Delete}, {vk::kBack, XK_BackSpace},
      {vk::kDigit(8), XK_8},    {vk::kDigit(0), XK_0},
      {vk::kC, XK_c},           {vk::kReturn, XK_Return}};
  for (const auto& [code, sym] : keys) {
    desktop_->keyDown(code);
    desktop_->keyUp(code);
    EXPECT_TRUE(w.waitForKey(KeyPress, sym)) << std::hex << code;
    EXPECT_TRUE(w.waitForKey(KeyRelease, sym)) << std::hex << code;
  }
  desktop_->keyDown(vk::kControl);
  desktop_->keyDown(vk::kV);
  desktop_->keyUp(vk::kV);
  desktop_->keyUp(vk::kControl);
  ASSERT_TRUE(w.waitFor([&](const XEvent& e) {
    return e.type == KeyPress && w.keysymOf(e) == XK_v && (e.xkey.state & ControlMask);
  }));
  ASSERT_TRUE(w.waitForKey(KeyRelease, XK_Control_L));
}

using ProcessTest = X11Test;

// Arguments reach the program exactly as given: nothing is read by a shell.
TEST_F(ProcessTest, LaunchRunsAnArgumentVector) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("x11_launch_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto file = dir / "a b; touch injected";
  EXPECT_TRUE(desktop_->launchProgram({"touch", file.string()}));
  EXPECT_TRUE(eventually([&] { return std::filesystem::exists(file); }));
  EXPECT_FALSE(std::filesystem::exists("injected"));
  EXPECT_FALSE(desktop_->launchProgram({"/nonexistent/browser", "https://example.invalid/"}));
  EXPECT_FALSE(desktop_->launchProgram({}));
  std::filesystem::remove_all(dir);
}

TEST_F(ProcessTest, OsVersionIsTheKernelRelease) {
  utsname u{};
  ASSERT_EQ(uname(&u), 0);
  int major = 0;
  int minor = 0;
  ASSERT_EQ(std::sscanf(u.release, "%d.%d", &major, &minor), 2);
  const OsVersion v = desktop_->osVersion();
  EXPECT_EQ(v.major, major);
  EXPECT_EQ(v.minor, minor);
  EXPECT_EQ(v.description.rfind("Linux", 0), 0u);
}

TEST(X11Unavailable, NoDisplayGivesNoDesktop) {
  const std::string saved = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  setenv("DISPLAY", ":4242", 1);
  EXPECT_EQ(createX11Desktop(), nullptr);
  setenv("DISPLAY", saved.c_str(), 1);
}

// Without XTest nothing can be typed or clicked: the backend says it cannot work here.
TEST(X11Unavailable, DisplayWithoutXTestIsNotUsable) {
  int number = 150;
  auto taken = [](int n) {
    return std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)) ||
           std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock");
  };
  while (number < 200 && taken(number)) ++number;
  const std::string name = ":" + std::to_string(number);
  const std::vector<std::string> args = {"Xvfb", name, "-extension", "XTEST", "-nolisten", "tcp"};
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t server = 0;
  ASSERT_EQ(posix_spawnp(&server, "Xvfb", nullptr, nullptr, argv.data(), environ), 0);
  const std::string saved = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  setenv("DISPLAY", name.c_str(), 1);
  std::unique_ptr<Desktop> desktop;
  eventually([&] { return (desktop = createX11Desktop()) != nullptr; }, 10000);
  const bool opened = desktop != nullptr;
  const bool usable = opened && desktop->available();
  desktop.reset();
  setenv("DISPLAY", saved.c_str(), 1);
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  EXPECT_TRUE(opened);
  EXPECT_FALSE(usable);
}

}  // namespace
}  // namespace tavik::testing
