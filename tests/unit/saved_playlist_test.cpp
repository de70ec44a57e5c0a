#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "playlist/open_path.h"
#include "playlist/saved_playlist.h"
#include "playlist/wine_paths.h"
#include "tests/unit/test_support.h"

namespace {

using Entries = std::vector<std::string>;

class SavedPlaylistTest : public LocaleParamTest {
 protected:
  void SetUp() override {
    LocaleParamTest::SetUp();
    g_app.playlistLoaded = true;
  }
  void Fill(const Entries& entries) {
    g_app.playlist.Clear();
    for (const std::string& entry : entries) g_app.playlist.Append(entry);
  }
  Entries Load() {
    g_app.playlist.Clear();
    LoadSavedPlaylist();
    Entries entries;
    for (uint32_t i = 0; i < g_app.playlist.Count(); ++i)
      entries.push_back(g_app.playlist.EntryAt(i));
    return entries;
  }
  TempDir dir_;
  CoreFixtureState state_{dir_};
};

TEST_P(SavedPlaylistTest, RoundTripKeepsEveryPath) {
  Fill({"C:\\a.mp3", "D:\\b.ogg"});
  SavePlaylist();
  EXPECT_EQ(dir_.Read("current.spl"), "C:\\a.mp3\r\nD:\\b.ogg");

  const Entries paths = {"C:\\Music\\100% hits.mp3",
                         "",
                         "D:\\\xCF\xE5\xF1\xED\xFF.ogg",  // Cyrillic bytes
                         "C:\\" + std::string(300, 'x') + ".mp3",
                         " spaced \t",
                         "music\\a.mp3"};
  Fill(paths);
  g_app.CurrentIndex = 4;
  SavePlaylist();
  EXPECT_EQ(Load(), paths);
  EXPECT_EQ(g_app.CurrentIndex, 4u) << "the index is not part of the file";
}

TEST_P(SavedPlaylistTest, ReadsHandEditedFilesLineByLine) {
  struct Case {
    const char* name;
    std::string content;
    Entries expected;
  } cases[] = {
      {"final line break", "a.mp3\r\nb.mp3\r\n", {"a.mp3", "b.mp3"}},
      {"blank line inside", "a.mp3\r\n\r\nb.mp3", {"a.mp3", "", "b.mp3"}},
      {"LF only", "a.mp3\nb.mp3\n", {"a.mp3", "b.mp3"}},
      {"empty file", "", {}},
  };
  for (const Case& c : cases) {
    dir_.Write("current.spl", c.content);
    EXPECT_EQ(Load(), c.expected) << c.name;
  }
}

TEST_P(SavedPlaylistTest, EmptyPlaylistRemovesTheFile) {
  Fill({""});
  SavePlaylist();
  EXPECT_EQ(dir_.Read("current.spl"), "");
  EXPECT_EQ(Load(), Entries{});

  Fill({});
  SavePlaylist();
  EXPECT_FALSE(dir_.Exists("current.spl"));
  g_app.playlist.Append("kept");
  LoadSavedPlaylist();
  EXPECT_EQ(g_app.playlist.Count(), 1u) << "no file leaves the playlist alone";
}

TEST_P(SavedPlaylistTest, NothingIsWrittenBeforeStartUpOrTheUserFilledThePlaylist) {
  dir_.Write("current.spl", "C:\\a.mp3");
  g_app.playlistLoaded = false;
  SavePlaylist();
  EXPECT_EQ(dir_.Read("current.spl"), "C:\\a.mp3");
  Fill({"C:\\b.mp3"});
  SavePlaylist();
  EXPECT_EQ(dir_.Read("current.spl"), "C:\\a.mp3");
  EXPECT_FALSE(FillFromFolder(dir_.File("gone")));
  SavePlaylist();
  EXPECT_EQ(dir_.Read("current.spl"), "C:\\a.mp3");

  // After a start that ended early, a hand-over or an opened folder makes the list the user's.
  OpenPath("C:\\c.mp3");
  SavePlaylist();
  EXPECT_EQ(dir_.Read("current.spl"), "C:\\c.mp3");
  g_app.playlistLoaded = false;
  dir_.Write("d.mp3", "");
  ASSERT_TRUE(FillFromFolder(dir_.path()));
  SavePlaylist();
  EXPECT_EQ(dir_.Read("current.spl"), dir_.path() + "/d.mp3");
}

TEST_P(SavedPlaylistTest, FailedWriteKeepsThePreviousFile) {
  dir_.Write("current.spl", "C:\\a.mp3");
  std::filesystem::create_directory(dir_.File("current.spl.tmp"));  // blocks the temporary file
  Fill({"C:\\b.mp3"});
  SavePlaylist();
  EXPECT_EQ(dir_.Read("current.spl"), "C:\\a.mp3");
}

TUNLARK_INSTANTIATE_LOCALES(SavedPlaylistTest);

// What the Win32 program saved under Wine, as the native program reads it.
TEST(WinePaths, DrivePathsBecomeUnixPathsInUtf8) {
  auto drives = [](char drive) -> std::string {
    if (drive == 'c') return "/home/me/.wine/drive_c";
    if (drive == 'd') return "/";
    return "";
  };
  const struct {
    std::string entry;
    std::string unixPath;
  } cases[] = {
      {"Z:\\home\\me\\a.mp3", "/home/me/a.mp3"},
      {"z:\\home\\me\\a.mp3", "/home/me/a.mp3"},
      // Windows-1251 letters become UTF-8.
      {"Z:\\\xCC\xF3\xE7\\x.ogg", "/\xD0\x9C\xD1\x83\xD0\xB7/x.ogg"},
      {"C:\\users\\x.wav", "/home/me/.wine/drive_c/users/x.wav"},
      {"D:\\x.wav", "/x.wav"},
      {"Z:\\dir\\\\x.wav", "/dir/x.wav"},
      // An unknown drive, a UNC path, a Unix path and a relative one stay as they are.
      {"Q:\\x.wav", "Q:\\x.wav"},
      {"\\\\server\\x.wav", "\\\\server\\x.wav"},
      {"/home/me/a\\b.mp3", "/home/me/a\\b.mp3"},
      {"Z:x.wav", "Z:x.wav"},
      {"1:\\x.wav", "1:\\x.wav"},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(UnixPathOfWineEntry(c.entry, drives), c.unixPath) << c.entry;
  EXPECT_EQ(UnixPathOfWineEntry("C:\\x.wav", nullptr), "C:\\x.wav");
}

}  // namespace
