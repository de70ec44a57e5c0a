#include "platform/key_symbols.h"

#include <string>

namespace {

// Core X protocol modifier masks.
constexpr uint32_t kShiftMask = 1 << 0;
constexpr uint32_t kControlMask = 1 << 2;
constexpr uint32_t kMod1Mask = 1 << 3;  // Alt
constexpr uint32_t kMod4Mask = 1 << 6;  // Super

struct KeyPair {
  uint32_t virtualKey;
  uint32_t keysym;
  const char* name;  // the symbol's name, as xkbcommon and the desktop's shortcut triggers spell it
};

// The punctuation and editing keys, each with its symbol's name. The OEM codes name physical keys
// of the US layout, so each maps to the unshifted symbol of that key: VK_OEM_PLUS is the "=" key,
// VK_OEM_4 the "[" key.
constexpr KeyPair kSingleKeys[] = {
    {0x08, 0xff08, "BackSpace"},     // VK_BACK
    {0x09, 0xff09, "Tab"},           // VK_TAB
    {0x0D, 0xff0d, "Return"},        // VK_RETURN
    {0x13, 0xff13, "Pause"},         // VK_PAUSE
    {0x1B, 0xff1b, "Escape"},        // VK_ESCAPE
    {0x20, 0x0020, "space"},         // VK_SPACE
    {0x21, 0xff55, "Prior"},         // VK_PRIOR
    {0x22, 0xff56, "Next"},          // VK_NEXT
    {0x23, 0xff57, "End"},           // VK_END
    {0x24, 0xff50, "Home"},          // VK_HOME
    {0x25, 0xff51, "Left"},          // VK_LEFT
    {0x26, 0xff52, "Up"},            // VK_UP
    {0x27, 0xff53, "Right"},         // VK_RIGHT
    {0x28, 0xff54, "Down"},          // VK_DOWN
    {0x2D, 0xff63, "Insert"},        // VK_INSERT
    {0x2E, 0xffff, "Delete"},        // VK_DELETE
    {0x6A, 0xffaa, "KP_Multiply"},   // VK_MULTIPLY
    {0x6B, 0xffab, "KP_Add"},        // VK_ADD
    {0x6D, 0xffad, "KP_Subtract"},   // VK_SUBTRACT
    {0x6E, 0xffae, "KP_Decimal"},    // VK_DECIMAL
    {0x6F, 0xffaf, "KP_Divide"},     // VK_DIVIDE
    {0xBA, 0x003b, "semicolon"},     // VK_OEM_1
    {0xBB, 0x003d, "equal"},         // VK_OEM_PLUS
    {0xBC, 0x002c, "comma"},         // VK_OEM_COMMA
    {0xBD, 0x002d, "minus"},         // VK_OEM_MINUS
    {0xBE, 0x002e, "period"},        // VK_OEM_PERIOD
    {0xBF, 0x002f, "slash"},         // VK_OEM_2
    {0xC0, 0x0060, "grave"},         // VK_OEM_3
    {0xDB, 0x005b, "bracketleft"},   // VK_OEM_4
    {0xDC, 0x005c, "backslash"},     // VK_OEM_5
    {0xDD, 0x005d, "bracketright"},  // VK_OEM_6
    {0xDE, 0x0027, "apostrophe"},    // VK_OEM_7
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

std::string VirtualKeyToKeysymName(uint32_t virtualKey) {
  uint32_t keysym = VirtualKeyToKeysym(virtualKey);
  if (keysym == 0) return "";
  // Digits and lower-case letters are named by themselves.
  if ((keysym >= '0' && keysym <= '9') || (keysym >= 'a' && keysym <= 'z'))
    return std::string(1, static_cast<char>(keysym));
  if (keysym >= 0xffb0 && keysym <= 0xffb9) return "KP_" + std::to_string(keysym - 0xffb0);
  if (keysym >= 0xffbe && keysym <= 0xffd5) return "F" + std::to_string(keysym - 0xffbe + 1);
  for (const KeyPair& pair : kSingleKeys)
    if (pair.virtualKey == virtualKey) return pair.name;
  return "";
}

bool HotkeyToTrigger(uint32_t modifiers, uint32_t virtualKey, std::string* trigger) {
  std::string key = VirtualKeyToKeysymName(virtualKey);
  if (key.empty() || (modifiers & ~uint32_t{0x0F})) return false;
  // The order the desktop portal's documentation writes them in.
  constexpr struct {
    uint32_t bit;
    const char* name;
  } kModifiers[] = {{0x2, "CTRL"}, {0x1, "ALT"}, {0x4, "SHIFT"}, {0x8, "LOGO"}};
  trigger->clear();
  for (const auto& modifier : kModifiers) {
    if (modifiers & modifier.bit) *trigger += std::string(modifier.name) + "+";
  }
  *trigger += key;
  return true;
}
