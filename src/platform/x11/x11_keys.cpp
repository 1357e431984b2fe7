#include "platform/x11/x11_keys.h"

#include <X11/keysym.h>

#include <iterator>

#include "platform/keys.h"

namespace tavik::x11 {
namespace {

struct Entry {
  int vk;
  KeySym keysym;
  bool extended;
};

// Keys that keep their code whatever the layout. Left and right modifiers are told apart the
// way a low-level hook does (VK_LSHIFT ... VK_RMENU); the generic codes are for injection.
constexpr Entry kTable[] = {
    {0x08, XK_BackSpace, false},   {0x09, XK_Tab, false},         {0x0D, XK_Return, false},
    {0x0D, XK_KP_Enter, true},     {0x13, XK_Pause, false},       {0x14, XK_Caps_Lock, false},
    {0x1B, XK_Escape, false},      {0x20, XK_space, false},       {0x21, XK_Prior, true},
    {0x22, XK_Next, true},         {0x23, XK_End, true},          {0x24, XK_Home, true},
    {0x25, XK_Left, true},         {0x26, XK_Up, true},           {0x27, XK_Right, true},
    {0x28, XK_Down, true},         {0x2C, XK_Print, true},        {0x2D, XK_Insert, true},
    {0x2E, XK_Delete, true},       {0x5B, XK_Super_L, true},      {0x5C, XK_Super_R, true},
    {0x5D, XK_Menu, true},         {0x6A, XK_KP_Multiply, false}, {0x6B, XK_KP_Add, false},
    {0x6D, XK_KP_Subtract, false}, {0x6E, XK_KP_Decimal, false},  {0x6F, XK_KP_Divide, true},
    {0x90, XK_Num_Lock, true},     {0x91, XK_Scroll_Lock, false}, {0xA0, XK_Shift_L, false},
    {0xA1, XK_Shift_R, true},      {0xA2, XK_Control_L, false},   {0xA3, XK_Control_R, true},
    {0xA4, XK_Alt_L, false},       {0xA5, XK_Alt_R, true},        {0xA5, XK_ISO_Level3_Shift, true},
};

}  // namespace

KeySym keysymForVk(int vk) {
  if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
  if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
  if (vk >= 0x60 && vk <= 0x69) return XK_KP_0 + (vk - 0x60);
  if (vk >= vk::kF1 && vk <= vk::kF1 + 23) return XK_F1 + (vk - vk::kF1);
  switch (vk) {
    case 0x10:
      return XK_Shift_L;
    case vk::kControl:
      return XK_Control_L;
    case 0x12:
      return XK_Alt_L;
    default:
      break;
  }
  for (const Entry& e : kTable)
    if (e.vk == vk) return e.keysym;
  return NoSymbol;
}

VkOfKey vkForKeysym(KeySym keysym) {
  if (keysym >= XK_0 && keysym <= XK_9) return {int('0' + (keysym - XK_0)), false};
  if (keysym >= XK_a && keysym <= XK_z) return {int('A' + (keysym - XK_a)), false};
  if (keysym >= XK_A && keysym <= XK_Z) return {int('A' + (keysym - XK_A)), false};
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return {int(0x60 + (keysym - XK_KP_0)), false};
  if (keysym >= XK_F1 && keysym <= XK_F24) return {int(vk::kF1 + (keysym - XK_F1)), false};
  for (const Entry& e : kTable)
    if (e.keysym == keysym) return {e.vk, e.extended};
  return {};
}

}  // namespace tavik::x11
