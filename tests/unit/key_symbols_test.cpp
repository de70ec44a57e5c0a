#include "platform/key_symbols.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "settings/hotkeys.h"

namespace {

struct NamedKey {
  const char* name;
  uint32_t code;
  uint32_t keysym;
  const char* symbolName;  // as the desktop portal's triggers spell it
};

// Every key a binding can name, with the X key symbol whose key the grab must take and that
// symbol's name.
constexpr NamedKey kBindableKeys[] = {
    {"F1", 0x70, 0xffbe, "F1"},
    {"F2", 0x71, 0xffbf, "F2"},
    {"F3", 0x72, 0xffc0, "F3"},
    {"F4", 0x73, 0xffc1, "F4"},
    {"F5", 0x74, 0xffc2, "F5"},
    {"F6", 0x75, 0xffc3, "F6"},
    {"F7", 0x76, 0xffc4, "F7"},
    {"F8", 0x77, 0xffc5, "F8"},
    {"F9", 0x78, 0xffc6, "F9"},
    {"F10", 0x79, 0xffc7, "F10"},
    {"1", 0x31, '1', "1"},
    {"2", 0x32, '2', "2"},
    {"3", 0x33, '3', "3"},
    {"4", 0x34, '4', "4"},
    {"5", 0x35, '5', "5"},
    {"6", 0x36, '6', "6"},
    {"7", 0x37, '7', "7"},
    {"8", 0x38, '8', "8"},
    {"9", 0x39, '9', "9"},
    {"0", 0x30, '0', "0"},
    {"-", 0xBD, '-', "minus"},
    {"+", 0xBB, '=', "equal"},
    {"Q", 'Q', 'q', "q"},
    {"W", 'W', 'w', "w"},
    {"E", 'E', 'e', "e"},
    {"R", 'R', 'r', "r"},
    {"T", 'T', 't', "t"},
    {"Y", 'Y', 'y', "y"},
    {"U", 'U', 'u', "u"},
    {"I", 'I', 'i', "i"},
    {"O", 'O', 'o', "o"},
    {"P", 'P', 'p', "p"},
    {"{", 0xDB, '[', "bracketleft"},
    {"}", 0xDD, ']', "bracketright"},
    {"A", 'A', 'a', "a"},
    {"S", 'S', 's', "s"},
    {"D", 'D', 'd', "d"},
    {"F", 'F', 'f', "f"},
    {"G", 'G', 'g', "g"},
    {"H", 'H', 'h', "h"},
    {"J", 'J', 'j', "j"},
    {"K", 'K', 'k', "k"},
    {"L", 'L', 'l', "l"},
    {":", 0xBA, ';', "semicolon"},
    {"'", 0xDE, '\'', "apostrophe"},
    {"Z", 'Z', 'z', "z"},
    {"X", 'X', 'x', "x"},
    {"C", 'C', 'c', "c"},
    {"V", 'V', 'v', "v"},
    {"B", 'B', 'b', "b"},
    {"N", 'N', 'n', "n"},
    {"M", 'M', 'm', "m"},
    {"<", 0xBC, ',', "comma"},
    {">", 0xBE, '.', "period"},
    {"?", 0xBF, '/', "slash"},
    {"Пробел", 0x20, ' ', "space"},
    {"Enter", 0x0D, 0xff0d, "Return"},
    {"Numpad 0", 0x60, 0xffb0, "KP_0"},
    {"Numpad 1", 0x61, 0xffb1, "KP_1"},
    {"Numpad 2", 0x62, 0xffb2, "KP_2"},
    {"Numpad 3", 0x63, 0xffb3, "KP_3"},
    {"Numpad 4", 0x64, 0xffb4, "KP_4"},
    {"Numpad 5", 0x65, 0xffb5, "KP_5"},
    {"Numpad 6", 0x66, 0xffb6, "KP_6"},
    {"Numpad 7", 0x67, 0xffb7, "KP_7"},
    {"Numpad 8", 0x68, 0xffb8, "KP_8"},
    {"Numpad 9", 0x69, 0xffb9, "KP_9"},
    {"Numpad .", 0x6E, 0xffae, "KP_Decimal"},
    {"Numpad +", 0x6B, 0xffab, "KP_Add"},
    {"Numpad -", 0x6D, 0xffad, "KP_Subtract"},
    {"Numpad *", 0x6A, 0xffaa, "KP_Multiply"},
    {"Numpad /", 0x6F, 0xffaf, "KP_Divide"},
    {"Стр. вверх", 0x26, 0xff52, "Up"},
    {"Стр. вниз", 0x28, 0xff54, "Down"},
    {"Стр. влево", 0x25, 0xff51, "Left"},
    {"Стр. вправо", 0x27, 0xff53, "Right"},
};

TEST(KeySymbols, EveryKeyNameHasItsSymbol) {
  ASSERT_EQ(76u, sizeof kBindableKeys / sizeof kBindableKeys[0]);
  // The key names of the table, in its order, carry these codes and grab these keys.
  for (int i = 4; i < kKeyNameCount; ++i) {
    const NamedKey& expected = kBindableKeys[i - 4];
    ASSERT_STREQ(expected.name, KeyNameTable[i].name);
    ASSERT_EQ(static_cast<int32_t>(expected.code), KeyNameTable[i].code) << expected.name;
    EXPECT_EQ(expected.keysym, VirtualKeyToKeysym(KeyNameTable[i].code)) << expected.name;
    EXPECT_EQ(expected.symbolName, VirtualKeyToKeysymName(KeyNameTable[i].code)) << expected.name;
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

struct TriggerRow {
  uint32_t modifiers;
  uint32_t code;
  const char* trigger;  // nullptr: none can be made
};

constexpr TriggerRow kTriggers[] = {
    {0x3, 0x65, "CTRL+ALT+KP_5"},  // the default binding of Pause
    {0x0, 0x70, "F1"},             // no modifier
    {0x2, 0x70, "CTRL+F1"},
    {0x4, 'Q', "SHIFT+q"},      // a letter by its lower-case symbol, as xkbcommon names it
    {0x8, 0xBB, "LOGO+equal"},  // "+" is the "=" key
    {0xF, 0x20, "CTRL+ALT+SHIFT+LOGO+space"},  // the portal's order, whatever the bits'
    {0x6, 0x26, "CTRL+SHIFT+Up"},
    {0x1, 0x87, "ALT+F24"},       // the last function key
    {0x3, 0x88, nullptr},         // past F24
    {0x3, 0xFFFFFFFF, nullptr},   // a key name not in the table
    {0x3, 0, nullptr},            // an empty binding
    {0xFFFFFFFF, 0x65, nullptr},  // a modifier name not in the table
    {0x10, 0x65, nullptr},        // MOD_NOREPEAT and beyond
};

TEST(KeySymbols, BindingsBecomePortalTriggers) {
  for (const TriggerRow& row : kTriggers) {
    std::string trigger = "untouched";
    bool made = HotkeyToTrigger(row.modifiers, row.code, &trigger);
    EXPECT_EQ(row.trigger != nullptr, made) << row.modifiers << " " << row.code;
    if (row.trigger) {
      EXPECT_EQ(row.trigger, trigger) << row.modifiers << " " << row.code;
    }
  }
}

}  // namespace
