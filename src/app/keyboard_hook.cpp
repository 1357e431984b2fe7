#include "app/keyboard_hook.h"

#include "platform/keys.h"

namespace tavik {

bool KeyboardHookProc(KeyFlags& flags, int code, int vk, int eventFlags, int64_t nowMs) {
  if (code != vk::kHcAction) return false;
  // The press's time, never 0 (0 means none pending).
  if (vk == vk::kReturn) flags.g_enterPressed = nowMs > 0 ? nowMs : 1;
  if (vk == vk::kEscape) return true;
  // Only a plain release counts: injected, extended or Alt-held releases carry other flag bits.
  if (flags.g_functionKey == 0 && vk >= vk::kF1 && vk <= vk::kF12 && eventFlags == vk::kFlagUp) {
    const int number = vk - vk::kF1 + 1;
    flags.g_functionKey = number;
    if (number == 2 || number == 3) return true;
  }
  if (vk == vk::kSpace && eventFlags == vk::kFlagUp) flags.g_spacePressed = 9;
  ++flags.g_keyCount;
  return false;
}

bool KeyKeptFromOthers(const KeyFlags& flags, int vk) {
  if (vk == vk::kEscape) return true;
  return (vk == vk::kF(2) || vk == vk::kF(3)) && flags.g_functionKey == 0;
}

}  // namespace tavik
