// The Win32 backend on a real (Wine) desktop: windows in z-order, screen capture, SendInput,
// the clipboard, the low-level keyboard hook, launching and the OS version. The tests move the
// focus, the cursor and the keyboard, so none runs beside another test.

#include "platform/win32/win32_desktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "platform/keys.h"
#include "win32/test_window.h"

namespace tavik {
namespace {

using testing::Pump;
using testing::PumpUntil;
using testing::TestWindow;

class Win32DesktopTest : public ::testing::Test {
 protected:
  void type(const std::vector<int>& keys) {
    for (const int vk : keys) {
      desktop->keyDown(vk);
      desktop->keyUp(vk);
    }
  }
  std::unique_ptr<Desktop> desktop = createWin32Desktop();
};

TEST_F(Win32DesktopTest, AWindowIsFoundInZOrderWithItsTitleClassAndRect) {
  ASSERT_TRUE(desktop->available());
  TestWindow w(L"上海市个人非营业性客车额度投标拍卖", {100, 120, 400, 320});
  EXPECT_EQ(desktop->windowTitle(w.id()), "上海市个人非营业性客车额度投标拍卖");
  EXPECT_EQ(desktop->windowClass(w.id()), "TavikTestWindow");
  Rect r;
  ASSERT_TRUE(desktop->windowRect(w.id(), r));
  EXPECT_EQ(r, (Rect{100, 120, 400, 320}));
  EXPECT_TRUE(desktop->windowExists(w.id()));
  EXPECT_TRUE(desktop->windowVisible(w.id()));

  // From the foreground window, the walk down and the walk up together reach every window.
  const WindowId front = desktop->foregroundWindow();
  ASSERT_NE(front, 0u);
  bool found = front == w.id();
  for (WindowId below = desktop->windowBelow(front); below && !found;
       below = desktop->windowBelow(below))
    found = below == w.id();
  for (WindowId above = desktop->windowAbove(front); above && !found;
       above = desktop->windowAbove(above))
    found = above == w.id();
  EXPECT_TRUE(found);

  ASSERT_TRUE(desktop->moveWindow(w.id(), {50, 60, 250, 160}));
  ASSERT_TRUE(desktop->windowRect(w.id(), r));
  EXPECT_EQ(r, (Rect{50, 60, 250, 160}));
  const WindowId gone = w.id();
  DestroyWindow(w.hwnd());
  EXPECT_FALSE(desktop->windowExists(gone));
  EXPECT_EQ(desktop->windowTitle(0), "");
}

TEST_F(Win32DesktopTest, CaptureIsPixelExactAndClippedToTheScreen) {
  TestWindow w(L"capture", {200, 200, 300, 260});
  const Rect c = w.clientOnScreen();
  Image image;
  ASSERT_TRUE(desktop->captureScreen(c, image));
  ASSERT_EQ(image.width, 100);
  ASSERT_EQ(image.height, 60);
  EXPECT_EQ(image.at(0, 0), 0xFF0000u);
  EXPECT_EQ(image.at(49, 29), 0xFF0000u);
  EXPECT_EQ(image.at(50, 0), 0x00FF00u);
  EXPECT_EQ(image.at(0, 30), 0x0000FFu);
  EXPECT_EQ(image.at(99, 59), 0xFFFFFFu);

  const Size screen = desktop->screenSize();
  ASSERT_GT(screen.width, 0);
  ASSERT_TRUE(desktop->captureScreen({-10, -10, 20, 30}, image));
  EXPECT_EQ(image.width, 20);
  EXPECT_EQ(image.height, 30);
  EXPECT_FALSE(desktop->captureScreen({screen.width, 0, screen.width + 10, 10}, image));
}

TEST_F(Win32DesktopTest, KeysAndClicksArriveLikeTheUsers) {
  TestWindow w(L"输入", {300, 300, 500, 400}, true);
  type({vk::kDigit(8), vk::kDigit(8), vk::kDigit(3), vk::kDigit(0), vk::kDigit(0)});
  EXPECT_TRUE(PumpUntil([&] { return w.editText() == "88300"; })) << w.editText();

  // Ctrl+V pastes what the clipboard holds.
  ASSERT_TRUE(desktop->setClipboardText("12"));
  desktop->keyDown(vk::kControl);
  type({vk::kV});
  desktop->keyUp(vk::kControl);
  EXPECT_TRUE(PumpUntil([&] { return w.editText() == "8830012"; })) << w.editText();

  desktop->setCursorPos({400, 380});
  Pump(50);
  EXPECT_EQ(desktop->cursorPos(), (Point{400, 380}));
  desktop->leftButtonDown();
  desktop->leftButtonUp();
  Pump(50);
}

TEST_F(Win32DesktopTest, ClipboardRoundTripInBothFormats) {
  ASSERT_TRUE(desktop->setClipboardText("价格 88300"));
  std::string text;
  ASSERT_TRUE(desktop->clipboardText(text));
  EXPECT_EQ(text, "价格 88300");
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  CloseClipboard();
}

// The hook sees the injected keys with the system's flags, press and release, and a key it
// swallows never reaches the focused window.
TEST_F(Win32DesktopTest, HookSeesFlagsAndSwallowsWhatItIsToldTo) {
  TestWindow w(L"hook", {300, 300, 500, 400}, true);
  std::mutex mutex;
  std::vector<std::pair<int, int>> events;
  KeyboardHook hook;
  hook.proc = [&](int code, int key, int flags) {
    std::lock_guard lock(mutex);
    events.emplace_back(key, flags);
    return code == vk::kHcAction && key == vk::kEscape;
  };
  ASSERT_TRUE(desktop->installKeyboardHook(hook));
  type({vk::kReturn, vk::kSpace, vk::kF(2), vk::kEscape});
  auto seen = [&] {
    std::lock_guard lock(mutex);
    return events.size() >= 8;
  };
  ASSERT_TRUE(PumpUntil(seen));
  Pump(100);
  desktop->removeKeyboardHook();

  const std::vector<std::pair<int, int>> expected = {
      {vk::kReturn, vk::kFlagInjected}, {vk::kReturn, vk::kFlagInjected | vk::kFlagUp},
      {vk::kSpace, vk::kFlagInjected},  {vk::kSpace, vk::kFlagInjected | vk::kFlagUp},
      {vk::kF(2), vk::kFlagInjected},   {vk::kF(2), vk::kFlagInjected | vk::kFlagUp},
      {vk::kEscape, vk::kFlagInjected}, {vk::kEscape, vk::kFlagInjected | vk::kFlagUp}};
  {
    std::lock_guard lock(mutex);
    EXPECT_EQ(events, expected);
  }
  const std::vector<int>& keys = w.keysDown();
  EXPECT_NE(std::find(keys.begin(), keys.end(), vk::kReturn), keys.end());
  EXPECT_EQ(std::find(keys.begin(), keys.end(), vk::kEscape), keys.end()) << "Esc got through";

  // Removed: the next key reaches the window and nobody else.
  type({vk::kEscape});
  Pump(200);
  EXPECT_NE(std::find(keys.begin(), keys.end(), vk::kEscape), keys.end());
  std::lock_guard lock(mutex);
  EXPECT_EQ(events.size(), expected.size());
}

TEST_F(Win32DesktopTest, LaunchesAProgramAndKnowsTheVersion) {
  EXPECT_FALSE(desktop->launchProgram({}));
  EXPECT_FALSE(desktop->launchProgram({"C:\\no\\such\\program.exe", "x"}));
  EXPECT_TRUE(desktop->launchProgram({"cmd.exe", "/c", "exit 0"}));
  const OsVersion v = desktop->osVersion();
  EXPECT_GE(v.major, 5);
  EXPECT_EQ(v.description.rfind("Windows ", 0), 0u) << v.description;
}

}  // namespace
}  // namespace tavik
