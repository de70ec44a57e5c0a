#include "settings/hotkey_choices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app_state.h"
#include "settings/desktop_shortcuts.h"
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

// Under the desktop's shortcuts the choices are saved for it to bind; no key is grabbed here.
TEST_F(HotkeyChoicesTest, StoredChoicesAreSavedWithoutRegistering) {
  choices_[11] = {"Alt", "Ctrl", "M"};
  StoreHotkeyChoices(choices_);
  EXPECT_TRUE(state_.hotkeys.active.empty());
  EXPECT_EQ(HotkeyBindings[11].Id3, 'M');
  EXPECT_NE(dir_.Read("config.cfg").find("MuteName3=M\r\n"), std::string::npos);
}

class ReportedTriggers : public DesktopShortcuts {
 public:
  bool Bound() const override { return true; }
  std::string TriggerOf(HotkeyActionIndex action) const override { return triggers[action]; }
  void Reread() override {}
  void Rebind() override {}
  void Listen(std::function<void()>) override {}
  std::array<std::string, kHotkeyActionCount> triggers;
};

TEST(DesktopBindingResult, NamesTheFirstActionLeftUnbound) {
  struct Row {
    std::vector<int> unbound;
    int result;
  };
  const Row rows[] = {
      {{}, 1},
      {{0}, -1},
      {{11}, -12},
      {{9, 3}, -4},  // the first in the table's order, not the order reported
  };
  for (const Row& row : rows) {
    ReportedTriggers shortcuts;
    shortcuts.triggers.fill("Ctrl+Alt+Num+5");
    for (int k : row.unbound) shortcuts.triggers[k] = "";
    EXPECT_EQ(DesktopBindingResult(shortcuts), row.result) << row.unbound.size();
  }
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

TEST(HotkeyBoxes, ModifierBoxesOfferNoKeysAndTheKeyBoxNoModifiers) {
  for (int field : {0, 1}) {
    std::vector<int> entries = HotkeyBoxEntries(field);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_STREQ(KeyNameTable[entries.front()].name, "Нет");
    EXPECT_STREQ(KeyNameTable[entries.back()].name, "Shift");
  }
  std::vector<int> keys = HotkeyBoxEntries(2);
  ASSERT_EQ(static_cast<int>(keys.size()), kKeyNameCount - 4);
  EXPECT_STREQ(KeyNameTable[keys.front()].name, "F1");
  EXPECT_STREQ(KeyNameTable[keys.back()].name, "Стр. вправо");
}

TEST(HotkeyBoxes, OnlyAnExactNameOfTheBoxIsSelected) {
  struct Case {
    int field;
    const char* name;
    bool found;
  };
  const Case cases[] = {
      {0, "Ctrl", true}, {1, "Нет", true},   {2, "Numpad /", true},
      {0, "", false},    {0, "ctrl", false},  // CB_FINDSTRINGEXACT alone would take it
      {0, "Ctr", false}, {2, "Нет", false},   // no key is "Нет"
      {0, "F1", false},  {2, "Ctrl", false}, {2, "F1 ", false},
  };
  for (const Case& c : cases) {
    int entry = HotkeyBoxEntry(c.field, c.name);
    EXPECT_EQ(entry >= 0, c.found) << c.field << " " << c.name;
    if (entry >= 0) {
      EXPECT_STREQ(KeyNameTable[entry].name, c.name);
    }
  }
}

TEST(HotkeyBoxes, ControlIdsNameTheActionAndFieldBothWays) {
  int action = -1;
  int field = -1;
  for (int k = 0; k < kHotkeyActionCount; ++k) {
    for (int f = 0; f < kHotkeyBoxFields; ++f) {
      ASSERT_TRUE(HotkeyBoxPlace(HotkeyBoxId(k, f), &action, &field));
      EXPECT_EQ(action, k);
      EXPECT_EQ(field, f);
    }
  }
  EXPECT_EQ(HotkeyBoxId(0, 0), 1007);
  EXPECT_EQ(HotkeyBoxId(11, 2), 1042);
  EXPECT_FALSE(HotkeyBoxPlace(1006, &action, &field));  // the options dialog's OK
  EXPECT_FALSE(HotkeyBoxPlace(HotkeyBoxId(kHotkeyActionCount, 0), &action, &field));
}
