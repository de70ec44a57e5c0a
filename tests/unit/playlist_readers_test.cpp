#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "playlist/playlist_entries.h"
#include "playlist/playlist_readers.h"
#include "tests/unit/test_support.h"

namespace {

using Entries = std::vector<std::string>;

Entries PlaylistEntries() {
  Entries entries;
  for (uint32_t i = 0; i < g_app.playlist.Count(); ++i)
    entries.push_back(g_app.playlist.EntryAt(i));
  return entries;
}

struct ReaderCase {
  const char* name;
  std::string content;
  Entries expected;
};

class PlaylistReadersTest : public LocaleParamTest {
 protected:
  Entries Read(void (*reader)(const std::string&), const std::string& content) {
    dir_.Write("list", content);
    g_app.playlist.Append("previous");
    reader(dir_.File("list"));
    return PlaylistEntries();
  }
  TempDir dir_;
  CoreFixtureState state_{dir_};
};

TEST_P(PlaylistReadersTest, M3uTakesEveryLineThatIsNeitherBlankNorADirective) {
  const std::string longPath = "C:\\" + std::string(300, 'p') + ".mp3";
  const ReaderCase cases[] = {
      {"standard",
       "#EXTM3U\r\n#EXTINF:1,A\r\nC:\\a.mp3\r\n#EXTINF:2,B\r\nD:\\b.ogg",
       {"C:\\a.mp3", "D:\\b.ogg"}},
      {"final line break",
       "#EXTM3U\r\n#EXTINF:1,A\r\nC:\\a.mp3\r\n#EXTINF:2,B\r\nD:\\b.ogg\r\n",
       {"C:\\a.mp3", "D:\\b.ogg"}},
      {"LF only",
       "#EXTM3U\n#EXTINF:1,A\nC:\\a.mp3\n#EXTINF:2,B\nD:\\b.ogg\n",
       {"C:\\a.mp3", "D:\\b.ogg"}},
      {"plain paths", "#EXTM3U\nC:\\a\nC:\\b\nC:\\c", {"C:\\a", "C:\\b", "C:\\c"}},
      {"one #EXTINF missing", "#EXTM3U\n#EXTINF:1,A\nC:\\a\nC:\\b", {"C:\\a", "C:\\b"}},
      {"no header", "C:\\a.mp3\r\nC:\\b.mp3\r\n", {"C:\\a.mp3", "C:\\b.mp3"}},
      {"blank and comment lines",
       "\n# a comment\nC:\\a.mp3\n\n\n#EXTVLCOPT:x\nC:\\b.mp3\n",
       {"C:\\a.mp3", "C:\\b.mp3"}},
      {"byte-order mark", "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF\r\nC:\\a.mp3", {"C:\\a.mp3"}},
      {"byte-order mark, no header",
       "\xEF\xBB\xBF"
       "C:\\a.mp3",
       {"C:\\a.mp3"}},
      {"lower-case header", "#extm3u\r\nC:\\a.mp3", {"C:\\a.mp3"}},
      {"header only", "#EXTM3U\r\n", {}},
      {"empty file", "", {}},
      {"long path", "#EXTM3U\n" + longPath + "\nC:\\b.mp3", {longPath, "C:\\b.mp3"}},
      {"taken as written",
       "C:\\music\\a.mp3 \nC:\\100%.mp3",
       {"C:\\music\\a.mp3 ", "C:\\100%.mp3"}},
      {"URLs",
       "http://radio.example/stream\nfile:///C:/My%20Music/a.mp3\nFILE://localhost/D:/b.ogg\n"
       "file://server/share/c.mp3\nhttps://x/y.mp3\nfile:///C:/a%0Ab.mp3\nfile:///C:/a%00",
       {"C:/My Music/a.mp3", "D:/b.ogg"}},
  };
  for (const ReaderCase& c : cases) EXPECT_EQ(Read(ReadM3u, c.content), c.expected) << c.name;
}

TEST_P(PlaylistReadersTest, PlsTakesTheFileKeysInNumberOrder) {
  const std::string longTitle = "Title1=" + std::string(300, 't');
  const ReaderCase cases[] = {
      {"standard",
       "[playlist]\r\nFile1=C:\\a.mp3\r\nTitle1=A\r\nLength1=1\r\nFile2=D:\\b.ogg\r\nTitle2=B\r\n"
       "Length2=2\r\nNumberOfEntries=2\r\nVersion=2\r\n",
       {"C:\\a.mp3", "D:\\b.ogg"}},
      {"count first",
       "[playlist]\nNumberOfEntries=2\nFile1=C:\\a\nTitle1=A\nFile2=C:\\b\n",
       {"C:\\a", "C:\\b"}},
      {"'=' in the path", "[playlist]\nFile1=C:\\a=b.mp3\nTitle1=\nLength1=\n", {"C:\\a=b.mp3"}},
      {"no title or length", "[playlist]\nFile1=C:\\a\nFile2=C:\\b", {"C:\\a", "C:\\b"}},
      {"number order",
       "[playlist]\nFile10=C:\\j\nFile2=C:\\b\n" + longTitle + "\nFile1=C:\\a\n",
       {"C:\\a", "C:\\b", "C:\\j"}},
      {"keys in any case, other lines ignored",
       "[playlist]\nfile1=C:\\a\nFILE2=C:\\b\nFile=C:\\x\nFileX=C:\\x\nC:\\x\nFile3=\n",
       {"C:\\a", "C:\\b"}},
      {"header in another case", "[Playlist]\nFile1=C:\\a.mp3", {"C:\\a.mp3"}},
      {"byte-order mark", "\xEF\xBB\xBF[playlist]\nFile1=C:\\a.mp3", {"C:\\a.mp3"}},
      {"no header", "File1=C:\\a.mp3\n", {}},
      {"header only", "[playlist]\n", {}},
      {"empty file", "", {}},
  };
  for (const ReaderCase& c : cases) EXPECT_EQ(Read(ReadPls, c.content), c.expected) << c.name;
}

TEST_P(PlaylistReadersTest, RelativeEntriesAreTakenFromThePlaylistsFolder) {
  EXPECT_EQ(Read(ReadM3u, "a.mp3\nsub/b.flac\n/abs/c.ogg"),
            (Entries{dir_.File("a.mp3"), dir_.File("sub/b.flac"), "/abs/c.ogg"}));
  EXPECT_EQ(Read(ReadPls, "[playlist]\nFile1=a.mp3"), Entries{dir_.File("a.mp3")});
}

TEST(ResolveEntry, TakesRelativePathsFromTheFolderAndRootedOnesToTheDrive) {
  struct Case {
    const char* playlist;
    const char* entry;
    const char* path;
  } cases[] = {
      {"Z:\\music\\list.m3u", "sub\\a.flac", "Z:\\music\\sub\\a.flac"},
      {"Z:\\music\\list.m3u", "..\\b.mp3", "Z:\\music\\..\\b.mp3"},
      {"Z:\\music\\list.m3u", "\\c.ogg", "Z:\\c.ogg"},
      {"Z:\\music\\list.m3u", "/home/u/d.opus", "Z:\\home\\u\\d.opus"},
      {"Z:\\music\\list.m3u", "sub/x.m4a", "Z:\\music\\sub\\x.m4a"},
      {"Z:\\music\\list.m3u", "C:/My Music/y.wma", "C:\\My Music\\y.wma"},
      {"Z:\\music\\list.m3u", "D:\\e.mp3", "D:\\e.mp3"},
      {"Z:\\music\\list.m3u", "d:f.mp3", "d:f.mp3"},
      {"Z:\\music\\list.m3u", "\\\\server\\share\\g.mp3", "\\\\server\\share\\g.mp3"},
      {"\\\\server\\share\\list.pls", "h.mp3", "\\\\server\\share\\h.mp3"},
      {"list.m3u", "i.mp3", "i.mp3"},
      // In a Unix path a backslash is part of a name: it neither ends a folder nor turns '/'.
      {"/music/a\\b/list.m3u", "sub/j.mp3", "/music/a\\b/sub/j.mp3"},
      {"/music/x\\list.m3u", "k\\l.mp3", "/music/k\\l.mp3"},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveEntry(c.playlist, c.entry), c.path) << c.entry;
}

TEST_P(PlaylistReadersTest, UnreadableFileChangesNothing) {
  g_app.playlist.Append("kept");
  g_app.CurrentIndex = 7;
  ReadM3u(dir_.File("missing.m3u"));
  ReadPls(dir_.File("missing.pls"));
  ReadPls(dir_.path());
  EXPECT_EQ(PlaylistEntries(), Entries{"kept"});

  dir_.Write("list.m3u", "#EXTM3U\n#\na.mp3");
  ReadM3u(dir_.File("list.m3u"));
  EXPECT_EQ(g_app.CurrentIndex, 7u) << "readers leave the index alone";
}

TEST_P(PlaylistReadersTest, Utf8LinesAreTurnedIntoCodePagePathsAndOtherLinesKeepTheirBytes) {
  // Only the aliases exist, as the code page names the files.
  const std::string root = dir_.path();
  const std::u16string wideRoot(root.begin(), root.end());
  FakeWidePaths paths;
  paths.aliases = {{wideRoot + u"/Björk", "BJRK~1"},
                   {wideRoot + u"/Björk/Jóga.ogg", "JGA~1XY.OGG"}};
  g_platform.paths = &paths;
  std::filesystem::create_directory(dir_.File("BJRK~1"));
  dir_.Write("BJRK~1/JGA~1XY.OGG", "");
  const std::string utf8 = root + "/Bj\xC3\xB6rk/J\xC3\xB3ga.ogg";
  const std::string alias = root + "/BJRK~1/JGA~1XY.OGG";
  const std::string cyrillic = "Z:\\Музыка\\Песня.mp3";  // Windows-1251 bytes
  EXPECT_EQ(Read(ReadM3u, "#EXTM3U\n#\n" + utf8 + "\n#\n" + cyrillic + "\n#\nZ:\\x\xFF\xFE.mp3"),
            (Entries{alias, cyrillic, "Z:\\x\xFF\xFE.mp3"}));
  EXPECT_EQ(Read(ReadPls, "[playlist]\nFile1=" + utf8 + "\nT\nL\nFile2=" + cyrillic + "\nT\nL"),
            (Entries{alias, cyrillic}));

  // Windows-1251 bytes that also form UTF-8 ("ВЁ" is C2 A8) stay as they are, unless only the
  // UTF-8 reading names a file or the file says it is UTF-8.
  const std::string both = root + "/\xC2\xA8.wav";
  const std::string missing = "Z:\\\xC2\xA8.wav";
  dir_.Write("\xC2\xA8.wav", "");
  EXPECT_EQ(Read(ReadM3u, "#EXTM3U\n#\n" + both + "\n#\n" + missing), (Entries{both, missing}));
  dir_.Write("list.m3u8", "#EXTM3U\n#\n" + utf8 + "\n#\n" + missing);
  g_app.playlist.Clear();
  ReadM3u(dir_.File("list.m3u8"));
  ASSERT_EQ(g_app.playlist.Count(), 2u);
  EXPECT_EQ(g_app.playlist.EntryAt(0), alias);
  EXPECT_EQ(g_app.playlist.EntryAt(1), "Z:\\?.wav") << "U+00A8 is not in the code page";
  // A byte-order mark says UTF-8 as well; a relative UTF-8 entry is read with the list's folder.
  EXPECT_EQ(Read(ReadM3u, "\xEF\xBB\xBF" + missing + "\nBj\xC3\xB6rk/J\xC3\xB3ga.ogg"),
            (Entries{"Z:\\?.wav", alias}));
  EXPECT_EQ(Read(ReadPls, "\xEF\xBB\xBF[playlist]\nFile1=" + missing), Entries{"Z:\\?.wav"});
}

TEST_P(PlaylistReadersTest, UnixPathsEscapedEntriesAndForbiddenNamesReachTheirFiles) {
  // The fake's Unix files live under unix/; the list's folder is on no drive.
  const std::string root = dir_.path();
  FakeWidePaths paths;
  paths.unixRoot = root + "/unix";
  paths.aliases = {{std::u16string(root.begin(), root.end()) + u"/Why?.mp3", "WHY_~KIV.MP3"}};
  g_platform.paths = &paths;
  std::filesystem::create_directories(dir_.File("unix/home/u"));
  dir_.Write("unix/home/u/a.flac", "");
  dir_.Write("WHY_~KIV.MP3", "");
  dir_.Write("a\nb.mp3", "");
  dir_.Write("01 Песня.mp3", "");  // Windows-1251 bytes, as the program names it
  const std::string song = "%D0%9F%D0%B5%D1%81%D0%BD%D1%8F";  // "Песня" in UTF-8
  const ReaderCase cases[] = {
      {"existing Unix file", "/home/u/a.flac", {root + "/unix/home/u/a.flac"}},
      {"missing Unix file: rooted as before", "/home/u/gone.flac", {"/home/u/gone.flac"}},
      {"URI: a Unix file, present or not",
       "file:///home/u/gone.flac\nfile:///mnt/nas/" + song + ".mp3",
       {root + "/unix/home/u/gone.flac", root + "/unix/mnt/nas/Песня.mp3"}},
      {"percent-encoded relative entry", "01%20" + song + ".mp3", {root + "/01 Песня.mp3"}},
      {"percent sign naming no file either way", "100%25.mp3", {root + "/100%25.mp3"}},
      {"escaped line feed", "a%0Ab.mp3", {root + "/a%0Ab.mp3"}},
      {"forbidden name", "Why?.mp3", {root + "/WHY_~KIV.MP3"}},
  };
  for (const ReaderCase& c : cases) EXPECT_EQ(Read(ReadM3u, c.content), c.expected) << c.name;
  EXPECT_EQ(Read(ReadPls, "[playlist]\nFile1=/home/u/a.flac"),
            Entries{root + "/unix/home/u/a.flac"});

  // Without Unix files (the Windows build) a URI is still UTF-8, also for a missing file.
  paths.unixRoot.clear();
  EXPECT_EQ(Read(ReadM3u, "file:///mnt/nas/" + song + ".mp3"), Entries{"/mnt/nas/Песня.mp3"});
  EXPECT_EQ(Read(ReadM3u, "/home/u/a.flac"), Entries{"/home/u/a.flac"});
}

TUNLARK_INSTANTIATE_LOCALES(PlaylistReadersTest);

}  // namespace
