#pragma once
// Translation between X keysyms and the neutral (Windows virtual-key) codes of platform/keys.h.

#include <X11/X.h>

namespace tavik::x11 {

// The keysym to press for a virtual-key code; NoSymbol when the code has none here.
KeySym keysymForVk(int vk);

struct VkOfKey {
  int vk = 0;             // 0: a key we have no code for
  bool extended = false;  // the low-level hook's "extended key" flag
};
// The virtual-key code that a low-level hook reports for a key with this (unshifted) keysym.
VkOfKey vkForKeysym(KeySym keysym);

}  // namespace tavik::x11
