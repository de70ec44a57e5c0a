#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "playlist/open_path.h"
#include "playlist/saved_playlist.h"
#include "playlist/wine_paths.h"
#include "tests/unit/temp_dir.h"
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

// Components the Win32 program saved by their 8.3 aliases, as Windows and Wine make them.
TEST(WinePaths, ShortNamesResolveToTheOneEntryTheyCanStandFor) {
  const std::map<std::string, std::vector<std::string>> folders = {
      {"/", {"m"}},
      {"/m",
       {".", "..", "My Music", "Song Name.mp3", "Bad+Name.wav", "\xD0\x96\xD0\x96.mp3",
        "Twin One.mp3", "Twin Two.mp3", "NOEXT~1", "x.tar.gz", ".hidden~1",
        "Mot\xC3\xB6rhead.mp3"}},
      {"/m/My Music", {"Track 01.flac"}},
  };
  auto list = [&folders](const std::string& folder) -> const std::vector<std::string>* {
    auto found = folders.find(folder);
    return found == folders.end() ? nullptr : &found->second;
  };
  const struct {
    std::string path;
    std::string resolved;
  } cases[] = {
      {"/m/MYMUSI~1/TRACK0~1.FLA", "/m/My Music/Track 01.flac"},
      {"/m/MY_M~ABC/TRAC~XYZ.FLA", "/m/My Music/Track 01.flac"},  // Wine's '_' and hash
      {"/m/song~ab1.mp3", "/m/Song Name.mp3"},
      {"/m/BADNAM~1.WAV", "/m/Bad+Name.wav"},
      {"/m/BAD_NA~1.WAV", "/m/Bad+Name.wav"},
      {"/m/__~~ABC.MP3", "/m/\xD0\x96\xD0\x96.mp3"},  // a letter outside ASCII is one '_'
      {"/m/XTAR~1.GZ", "/m/x.tar.gz"},
      {"/m/Mot_~K2B.mp3", "/m/Mot\xC3\xB6rhead.mp3"},  // as Wine writes it, case kept
      {"/m/TWINON~1.MP3", "/m/Twin One.mp3"},
      // Several fit, or none: kept, never guessed.
      {"/m/TWIN~1.MP3", "/m/TWIN~1.MP3"},
      {"/m/GONE~1.MP3", "/m/GONE~1.MP3"},
      {"/m/MYMUSI~1/GONE~1.MP3", "/m/MYMUSI~1/GONE~1.MP3"},
      // The extension must fit too: a folder has none, a track has one.
      {"/m/MYMUSI~1.MP3", "/m/MYMUSI~1.MP3"},
      {"/m/SONGNA~1", "/m/SONGNA~1"},
      // A name that exists is taken literally; what is no alias is left.
      {"/m/NOEXT~1", "/m/NOEXT~1"},
      {"/m/~1.mp3", "/m/~1.mp3"},
      {"/m/Song Name~1.mp3", "/m/Song Name~1.mp3"},
      {"/m/SONGNAME~1.MP3", "/m/SONGNAME~1.MP3"},  // a stem of 9
      {"/none/MUSIC~1/a.mp3", "/none/MUSIC~1/a.mp3"},
      {"C:\\MYMUSI~1", "C:\\MYMUSI~1"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveShortNames(c.path, list), c.resolved) << c.path;
}

TEST(WinePaths, AdopterAsksEachDriveOnceAndResolvesAliases) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("My Music"));
  dir.Write("My Music/a.mp3", "");
  std::map<char, int> asked;
  auto drives = [&](char drive) -> std::string {
    ++asked[drive];
    return drive == 'c' ? dir.path() : "";
  };
  std::unique_ptr<FileSystem> files = CreatePosixFileSystem();
  WineEntryAdopter adopter(drives, *files);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(adopter.UnixPathOf("C:\\MYMUSI~1\\a.mp3"), dir.File("My Music/a.mp3"));
    EXPECT_EQ(adopter.UnixPathOf("q:\\x.mp3"), "q:\\x.mp3");
  }
  // The native program's own entries are never aliases.
  EXPECT_EQ(adopter.UnixPathOf(dir.File("MYMUSI~1")), dir.File("MYMUSI~1"));
  EXPECT_EQ(asked, (std::map<char, int>{{'c', 1}, {'q', 1}}));
}

}  // namespace
