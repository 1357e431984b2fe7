#include "app/keyboard_hook.h"

#include <gtest/gtest.h>

#include "platform/keys.h"

namespace tavik {
namespace {

using namespace vk;

struct KeyCase {
  const char* what;
  int latchBefore;  // g_functionKey before the event
  int code, key, flags;
  bool swallowed;
  int enter, space, latchAfter, counted;
};

TEST(KeyboardHook, EventTable) {
  const KeyCase cases[] = {
      {"not an action: passed on untouched", 0, 3, kReturn, 0, false, 0, 0, 0, 0},
      {"Enter pressed", 0, 0, kReturn, 0, false, 1, 0, 0, 1},
      {"Enter released", 0, 0, kReturn, kFlagUp, false, 1, 0, 0, 1},
      {"Enter injected by another program", 0, 0, kReturn, kFlagInjected, false, 1, 0, 0, 1},
      {"Esc pressed is swallowed", 0, 0, kEscape, 0, true, 0, 0, 0, 0},
      {"Esc released is swallowed", 0, 0, kEscape, kFlagUp, true, 0, 0, 0, 0},
      {"F2 released latches and is swallowed", 0, 0, kF(2), kFlagUp, true, 0, 0, 2, 0},
      {"F3 released latches and is swallowed", 0, 0, kF(3), kFlagUp, true, 0, 0, 3, 0},
      {"F5 released latches and passes", 0, 0, kF(5), kFlagUp, false, 0, 0, 5, 1},
      {"F12 released latches 12", 0, 0, kF12, kFlagUp, false, 0, 0, 12, 1},
      {"F2 pressed does nothing", 0, 0, kF(2), 0, false, 0, 0, 0, 1},
      {"F2 injected release does not count", 0, 0, kF(2), kFlagUp | kFlagInjected, false, 0, 0, 0,
       1},
      {"F2 release with Alt held does not count", 0, 0, kF(2), kFlagUp | kFlagAltDown, false, 0, 0,
       0, 1},
      {"F2 extended release does not count", 0, 0, kF(2), kFlagUp | kFlagExtended, false, 0, 0, 0,
       1},
      {"F2 while F5 is latched passes, changes nothing", 5, 0, kF(2), kFlagUp, false, 0, 0, 5, 1},
      {"Space released", 0, 0, kSpace, kFlagUp, false, 0, 9, 0, 1},
      {"Space pressed", 0, 0, kSpace, 0, false, 0, 0, 0, 1},
      {"Space injected release", 0, 0, kSpace, kFlagUp | kFlagInjected, false, 0, 0, 0, 1},
      {"a letter only counts", 0, 0, 'A', 0, false, 0, 0, 0, 1},
  };
  for (const KeyCase& c : cases) {
    KeyFlags keys;
    keys.g_functionKey = c.latchBefore;
    EXPECT_EQ(KeyboardHookProc(keys, c.code, c.key, c.flags), c.swallowed) << c.what;
    EXPECT_EQ(keys.g_enterPressed, c.enter) << c.what;
    EXPECT_EQ(keys.g_spacePressed, c.space) << c.what;
    EXPECT_EQ(keys.g_functionKey, c.latchAfter) << c.what;
    EXPECT_EQ(keys.g_keyCount, c.counted) << c.what;
  }
}

TEST(KeyboardHook, KeysWithheldInAdvance) {
  KeyFlags keys;
  EXPECT_TRUE(KeyKeptFromOthers(keys, kEscape));
  EXPECT_TRUE(KeyKeptFromOthers(keys, kF(2)));
  EXPECT_TRUE(KeyKeptFromOthers(keys, kF(3)));
  EXPECT_FALSE(KeyKeptFromOthers(keys, kF(5)));
  keys.g_functionKey = 5;
  EXPECT_TRUE(KeyKeptFromOthers(keys, kEscape));
  EXPECT_FALSE(KeyKeptFromOthers(keys, kF(2)));
  EXPECT_FALSE(KeyKeptFromOthers(keys, kF(3)));
}

}  // namespace
}  // namespace tavik
