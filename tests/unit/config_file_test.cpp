#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "playlist/text_file.h"
#include "settings/config_file.h"
#include "settings/hotkeys.h"
#include "tests/unit/test_support.h"

namespace {

// The lines of a typical file; Cyrillic names, a negative code and a flag of 7 included.
std::vector<std::string> SampleLines() {
  std::vector<std::string> lines = {"[Main]",    "Volume=35",  "Mute=0",     "Repeat=7",
                                    "Shuffle=1", "Autoload=0", "Autoplay=1", "[HotKeys]"};
  const char* keys[] = {"Пробел", "P", "S", "Стр. влево", "Стр. вправо", "{",
                        "}",      "O", "F", "Стр. вверх", "Стр. вниз",   "Numpad 1"};
  static_assert(std::size(keys) == kHotkeyActionCount, "a key for each hotkey action");
  for (int k = 0; k < kHotkeyActionCount; ++k) {
    std::string prefix = HotkeyActions[k].configPrefix;
    lines.push_back(prefix + "Name1=Ctrl");
    lines.push_back(prefix + "Name2=" + (k == 3 ? "Нет" : "Alt"));
    lines.push_back(prefix + "Name3=" + keys[k]);
    lines.push_back(prefix + "Id1=2");
    lines.push_back(prefix + "Id2=" + (k == 3 ? "0" : "1"));
    lines.push_back(prefix + "Id3=" + (k == 11 ? "-1" : std::to_string(KeyNameToCode(keys[k]))));
  }
  return lines;
}

std::string Join(const std::vector<std::string>& lines, const std::string& lineEnd) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? lineEnd : "") + lines[i];
  return text;
}

class ConfigFileTest : public LocaleParamTest {
 protected:
  void WriteConfig(const std::string& bytes) {
    dir_.Write("hotkeys.txt", "");
    dir_.Write("config.cfg", bytes);
  }
  TempDir dir_;
  CoreFixtureState state_{dir_};
};

TEST_P(ConfigFileTest, SaveAfterLoadGivesTheSameBytes) {
  const std::string original = Join(SampleLines(), "\r\n");
  WriteConfig(original);
  ASSERT_EQ(LoadConfig(), 0);
  EXPECT_TRUE(g_app.configLoaded);
  EXPECT_EQ(g_app.Volume, 35);
  EXPECT_EQ(g_app.Repeat, 7);
  EXPECT_EQ(g_app.Autoplay, 1);
  EXPECT_EQ(HotkeyBindings[0].Name3, "\xCF\xF0\xEE\xE1\xE5\xEB");  // "Пробел" in Windows-1251
  EXPECT_EQ(HotkeyBindings[3].Name2, "Нет");
  EXPECT_EQ(HotkeyBindings[9].Id3, 0x26);
  EXPECT_EQ(HotkeyBindings[11].Id3, -1);

  dir_.Write("config.cfg", "changed");
  SaveConfig();
  EXPECT_EQ(dir_.Read("config.cfg"), original);
}

TEST_P(ConfigFileTest, LineEndingsOfAnyKindLoadAlike) {
  for (const std::string& text : {Join(SampleLines(), "\n"), Join(SampleLines(), "\r\n") + "\r\n",
                                  Join(SampleLines(), "\n") + "\n"}) {
    ResetHotkeyBindings();
    WriteConfig(text);
    ASSERT_EQ(LoadConfig(), 0);
    EXPECT_EQ(g_app.Volume, 35);
    EXPECT_EQ(HotkeyBindings[11].Name3, "Numpad 1");
    EXPECT_EQ(HotkeyBindings[11].Id3, -1);
    SaveConfig();
    EXPECT_EQ(dir_.Read("config.cfg"), Join(SampleLines(), "\r\n"));
  }
}

TEST_P(ConfigFileTest, ValuesAreTakenByPositionAfterTheLastEquals) {
  std::vector<std::string> lines = SampleLines();
  lines[1] = "Mute=1";          // the key is never read: this is still the volume
  lines[8] = "PlayName1=a=b";   // the text after the last '='
  lines[9] = "no equals sign";  // the whole line
  lines[10] = "PlayName3=";     // empty
  lines[11] = "PlayId1=  -12abc";
  WriteConfig(Join(lines, "\r\n"));
  ASSERT_EQ(LoadConfig(), 0);
  EXPECT_EQ(g_app.Volume, 1);
  EXPECT_EQ(HotkeyBindings[0].Name1, "b");
  EXPECT_EQ(HotkeyBindings[0].Name2, "no equals sign");
  EXPECT_EQ(HotkeyBindings[0].Name3, "");
  EXPECT_EQ(HotkeyBindings[0].Id1, -12);
}

