#include "settings/hotkey_choices.h"

#include <gtest/gtest.h>

#include <string>

#include "core/app_state.h"
#include "tests/unit/test_support.h"

namespace {

// The choices and results below name the last actions of today's table by position.
static_assert(kHotkeyActionCount == 12, "update the positions and results expected below");

class HotkeyChoicesTest : public testing::Test {
 protected:
  void SetUp() override {
    g_app.configLoaded = true;
    // Every action on Ctrl + Alt + a function key of its own.
    for (int k = 0; k < kHotkeyActionCount; ++k)
      choices_[k] = {"Ctrl", "Alt", "F" + std::to_string(k % 10 + 1)};
    choices_[10] = {"Ctrl", "Shift", "F1"};
    choices_[11] = {"Ctrl", "Shift", "F2"};
  }
  TempDir dir_;
  CoreFixtureState state_{dir_};
  HotkeyChoices choices_;
};

TEST_F(HotkeyChoicesTest, StoresNamesWithTheirCodesAndRegistersThem) {
  choices_[0] = {"Ctrl", "Ctrl", "P"};      // two equal modifiers count once
  choices_[1] = {"Нет", "Нет", "Q"};        // the bare key
  choices_[2] = {"Shift", "", "Numpad /"};  // an empty box reads as a name without a code
  EXPECT_EQ(ApplyHotkeyChoices(choices_), 1);
  EXPECT_EQ(state_.hotkeys.active.size(), 12u);
  EXPECT_EQ(HotkeyBindings[0].Name2, "Ctrl");
  EXPECT_EQ((std::array{HotkeyBindings[0].Id1, HotkeyBindings[0].Id2, HotkeyBindings[0].Id3}),
            (std::array{2, 2, 0x50}));
  EXPECT_EQ((std::array{HotkeyBindings[1].Id1, HotkeyBindings[1].Id2, HotkeyBindings[1].Id3}),
            (std::array{0, 0, 0x51}));
  EXPECT_EQ((std::array{HotkeyBindings[2].Id1, HotkeyBindings[2].Id2, HotkeyBindings[2].Id3}),
            (std::array{4, -1, 0x6F}));
  EXPECT_EQ(HotkeyBindings[2].Name2, "");
}

TEST_F(HotkeyChoicesTest, RefusedChoiceIsSavedBeforeTheRegistrationFails) {
  choices_[2] = {"Ctrl", "Alt", "M"};   // Stop
  choices_[11] = {"Alt", "Ctrl", "M"};  // Mute, the same combination
  EXPECT_EQ(ApplyHotkeyChoices(choices_), -12);
  std::string config = dir_.Read("config.cfg");
  EXPECT_NE(config.find("MuteName1=Alt\r\nMuteName2=Ctrl\r\nMuteName3=M\r\n"), std::string::npos)
      << config;
}

TEST(HotkeyRefusedMessage, NamesTheActionOfTheResult) {
  EXPECT_EQ(HotkeyRefusedMessage(-10),
            "Невозможно зарегистрировать сочетание клавиш в поле 'Увеличить (громкость)'.\n"
            "Возможно эти клавиши были зарегистрированы ранее.\n"
            "Попробуйте другое сочетание клавиш.");
  EXPECT_NE(HotkeyRefusedMessage(-1).find(" 'Проиграть трек'."), std::string::npos);
  EXPECT_NE(HotkeyRefusedMessage(-12).find(" 'Вкл. / откл. звук'."), std::string::npos);
  for (int result : {1, 0, -13}) EXPECT_EQ(HotkeyRefusedMessage(result), "") << result;
}

}  // namespace
