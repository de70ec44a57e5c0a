#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "settings/hotkeys.h"
#include "tests/unit/test_support.h"

namespace {

TEST(KeyNameToCode, FindsExactNamesOnly) {
  struct Case {
    std::string name;
    int32_t code;
  } cases[] = {
      {"Нет", 0},  {"\xCD\xE5\xF2", 0},  // "Нет" as Windows-1251 bytes
      {"Alt", 1},  {"Shift", 4},        {"F10", 0x79},
      {"0", 0x30}, {"Пробел", 0x20},    {"Numpad /", 0x6F},
      {"{", 0xDB}, {"'", 0xDE},         {"Стр. вправо", 0x27},
      {"M", 'M'},  {"ctrl", -1},        {"", -1},
      {"F11", -1}, {"Numpad 1 ", -1},   {std::string("F1\0", 3), -1},
  };
  for (const Case& c : cases) EXPECT_EQ(KeyNameToCode(c.name), c.code) << c.name;
}

TEST(HotkeyActionForConfigPrefix, FindsExactPrefixesOnly) {
  struct Case {
    std::string prefix;
    int action;
  } cases[] = {
      {"Play", kActionPlay}, {"VolumeUp", kActionVolumeUp},
      {"Mute", kActionMute}, {"play", -1},
      {"Play ", -1},         {"", -1},
      {"VolumeUpName1", -1}, {std::string("Mute\0", 5), -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HotkeyActionForConfigPrefix(c.prefix), c.action) << c.prefix;
}

TEST(KeyNameTable, NamesAreUniqueAndModifiersComeFirst) {
  std::set<std::string> names;
  for (int i = 0; i < kKeyNameCount; ++i) {
    EXPECT_TRUE(names.insert(KeyNameTable[i].name).second) << KeyNameTable[i].name;
    EXPECT_EQ(KeyNameToCode(KeyNameTable[i].name), KeyNameTable[i].code);
  }
  EXPECT_STREQ(KeyNameTable[4].name, "F1");
  EXPECT_STREQ(KeyNameTable[79].name, "Стр. вправо");
}

// The expectations below name the twelve actions of today's table one by one.
static_assert(kHotkeyActionCount == 12, "update the ids and results expected below");

class RegisterAllHotkeysTest : public testing::Test {
 protected:
  void SetUp() override {
    // Each action gets Ctrl + a key of its own, so nothing collides unless a test wants it.
    for (int k = 0; k < kHotkeyActionCount; ++k) {
      HotkeyBindings[k].Id1 = 2;
      HotkeyBindings[k].Id2 = 0;
      HotkeyBindings[k].Id3 = 0x70 + k;
    }
  }
  std::vector<int> ActiveIds() const {
    std::vector<int> ids;
    for (const auto& registration : state_.hotkeys.active) ids.push_back(registration.id);
    return ids;
  }
  TempDir dir_;
  CoreFixtureState state_{dir_};
};

TEST_F(RegisterAllHotkeysTest, UnregistersFirstThenRegistersInActionOrder) {
  HotkeyBindings[0] = {"Ctrl", "Shift", "P", 2, 4, 0x50};
  HotkeyBindings[1] = {"Ctrl", "Ctrl", "P", 2, 2, 0x51};
  HotkeyBindings[2] = {"", "", "", -1, 0, -1};  // hand-edited codes pass unchanged
  EXPECT_EQ(RegisterAllHotkeys(), 1);
  EXPECT_EQ(state_.hotkeys.unregisterCalls,
            (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(ActiveIds(), (std::vector<int>{5, 3, 4, 11, 12, 7, 8, 9, 10, 1, 2, 6}));
  const auto& active = state_.hotkeys.active;
  EXPECT_EQ(active[0].modifiers, 6u);
  EXPECT_EQ(active[0].keyCode, 0x50u);
  EXPECT_EQ(active[1].modifiers, 2u);
  EXPECT_EQ(active[2].modifiers, 0xFFFFFFFFu);
  EXPECT_EQ(active[2].keyCode, 0xFFFFFFFFu);

  // A second call starts from a clean slate instead of failing on its own registrations.
  EXPECT_EQ(RegisterAllHotkeys(), 1);
  EXPECT_EQ(active.size(), 12u);
}

TEST_F(RegisterAllHotkeysTest, FailureReportsTheActionAndKeepsThoseBefore) {
  HotkeyBindings[11] = HotkeyBindings[2];  // Stop and Mute on one combination
  EXPECT_EQ(RegisterAllHotkeys(), -12);
  EXPECT_EQ(ActiveIds().size(), 11u);

  ResetHotkeyBindings();
  SetUp();
  state_.hotkeys.refused.push_back({2, 0x74});  // NTrack's combination is taken elsewhere
  EXPECT_EQ(RegisterAllHotkeys(), -5);
  EXPECT_EQ(ActiveIds(), (std::vector<int>{5, 3, 4, 11}));

  UnregisterAllHotkeys();
  EXPECT_TRUE(state_.hotkeys.active.empty());
}

}  // namespace
