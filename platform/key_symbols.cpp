#include "platform/key_symbols.h"

namespace {

// Core X protocol modifier masks.
constexpr uint32_t kShiftMask = 1 << 0;
constexpr uint32_t kControlMask = 1 << 2;
constexpr uint32_t kMod1Mask = 1 << 3;  // Alt
constexpr uint32_t kMod4Mask = 1 << 6;  // Super

struct KeyPair {
  uint32_t virtualKey;
  uint32_t keysym;
};

// The punctuation and editing keys. The OEM codes name physical keys of the US layout, so each
// maps to the unshifted symbol of that key: VK_OEM_PLUS is the "=" key, VK_OEM_4 the "[" key.
constexpr KeyPair kSingleKeys[] = {
    {0x08, 0xff08},  // VK_BACK: BackSpace
    {0x09, 0xff09},  // VK_TAB: Tab
    {0x0D, 0xff0d},  // VK_RETURN: Return
    {0x13, 0xff13},  // VK_PAUSE: Pause
    {0x1B, 0xff1b},  // VK_ESCAPE: Escape
    {0x20, 0x0020},  // VK_SPACE: space
    {0x21, 0xff55},  // VK_PRIOR: Prior
    {0x22, 0xff56},  // VK_NEXT: Next
    {0x23, 0xff57},  // VK_END: End
    {0x24, 0xff50},  // VK_HOME: Home
    {0x25, 0xff51},  // VK_LEFT: Left
    {0x26, 0xff52},  // VK_UP: Up
    {0x27, 0xff53},  // VK_RIGHT: Right
    {0x28, 0xff54},  // VK_DOWN: Down
    {0x2D, 0xff63},  // VK_INSERT: Insert
    {0x2E, 0xffff},  // VK_DELETE: Delete
    {0x6A, 0xffaa},  // VK_MULTIPLY: KP_Multiply
    {0x6B, 0xffab},  // VK_ADD: KP_Add
    {0x6D, 0xffad},  // VK_SUBTRACT: KP_Subtract
    {0x6E, 0xffae},  // VK_DECIMAL: KP_Decimal
    {0x6F, 0xffaf},  // VK_DIVIDE: KP_Divide
    {0xBA, 0x003b},  // VK_OEM_1: semicolon
    {0xBB, 0x003d},  // VK_OEM_PLUS: equal
    {0xBC, 0x002c},  // VK_OEM_COMMA: comma
    {0xBD, 0x002d},  // VK_OEM_MINUS: minus
    {0xBE, 0x002e},  // VK_OEM_PERIOD: period
    {0xBF, 0x002f},  // VK_OEM_2: slash
    {0xC0, 0x0060},  // VK_OEM_3: grave
    {0xDB, 0x005b},  // VK_OEM_4: bracketleft
    {0xDC, 0x005c},  // VK_OEM_5: backslash
    {0xDD, 0x005d},  // VK_OEM_6: bracketright
    {0xDE, 0x0027},  // VK_OEM_7: apostrophe
};

}  // namespace

uint32_t VirtualKeyToKeysym(uint32_t virtualKey) {
  if (virtualKey >= '0' && virtualKey <= '9') return virtualKey;  // XK_0 .. XK_9
  // Letters grab by their lower-case symbol, the one a key's first level carries.
  if (virtualKey >= 'A' && virtualKey <= 'Z') return virtualKey + ('a' - 'A');
  if (virtualKey >= 0x60 && virtualKey <= 0x69) return 0xffb0 + (virtualKey - 0x60);  // KP_0..
  if (virtualKey >= 0x70 && virtualKey <= 0x87) return 0xffbe + (virtualKey - 0x70);  // F1..F24
  for (const KeyPair& pair : kSingleKeys)
    if (pair.virtualKey == virtualKey) return pair.keysym;
  return 0;
}

bool HotkeyModifiersToMask(uint32_t modifiers, uint32_t* mask) {
  if (modifiers & ~uint32_t{0x0F}) return false;
  *mask = 0;
  if (modifiers & 0x1) *mask |= kMod1Mask;
  if (modifiers & 0x2) *mask |= kControlMask;
  if (modifiers & 0x4) *mask |= kShiftMask;
  if (modifiers & 0x8) *mask |= kMod4Mask;
  return true;
}
