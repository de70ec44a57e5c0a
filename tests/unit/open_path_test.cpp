#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "app/startup.h"
#include "playlist/open_path.h"
#include "tests/unit/test_support.h"

namespace {

using Entries = std::vector<std::string>;

class OpenPathTest : public testing::Test {
 protected:
  Entries SortedEntries() {
    Entries entries;
    for (uint32_t i = 0; i < g_app.playlist.Count(); ++i)
      entries.push_back(g_app.playlist.EntryAt(i));
    std::sort(entries.begin(), entries.end());
    return entries;
  }
  void AddTracks(int count) {
    for (int i = 0; i < count; ++i) dir_.Write("t" + std::to_string(i) + ".mp3", "");
  }
  TempDir dir_;
  CoreFixtureState state_{dir_};
};

TEST_F(OpenPathTest, ChoosesTheReaderByExtension) {
  dir_.Write("List.M3U", "#EXTM3U\n#\na.mp3\n#\nb.mp3");
  dir_.Write("List.pls", "[playlist]\nFile1=c.mp3\nT\nL");
  dir_.Write("List.m3u8", "#EXTM3U\n#\na.mp3");
  struct Case {
    std::string path;
    Entries expected;
  } cases[] = {
      {dir_.File("List.M3U"), {dir_.File("a.mp3"), dir_.File("b.mp3")}},
      {dir_.File("List.pls"), {dir_.File("c.mp3")}},
      {dir_.File("List.m3u8"), {dir_.File("a.mp3")}},
      {dir_.File("missing.m3u"), {}},
      {"C:\\no\\such\\track", {"C:\\no\\such\\track"}},
      {"", {""}},
  };
  for (const Case& c : cases) {
    g_app.playlist.Append("previous");
    g_app.CurrentIndex = 5;
    OpenPath(c.path);
    EXPECT_EQ(SortedEntries(), c.expected) << c.path;
    EXPECT_EQ(g_app.CurrentIndex, 0u);
  }
}

TEST_F(OpenPathTest, FolderKeepsTrackNamesOfEveryKind) {
  for (const char* name : {"a.mp3", "b.txt", "c.MP3", "list.m3u", "list.pls", "list.m3u8",
                           "Song.AIFF", "Song.aif", "trackaiff", "README", "OMEGA~1.AIF",
                           "SONG~1.AIF", "d.flac", "e.Opus", "f.m4a", "g.wma", "h.mp4"})
    dir_.Write(name, "");
  std::filesystem::create_directory(dir_.File("old.ogg"));
  // A Unix folder: its names are joined with '/'.
  const std::string folder = dir_.path() + "/";
  // Listed by their aliases: the real names decide.
  FakeWidePaths paths;
  paths.longNames = {{folder + "OMEGA~1.AIF", u"Ωmega.aiff"}, {folder + "SONG~1.AIF", u"Sóng.aif"}};
  g_platform.paths = &paths;
  g_app.CurrentIndex = 3;
  ASSERT_TRUE(FillFromFolder(dir_.path()));
  EXPECT_EQ(SortedEntries(),
            (Entries{folder + "OMEGA~1.AIF", folder + "Song.AIFF", folder + "a.mp3",
                     folder + "c.MP3", folder + "d.flac", folder + "e.Opus", folder + "f.m4a",
                     folder + "g.wma", folder + "old.ogg"}));
  EXPECT_EQ(g_app.CurrentIndex, 3u) << "still inside the new list";
}

TEST_F(OpenPathTest, FolderResetsAnIndexOnlyWhenItLiesPastANonEmptyList) {
  TempDir empty;
  g_app.CurrentIndex = 3;
  g_app.playlist.Append("previous");
  ASSERT_TRUE(FillFromFolder(empty.path()));
  EXPECT_EQ(g_app.playlist.Count(), 0u);
  EXPECT_EQ(g_app.CurrentIndex, 3u);

  AddTracks(10);
  g_app.CurrentIndex = 9;
  ASSERT_TRUE(FillFromFolder(dir_.path()));
  EXPECT_EQ(g_app.CurrentIndex, 9u);
  g_app.CurrentIndex = 12;
  ASSERT_TRUE(FillFromFolder(dir_.path()));
  EXPECT_EQ(g_app.playlist.Count(), 10u);
  EXPECT_EQ(g_app.CurrentIndex, 0u);
}

TEST_F(OpenPathTest, LaunchedFolderPlaysItsTracksAndOneWithoutKeepsTheList) {
  AddTracks(3);
  dir_.Write("list.m3u", "#EXTM3U\n#\nt1.mp3");
  const std::string folder = dir_.path();
  g_app.playlist.Append("previous");
  g_app.CurrentIndex = 7;
  ASSERT_TRUE(OpenLaunchPath(folder + "/"));
  EXPECT_EQ(SortedEntries(), (Entries{folder + "/t0.mp3", folder + "/t1.mp3", folder + "/t2.mp3"}));
  EXPECT_EQ(g_app.CurrentIndex, 0u) << "its first track";

  TempDir empty;
  g_app.CurrentIndex = 2;
  EXPECT_FALSE(OpenLaunchPath(empty.path()));
  EXPECT_EQ(g_app.playlist.Count(), 3u) << "the list is kept";
  EXPECT_EQ(g_app.CurrentIndex, 2u);

  // Anything else is what OpenPath makes of it.
  ASSERT_TRUE(OpenLaunchPath(dir_.File("list.m3u")));
  EXPECT_EQ(SortedEntries(), Entries{dir_.File("t1.mp3")});
  ASSERT_TRUE(OpenLaunchPath("C:\\no\\such.mp3"));
  EXPECT_EQ(SortedEntries(), Entries{"C:\\no\\such.mp3"});
}

TEST_F(OpenPathTest, UnixFolderKeepsBackslashesQuotesAndWildcardsInItsNames) {
  // Every byte but '/' and NUL may be in a Linux name; a backslash separates nothing, also at
  // the end of the folder's own name. Greek and Japanese in UTF-8: outside any code page.
  const std::string folder = dir_.File("odd \"?*\\");
  const std::string foreign =
      "\xce\xa4\xcf\x8c\xce\xbd\xce\xbf\xcf\x82 \xe6\x9d\xb1\xe4\xba\xac.wav";
  std::filesystem::create_directory(folder);
  for (const std::string& name :
       {std::string("12\" Mix?.mp3"), std::string("a*b\\c.ogg"), foreign, std::string("x\\y.txt")})
    dir_.Write("odd \"?*\\/" + name, "");
  ASSERT_TRUE(OpenLaunchPath(folder));
  EXPECT_EQ(SortedEntries(),
            (Entries{folder + "/12\" Mix?.mp3", folder + "/a*b\\c.ogg", folder + "/" + foreign}));
  ASSERT_TRUE(OpenLaunchPath(folder + "/"));
  EXPECT_EQ(g_app.playlist.Count(), 3u);
}

TEST_F(OpenPathTest, CancelledChoosersLeaveThePlaylistAlone) {
  g_app.playlist.Append("previous");
  OpenChosenFile("");
  EXPECT_FALSE(FillFromChosenFolder(""));
  EXPECT_EQ(SortedEntries(), Entries{"previous"});
  AddTracks(2);
  EXPECT_TRUE(FillFromChosenFolder(dir_.path()));
  EXPECT_EQ(g_app.playlist.Count(), 2u);
  OpenChosenFile(dir_.File("t1.mp3"));
  EXPECT_EQ(SortedEntries(), Entries{dir_.File("t1.mp3")});
  EXPECT_EQ(g_app.CurrentIndex, 0u);
}

TEST_F(OpenPathTest, UnlistableFolderLeavesThePlaylistAlone) {
  g_app.playlist.Append("previous");
  g_app.CurrentIndex = 12;
  EXPECT_FALSE(FillFromFolder(dir_.File("gone")));
  EXPECT_EQ(SortedEntries(), Entries{"previous"});
  EXPECT_EQ(g_app.CurrentIndex, 12u);
}

// A hand-over to an exiting player is refused and changes nothing, so that the sender starts anew
// after it; an empty one, or a folder without tracks, is taken and leaves the list alone.
TEST_F(OpenPathTest, HandOverIsRefusedWhileExitingAndNothingReplacesTheList) {
  dir_.Write("a.mp3", "");
  std::filesystem::create_directory(dir_.File("empty"));
  g_app.playlistLoaded = true;
  const struct {
    std::string path;
    bool exiting;
    bool taken;
  } cases[] = {
      {dir_.File("a.mp3"), true, false},
      {"", false, true},
      {"", true, false},
      {dir_.File("empty"), false, true},
  };
  for (const auto& c : cases) {
    g_app.playlist.Clear();
    g_app.playlist.Append("previous");
    EXPECT_EQ(TakeHandOver(c.path, c.exiting), c.taken) << c.path;
    EXPECT_EQ(SortedEntries(), Entries{"previous"}) << c.path;
    EXPECT_FALSE(dir_.Exists("current.spl")) << c.path;
  }
}

}  // namespace