TEST_P(ConfigFileTest, LongLinesDoNotShiftTheLinesAfterThem) {
  std::vector<std::string> lines = SampleLines();
  lines[0] = "[Main]" + std::string(300, ' ');
  lines[8] = "PlayName1=" + std::string(400, 'x');
  WriteConfig(Join(lines, "\r\n"));
  ASSERT_EQ(LoadConfig(), 0);
  EXPECT_EQ(g_app.Volume, 35);
  EXPECT_EQ(HotkeyBindings[0].Name1, std::string(400, 'x'));
  EXPECT_EQ(HotkeyBindings[0].Name2, "Alt");
  EXPECT_EQ(HotkeyBindings[11].Name3, "Numpad 1");
}

TEST_P(ConfigFileTest, ShortFileReadsMissingLinesAsEmpty) {
  std::vector<std::string> lines = SampleLines();
  lines.resize(10);  // ends after PlayName2
  WriteConfig(Join(lines, "\r\n"));
  HotkeyBindings[5].Name1 = "stale";
  HotkeyBindings[5].Id1 = 9;
  ASSERT_EQ(LoadConfig(), 0);
  EXPECT_EQ(HotkeyBindings[0].Name2, "Alt");
  EXPECT_EQ(HotkeyBindings[0].Name3, "");
  EXPECT_EQ(HotkeyBindings[0].Id3, 0);
  EXPECT_EQ(HotkeyBindings[5].Name1, "");
  EXPECT_EQ(HotkeyBindings[5].Id1, 0);
}

TEST_P(ConfigFileTest, FailedLoadLeavesEverythingAndSaveKeepsTheUsersFile) {
  dir_.Write("config.cfg", Join(SampleLines(), "\r\n"));
  EXPECT_EQ(LoadConfig(), -1) << "hotkeys.txt is missing";
  EXPECT_FALSE(g_app.configLoaded);
  EXPECT_EQ(g_app.Volume, 0);
  EXPECT_EQ(HotkeyBindings[0].Name1, "");
  SaveConfig();
  EXPECT_EQ(dir_.Read("config.cfg"), Join(SampleLines(), "\r\n"));

  TempDir empty;
  CoreFixtureState state(empty);
  empty.Write("hotkeys.txt", "any text");
  EXPECT_EQ(LoadConfig(), -2);
  SaveConfig();
  EXPECT_FALSE(empty.Exists("config.cfg"));
}

TEST_P(ConfigFileTest, FailedWriteKeepsThePreviousFile) {
  const std::string original = Join(SampleLines(), "\r\n");
  WriteConfig(original);
  ASSERT_EQ(LoadConfig(), 0);
  g_app.Volume = 50;
  std::filesystem::create_directory(dir_.File("config.cfg.tmp"));  // blocks the temporary file
  SaveConfig();
  EXPECT_EQ(dir_.Read("config.cfg"), original);
}

TEST_P(ConfigFileTest, SavedInitialStateHasEightyLinesOfZerosAndEmptyNames) {
  g_app.configLoaded = true;
  SaveConfig();
  std::string bytes = dir_.Read("config.cfg");
  ASSERT_FALSE(bytes.empty());
  EXPECT_NE(bytes.substr(bytes.size() - 2), "\r\n");
  TextReader reader(bytes);
  std::vector<std::string> lines;
  for (std::string line; reader.ReadLine(&line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 80u);
  EXPECT_EQ(lines[1], "Volume=0");
  EXPECT_EQ(lines[7], "[HotKeys]");
  EXPECT_EQ(lines[8], "PlayName1=");
  EXPECT_EQ(lines[79], "MuteId3=0");
  for (const std::string& line : lines) EXPECT_EQ(line.find('\r'), std::string::npos) << line;
}

TEST_P(ConfigFileTest, NumbersConvertLikeAtoiWithoutOverflow) {
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {
      {"0", 0},
      {"42", 42},
      {"-1", -1},
      {"+7", 7},
      {" \t 15", 15},
      {"12abc", 12},
      {"abc", 0},
      {"", 0},
      {"- 5", 0},
      {"\xA0"
       "5",
       0},  // a no-break space in Windows-1251 is not a blank
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", INT32_MAX},
      {"-99999999999999999999", INT32_MIN},
      {"99999999999999999999", INT32_MAX},
  };
  for (const Case& c : cases) EXPECT_EQ(ConfigTextToInt(c.text), c.value) << '"' << c.text << '"';
}

TEST_P(ConfigFileTest, ReadConfigValueKeepsTheLineEndOnRequest) {
  TextReader reader("A=1\r\nB=2\nC=3");
  EXPECT_EQ(ReadConfigValue(reader, false), "1\n");
  EXPECT_EQ(ReadConfigValue(reader, true), "2");
  EXPECT_EQ(ReadConfigValue(reader, false), "3");
  EXPECT_EQ(ReadConfigValue(reader, true), "");
}

TUNLARK_INSTANTIATE_LOCALES(ConfigFileTest);

}  // namespace
