#pragma once
// Neutral key codes: the Windows virtual-key codes and low-level hook flags. Every platform
// backend translates its own key events to and from these.

namespace tavik::vk {

inline constexpr int kBack = 0x08;
inline constexpr int kReturn = 0x0D;
inline constexpr int kControl = 0x11;
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kDelete = 0x2E;
inline constexpr int k0 = 0x30;  // '0'..'9' are 0x30..0x39
inline constexpr int kC = 0x43;
inline constexpr int kV = 0x56;
inline constexpr int kF1 = 0x70;  // F1..F12 are 0x70..0x7B
inline constexpr int kF12 = 0x7B;

inline constexpr int kDigit(int d) {
  return k0 + d;
}
inline constexpr int kF(int n) {
  return kF1 + n - 1;
}

// Flags of a low-level keyboard event.
inline constexpr int kFlagExtended = 0x01;
inline constexpr int kFlagInjected = 0x10;
inline constexpr int kFlagAltDown = 0x20;
inline constexpr int kFlagUp = 0x80;  // LLKHF_UP: the key was released

inline constexpr int kHcAction = 0;

}  // namespace tavik::vk
