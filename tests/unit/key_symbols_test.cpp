#include "platform/key_symbols.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "settings/hotkeys.h"

namespace {

struct NamedKey {
  const char* name;
  uint32_t code;
  uint32_t keysym;
};

// Every key a binding can name, with the X key symbol whose key the grab must take.
constexpr NamedKey kBindableKeys[] = {
    {"F1", 0x70, 0xffbe},
    {"F2", 0x71, 0xffbf},
    {"F3", 0x72, 0xffc0},
    {"F4", 0x73, 0xffc1},
    {"F5", 0x74, 0xffc2},
    {"F6", 0x75, 0xffc3},
    {"F7", 0x76, 0xffc4},
    {"F8", 0x77, 0xffc5},
    {"F9", 0x78, 0xffc6},
    {"F10", 0x79, 0xffc7},
    {"1", 0x31, '1'},
    {"2", 0x32, '2'},
    {"3", 0x33, '3'},
    {"4", 0x34, '4'},
    {"5", 0x35, '5'},
    {"6", 0x36, '6'},
    {"7", 0x37, '7'},
    {"8", 0x38, '8'},
    {"9", 0x39, '9'},
    {"0", 0x30, '0'},
    {"-", 0xBD, '-'},
    {"+", 0xBB, '='},
    {"Q", 'Q', 'q'},
    {"W", 'W', 'w'},
    {"E", 'E', 'e'},
    {"R", 'R', 'r'},
    {"T", 'T', 't'},
    {"Y", 'Y', 'y'},
    {"U", 'U', 'u'},
    {"I", 'I', 'i'},
    {"O", 'O', 'o'},
    {"P", 'P', 'p'},
    {"{", 0xDB, '['},
    {"}", 0xDD, ']'},
    {"A", 'A', 'a'},
    {"S", 'S', 's'},
    {"D", 'D', 'd'},
    {"F", 'F', 'f'},
    {"G", 'G', 'g'},
    {"H", 'H', 'h'},
    {"J", 'J', 'j'},
    {"K", 'K', 'k'},
    {"L", 'L', 'l'},
    {":", 0xBA, ';'},
    {"'", 0xDE, '\''},
    {"Z", 'Z', 'z'},
    {"X", 'X', 'x'},
    {"C", 'C', 'c'},
    {"V", 'V', 'v'},
    {"B", 'B', 'b'},
    {"N", 'N', 'n'},
    {"M", 'M', 'm'},
    {"<", 0xBC, ','},
    {">", 0xBE, '.'},
    {"?", 0xBF, '/'},
    {"Пробел", 0x20, ' '},
    {"Enter", 0x0D, 0xff0d},
    {"Numpad 0", 0x60, 0xffb0},
    {"Numpad 1", 0x61, 0xffb1},
    {"Numpad 2", 0x62, 0xffb2},
    {"Numpad 3", 0x63, 0xffb3},
    {"Numpad 4", 0x64, 0xffb4},
    {"Numpad 5", 0x65, 0xffb5},
    {"Numpad 6", 0x66, 0xffb6},
    {"Numpad 7", 0x67, 0xffb7},
    {"Numpad 8", 0x68, 0xffb8},
    {"Numpad 9", 0x69, 0xffb9},
    {"Numpad .", 0x6E, 0xffae},
    {"Numpad +", 0x6B, 0xffab},
    {"Numpad -", 0x6D, 0xffad},
    {"Numpad *", 0x6A, 0xffaa},
    {"Numpad /", 0x6F, 0xffaf},
    {"Стр. вверх", 0x26, 0xff52},
    {"Стр. вниз", 0x28, 0xff54},
    {"Стр. влево", 0x25, 0xff51},
    {"Стр. вправо", 0x27, 0xff53},
};

TEST(KeySymbols, EveryKeyNameHasItsSymbol) {
  ASSERT_EQ(76u, sizeof kBindableKeys / sizeof kBindableKeys[0]);
  // The key names of the table, in its order, carry these codes and grab these keys.
  for (int i = 4; i < kKeyNameCount; ++i) {
    const NamedKey& expected = kBindableKeys[i - 4];
    ASSERT_STREQ(expected.name, KeyNameTable[i].name);
    ASSERT_EQ(static_cast<int32_t>(expected.code), KeyNameTable[i].code) << expected.name;
    EXPECT_EQ(expected.keysym, VirtualKeyToKeysym(KeyNameTable[i].code)) << expected.name;
  }
}

TEST(KeySymbols, CodesWithoutAKeyCannotBeGrabbed) {
  // An unknown name is stored as -1, an empty binding as 0.
  for (uint32_t code : {0xFFFFFFFFu, 0u, 0x07u, 0xFFu, 0x1000u})
    EXPECT_EQ(0u, VirtualKeyToKeysym(code)) << code;
}

TEST(KeySymbols, ModifierNamesBecomeMasks) {
  // "Нет", "Alt", "Ctrl", "Shift" alone and as pairs (Id1 | Id2).
  const uint32_t masks[] = {0x00, 0x08, 0x04, 0x01};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      uint32_t mask = 0xDEAD;
      uint32_t modifiers = KeyNameTable[i].code | KeyNameTable[j].code;
      ASSERT_TRUE(HotkeyModifiersToMask(modifiers, &mask)) << modifiers;
      EXPECT_EQ(masks[i] | masks[j], mask) << KeyNameTable[i].name << " " << KeyNameTable[j].name;
    }
  }
  uint32_t mask = 0;
  EXPECT_FALSE(HotkeyModifiersToMask(0xFFFFFFFF, &mask));  // a modifier name not in the table
  EXPECT_FALSE(HotkeyModifiersToMask(0x4000, &mask));
}

}  // namespace
