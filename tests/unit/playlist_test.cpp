#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app_state.h"
#include "playlist/file_types.h"
#include "playlist/playlist.h"
#include "playlist/text_file.h"
#include "tests/unit/test_support.h"

namespace {

TEST(LowerExtension, LowersAsciiAfterTheLastDotOfTheWholePath) {
  struct Case {
    const char* path;
    const char* extension;
  } cases[] = {
      {"D:\\Music\\Song.MP3", "mp3"},
      {"D:\\Music\\archive.tar.ogg", "ogg"},
      {"D:\\Music\\Song.Mp3 ", "mp3 "},
      {"D:\\Music\\README", ""},
      {"D:\\Music.old\\README", "old\\readme"},
      {"D:\\Music\\Song.", ""},
      {"", ""},
      {"D:\\Песня.ОГГ", "ОГГ"},  // Cyrillic capitals are not folded
      {"D:\\x.AbZ@[", "abz@["},
  };
  for (const Case& c : cases) EXPECT_EQ(LowerExtension(c.path), c.extension) << c.path;
}

TEST(LowerExtension, OfAFileNamedByItsAliasComesFromItsRealName) {
  FakeWidePaths paths;
  paths.longNames = {{"Z:\\m\\OMEGA~1.AIF", u"Ωmega.aiff"},
                     {"Z:\\m\\_~1.M3U", u"★.m3u8"},
                     {"Z:\\m.x\\NOEXT~1", u"Ωmega"}};
  g_platform.paths = &paths;
  struct Case {
    const char* path;
    const char* extension;
  } cases[] = {
      {"Z:\\m\\OMEGA~1.AIF", "aiff"},
      {"Z:\\m\\_~1.M3U", "m3u8"},
      {"Z:\\m.x\\NOEXT~1", ""},
      {"Z:\\m\\A~1.MP3", "mp3"},  // a name that only looks like an alias
      {"Z:\\a~b.old\\README", "old\\readme"},
  };
  for (const Case& c : cases) EXPECT_EQ(LowerExtensionOfFile(c.path), c.extension) << c.path;
  g_platform.paths = nullptr;
  EXPECT_EQ(LowerExtensionOfFile("Z:\\m\\OMEGA~1.AIF"), "aif") << "paths that need no alias";
}

TEST(TrackExtensions, KeepTheThirteenFirstAndLeavePlaylistsOut) {
  std::vector<std::string> thirteen = {"mp3", "wav", "ogg", "aiff", "xm",  "it", "mtm",
                                       "umx", "mod", "s3m", "mo3",  "mp2", "mp1"};
  std::vector<std::string> extensions = TrackExtensions();
  ASSERT_GE(extensions.size(), thirteen.size());
  EXPECT_EQ(std::vector<std::string>(extensions.begin(), extensions.begin() + 13), thirteen);
  for (const char* yes : {"flac", "opus", "m4a", "wma"}) EXPECT_TRUE(IsTrackExtension(yes)) << yes;
  for (const char* no : {"aif", "m3u", "m3u8", "pls", "MP3", "", "mp3 ", "mp4"})
    EXPECT_FALSE(IsTrackExtension(no)) << no;
}

TEST(TrackExtensions, FilterKeepsItsPatternsFirstAndListsEveryType) {
  std::string patterns = FilterPatterns();
  std::string kept =
      "*.mp3;*.wav;*.ogg;*.mp2;*.mp1;*aiff;*.xm;*.mo3;*.it;*.s3m;*.mtm;*.mod;*.umx;*.m3u;*.pls";
  EXPECT_EQ(patterns.substr(0, kept.size() + 1), kept + ";");
  for (const FileType& type : FileTypes()) {
    EXPECT_NE(patterns.find(type.pattern), std::string::npos) << type.extension;
    EXPECT_NE(std::string(type.mimeTypes), "") << type.extension;
  }
}

TEST(TrackExtensions, AnyCasePatternMatchesLettersOnlyInBothCases) {
  struct Case {
    const char* pattern;
    const char* anyCase;
  };
  const Case cases[] = {
      {"*.mp3", "*.[mM][pP]3"}, {"*aiff", "*[aA][iI][fF][fF]"},  // no dot, as the table has it
      {"*.M4A", "*.[mM]4[aA]"}, {"*.[x]", "*.[[xX]]"},          {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(AnyCasePattern(c.pattern), c.anyCase) << c.pattern;
}

TEST(Steps, WrapInUnsigned32BitArithmetic) {
  struct Case {
    uint32_t count;
    uint32_t start;
    bool next;
    uint32_t result;
  } cases[] = {
      {3, 2, true, 0}, {3, 0, false, 2}, {3, 1, true, 2},           {3, 1, false, 0},
      {3, 7, true, 0}, {3, 7, false, 6}, {0, 0, false, UINT32_MAX}, {0, UINT32_MAX, true, 0},
      {0, 0, true, 1}, {1, 0, true, 0},  {1, 0, false, 0},
  };
  for (const Case& c : cases) {
    ResetApplicationState();
    for (uint32_t i = 0; i < c.count; ++i) g_app.playlist.Append("x");
    g_app.CurrentIndex = c.start;
    c.next ? StepNext() : StepPrevious();
    EXPECT_EQ(g_app.CurrentIndex, c.result)
        << "count " << c.count << " from " << c.start << (c.next ? " next" : " previous");
  }
}

TEST(Steps, CurrentEntryNeedsAnIndexInsideTheList) {
  ResetApplicationState();
  g_app.CurrentIndex = 5;
  EXPECT_FALSE(HasCurrentEntry());
  g_app.CurrentIndex = 0;
  EXPECT_FALSE(HasCurrentEntry()) << "an empty list has no entry 0";
  for (int i = 0; i < 3; ++i) g_app.playlist.Append("x");
  g_app.CurrentIndex = 2;
  EXPECT_TRUE(HasCurrentEntry());
  g_app.CurrentIndex = 3;
  EXPECT_FALSE(HasCurrentEntry());
  g_app.CurrentIndex = UINT32_MAX;
  EXPECT_FALSE(HasCurrentEntry());
  g_app.playlist.Clear();
  EXPECT_EQ(g_app.CurrentIndex, UINT32_MAX) << "Clear leaves the index alone";
}

TEST(TextReader, ReadsLinesInTextModeWithoutSplittingThem) {
  const std::string longLine(300, 'x');
  TextReader reader("a\r\nb\n\r\nlone\rcr\r\n" + longLine + "\n\nlast");
  std::string line;
  bool lineFeed = false;
  for (const std::string& expected :
       std::vector<std::string>{"a", "b", "", "lone\rcr", longLine, ""}) {
    ASSERT_TRUE(reader.ReadLine(&line, &lineFeed));
    EXPECT_EQ(line, expected);
    EXPECT_TRUE(lineFeed);
  }
  ASSERT_TRUE(reader.ReadLine(&line, &lineFeed));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(lineFeed);
  EXPECT_FALSE(reader.ReadLine(&line));
  EXPECT_FALSE(reader.ReadLine(&line));

  TextReader trailing("one\r\n");
  EXPECT_TRUE(trailing.ReadLine(&line));
  EXPECT_FALSE(trailing.ReadLine(&line)) << "a final line feed makes no extra line";
  EXPECT_FALSE(TextReader("").ReadLine(&line));
}

TEST(TextReader, ReadCharsStopsAtTheLimitOrAfterALineFeed) {
  TextReader reader("#EXTM3U\r\nnext\r\n");
  std::string text;
  ASSERT_TRUE(reader.ReadChars(8, &text));
  EXPECT_EQ(text, "#EXTM3U\n");
  ASSERT_TRUE(reader.ReadChars(2, &text));
  EXPECT_EQ(text, "ne");
  ASSERT_TRUE(reader.ReadChars(100, &text));
  EXPECT_EQ(text, "xt\n");
  EXPECT_FALSE(reader.ReadChars(100, &text));
}

TEST(TextMode, WritesLineFeedsAsCrLfAndReadsThemBack) {
  EXPECT_EQ(ToTextMode("a\nb\n\nc\rd"), "a\r\nb\r\n\r\nc\rd");
  EXPECT_EQ(FromTextMode("a\r\nb\r\r\nc\r"), "a\nb\r\nc\r");
}

}  // namespace
