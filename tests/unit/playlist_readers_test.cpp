#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/app_state.h"
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

TEST_P(PlaylistReadersTest, M3uTakesEverySecondLineAfterTheHeader) {
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
      {"plain paths", "#EXTM3U\na\nb\nc\nd\ne", {"b", "d"}},
      {"missing #EXTINF shifts", "#EXTM3U\n#EXTINF\na\nb\n#EXTINF\nc", {"a", "#EXTINF"}},
      {"header only", "#EXTM3U\r\n", {}},
      {"header without line break", "#EXTM3U", {}},
      {"no header", "C:\\a.mp3\r\nC:\\b.mp3\r\n", {}},
      {"byte-order mark", "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF\r\na.mp3", {}},
      {"lower case", "#extm3u\r\n#EXTINF\r\na.mp3", {}},
      {"longer header", "#EXTM3U8\r\n#EXTINF\r\na.mp3", {}},
      {"empty file", "", {}},
      {"long path keeps the pairing",
       "#EXTM3U\n#EXTINF\n" + longPath + "\n#EXTINF\nb.mp3",
       {longPath, "b.mp3"}},
      {"taken as written",
       "#EXTM3U\n#\nmusic\\a.mp3 \n#\n\n#\n100%.mp3",
       {"music\\a.mp3 ", "", "100%.mp3"}},
  };
  for (const ReaderCase& c : cases) EXPECT_EQ(Read(ReadM3u, c.content), c.expected) << c.name;
}

TEST_P(PlaylistReadersTest, PlsTakesTheFileLineOfEachGroupOfThree) {
  const std::string longTitle = "Title1=" + std::string(300, 't');
  const ReaderCase cases[] = {
      {"standard",
       "[playlist]\r\nFile1=C:\\a.mp3\r\nTitle1=A\r\nLength1=1\r\nFile2=D:\\b.ogg\r\nTitle2=B\r\n"
       "Length2=2\r\nNumberOfEntries=2\r\nVersion=2\r\n",
       {"C:\\a.mp3", "D:\\b.ogg"}},
      {"count first", "[playlist]\nNumberOfEntries=2\nFile1=a.mp3\nTitle1=A\nLength1=1\n", {}},
      {"last '=' wins", "[playlist]\nFile1=C:\\a=b.mp3\nTitle1=\nLength1=\n", {"b.mp3"}},
      {"ends after a File line",
       "[playlist]\nFile1=a.mp3\nTitle1=A\nLength1=1\nFile2=b.mp3",
       {"a.mp3", "b.mp3"}},
      {"no count line",
       "[playlist]\nFile1=a\nT\nL\nFile2=b\nT\nL\nFile3=c\nT\nL\n",
       {"a", "b", "c"}},
      {"no '=' takes the line",
       "[playlist]\nmusic\\a.mp3\nT\nL\nFile2=\nT\nL",
       {"music\\a.mp3", ""}},
      {"long title keeps the grouping",
       "[playlist]\nFile1=a\n" + longTitle + "\nL\nFile2=b\nT\nL",
       {"a", "b"}},
      {"count is case-sensitive", "[playlist]\nnumberofentries=1\nT\nL", {"1"}},
      {"wrong case header", "[Playlist]\nFile1=a.mp3\nT\nL", {}},
      {"byte-order mark", "\xEF\xBB\xBF[playlist]\nFile1=a.mp3\nT\nL", {}},
      {"header only", "[playlist]\n", {}},
      {"empty file", "", {}},
  };
  for (const ReaderCase& c : cases) EXPECT_EQ(Read(ReadPls, c.content), c.expected) << c.name;
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
}

TUNLARK_INSTANTIATE_LOCALES(PlaylistReadersTest);

}  // namespace
