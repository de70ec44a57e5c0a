// Files a user or a broken download may hand the player: huge lines, binary garbage, a settings
// file cut short. Each must load to defined values without reading past the data.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <vector>

#include "core/app_state.h"
#include "playlist/open_path.h"
#include "playlist/saved_playlist.h"
#include "settings/config_file.h"
#include "settings/hotkeys.h"
#include "test_support.h"

namespace {

std::vector<std::string> Entries() {
  std::vector<std::string> entries;
  for (uint32_t i = 0; i < g_app.playlist.Count(); ++i)
    entries.push_back(g_app.playlist.EntryAt(i));
  return entries;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class HostileFilesTest : public testing::Test {
 protected:
  TempDir dir_;
  CoreFixtureState state_{dir_};
};

TEST_F(HostileFilesTest, AMegabyteLineIsOneEntryAndShiftsNothing) {
  const std::string huge(1 << 20, 'x');
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"list.m3u", "#EXTM3U\r\n#EXTINF:1," + huge + "\r\na.mp3\r\n#EXTINF:1,b\r\n" + huge},
      {"list.pls", "[playlist]\r\nFile1=" + huge + "\r\nTitle1=" + huge + "\r\nLength1=1\r\n" +
                       "File2=b.mp3\r\n"},
  };
  const std::vector<std::vector<std::string>> expected = {{dir_.File("a.mp3"), dir_.File(huge)},
                                                          {dir_.File(huge), dir_.File("b.mp3")}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    dir_.Write(cases[i].name, cases[i].bytes);
    OpenPath(dir_.File(cases[i].name));
    EXPECT_EQ(Entries(), expected[i]);
  }

  dir_.Write("current.spl", huge + "\r\nb.mp3");
  LoadSavedPlaylist();
  EXPECT_EQ(Entries(), (std::vector<std::string>{huge, "b.mp3"}));
}

TEST_F(HostileFilesTest, BinaryGarbageNamedAsAPlaylistGivesAnEmptyList) {
  std::mt19937 random(8);
  std::string garbage(64 * 1024, '\0');
  for (char& byte : garbage) byte = static_cast<char>(random());
  for (const char* name : {"garbage.m3u", "garbage.pls"}) {
    SCOPED_TRACE(name);
    dir_.Write(name, garbage);
    g_app.playlist.Append("old");
    g_app.CurrentIndex = 5;
    OpenPath(dir_.File(name));
    EXPECT_EQ(g_app.playlist.Count(), 0u);
    EXPECT_EQ(g_app.CurrentIndex, 0u);
  }
}

TEST_F(HostileFilesTest, ConfigCutAfterAnyLineKeepsWhatItHasAndZeroesTheRest) {
  g_app.Volume = 35;
  g_app.Mute = 1;
  g_app.Autoplay = 7;
  for (HotkeyBinding& binding : HotkeyBindings) binding = {"Ctrl", "Alt", "Стр. вверх", 2, 1, 33};
  const std::vector<std::string> full = Lines(ConfigFileText());
  ASSERT_EQ(full.size(), 80u);

  dir_.Write("hotkeys.txt", "");
  for (size_t kept = 0; kept <= full.size(); ++kept) {
    for (const char* end : {"", "\r\n"}) {
      SCOPED_TRACE(testing::Message() << kept << " lines, end \"" << end << '"');
      std::string text;
      for (size_t i = 0; i < kept; ++i) text += full[i] + (i + 1 < kept ? "\r\n" : end);
      dir_.Write("config.cfg", text);
      ResetHotkeyBindings();
      g_app.Volume = g_app.Mute = g_app.Autoplay = -5;
      ASSERT_EQ(LoadConfig(), 0);

      const std::vector<std::string> loaded = Lines(ConfigFileText());
      ASSERT_EQ(loaded.size(), 80u);
      for (size_t i = 0; i < loaded.size(); ++i) {
        if (i < kept) {
          EXPECT_EQ(loaded[i], full[i]);
        } else if (i != 7) {  // "[HotKeys]" is written whatever was read
          const std::string key = full[i].substr(0, full[i].find('=') + 1);
          const bool number = key.find("Name") == std::string::npos && i != 0;
          EXPECT_EQ(loaded[i], i == 0 ? full[0] : key + (number ? "0" : ""));
        }
      }
    }
  }
}

}  // namespace
